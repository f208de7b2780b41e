#!/usr/bin/env bash
# morvane-cli end to end, under Wine, against the prefix's real registry and
# startup folders. Usage: cli_e2e.sh path/to/morvane-cli.exe
# Prints one line per check and ends with "N passed, N failed".
set -u
exe=$1
WINE=${WINE:-wine}
passed=0
failed=0
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
lm_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cli() { # runs the tool; output in $out, standard error in $err, status in $rc
  "$WINE" "$exe" "$@" >"$work/out" 2>"$work/err"
  rc=$?
  out=$(tr -d '\r' <"$work/out")
  err=$(tr -d '\r' <"$work/err")
}

check() { # description, then a command that must succeed
  local what=$1; shift
  if "$@"; then
    passed=$((passed + 1)); echo "ok   $what"
  else
    failed=$((failed + 1)); echo "FAIL $what"
    echo "     rc=$rc out=$(head -c 400 <<<"$out") err=$(head -c 400 <<<"$err")"
  fi
}

reg_type() { # key value -> prints the value's type, or nothing when absent
  "$WINE" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { print $2 }'
}

contains() { grep -qF -- "$2" <<<"$1"; }

"$WINE" reg add "$run_key" /v CliPlain /t REG_SZ /d 'C:\windows\system32\notepad.exe /cli' /f >/dev/null 2>&1
"$WINE" reg add "$lm_key" /v CliExpand /t REG_EXPAND_SZ /d '%SystemRoot%\system32\cliexpand.exe' /f >/dev/null 2>&1
"$WINE" reg add "$run_key" /v Twin /t REG_SZ /d 'C:\twin\one.exe' /f >/dev/null 2>&1
"$WINE" reg add "$lm_key" /v Twin /t REG_SZ /d 'C:\twin\two.exe' /f >/dev/null 2>&1

cli --help
check "--help documents the commands" test "$rc" -eq 0
check "--help names every command" bash -c 'for c in list disable enable remove save-profile load-profile; do grep -q "$c" <<<"$0" || exit 1; done' "$out"

cli list --json
check "list --json succeeds" test "$rc" -eq 0
check "list --json shows a per-user Run value" contains "$out" '"title": "CliPlain", "commandLine": "C:\\windows\\system32\\notepad.exe /cli"'
check "list --json shows a machine-wide value with its location" contains "$out" '"locationName": "LM Run"'

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

"$WINE" reg delete "$run_key" /v CliPlain /f >/dev/null 2>&1
"$WINE" reg delete "$lm_key" /v CliExpand /f >/dev/null 2>&1
"$WINE" reg delete "$lm_key" /v Twin /f >/dev/null 2>&1
rm -f "$startup"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
