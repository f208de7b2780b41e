#!/usr/bin/env bash
# morvane-cli end to end, under Wine, against the prefix's real registry and
# startup folders. Usage: cli_e2e.sh path/to/morvane-cli.exe
# Prints one line per check and ends with "N passed, N failed".
#
# Registry views: every reg.exe call below names its view. Which reg.exe
# "wine reg" starts depends on the machine (the 32-bit one where the kernel
# runs 32-bit programs, the 64-bit one elsewhere), and each writes
# HKLM\Software to its own view by default. /reg:64 is the native view
# (what Windows lists as "LM Run"), /reg:32 is WOW6432Node ("LM Run (32-bit)").
# HKCU\Software is shared by both views, so its calls name /reg:64 only to
# be explicit.
set -u
exe=$1
source "$(dirname "$0")/e2e_lib.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cli() { # runs the tool; output in $out, standard error in $err, status in $rc
  "$WINE" "$exe" "$@" >"$work/out" 2>"$work/err"
  rc=$?
  out=$(tr -d '\r' <"$work/out")
  err=$(tr -d '\r' <"$work/err")
}

diagnose() { echo "rc=$rc out=$(head -c 400 <<<"$out") err=$(head -c 400 <<<"$err")"; }

# The line of one entry in "list --json", found by title and location name.
json_entry() { # title location-name
  grep -F -- "\"title\": \"$1\"" <<<"$out" | grep -F -- "\"locationName\": \"$2\""
}

contains() { grep -qF -- "$2" <<<"$1"; }

reg_add "$run_key" CliPlain REG_SZ 'C:\windows\system32\notepad.exe /cli' 64
reg_add "$lm_key" CliExpand REG_EXPAND_SZ '%SystemRoot%\system32\cliexpand.exe' 64
reg_add "$run_key" Twin REG_SZ 'C:\twin\one.exe' 64
reg_add "$lm_key" Twin REG_SZ 'C:\twin\two.exe' 64
# One value only in the 32-bit view, and one name in both views with
# different programs: each must be listed, changed and restored in its own.
reg_add "$lm_key" CliWow REG_SZ 'C:\wow\only32.exe /w' 32
reg_add "$lm_key" CliBoth REG_SZ 'C:\both\native.exe' 64
reg_add "$lm_key" CliBoth REG_SZ 'C:\both\wow32.exe' 32

cli --help
check "--help documents the commands" test "$rc" -eq 0
check "--help names every command" bash -c 'for c in list disable enable remove save-profile load-profile; do grep -q "$c" <<<"$0" || exit 1; done' "$out"

cli list --json
check "list --json succeeds" test "$rc" -eq 0
check "list --json shows a per-user Run value" contains "$out" '"title": "CliPlain", "commandLine": "C:\\windows\\system32\\notepad.exe /cli"'
check "list --json shows a native-view value as LM Run" test -n "$(json_entry CliExpand 'LM Run')"
check "list --json shows a 32-bit-view value as LM Run (32-bit)" test -n "$(json_entry CliWow 'LM Run (32-bit)')"
check "a name in both views is listed once per view" \
  bash -c 'grep -q "native.exe" <<<"$0" && grep -q "wow32.exe" <<<"$1"' \
  "$(json_entry CliBoth 'LM Run')" "$(json_entry CliBoth 'LM Run (32-bit)')"

cli list --xml
check "list --xml succeeds" test "$rc" -eq 0
check "list --xml starts with the XML declaration" contains "$(head -n 1 <<<"$out")" '<?xml version="1.0"'
check "list --xml holds the per-user Run value with its fields" contains "$out" '<title>CliPlain</title>'
check "list --xml gives the location code and name" contains "$out" '<location code="8">CU Run</location>'
check "list --xml closes the document" contains "$(tail -n 1 <<<"$out")" '</startups>'

cli list --group "Current User/Run" --csv
check "list --group filters by tree node" bash -c 'grep -q "^CliPlain," <<<"$0" && ! grep -q "^CliExpand," <<<"$0"' "$out"

cli disable CliPlain
check "disable succeeds" test "$rc" -eq 0
check "disable deletes the registry value" test -z "$(reg_type "$run_key" CliPlain)"
cli list --csv
check "a disabled entry is still listed, unticked" contains "$out" 'CliPlain,C:\windows\system32\notepad.exe /cli,'
check "the disabled entry shows enabled 0" bash -c 'grep "^CliPlain," <<<"$0" | grep -q ",0$"' "$out"

cli enable CliPlain
check "enable succeeds" test "$rc" -eq 0
check "enable writes the value back as REG_SZ" test "$(reg_type "$run_key" CliPlain)" = REG_SZ

cli disable CliExpand
check "disabling an expandable value succeeds" test "$rc" -eq 0
check "the expandable value is gone" test -z "$(reg_type "$lm_key" CliExpand)"
cli enable CliExpand
check "enabling it again succeeds" test "$rc" -eq 0
check "it comes back as REG_EXPAND_SZ" test "$(reg_type "$lm_key" CliExpand)" = REG_EXPAND_SZ
check "it comes back in the native view only" test -z "$(reg_type "$lm_key" CliExpand 32)"

cli disable CliWow
check "disabling a 32-bit-view value succeeds" test "$rc" -eq 0
check "the value is gone from the 32-bit view" test -z "$(reg_type "$lm_key" CliWow 32)"
cli list --json
check "it is still listed as LM Run (32-bit), disabled" \
  bash -c 'grep -q "\"enabled\": false" <<<"$0"' "$(json_entry CliWow 'LM Run (32-bit)')"
cli enable CliWow
check "enabling it succeeds" test "$rc" -eq 0
check "it comes back in the 32-bit view" test "$(reg_data "$lm_key" CliWow 32)" = 'C:\wow\only32.exe /w'
check "and not in the native view" test -z "$(reg_type "$lm_key" CliWow 64)"

cli disable CliBoth --location "LM Run (32-bit)"
check "disabling one view's value of a shared name succeeds" test "$rc" -eq 0
check "the 32-bit value is gone" test -z "$(reg_type "$lm_key" CliBoth 32)"
check "the native value of the same name stays" test "$(reg_data "$lm_key" CliBoth 64)" = 'C:\both\native.exe'
cli enable CliBoth --location "LM Run (32-bit)"
check "enabling it again succeeds" test "$rc" -eq 0
check "the 32-bit value is back as it was" test "$(reg_data "$lm_key" CliBoth 32)" = 'C:\both\wow32.exe'
check "the native value is untouched" test "$(reg_data "$lm_key" CliBoth 64)" = 'C:\both\native.exe'
cli disable CliBoth --location "LM Run"
check "LM Run names the native view's value" test "$rc" -eq 0
check "the native value is gone, the 32-bit one stays" \
  bash -c 'test -z "$0" && test "$1" = "C:\both\wow32.exe"' \
  "$(reg_type "$lm_key" CliBoth 64)" "$(reg_data "$lm_key" CliBoth 32)"
cli enable CliBoth --location "LM Run"
check "the native value comes back in the native view" test "$(reg_data "$lm_key" CliBoth 64)" = 'C:\both\native.exe'

cli disable Twin
check "a repeated title needs --location" test "$rc" -eq 1
check "the message names the locations" contains "$err" '--location'
cli disable Twin --location "CU Run"
check "--location picks one entry" test "$rc" -eq 0
check "only the chosen entry is disabled" bash -c 'test -z "$0" && test -n "$1"' "$(reg_type "$run_key" Twin)" "$(reg_type "$lm_key" Twin)"

cli remove CliPlain
check "remove refuses an enabled entry" test "$rc" -eq 1
check "with the window's message" contains "$err" 'You need to disable the program from Startup, before you can delete the program.'
cli remove Twin --location 8
check "remove forgets a disabled entry" test "$rc" -eq 0
cli list --csv
check "a removed entry is no longer listed" bash -c '! grep -q "^Twin,C:.twin.one.exe" <<<"$0"' "$out"

cli save-profile 'C:\cli-profile.mvp'
check "save-profile succeeds" test "$rc" -eq 0
check "the profile holds the entries" bash -c 'grep -q "fullpath=C:.windows.system32.notepad.exe /cli" "$0"' "$WINEPREFIX/drive_c/cli-profile.mvp"

printf '[General]\r\nProgramCount=1\r\n[0]\r\ntitle=CliLink\r\nfullpath="C:\\windows\\system32\\notepad.exe" /link\r\nlocation=10\r\nrating=0\r\nenabled=1\r\n' >"$WINEPREFIX/drive_c/cli-link.mvp"
cli load-profile 'C:\cli-link.mvp' --apply
check "load-profile --apply succeeds" test "$rc" -eq 0
startup=$(find "$WINEPREFIX/drive_c/users" -ipath '*start menu/programs/startup/clilink.lnk' | head -n 1)
check "the profile's folder entry becomes a shortcut" test -n "$startup"
cli list --csv --group 12
check "the new shortcut is listed under the user's startup folder" contains "$out" 'CliLink,"""C:\windows\system32\notepad.exe"" /link",'

cli load-profile 'C:\no-such.mvp'
check "a missing profile fails" test "$rc" -eq 1
cli frobnicate
check "an unknown command is a usage error" test "$rc" -eq 2
cli list --group 99
check "an unknown group is a usage error" test "$rc" -eq 2

reg_del "$run_key" CliPlain 64
reg_del "$lm_key" CliExpand 64
reg_del "$lm_key" Twin 64
reg_del "$lm_key" CliWow 32
reg_del "$lm_key" CliBoth 64
reg_del "$lm_key" CliBoth 32
rm -f "$startup"

# --- Windows 10/11 behaviour: Windows' own Startup switches, expanded and
# native file lookups, odd values, programs registered twice, a damaged
# store. Every key names its view: /reg:64 is the native view, /reg:32
# WOW6432Node.
approved='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run'
lm_approved='HKLM\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved'
reg_type_in() { # key value view -> prints the value's type, or nothing when absent
  "$WINE" reg query "$1" /v "$2" "/reg:$3" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { print $2 }'
}
json_line() { grep -F -- "\"title\": \"$1\"" <<<"$out"; }

"$WINE" reg add "$run_key" /v CliOff /t REG_SZ /d 'C:\windows\system32\notepad.exe /off' /f /reg:64 >/dev/null 2>&1
"$WINE" reg add "$approved" /v CliOff /t REG_BINARY /d 030000000102030405060708 /f /reg:64 >/dev/null 2>&1
"$WINE" reg add "$lm_key" /v CliOff32 /t REG_SZ /d 'C:\windows\system32\notepad.exe /off32' /f /reg:32 >/dev/null 2>&1
"$WINE" reg add "$lm_approved\Run32" /v CliOff32 /t REG_BINARY /d 070000000102030405060708 /f /reg:64 >/dev/null 2>&1
"$WINE" reg add "$run_key" /v CliShortMark /t REG_SZ /d 'C:\windows\system32\notepad.exe /short' /f /reg:64 >/dev/null 2>&1
"$WINE" reg add "$approved" /v CliShortMark /t REG_BINARY /d 0300 /f /reg:64 >/dev/null 2>&1
cli list --json
check "an entry Windows turned off is listed unticked" bash -c 'grep -q "\"enabled\": false" <<<"$0"' "$(json_line CliOff)"
check "with disabledBy windows" contains "$(json_line CliOff)" '"disabledBy": "windows"'
check "a Run32 mark turns off the WOW6432Node entry" contains "$(json_line CliOff32)" '"disabledBy": "windows"'
check "the WOW6432Node entry shows its view" contains "$(json_line CliOff32)" '"locationName": "LM Run (32-bit)"'
check "a mark shorter than 4 bytes counts as on" contains "$(json_line CliShortMark)" '"enabled": true'
cli disable CliOff
check "disabling an entry Windows turned off changes nothing" test "$(reg_type_in "$run_key" CliOff 64)" = REG_SZ
check "and leaves its mark as it was" test "$(reg_data "$approved" CliOff 64)" = 030000000102030405060708
cli enable CliOff
check "enabling an entry Windows turned off succeeds" test "$rc" -eq 0
check "its value stays" test "$(reg_type_in "$run_key" CliOff 64)" = REG_SZ
check "its mark is turned on as Windows writes it" test "$(reg_data "$approved" CliOff 64)" = 020000000000000000000000
cli enable CliOff32
check "the WOW6432Node entry's Run32 mark is turned on" test "$(reg_data "$lm_approved\Run32" CliOff32 64)" = 060000000000000000000000
check "a malformed mark is left alone" test "$(reg_data "$approved" CliShortMark 64)" = 0300

# Arguments of its own, so that no value another suite left in this prefix
# holds the same command line.
"$WINE" reg add "$run_key" /v CliExpandFile /t REG_EXPAND_SZ /d '%windir%\system32\notepad.exe /expandfile' /f /reg:64 >/dev/null 2>&1
"$WINE" reg add "$run_key" /v CliNoFile /t REG_SZ /d 'C:\no\such\program.exe' /f /reg:64 >/dev/null 2>&1
cli list --json
check "a program file named with %windir% is found" contains "$(json_line CliExpandFile)" '"fileMissing": false'
check "the located file is expanded" contains "$(json_line CliExpandFile)" '"locatedFile": "C:\\windows\\system32\\notepad.exe"'
check "the command line keeps its variable" contains "$(json_line CliExpandFile)" '"commandLine": "%windir%\\system32\\notepad.exe /expandfile"'
check "a missing program file is reported missing" contains "$(json_line CliNoFile)" '"fileMissing": true'
cli list --csv
check "the CSV has the located file and fileMissing columns" contains "$out" 'located file,file missing,disabled by,also in,comment,rating source,publisher,signature,signer,company,file version,sha256,look-alike,look-alike reason,kind,blocked at sign-in,set by organisation,note,enabled'

"$WINE" reg add "$run_key" /v CliOddDword /t REG_DWORD /d 7 /f /reg:64 >/dev/null 2>&1
"$WINE" reg add "$run_key" /v CliOddBinary /t REG_BINARY /d 0102 /f /reg:64 >/dev/null 2>&1
"$WINE" reg add "$run_key" /v CliOddMulti /t REG_MULTI_SZ /d 'C:\m.exe' /f /reg:64 >/dev/null 2>&1
cli list --json
check "odd values do not fail the listing" test "$rc" -eq 0
check "the values beside them are listed" bash -c 'grep -q "\"title\": \"CliExpandFile\"" <<<"$0" && grep -q "\"title\": \"CliOff\"" <<<"$0"' "$out"
check "the odd values are named on standard error" bash -c 'for v in CliOddDword CliOddBinary CliOddMulti; do grep -q "$v" <<<"$0" || exit 1; done' "$err"
check "each of them once" test "$(grep -o CliOddDword <<<"$err" | wc -l)" -eq 1
"$WINE" reg delete "$run_key" /v CliOddDword /f /reg:64 >/dev/null 2>&1
"$WINE" reg delete "$run_key" /v CliOddBinary /f /reg:64 >/dev/null 2>&1
"$WINE" reg delete "$run_key" /v CliOddMulti /f /reg:64 >/dev/null 2>&1

"$WINE" reg add "$lm_key" /v CliTwice /t REG_SZ /d 'C:\twice\prog.exe /both' /f /reg:64 >/dev/null 2>&1
"$WINE" reg add "$run_key" /v CliTwiceUser /t REG_EXPAND_SZ /d 'C:\twice\prog.exe /both' /f /reg:64 >/dev/null 2>&1
cli list --json
check "a program registered twice is listed once" test "$(grep -c 'C:\\\\twice\\\\prog.exe /both' <<<"$out")" -eq 1
check "with its other place" contains "$(json_line CliTwice)" '"alsoIn": ["CU Run"]'
cli disable CliTwice
check "disabling it succeeds" test "$rc" -eq 0
check "it is gone from HKLM Run" test -z "$(reg_type_in "$lm_key" CliTwice 64)"
check "and from HKCU Run" test -z "$(reg_type_in "$run_key" CliTwiceUser 64)"
cli list --json
check "after a refresh it is still listed, unticked" contains "$(json_line CliTwice)" '"enabled": false'
cli enable CliTwice
check "enabling it succeeds" test "$rc" -eq 0
check "HKLM Run has it back" test "$(reg_type_in "$lm_key" CliTwice 64)" = REG_SZ
check "HKCU Run has it back with its type" test "$(reg_type_in "$run_key" CliTwiceUser 64)" = REG_EXPAND_SZ

cli disable CliExpandFile
# The user's own store (%APPDATA%\Morvane), not one that a test suite run
# earlier in this prefix left in a scratch folder.
store=$(find "$WINEPREFIX/drive_c/users" -mindepth 5 -maxdepth 5 -ipath '*/appdata/roaming/morvane/disabled.dat' | head -n 1)
check "the store exists" test -n "$store"
printf 'this is \001 not a profile\r\n' >"$store"
cli list --json
check "a damaged store does not fail the listing" test "$rc" -eq 0
check "the user is told" contains "$err" 'could not be read'
check "the disabled entry is listed again, unticked" contains "$(json_line CliExpandFile)" '"enabled": false'
[ -n "$(json_line CliExpandFile)" ] || { echo "     store folder:"; ls -la "$(dirname "$store")" | sed "s/^/     /"; echo "     err=$err"; }
check "the damaged store is kept aside" test -n "$(find "$(dirname "$store")" -name 'disabled.dat.damaged-*' | head -n 1)"
cli enable CliExpandFile
check "the entry can be enabled again" test "$(reg_type_in "$run_key" CliExpandFile 64)" = REG_EXPAND_SZ
cli list --json
check "the store is told about once" bash -c '! grep -q "could not be read" <<<"$0"' "$err"

for v in CliOff CliShortMark CliExpandFile CliNoFile CliTwiceUser; do
  "$WINE" reg delete "$run_key" /v "$v" /f /reg:64 >/dev/null 2>&1
done
"$WINE" reg delete "$lm_key" /v CliTwice /f /reg:64 >/dev/null 2>&1
"$WINE" reg delete "$lm_key" /v CliOff32 /f /reg:32 >/dev/null 2>&1

# Text outside the ANSI code page: a value named 中文 whose program is in a
# folder of that name, and a value named Café (é is in windows-1252, the
# prefix's ANSI code page; 中文 is not). reg.exe's arguments and output go
# through the locale's charset, so the values are written and read back with
# regedit's UTF-16 files instead.
reg_import_utf16() { # file with the lines of a .reg file (UTF-8)
  { printf 'Windows Registry Editor Version 5.00\r\n\r\n'; sed 's/$/\r/' "$1"; } |
    iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } >"$work/import.reg"
  "$WINE" regedit /s 'Z:'"$(tr / '\\' <<<"$work/import.reg")" >/dev/null 2>&1
}
run_key_full='HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run'
reg_export_utf8() { # full key name -> prints the key's .reg text as UTF-8
  rm -f "$work/export.reg"
  "$WINE" regedit /e 'Z:'"$(tr / '\\' <<<"$work/export.reg")" "$1" >/dev/null 2>&1
  [ -f "$work/export.reg" ] && iconv -f UTF-16 -t UTF-8 "$work/export.reg" | tr -d '\r'
}
cat >"$work/values.txt" <<'REG'
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"中文"="C:\\中文\\app.exe /x"
"Café"="C:\\Café\\café.exe"
REG
reg_import_utf16 "$work/values.txt"
cli list --json
check "a listing with non-ANSI text succeeds" test "$rc" -eq 0
check "the listing is valid UTF-8" iconv -f UTF-8 -t UTF-8 -o /dev/null "$work/out"
check "a non-ANSI value name is listed" contains "$out" '"title": "中文", "commandLine": "C:\\中文\\app.exe /x"'
check "Café is listed in UTF-8" contains "$out" '"title": "Café", "commandLine": "C:\\Café\\café.exe"'
LC_ALL=C.UTF-8 cli disable 中文 Café
check "both are disabled" test "$rc" -eq 0
check "both values are gone" bash -c 'grep -q CurrentVersion <<<"$0" && ! grep -q -e "中文" -e "Café" <<<"$0"' "$(reg_export_utf8 "$run_key_full")"
cli list --json
check "the disabled ones are listed unticked, their names whole" bash -c \
  'grep -F "\"title\": \"中文\"" <<<"$0" | grep -q "\"enabled\": false" && grep -F "\"title\": \"Café\"" <<<"$0" | grep -q "\"enabled\": false"' "$out"
LC_ALL=C.UTF-8 cli enable 中文 Café
check "both are enabled" test "$rc" -eq 0
exported=$(reg_export_utf8 "$run_key_full")

check "the non-ANSI value is back, name and data whole" contains "$exported" '"中文"="C:\\中文\\app.exe /x"'
check "Café is back, name and data whole" contains "$exported" '"Café"="C:\\Café\\café.exe"'
check "no value was written under a mangled name" bash -c '! grep -q "??" <<<"$0"' "$exported"
cat >"$work/values.txt" <<'REG'
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"中文"=-
"Café"=-
REG
reg_import_utf16 "$work/values.txt"

# A program the user disabled, registered again by an installer in another
# place: an unrelated command must not turn the user's registration back on.
reg_add "$run_key" CliDup REG_SZ 'C:\dup\dup.exe /tray' 64
reg_add "$run_key" CliDupOther REG_SZ 'C:\dup\other.exe' 64
cli disable CliDup
reg_add "$lm_key" CliDupLM REG_SZ 'C:\dup\dup.exe /tray' 64
cli disable CliDupOther
check "an unrelated disable leaves the disabled registration off" \
  bash -c 'test "$0" -eq 0 && test -z "$1" && test "$2" = REG_SZ' "$rc" "$(reg_type_in "$run_key" CliDup 64)" "$(reg_type_in "$lm_key" CliDupLM 64)"
cli list
check "the list says where the program is kept off" contains "$out" 'kept disabled in CU Run'
reg_del "$lm_key" CliDupLM 64
reg_del "$run_key" CliDupOther 64

# Output that scripts read, through strict readers: every byte UTF-8, CSV
# rows ending in one CR LF (a CR LF inside a field kept as it is), XML 1.0 as
# it declares itself. regedit writes the names from a UTF-16 file that Python
# makes, since a lone surrogate has no UTF-8 form to pass on.
odd_values() { # add | delete
  python3 - "$1" "$work/odd.reg" <<'PY'
import sys
crlf = "C:\\crlf\\crlf.exe /a\r\nb\0"
values = {"CliCtl\x01": '"C:\\\\ctl.exe"', "CliLone\ud800": '"C:\\\\lone.exe"',
          "CliEmoji\U0001F600": '"C:\\\\emoji.exe"', "Cli\u00c1\u4e2d\u6587": '"C:\\\\zh.exe"',
          "CliCrLf": "hex(1):" + ",".join("%02x" % b for b in crlf.encode("utf-16-le"))}
lines = ["Windows Registry Editor Version 5.00", "",
         "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]"]
lines += ['"%s"=%s' % (n, d if sys.argv[1] == "add" else "-") for n, d in values.items()]
text = "\r\n".join(lines) + "\r\n"
open(sys.argv[2], "wb").write(b"\xff\xfe" + text.encode("utf-16-le", "surrogatepass"))
PY
  "$WINE" regedit /s 'Z:'"$(tr / '\\' <<<"$work/odd.reg")" >/dev/null 2>&1
}
strict() { # python code that must hold of the output's bytes `raw` ($work/out)
  python3 -c "import sys, csv, io, json, xml.dom.minidom as md
raw = open(sys.argv[1], 'rb').read()
text = raw.decode('utf-8')
$1" "$work/out"
}
odd_values add
cli list --csv
check "the CSV is UTF-8, its lines end in one CR LF" strict 'assert b"\r\r" not in raw and raw.endswith(b"\r\n")'
csv_rows='rows = list(csv.reader(io.StringIO(text, newline="")))'
check "a CSV reader sees no empty record" strict "$csv_rows"'
assert rows and all(rows), rows'
check "a CR LF inside a field comes back as it was" strict "$csv_rows"'
assert [r[1] for r in rows if r[0] == "CliCrLf"] == ["C:\\crlf\\crlf.exe /a\r\nb"], rows'
check "a lone surrogate is U+FFFD in the CSV" strict "$csv_rows"'
assert any(r[0] == "CliLone\ufffd" for r in rows)'
cli list --json
check "the JSON is UTF-8, with escapes for a lone surrogate and a control character" strict '
titles = [e["title"] for e in json.loads(text)]
assert "CliLone\ud800" in titles and "CliCtl\x01" in titles'
cli list --xml
check "the XML declares UTF-8" contains "$(head -n 1 <<<"$out")" 'encoding="UTF-8"'
xml_texts='doc = md.parseString(raw)
def texts(tag): return {"".join(n.data for n in e.childNodes): e.getAttribute("replaced") for e in doc.getElementsByTagName(tag)}'
check "the XML is well formed XML 1.0, emoji, Chinese and accented titles whole" strict "$xml_texts"'
t = texts("title")
assert t.get("CliEmoji\U0001F600") == "" and t.get("Cli\u00c1\u4e2d\u6587") == "", t'
check "a control character and a lone surrogate are replaced, and the element says so" strict "$xml_texts"'
t = texts("title")
assert t.get("CliCtl\ufffd") == "1" and t.get("CliLone\ufffd") == "1", t'
check "a CR LF inside an XML text comes back as it was" strict "$xml_texts"'
assert "C:\\crlf\\crlf.exe /a\r\nb" in texts("commandLine")'
lone_enabled='assert [e["enabled"] for e in json.loads(text) if e["title"] == "CliLone\ud800"] =='
LC_ALL=C.UTF-8 cli disable $'CliLone\xef\xbf\xbd'
check "the title as the output wrote it finds the entry" test "$rc" -eq 0
cli list --json
check "the entry with the lone surrogate is disabled" strict "$lone_enabled [False]"
LC_ALL=C.UTF-8 cli enable $'CliLone\xef\xbf\xbd'
cli list --json
check "and back under its own name once enabled" strict "$lone_enabled [True]"
odd_values delete

# Two morvane-cli processes at once, each turning its own entry off and on
# again, for a bounded time: each waits for the other's change of the
# system, and neither entry nor its record is lost.
reg_add "$run_key" CliRaceA REG_SZ 'C:\race\a.exe /a' 64
reg_add "$run_key" CliRaceB REG_EXPAND_SZ '%SystemRoot%\race\b.exe /b' 64
race() { # title seconds
  local until=$((SECONDS + $2)) n=0 bad=0
  while [ "$SECONDS" -lt "$until" ]; do
    local verb
    for verb in disable enable; do
      local status=0
      "$WINE" "$exe" "$verb" "$1" >/dev/null 2>"$work/race-$1.last" || status=$?
      [ "$status" -eq 0 ] && continue
      bad=$((bad + 1))
      echo "$1 round $n: $verb exited $status: $(tr -d '\r' <"$work/race-$1.last")" >>"$work/race-$1.err"
    done
    n=$((n + 1))
  done
  echo "$n $bad" >"$work/race-$1"
}
race CliRaceA "${MORVANE_RACE_SECONDS:-20}" &
race CliRaceB "${MORVANE_RACE_SECONDS:-20}" &
wait
read -r rounds_a bad_a <"$work/race-CliRaceA"
read -r rounds_b bad_b <"$work/race-CliRaceB"
# The summary shows only the first line of a failure: the messages go on it.
rc=0 out="rounds $rounds_a and $rounds_b" err=$(cat "$work/race-CliRaceA.err" "$work/race-CliRaceB.err" 2>/dev/null | head -n 3 | tr '\n' '|')
check "both processes ran rounds at the same time" test "$rounds_a" -gt 1 -a "$rounds_b" -gt 1
check "no change of either failed" test "$bad_a" -eq 0 -a "$bad_b" -eq 0
check "the first entry is back as it was" test "$("$WINE" reg query "$run_key" /v CliRaceA /reg:64 2>/dev/null | tr -d '\r' | grep -c 'REG_SZ *C:\\race\\a.exe /a$')" = 1
check "the second entry is back with its type" test "$(reg_type_in "$run_key" CliRaceB 64)" = REG_EXPAND_SZ
cli list --json
check "neither is left disabled in the store" bash -c '! grep -F "CliRace" <<<"$0" | grep -q "\"enabled\": false"' "$out"
reg_del "$run_key" CliRaceA 64
reg_del "$run_key" CliRaceB 64

# Morvane's own list answers with no server: in "list", and in "consult"
# when no server is chosen or --offline is given; a chosen server that
# cannot be reached fails the command but leaves the list's answers.
reg_add "$run_key" CliJava REG_SZ '"C:\Program Files (x86)\Common Files\Java\Java Update\jusched.exe"' 64
reg_add "$run_key" CliFakeHost REG_SZ 'C:\Users\Public\svchost.exe' 64
reg_add "$run_key" CliNobody REG_SZ 'C:\nobody\knows-this.exe' 64
cli list --json
check "list gives the catalogue's rating and source" contains "$(json_line CliJava)" '"rating": 2, "comment": "Looks for Java updates.'
check "list says where the rating comes from" contains "$(json_line CliJava)" '"ratingSource": "Morvane'"'"'s list, version '
check "a well-known name in an odd folder is a look-alike" contains "$(json_line CliFakeHost)" '"lookAlike": true'
check "an unknown entry has no source" contains "$(json_line CliNobody)" '"rating": 0, "comment": "", "ratingSource": null'
cli consult --json
check "consult with no server chosen answers from the list" test "$rc" -eq 0
check "consult lists the catalogue's answer" contains "$(json_line CliJava)" '"rating": 2'
"$WINE" reg add 'HKCU\Software\Morvane' /v RatingServer /t REG_SZ /d "http://127.0.0.1:9" /f /reg:64 >/dev/null 2>&1
cli consult --csv
check "an unreachable server fails consult" test "$rc" -eq 1
check "and says so" contains "$err" "could not be reached"
check "while the list's answers stay" contains "$out" "CliJava,"
cli consult --offline --csv
check "consult --offline asks no server" test "$rc" -eq 0
"$WINE" reg delete 'HKCU\Software\Morvane' /v RatingServer /f /reg:64 >/dev/null 2>&1
reg_del "$run_key" CliJava 64
reg_del "$run_key" CliFakeHost 64
reg_del "$run_key" CliNobody 64

# Who made each program: the signed programs the build makes beside the
# tests (bin/signed), copied into the prefix. Wine's chain check refuses the
# self-made certificate with one of the two "not trusted" codes: untrusted.
samples="$(dirname "$exe")/signed"
if [ -f "$samples/sample.exe" ]; then
  drive_c="${WINEPREFIX:-$HOME/.wine}/drive_c"
  mkdir -p "$drive_c/morvane-signed" "$drive_c/Program Files/Microsoft OneDrive/Cli Test"
  cp "$samples"/sample.exe "$samples"/sample-signed.exe "$samples"/sample-tampered.exe "$drive_c/morvane-signed/"
  cp "$samples/sample.exe" "$drive_c/Program Files/Microsoft OneDrive/Cli Test/OneDriveSetup.exe"
  signed_hash=$(sha256sum "$samples/sample-signed.exe" | cut -d' ' -f1)
  reg_add "$run_key" CliUnsigned REG_SZ 'C:\morvane-signed\sample.exe' 64
  reg_add "$run_key" CliSigned REG_SZ '"C:\morvane-signed\sample-signed.exe" /s' 64
  reg_add "$run_key" CliTampered REG_SZ 'C:\morvane-signed\sample-tampered.exe' 64
  reg_add "$run_key" CliWindowsOwn REG_SZ 'C:\windows\system32\notepad.exe /own' 64
  reg_add "$run_key" CliOneDriveSetup REG_SZ '"C:\Program Files\Microsoft OneDrive\Cli Test\OneDriveSetup.exe"' 64
  cli list --json
  check "an unsigned program's publisher is its company, not verified" contains "$(json_line CliUnsigned)" '"publisher": "Morvane Sample Maker (not verified)", "signature": "unsigned", "signer": null, "company": "Morvane Sample Maker", "fileVersion": "1.2.3.4", "sha256": "'"$(cat "$samples/sample.sha256")"'", "lookAlike": false'
  check "a self-made certificate is a signature that is not trusted" contains "$(json_line CliSigned)" '"signature": "untrusted", "signer": "Morvane Sample Signer"'
  check "the hash is the signed file's" contains "$(json_line CliSigned)" "\"sha256\": \"$signed_hash\""
  check "a byte changed after signing is tampering" contains "$(json_line CliTampered)" '"signature": "tampered"'
  check "Windows' own files have no signature information under Wine" contains "$(json_line CliWindowsOwn)" '"signature": "unknown"'
  check "an unsigned program of a maker who signs is a look-alike" contains "$(json_line CliOneDriveSetup)" '"lookAlike": true, "lookAlikeReason": "Not the real OneDriveSetup.exe: it is not signed, and the real one is signed by Microsoft Corporation."'
  cache=$(find "$drive_c/users" -path '*Morvane/signatures.dat' 2>/dev/null | head -n 1)
  check "the checks are kept for the next run" test -s "$cache"
  cli list --csv
  check "the CSV carries the signature columns" contains "$(grep CliSigned <<<"$out")" ',untrusted,Morvane Sample Signer,Morvane Sample Maker,1.2.3.4,'"$signed_hash"',0,,'
  cli list --xml
  check "the XML carries the signature" contains "$out" '<signature>untrusted</signature>'
  # A forged cache file is not believed: one that is damaged, not at all;
  # a well-formed one, not by --verify.
  printf 'Morvane signature cache 2\nC:\\morvane-signed\\sample-tampered.exe\tbad\n' >"$cache"
  cli list --json
  check "a damaged cache file is passed over" contains "$(json_line CliTampered)" '"signature": "tampered"'
  check "and does not fail the list" test "$rc" -eq 0
  sed -i 's/\ttampered\t/\tverified\t/' "$cache"
  cli list --json --verify
  check "--verify trusts no cache" contains "$(json_line CliTampered)" '"signature": "tampered"'
  cli --help
  check "--help says what --verify does" contains "$out" "--verify trusts no cache"
  for v in CliUnsigned CliSigned CliTampered CliWindowsOwn CliOneDriveSetup; do reg_del "$run_key" "$v" 64; done
  rm -rf "$drive_c/morvane-signed" "$drive_c/Program Files/Microsoft OneDrive/Cli Test"
else
  failed=$((failed + 1)); echo "FAIL the signed programs are not beside the tool ($samples)"
fi

# What Windows starts at sign-in besides Run: a RunOnceEx subkey moved into
# Morvane's keeping and back, the Winlogon warning and its restore, the
# policy switch, a program Windows does not start as it asks for
# administrator rights. HKLM in the native view (/reg:64).
once_key='HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnceEx\0009'
kept_key='HKLM\Software\Morvane\Disabled\RunOnceEx\0009'
winlogon_key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\Winlogon'
policies_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\Explorer'
"$WINE" reg add "$once_key" /ve /d 'Cli once caption' /f /reg:64 >/dev/null 2>&1
reg_add "$once_key" 1 REG_EXPAND_SZ '%SystemRoot%\cli\once.exe /q' 64
shell_before=$(reg_data "$winlogon_key" Shell 64)
reg_add "$winlogon_key" Shell REG_SZ 'explorer.exe,C:\cli\extra.exe' 64
reg_add "$policies_key" DisableCurrentUserRunOnce REG_DWORD 1 64
run_once_key='HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce'
reg_add "$run_once_key" CliSkipped REG_SZ 'C:\cli\skipped.exe' 64
admin="$(cd "$(dirname "$exe")" && pwd)/manifest/admin-sample.exe"
reg_add "$run_key" CliAdmin REG_SZ "Z:$(tr / '\\' <<<"$admin")" 64
reg_add "$run_key" CliInvoker REG_SZ "Z:$(tr / '\\' <<<"${admin%/*}/invoker-sample.exe")" 64

cli list --json
check "a RunOnceEx subkey is listed by its caption, with its kind" contains "$(json_line 'Cli once caption')" '"locationName": "LM Run Once Ex", "kind": "runOnceEx"'
check "a Winlogon Shell that is not Windows' own carries a warning" contains "$(grep -F '"placeKey": "Shell"' <<<"$out")" '"warning": "Not Windows'"'"' own Shell'
check "a program that asks for administrator rights is not started at sign-in" contains "$(json_line CliAdmin)" '"blockedAtSignIn": true'
check "one that runs as the invoker is" contains "$(json_line CliInvoker)" '"blockedAtSignIn": false'
check "the policy switch is named on the list it skips" contains "$(json_line CliSkipped)" 'the policy DisableCurrentUserRunOnce is set'
cli disable 'Cli once caption' --location 'LM Run Once Ex'
check "disabling a RunOnceEx subkey succeeds" test "$rc" -eq 0
check "the subkey is moved into Morvane's keeping, type and all" bash -c '[ -z "$0" ] && [ "$1" = REG_EXPAND_SZ ]' "$(reg_type "$once_key" 1 64)" "$(reg_type "$kept_key" 1 64)"
cli enable 'Cli once caption'
check "enabling moves it back" test "$(reg_data "$once_key" 1 64)" = '%SystemRoot%\cli\once.exe /q'
check "with its default value" bash -c 'grep -q "REG_SZ *Cli once caption" <<<"$0"' "$("$WINE" reg query "$once_key" /ve /reg:64 2>/dev/null | tr -d '\r')"
cli disable Shell --location 'LM Winlogon'
check "a Winlogon value is never disabled" bash -c '[ "$0" -eq 1 ] && grep -q "never disabled" <<<"$1"' "$rc" "$err"
cli restore-default Shell --location 'LM Winlogon'
check "restore-default writes Windows' Shell" bash -c '[ "$0" -eq 0 ] && [ "$1" = explorer.exe ]' "$rc" "$(reg_data "$winlogon_key" Shell 64)"
cli undo-default Shell --location 'LM Winlogon'
check "undo-default gives the old Shell back" test "$(reg_data "$winlogon_key" Shell 64)" = 'explorer.exe,C:\cli\extra.exe'
"$WINE" reg delete "$once_key" /f /reg:64 >/dev/null 2>&1
reg_del "$policies_key" DisableCurrentUserRunOnce 64
reg_del "$run_once_key" CliSkipped 64
reg_del "$run_key" CliAdmin 64
reg_del "$run_key" CliInvoker 64
if [ -n "$shell_before" ]; then reg_add "$winlogon_key" Shell REG_SZ "$shell_before" 64; else reg_del "$winlogon_key" Shell 64; fi

summary
[ "$failed" -eq 0 ]
