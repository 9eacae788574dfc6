#!/usr/bin/env python3
"""Round trips between the settings stores and the system's own peers.

Registry: what reg_RegSaveSetting writes is read back by Wine's `reg query`,
and values of every common type written by `reg add` are read through
reg_RegGetSetting and reg_RegGetSection.  INI files: a file written by
ini_WriteIniFile parses with Python's configparser, and one written by
configparser reads back through ini_ReadIniFile.  The script clients run
under tests/scripts/run-script; the test's key and files are removed.

usage: peers_test.py --wine-run FILE --run-script FILE --work DIR
(KITBAG_PREFIX and KITBAG_LOCALE come from the environment)
"""
import argparse
import configparser
import os
import pathlib
import subprocess
import sys

KEY = r"Software\KitbagTest\Peers"
PARENT = r"HKCU\Software\KitbagTest"

args = argparse.ArgumentParser()
args.add_argument("--wine-run", required=True)
args.add_argument("--run-script", required=True)
args.add_argument("--work", required=True, type=pathlib.Path)
args = args.parse_args()
prefix = os.environ["KITBAG_PREFIX"]
# reg writes to a pipe in the OEM code page of the locale.
locale = os.environ.get("KITBAG_LOCALE", "en")
oem = {"en": "cp437", "da": "cp850"}[locale]
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures.append(what)


def wine(*command):
    run = subprocess.run([args.wine_run, f"--prefix={prefix}", *command],
                         capture_output=True, timeout=120)
    return run.returncode, run.stdout.decode(oem).replace("\r", "")


def reg(*command):
    rc, out = wine("reg", *command)
    if rc != 0:
        sys.exit(f"peers_test: reg {' '.join(command)} failed ({rc}): {out}")
    return out


def script(name, body):
    """Runs a VBScript client; its Check lines are part of this test."""
    path = args.work / f"peers_{name}.vbs"
    path.write_text(body, encoding="utf-8")
    run = subprocess.run([args.run_script, f"--prefix={prefix}", "--timeout=120", str(path)],
                         capture_output=True, text=True, timeout=180)
    print(run.stdout, end="")
    check(run.returncode == 0, f"the {name} script client passes")


def windows_path(path):
    return "Z:" + str(path.resolve()).replace("/", "\\")


def values_of(key):
    """name -> (type, data) of the values reg query lists for key."""
    values = {}
    for line in reg("query", key).splitlines():
        if line.startswith("    "):
            name, kind, *data = line[4:].split("    ")
            values[name] = (kind, data[0] if data else "")
    return values


def remove_keys():
    wine("reg", "delete", "HKCU\\" + KEY, "/f")
    rc, out = wine("reg", "query", PARENT)
    if rc == 0 and PARENT.replace("HKCU", "HKEY_CURRENT_USER") + "\\" not in out:
        wine("reg", "delete", PARENT, "/f")


# ---- registry: our values as reg sees them ----------------------------------------
remove_keys()
script("save", rf"""
Dim reg, v
Set reg = CreateObject("Kitbag.clsRegistry")
v = "abc" : reg.reg_RegSaveSetting "{KEY}\Saved", "plain", v
v = "æøå ÆØÅ" : reg.reg_RegSaveSetting "{KEY}\Saved\", "dansk", v
v = "" : reg.reg_RegSaveSetting "{KEY}\Saved", "empty", v
v = "standard" : reg.reg_RegSaveSetting "{KEY}\Saved", "", v
v = "a;b=c %PATH% " & Chr(34) & "q" & Chr(34) : reg.reg_RegSaveSetting "{KEY}\Saved", "odd", v
CheckEqual Len(v), 17, "the caller's variable holds the terminator"
""")
# reg names the default value in the locale's language.
default = {"en": "(Default)", "da": "(Standard)"}[locale]
expected = {"plain": "abc", "dansk": "æøå ÆØÅ", "empty": "", default: "standard",
            "odd": 'a;b=c %PATH% "q"'}
found = values_of("HKCU\\" + KEY + r"\Saved")
for name, data in expected.items():
    check(found.get(name) == ("REG_SZ", data),
          f"reg query reads {name} as REG_SZ {data!r} (found {found.get(name)!r})")

# ---- registry: reg's values as we read them ---------------------------------------
added = "HKCU\\" + KEY + r"\Added"
for value in (["/v", "sz", "/t", "REG_SZ", "/d", "hej æøå"],
              ["/v", "dw", "/t", "REG_DWORD", "/d", "42"],
              ["/v", "max", "/t", "REG_DWORD", "/d", "0xffffffff"],
              ["/v", "ex", "/t", "REG_EXPAND_SZ", "/d", r"%SystemRoot%\x"],
              ["/v", "bin", "/t", "REG_BINARY", "/d", "0102ff"],
              ["/ve", "/d", "std"]):
    reg("add", added, *value, "/f")
for sub in ("Sub1", "Sub2"):
    reg("add", added + "\\" + sub, "/f")
script("read", rf"""
Dim reg, keys
Set reg = CreateObject("Kitbag.clsRegistry")
Const K = "{KEY}\Added"
CheckEqual reg.reg_RegGetSetting(K, "sz"), "hej æøå", "REG_SZ"
CheckEqual reg.reg_RegGetSetting(K, "dw"), "42", "REG_DWORD"
CheckEqual reg.reg_RegGetSetting(K, "max"), "-1", "REG_DWORD read as a signed number"
CheckEqual reg.reg_RegGetSetting(K, "ex"), "", "REG_EXPAND_SZ reads as empty"
CheckEqual reg.reg_RegGetSetting(K, "bin"), "", "REG_BINARY reads as empty"
CheckEqual reg.reg_RegGetSetting(K & "\", ""), "std", "the default value"
CheckEqual reg.reg_RegGetSection(K, keys), 2, "two subkeys"
CheckEqual keys(1) & "," & keys(2), "Sub1,Sub2", "their names"
""")
remove_keys()
check(wine("reg", "query", "HKCU\\" + KEY)[0] != 0, "the test's key is removed")

# ---- INI files --------------------------------------------------------------------
ours = args.work / "peers_ours.ini"
theirs = args.work / "peers_theirs.ini"
for f in (ours, theirs):
    f.unlink(missing_ok=True)
script("write_ini", rf"""
Dim ini
Set ini = CreateObject("Kitbag.clsIniFiles")
Const P = "{windows_path(ours)}"
ini.ini_WriteIniFile "Generelt", "Navn", "Kitbag", P
ini.ini_WriteIniFile "Generelt", "Sti", "C:\data\æøå", P
ini.ini_WriteIniFile "Særlig", "Tom", "", P
ini.ini_WriteIniFile "Særlig", "Tegn", "a;b # c 100%", P
CheckEqual Left(ini.ini_ReadIniFile("Generelt", "Navn", "", P), 7), "Kitbag" & Chr(0), "read back"
""")
parser = configparser.ConfigParser(interpolation=None)
parser.optionxform = str
parser.read(ours, encoding="cp1252")
check(parser.sections() == ["Generelt", "Særlig"], f"configparser sees the sections {parser.sections()}")
for section, key, data in (("Generelt", "Navn", "Kitbag"), ("Generelt", "Sti", r"C:\data\æøå"),
                           ("Særlig", "Tom", ""), ("Særlig", "Tegn", "a;b # c 100%")):
    got = parser.get(section, key, fallback=None)
    check(got == data, f"configparser reads [{section}] {key} = {data!r} (found {got!r})")

theirs_parser = configparser.ConfigParser(interpolation=None)
theirs_parser.optionxform = str
theirs_parser["Database"] = {"Server": "db.example", "Navn": "Ærø Købmand", "Tom": ""}
theirs_parser["Andet"] = {"Tal": "42"}
with open(theirs, "w", encoding="cp1252") as out:
    theirs_parser.write(out)
script("read_ini", rf"""
Dim ini
Set ini = CreateObject("Kitbag.clsIniFiles")
Const P = "{windows_path(theirs)}"
Function Value(section, key)
  Dim text
  text = ini.ini_ReadIniFile(section, key, "mangler", P)
  Value = Left(text, InStr(text, Chr(0)) - 1)
End Function
CheckEqual Value("Database", "Server"), "db.example", "key = value with spaces"
CheckEqual Value("Database", "Navn"), "Ærø Købmand", "Danish letters"
CheckEqual Value("Database", "Tom"), "", "an empty value is not missing"
CheckEqual Value("Andet", "Tal"), "42", "the second section"
CheckEqual Value("Andet", "Intet"), "mangler", "a missing key"
""")
for f in (ours, theirs):
    f.unlink(missing_ok=True)
for f in args.work.glob("peers_*.vbs"):
    f.unlink()

print(f"# {len(failures)} failed")
sys.exit(1 if failures else 0)
