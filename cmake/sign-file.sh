#!/usr/bin/env bash
# Writes OUT as IN signed with Authenticode (SHA-256) when OSTRIVANE_SIGN_PFX
# names a certificate (a .pfx/.p12 file; OSTRIVANE_SIGN_PASSWORD its password,
# OSTRIVANE_SIGN_TIMESTAMP a timestamp server), else as IN is. OUT appears
# only whole: a failed signing leaves no unsigned file in its place.
# Usage: sign-file.sh IN OUT DESCRIPTION URL   (IN and OUT may be one file)
set -euo pipefail
in=$1 out=$2 description=$3 url=$4
tmp="$out.signing"
trap 'rm -f "$tmp"' EXIT
rm -f "$tmp"

if [[ -z ${OSTRIVANE_SIGN_PFX:-} ]]; then
  [[ $in -ef $out ]] || { cp -f "$in" "$tmp" && mv -f "$tmp" "$out"; }
  exit 0
fi
if ! command -v osslsigncode >/dev/null; then
  echo "osslsigncode was not found: run scripts/setup.sh (Debian's osslsigncode package)" >&2
  exit 1
fi
args=(sign -pkcs12 "$OSTRIVANE_SIGN_PFX" -h sha256 -n "$description" -i "$url")
if [[ -n ${OSTRIVANE_SIGN_TIMESTAMP:-} ]]; then
  args+=(-ts "$OSTRIVANE_SIGN_TIMESTAMP")
fi
# The password goes through a pipe, never onto a command line that any user
# of the machine can list.
sign() {
  if [[ -n ${OSTRIVANE_SIGN_PASSWORD:-} ]]; then
    printf '%s' "$OSTRIVANE_SIGN_PASSWORD" | osslsigncode "${args[@]}" -readpass - -in "$in" -out "$tmp" 2>&1
  else
    osslsigncode "${args[@]}" -in "$in" -out "$tmp" 2>&1 </dev/null
  fi
}
if ! log=$(sign); then
  printf '%s\n' "$log" >&2
  echo "Signing $in with $OSTRIVANE_SIGN_PFX failed" >&2
  exit 1
fi
mv -f "$tmp" "$out"
echo "Signed $out"
