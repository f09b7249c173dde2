#!/usr/bin/env python3
"""Checks the packages a build made, as a publisher would before shipping them.

Usage: check-packages.py BUILD_DIR CERT_PEM

- Signatures: the MSI, and both programs as the zip and the MSI carry them,
  are signed with the certificate in CERT_PEM (osslsigncode verify, with that
  certificate as the one trusted root): a signature is there, its digest is
  the file's own, and its signer is the certificate's subject.
- Manifests: the winget and Scoop manifests parse, name this version, and
  hold the SHA-256 of the MSI and the zip (sha256sum) and the MSI's product
  code (msiinfo's export of its Property table).

Prints one line per check and a closing "package checks: N passed, N failed";
exits non-zero when a check fails.
"""
import json
import os
import re
import subprocess
import sys
import tempfile
import zipfile

import yaml

results = []


def check(name, problems):
    """Records one check: passed when `problems` is empty."""
    results.append(not problems)
    if problems:
        print(f"FAILED {name}: " + "; ".join(problems))
    else:
        print(f"passed {name}")


def run(*args):
    return subprocess.run(args, capture_output=True, text=True, check=False)


def project_version(build):
    with open(os.path.join(build, "CMakeCache.txt"), encoding="utf-8") as cache:
        for line in cache:
            if line.startswith("CMAKE_PROJECT_VERSION:"):
                return line.split("=", 1)[1].strip()
    sys.exit(f"{build} holds no configured build (CMakeCache.txt names no project version)")


def signature_problems(path, cert, subject):
    out = run("osslsigncode", "verify", "-in", path, "-CAfile", cert)
    text = out.stdout + out.stderr
    problems = []
    if "Signer's certificate:" not in text:
        return ["no signature"]
    # A program's signature holds the digest of the file; an MSI's is checked
    # against the digest of its streams.
    current = re.search(r"Current (?:message digest|DigitalSignature)\s*:\s*([0-9A-F]+)", text)
    calculated = re.search(r"Calculated (?:message digest|DigitalSignature)\s*:\s*([0-9A-F]+)", text)
    if not current or not calculated:
        problems.append("osslsigncode names no digests")
    elif current.group(1) != calculated.group(1):
        problems.append("the signed digest is not the file's")
    if not re.search(r"Message digest algorithm\s*:\s*SHA256", text):
        problems.append("not signed with SHA-256")
    signers = re.findall(r"Signer #0:\s*\n\s*Subject: (.*)", text)
    if not signers or signers[0].strip() != subject:
        problems.append(f"signed by {signers[0].strip() if signers else 'nobody'}, not {subject}")
    if out.returncode != 0 or "Signature verification: ok" not in text:
        problems.append("osslsigncode does not verify it: " + " | ".join(text.strip().splitlines()[-3:]))
    return problems


def sha256sum(path):
    return run("sha256sum", path).stdout.split()[0]


def msi_property(msi, name):
    table = run("msiinfo", "export", msi, "Property").stdout
    found = re.search(rf"^{name}\t(.*?)\r?$", table, re.M)
    return found.group(1) if found else None


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    build, cert = sys.argv[1], sys.argv[2]
    version = project_version(build)
    msi = os.path.join(build, f"Ostrivane-{version}-x64.msi")
    zip_path = os.path.join(build, f"Ostrivane-{version}-x64-portable.zip")
    for path in (msi, zip_path):
        if not os.path.isfile(path):
            sys.exit(f"{path} is missing: build the package target first")
    subject = run("openssl", "x509", "-in", cert, "-noout", "-subject", "-nameopt", "compat").stdout
    subject = subject.strip().removeprefix("subject=")

    with tempfile.TemporaryDirectory() as work:
        # The programs as each package carries them: signed before packing.
        with zipfile.ZipFile(zip_path) as z:
            z.extractall(os.path.join(work, "zip"))
        extracted = run("msiextract", "-C", os.path.join(work, "msi"), msi)
        shipped = {"MSI": msi}
        for exe in ("ostrivane.exe", "ostrivane-cli.exe"):
            shipped[f"{exe} in the zip"] = os.path.join(work, "zip", "Ostrivane", exe)
            in_msi = [os.path.join(root, exe) for root, _, files in os.walk(os.path.join(work, "msi")) if exe in files]
            shipped[f"{exe} in the MSI"] = in_msi[0] if in_msi else None
        for name, path in shipped.items():
            if not path or not os.path.isfile(path):
                check(f"signature of {name}", ["not found" + (f" ({extracted.stderr.strip()})" if extracted.returncode else "")])
            else:
                check(f"signature of {name}", signature_problems(path, cert, subject))

    code = msi_property(msi, "ProductCode")
    msi_hash, zip_hash = sha256sum(msi), sha256sum(zip_path)

    winget_path = os.path.join(build, "manifests", "winget", "Ostrivane.Ostrivane.yaml")
    problems = []
    try:
        with open(winget_path, encoding="utf-8") as f:
            winget = yaml.safe_load(f)
        installers = winget.get("Installers") or [{}]
        installer = installers[0]
        if winget.get("ManifestType") != "singleton" or len(installers) != 1:
            problems.append("not a singleton manifest with one installer")
        if winget.get("PackageVersion") != version or msi_property(msi, "ProductVersion") != version:
            problems.append(f"version {winget.get('PackageVersion')!r}, MSI {msi_property(msi, 'ProductVersion')!r}, "
                            f"project {version!r}")
        if str(installer.get("InstallerSha256", "")).lower() != msi_hash:
            problems.append(f"InstallerSha256 {installer.get('InstallerSha256')} is not the MSI's {msi_hash}")
        if not code or installer.get("ProductCode") != code:
            problems.append(f"ProductCode {installer.get('ProductCode')} is not the MSI's {code}")
        if not str(installer.get("InstallerUrl", "")).endswith("/" + os.path.basename(msi)):
            problems.append(f"InstallerUrl {installer.get('InstallerUrl')} does not name the MSI")
        if installer.get("InstallerType") != "msi" or installer.get("Architecture") != "x64":
            problems.append("not an x64 MSI installer")
    except (OSError, yaml.YAMLError, AttributeError) as e:
        problems.append(f"unreadable: {e}")
    check("winget manifest", problems)

    scoop_path = os.path.join(build, "manifests", "scoop", "ostrivane.json")
    problems = []
    try:
        with open(scoop_path, encoding="utf-8") as f:
            scoop = json.load(f)
        if scoop.get("version") != version:
            problems.append(f"version {scoop.get('version')!r}, project {version!r}")
        if scoop.get("hash") != zip_hash:
            problems.append(f"hash {scoop.get('hash')} is not the zip's {zip_hash}")
        if not str(scoop.get("url", "")).endswith("/" + os.path.basename(zip_path)):
            problems.append(f"url {scoop.get('url')} does not name the zip")
        # What the manifest names must be where the zip unpacks.
        with zipfile.ZipFile(zip_path) as z:
            names = set(z.namelist())
        folder = scoop.get("extract_dir", "")
        shortcuts = scoop.get("shortcuts") or [[None]]
        if scoop.get("bin") != "ostrivane-cli.exe" or f"{folder}/ostrivane-cli.exe" not in names:
            problems.append(f"bin {scoop.get('bin')!r} in {folder!r} is not the zip's ostrivane-cli.exe")
        if shortcuts[0][0] != "ostrivane.exe" or f"{folder}/ostrivane.exe" not in names:
            problems.append(f"shortcut {shortcuts[0][0]!r} is not the zip's ostrivane.exe")
    except (OSError, ValueError, AttributeError, IndexError, zipfile.BadZipFile) as e:
        problems.append(f"unreadable: {e}")
    check("Scoop manifest", problems)

    passed = results.count(True)
    failed = results.count(False)
    print(f"package checks: {passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
