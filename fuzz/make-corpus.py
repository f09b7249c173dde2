#!/usr/bin/env python3
"""Writes the seed corpora in fuzz/corpus/<target>/: small inputs of the
kinds the unit tests use, each target's readers reached from the start.
Inputs that once made a target fail are kept beside them by hand (they are
not written here); the fuzzer's own finds stay in build/fuzz/corpus/."""
import io
import os
import struct
import zipfile
import zlib

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")


def put(target, name, data):
    folder = os.path.join(root, target)
    os.makedirs(folder, exist_ok=True)
    if isinstance(data, str):
        data = data.encode("utf-8", "surrogatepass")
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# --- zip_reader: archives as the backup writes them, and damaged ones -------
def archive(entries, comment=b""):
    buf = io.BytesIO()
    with zipfile.ZipFile(buf, "w") as z:
        for name, data, method in entries:
            info = zipfile.ZipInfo(name, date_time=(2024, 5, 17, 12, 30, 0))
            info.compress_type = method
            info.external_attr = 0x20
            info.create_system = 0
            z.writestr(info, data)
        z.comment = comment
    return buf.getvalue()


deflated = zipfile.ZIP_DEFLATED
stored = zipfile.ZIP_STORED
text = b"[Settings]\r\nPath=C:\\Apps\\Tool\r\n" * 4
two = archive([("C:/Apps/Tool/settings.ini", text, deflated), ("C:/Apps/Tool/a.txt", b"short", stored)])
put("zip_reader", "two-entries.zip", two)
put("zip_reader", "utf8-name.zip", archive([("C:/Données/Ünïcode €.ini", text, deflated)]))
put("zip_reader", "comment.zip", archive([("x", b"x", stored)], b"a comment"))
put("zip_reader", "empty.zip", archive([]))
central = two.rfind(b"PK\x01\x02", 0, two.find(b"PK\x05\x06"))
first_central = two.find(b"PK\x01\x02")
put("zip_reader", "torn-no-directory.zip", two[:first_central])
put("zip_reader", "torn-in-second-entry.zip", two[: first_central - 3])
# Free space (zeros) between the entries and the directory, as appends leave it.
one = archive([("a.txt", b"hello hello hello", stored)])
cd = one.find(b"PK\x01\x02")
end = one.find(b"PK\x05\x06")
gap = 64
moved = bytearray(one[:cd] + b"\0" * gap + one[cd:])
eocd = len(moved) - (len(one) - end)
struct.pack_into("<I", moved, eocd + 16, cd + gap)
put("zip_reader", "free-space.zip", bytes(moved))
# A stale end record: the directory it names does not stand there.
stale = bytearray(two)
struct.pack_into("<I", stale, len(stale) - 22 + 16, 7)
put("zip_reader", "stale-end-record.zip", bytes(stale))
# A bad checksum in the second entry.
bad = bytearray(two)
second = two.find(b"PK\x03\x04", 4)
bad[second + 14] ^= 0xFF
put("zip_reader", "bad-crc.zip", bytes(bad))

# --- reg_import: REGEDIT4, Version 5.00 in UTF-16 and in ANSI --------------
body = ("[-HKEY_CURRENT_USER\\Gone]\r\n"
        "[HKEY_CURRENT_USER\\Software\\Tool]\r\n"
        "\"drop\"=-\r\n"
        "@=\"default\"\r\n"
        "\"Path\"=\"C:\\\\Apps\\\\Tool\"\r\n"
        "\"Count\"=dword:0000002a\r\n"
        "\"b\"=hex:01,\\\r\n"
        "  02\r\n"
        "\r\n"
        "\"exp\"=hex(2):25,00,54,00,45,00,4d,00,50,00,25,00,00,00\r\n"
        "\"multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
        "\"q\"=hex(b):01,00,00,00,00,00,00,00\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Classes\\.txt]\r\n"
        "\"quote\\\"d\"=\"line\\nbreak\"\r\n")
put("reg_import", "regedit4.reg", ("REGEDIT4\r\n\r\n" + body).encode("cp1252"))
v5 = "Windows Registry Editor Version 5.00\r\n\r\n; Unicode\r\n\r\n" + body + \
     "[HKEY_CURRENT_USER\\数据\\日本]\r\n\"Москва\"=\"C:\\\\Łódź\\\\😀\"\r\n"
put("reg_import", "version5-utf16.reg", b"\xff\xfe" + v5.encode("utf-16-le"))
put("reg_import", "version5-ansi.reg",
    ("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Old\xe9]\r\n"
     "\"\u20ac name\"=\"C:\\\\Caf\xe9\"\r\n\"exp\"=hex(2):25,00,80,00,25,00,00,00\r\n\r\n").encode("cp1252"))
put("reg_import", "cut-short.reg", b"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"b\"=hex:01,02,\\\r\n")

# --- ini_records: the settings file and the move record ---------------------
put("ini_records", "settings.ini", "[Undo List]\r\nDeleteOlderThan=2\r\n\r\n[Start]\r\nSkipStartPage=1\r\n\r\n")
put("ini_records", "move-record.bat", "[Move]\r\nTo=D:\\Apps\r\nFrom=C:\\Program Files\\Tool\r\n\r\n")
put("ini_records", "messy.ini", "stray line\r\n; comment\r\n [ move ] \r\n  to = D:\\New \r\nFROM=C:\\Old\\App\r\n"
    "=no key\r\n[Undo List]\r\nDeleteOlderThan=+3\r\n[]\r\nx=y\rlast\nline")

# --- text_encoding: every encoding a file can come in -----------------------
sample = "[Paths]\r\nHome=C:\\Program Files\\Tool\r\nName=Café Größe €\r\n"
put("text_encoding", "utf8.ini", sample)
put("text_encoding", "utf8-bom.ini", b"\xef\xbb\xbf" + sample.encode())
put("text_encoding", "utf16le-bom.ini", b"\xff\xfe" + sample.encode("utf-16-le"))
put("text_encoding", "utf16be-bom.ini", b"\xfe\xff" + sample.encode("utf-16-be"))
put("text_encoding", "utf16le.ini", sample.encode("utf-16-le"))
put("text_encoding", "cp1252.ini", sample.encode("cp1252"))
put("text_encoding", "binary.dat", b"MZ\x90\x00\x03\x00\x00\x00C:\\Program Files\\Tool\x00\xff")
put("text_encoding", "lone-surrogate.ini", b"\xff\xfeA\x00\x00\xd8B\x00")

# --- command_line: argument lists, NUL between arguments --------------------
args = [
    ["map", "--find", "C:\\Old", "--replace", "D:\\New", "--targets", "registry,settings", "--preview"],
    ["move", "C:\\Apps\\Tool\\", "D:\\Apps", "--drives", "C,D:,E:\\", "--verify", "--substring"],
    ["switch", "C", "D:", "--targets", "all"],
    ["undo", "run", "Undo00003"],
    ["undo", "delete", "Undo12345"],
    ["undo", "list"],
    ["--help"],
    ["-d"], ["-l"], ["+l"], ["C:\\A B\\c"], [""],
    ["C:\\Program Files\\Ostrivane\\ostrivane.exe", "-d", "x", "+l", "-l", "y"],
    ["move", "C:\\W3Run", "D:\\", "--stop-services", "--json"],
]
for k, a in enumerate(args):
    put("command_line", "args%02d" % k, "\0".join(a))

# --- unicode_fold: [needle length][start] needle hay ------------------------
# --- undo_records: a written record, a form feed, a registry backup ---------
record = ("Ostrivane written record 1\r\n"
          "value\tHKEY_CURRENT_USER\\Software\\A\tv\t1\t43003a005c004e00650077005c0078000000\r\n"
          "rename\tHKEY_CURRENT_USER\\Software\\A\tC:\\Old\tC:\\New\t1\t3100\r\n"
          "key\tHKEY_CURRENT_USER\\Software\\B\\C:\\Old\tHKEY_CURRENT_USER\\Software\\B\\C:\\New\r\n"
          "file\tC:\\a.ini\tpending\r\nwithdrawn\r\n")
backup = ("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\A]\r\n\"v\"=\"C:\\\\Old\\\\x\"\r\n"
          "\"C:\\\\Old\"=\"1\"\r\n\"C:\\\\New\"=-\r\n"
          "[-HKEY_CURRENT_USER\\Software\\B\\C:\\New]\r\n[HKEY_CURRENT_USER\\Software\\B\\C:\\Old]\r\n@=\"k\"\r\n")
put("undo_records", "move-and-values.txt", (record + "\f" + backup).encode("utf-8"))
put("undo_records", "torn-record.txt", (record[:-9] + "\f" + backup[:-4]).encode("utf-8"))


def fold(needle, hay, start=0):
    n = needle.encode("utf-8", "surrogatepass") if isinstance(needle, str) else needle
    h = hay.encode("utf-8", "surrogatepass") if isinstance(hay, str) else hay
    return bytes([len(n), start]) + n + h


put("unicode_fold", "ascii", fold("c:\\apps", "x C:\\Apps\\Tool C:\\APPS"))
put("unicode_fold", "greek", fold("ΣΟΦΊΑ", "η σοφία ς σοφιας"))
put("unicode_fold", "sharp-s", fold("straße", "STRASSE Straße STRAẞE"))
put("unicode_fold", "fullwidth", fold("ａｂｃ", "ＡＢＣ abc"))
put("unicode_fold", "cyrillic", fold("Москва", "C:\\МОСКВА\\москва", 2))
put("unicode_fold", "invalid-bytes", fold(b"\xc3", b"\xc3\xa9 \xc3 \xe2\x82 \xff \xed\xa0\x80"))
put("unicode_fold", "long-hay", fold("Ä", "a" * 100 + "ä" + "b" * 60))
put("unicode_fold", "surrogates", fold("😀", "\ud83d \ude00 😀 \U0001F600"))
put("unicode_fold", "dotless-i", fold("I", "ı İ i"))

# --- change_report: a preview's report as written, and as a spreadsheet saves it
report = ("Ostrivane change report\r\nMode\tMap Only\r\nFind\tC:\\Old\r\nReplace\tD:\\New\r\n"
          "Targets\tregistry,settings\r\nDrives\tC:\\,D:\\\r\nResult\tpreview\r\nSubstring\tno\r\n\r\n"
          "Where\tValue\tLine\tKind\tOld\tNew\tOutcome\tReason\r\n"
          "HKEY_CURRENT_USER\\Software\\Acme\tHome\t\tvalue data\tC:\\Old\tD:\\New\twould change\t\r\n"
          "C:\\x.ini\t\t3\tsettings line\tC:\\Old\\a\tD:\\New\\a\tleft out\t\r\n"
          "\"C:\\tab\there.ini\"\t\t1\tsettings line\t\"say \"\"C:\\Old\"\"\"\tD:\\New\tpassed over\tin use\r\n")
put("change_report", "preview.log", "\ufeff" + report)
padded = "".join(row + "\t" * (7 - row.count("\t")) + "\r\n" for row in report.split("\r\n")[:-1])
put("change_report", "spreadsheet-unicode.txt", b"\xff\xfe" + padded.replace("left out", "Left Out").encode("utf-16-le"))
put("change_report", "unreadable-row.log", report.replace("left out", "skip"))

# --- drive_switch: the first byte picks the syntax (1 .properties, 2 JSON \u, 4 PowerShell)
put("drive_switch", "ini", b"\x00a=P:/data/x\r\nb=file:///P:/y\r\nc=R:\\z;P:\\w\r\nd=P:\r\ne=TYPE:P:\r\nf=*:\\x\r\n")
put("drive_switch", "properties", b"\x01home=P\\:\\\\data\nother=R\\:\\\\x\n")
put("drive_switch", "json", b'\x02{"a":"file:///P:/data","b":"P:\\\\data\\\\x","c":"P:\\/data","d":"R:\\\\J\\u00f6rg"}')
put("drive_switch", "xml", '\x00<p a="P:\\J&#246;rg" b="&quot;R:\\x&quot;" u="file:///p:/J%C3%B6rg%20x/"/>')
