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

reg_type() { # key value [view: 64 or 32] -> prints the value's type, or nothing when absent
  "$WINE" reg query "$1" /v "$2" "/reg:${3:-64}" 2>/dev/null | tr -d '\r' |
    awk -v v="$2" '$1 == v { print $2 }'
}

reg_data() { # key value [view] -> prints the value's data, or nothing when absent
  "$WINE" reg query "$1" /v "$2" "/reg:${3:-64}" 2>/dev/null | tr -d '\r' |
    awk -v v="$2" '$1 == v { sub(/^ *[^ ]+ +[^ ]+ +/, ""); print }'
}

reg_add() { # key value type data view
  "$WINE" reg add "$1" /v "$2" /t "$3" /d "$4" /f "/reg:$5" >/dev/null 2>&1
}

reg_del() { # key value view
  "$WINE" reg delete "$1" /v "$2" /f "/reg:$3" >/dev/null 2>&1
}

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

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
