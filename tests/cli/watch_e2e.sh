#!/usr/bin/env bash
# morvane-cli watch end to end, under Wine, against the prefix's real
# registry and startup folders: what it notices, how fast, what it keeps off,
# and what it remembers across a kill and a damaged snapshot.
# Usage: watch_e2e.sh path/to/morvane-cli.exe
# Prints one line per check and ends with "N passed, N failed".
# reg.exe calls name their view, as in cli_e2e.sh.
set -u
exe=$1
source "$(dirname "$0")/e2e_lib.sh"
work=$(mktemp -d)
wpid=
trap '[ -n "$wpid" ] && kill -9 "$wpid" 2>/dev/null; rm -rf "$work"' EXIT

diagnose() {
  echo "out=$(tail -c 600 "$work/watch.out" 2>/dev/null) err=$(tail -c 400 "$work/watch.err" 2>/dev/null)"
}

now_ms() { date +%s%3N; }

start_watch() {
  : >"$work/watch.out"
  : >"$work/watch.err"
  "$WINE" "$exe" watch --json >"$work/watch.out" 2>"$work/watch.err" &
  wpid=$!
  for _ in $(seq 1 300); do
    grep -q 'watching' "$work/watch.err" && return 0
    sleep 0.1
  done
  return 1
}

# Waits up to the seconds given for a line with both texts; the line in $line.
wait_line() { # seconds text1 text2
  local end=$(( $(now_ms) + $1 * 1000 ))
  while [ "$(now_ms)" -le "$end" ]; do
    line=$(tr -d '\r' <"$work/watch.out" | grep -F -- "$2" | grep -F -- "$3" | tail -n 1)
    [ -n "$line" ] && return 0
    sleep 0.05
  done
  line=
  return 1
}

seen_within() { # seconds text1 text2: the line appears that soon after now
  local t0; t0=$(now_ms)
  wait_line 5 "$2" "$3" || return 1
  elapsed=$(( $(now_ms) - t0 ))
  [ "$elapsed" -le $(( $1 * 1000 )) ]
}

data=$(find "$WINEPREFIX/drive_c/users" -mindepth 3 -maxdepth 3 -ipath '*/appdata/roaming' | head -n 1)/Morvane
reg_add "$run_key" WatchBase REG_SZ 'C:\w\base.exe' 64

check "the watcher starts" start_watch
check "the first run ever tells nothing" test ! -s "$work/watch.out"
check "a snapshot is written" test -f "$data/watch-snapshot.dat"

reg_add "$run_key" WatchUser REG_SZ 'C:\w\user.exe' 64
check "an added CU Run value is told within 2 s" seen_within 2 '"added"' '"name":"WatchUser"'
check "in one line with its place" grep -qF '"location":"CU Run"' <<<"$line"
reg_add "$lm_key" WatchNative REG_SZ 'C:\w\native.exe' 64
check "an added LM Run value (native view) within 2 s" seen_within 2 '"added"' '"name":"WatchNative"'
reg_add "$lm_key" WatchWow REG_SZ 'C:\w\wow.exe' 32
check "an added LM Run value (32-bit view) within 2 s" seen_within 2 '"added"' '"location":"LM Run (32-bit)"'
printf '[General]\r\nProgramCount=1\r\n[0]\r\ntitle=WatchLink\r\nfullpath="C:\\windows\\system32\\notepad.exe" /w\r\nlocation=10\r\nrating=0\r\nenabled=1\r\n' >"$WINEPREFIX/drive_c/watch-link.mvp"
"$WINE" "$exe" load-profile 'C:\watch-link.mvp' --apply >/dev/null 2>&1
check "a new shortcut within 2 s" seen_within 2 '"added"' '"name":"WatchLink"'
reg_add "$run_key" WatchUser REG_SZ 'C:\w\user2.exe' 64
check "a changed command line, old and new" seen_within 2 '"changed"' '"oldCommandLine":"C:\\w\\user.exe"'

# A burst: 200 values in one import.
{
  printf 'Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n'
  for i in $(seq 1 200); do printf '"Burst%03d"="C:\\\\b\\\\burst%03d.exe"\r\n' "$i" "$i"; done
} >"$WINEPREFIX/drive_c/burst.reg"
"$WINE" reg import 'C:\burst.reg' /reg:64 >/dev/null 2>&1
wait_line 5 '"added"' '"name":"Burst200"'
sleep 1.5
burst_looks=$(tr -d '\r' <"$work/watch.out" | grep -F '"name":"Burst' | sed 's/.*"look":\([0-9]*\).*/\1/' | sort -u | wc -l)
check "200 values are told" test "$(grep -c '"name":"Burst' "$work/watch.out")" -eq 200
check "in one comparison" test "$burst_looks" -eq 1

# Keep it off: a program turned off with Morvane comes back.
"$WINE" "$exe" disable WatchBase >/dev/null 2>&1
printf 'Morvane watch lists 1\r\nallow\tc:\\\\w\\\\allowed.exe\r\n' >"$data/watch-lists.dat"
reg_add "$run_key" WatchAllowed REG_SZ 'C:\w\allowed.exe' 64
wait_line 3 '"added"' '"name":"WatchAllowed"'
"$WINE" "$exe" disable WatchAllowed >/dev/null 2>&1
sleep 1
reg_add "$run_key" WatchBase REG_SZ 'C:\w\base.exe' 64
check "a returning program is turned off again" seen_within 3 '"kept-off"' '"name":"WatchBase"'
check "with the sentence the user reads" grep -qF 'turned itself back on; Morvane turned it off again' <<<"$line"
check "its value is gone" bash -c '! "$0" reg query "$1" /v WatchBase /reg:64 >/dev/null 2>&1' "$WINE" "$run_key"
reg_add "$run_key" WatchAllowed REG_SZ 'C:\w\allowed.exe' 64
sleep 2.5
check "an allowed program is left alone" reg_has "$run_key" WatchAllowed 64

# Ctrl+C ends it with status 0.
kill -INT "$wpid"
rc=0
for _ in $(seq 1 50); do kill -0 "$wpid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$wpid" 2>/dev/null; then kill -9 "$wpid"; rc=interrupt-ignored; else wait "$wpid"; rc=$?; fi
wpid=
check "Ctrl+C ends it with status 0" test "$rc" = 0

# Killed, then changes made while it was not running.
start_watch
kill -9 "$wpid"; wait "$wpid" 2>/dev/null; wpid=
reg_add "$run_key" WatchWhileAway REG_SZ 'C:\w\away.exe' 64
check "the watcher starts again after a kill" start_watch
check "what changed while it was not running is told" wait_line 3 '"added"' '"name":"WatchWhileAway"'
kill -9 "$wpid"; wait "$wpid" 2>/dev/null; wpid=

# A damaged snapshot is set aside and rebuilt, not trusted.
printf 'Morvane watch snapshot 1\r\n8\t0\tcut' >"$data/watch-snapshot.dat"
reg_add "$run_key" WatchAfterDamage REG_SZ 'C:\w\damage.exe' 64
check "the watcher starts over a damaged snapshot" start_watch
check "the user is told" grep -q 'could not be read. It was kept as' "$work/watch.err"
check "nothing is told from it" test ! -s "$work/watch.out"
check "the damaged file is kept aside" test -n "$(find "$data" -name 'watch-snapshot.dat.damaged-*' | head -n 1)"
check "the snapshot is rebuilt" grep -q '^end ' "$data/watch-snapshot.dat"
kill -9 "$wpid"; wait "$wpid" 2>/dev/null; wpid=

summary
