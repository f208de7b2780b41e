#!/usr/bin/env bash
# Installs what is missing, builds the native, fuzz and both Windows builds,
# and runs every test: natively (with sanitizers), the fuzz targets for a
# bounded time, and the Windows suites under Wine in throw-away prefixes.
# Ends with one line per suite and a final "N passed, N failed".
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh || { echo "setup failed"; exit 1; }
source scripts/lib.sh

if [ "$MORVANE_WINE32" = 1 ]; then
  echo "== under Wine on this machine: the i686 and the x86_64 suites (Wine's 32-bit loader works)"
else
  echo "== under Wine on this machine: the x86_64 suites only; the i686 build is compiled, not run" \
    "(Wine's 32-bit loader cannot start here, or MORVANE_WINE32=0 was given)"
fi

jobs=$(nproc)
summary=()
skipped=()
total_pass=0
total_fail=0

record() { # suite passed failed
  summary+=("$1: $2 passed, $3 failed")
  total_pass=$((total_pass + $2))
  total_fail=$((total_fail + $3))
}

# Runs one GoogleTest executable (with an optional launcher such as wine)
# and records its counts; a crash without a count records one failure.
run_gtest() { # label launcher... exe
  local label=$1; shift
  local log; log=$(mktemp)
  "$@" --gtest_color=no >"$log" 2>&1
  local rc=$?
  grep -E '^\[  (FAILED|PASSED|SKIPPED) *\]|^\[==========\]' "$log" | tail -n 6
  local passed failed
  passed=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -n 1)
  failed=$(sed -n 's/^\[  FAILED  \] \([0-9]*\) test.*/\1/p' "$log" | tail -n 1)
  passed=${passed:-0}; failed=${failed:-0}
  if [ "$rc" -ne 0 ] && [ "$failed" -eq 0 ]; then
    echo "---- $label exited with $rc; last lines:"
    tail -n 40 "$log"
    failed=1
  elif [ "$failed" -ne 0 ]; then
    grep -E '^\[  FAILED  \]|Failure$|error:' "$log" | head -n 40
  fi
  rm -f "$log"
  record "$label" "$passed" "$failed"
}

# Records the counts of a script that ends with "N passed, N failed"; a
# script that ended otherwise records one failure and shows its last lines.
record_script() { # label log
  local line p f
  line=$(tail -n 1 "$2")
  p=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\1/p' <<<"$line")
  f=$(sed -n 's/^\([0-9]*\) passed, \([0-9]*\) failed$/\2/p' <<<"$line")
  [ -n "$p" ] || { tail -n 20 "$2"; p=0; f=1; }
  record "$1" "$p" "$f"
}

build() { # dir cmake-args...
  local dir=$1; shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$dir.configure.log" 2>&1 ||
    { cat "$dir.configure.log"; return 1; }
  cmake --build "$dir" -j "$jobs" >"$dir.build.log" 2>&1 ||
    { grep -E 'error|Error' -A3 "$dir.build.log" | head -n 60; return 1; }
}

mkdir -p build

# ---- consultation services: the reference rating server and tinyproxy on
# loopback, for the native and the Wine suites; stopped at the end.
source scripts/services.sh
trap stop_test_services EXIT
# ---- end of consultation services

echo "== native build (AddressSanitizer, UndefinedBehaviorSanitizer)"
if build build/native -DMORVANE_SANITIZE=ON; then
  start_test_services build/native/bin/morvane-ratings
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  for exe in build/native/bin/*_tests; do
    [ -x "$exe" ] || continue
    run_gtest "native/$(basename "$exe")" "$exe"
  done
else
  record "native build" 0 1
fi

if command -v clang++ >/dev/null; then
  echo "== fuzz build (clang, libFuzzer)"
  if CC=clang CXX=clang++ build build/fuzz -DMORVANE_FUZZ=ON; then
    for exe in build/fuzz/bin/fuzz/*; do
      [ -x "$exe" ] || continue
      name=$(basename "$exe")
      corpus=tests/fuzz/corpus/$name
      work=$(mktemp -d)
      [ -d "$corpus" ] && cp -r "$corpus/." "$work/"
      if "$exe" -max_total_time="${MORVANE_FUZZ_SECONDS:-20}" -timeout=10 -rss_limit_mb=2048 \
          "$work" >"$work.log" 2>&1; then
        record "fuzz/$name" 1 0
      else
        tail -n 30 "$work.log"
        record "fuzz/$name" 0 1
      fi
      rm -rf "$work" "$work.log"
    done
  else
    record "fuzz build" 0 1
  fi
fi

# The Windows suite writes detail pages here for the browser check below.
rm -rf build/pages && mkdir -p build/pages
export MORVANE_PAGES_OUT="Z:$(tr / '\\' <<<"$root/build/pages")"

start_xvfb
for target in x86_64 i686; do
  echo "== Windows build ($target)"
  dir=build/win-$target
  # The Release build: the suites test the programs that ship.
  if ! build "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$target.cmake" -DCMAKE_BUILD_TYPE=Release; then
    record "windows build ($target)" 0 1
    continue
  fi
  if [ "$target" = i686 ] && [ "$MORVANE_WINE32" != 1 ]; then
    skipped+=("wine-$target: built, not run: Wine's 32-bit loader is not used on this machine (it cannot start, or MORVANE_WINE32=0)")
    continue
  fi
  new_wine_prefix
  for exe in "$dir"/bin/*_tests.exe; do
    [ -f "$exe" ] || continue
    run_gtest "wine-$target/$(basename "$exe" .exe)" "$WINE" "$exe"
  done
  if [ -f "$dir/bin/morvane-cli.exe" ]; then
    log=$(mktemp)
    bash tests/cli/cli_e2e.sh "$dir/bin/morvane-cli.exe" >"$log" 2>&1
    grep -E '^FAIL|^     ' "$log" | head -n 40
    record_script "wine-$target/morvane-cli end to end" "$log"
    rm -f "$log"
    bash tests/cli/watch_e2e.sh "$dir/bin/morvane-cli.exe" >"$log" 2>&1
    grep -E '^FAIL|^     ' "$log" | head -n 40
    record_script "wine-$target/morvane-cli watch" "$log"
    rm -f "$log"
  fi
  drop_wine_prefix
done

# ---- the packages (both Release builds above), and what a user and an
# administrator do with them, under Wine.
echo "== packages"
log=$(mktemp)
if [ -f build/win-x86_64/bin/Morvane.exe ] && [ -f build/win-i686/bin/Morvane.exe ] &&
   MORVANE_PACKAGE_BUILT=1 bash scripts/package.sh >"$log" 2>&1; then
  bash tests/package/package_test.sh >"$log" 2>&1
  grep -E '^FAIL|^     ' "$log" | head -n 60
  record_script "packages" "$log"
else
  tail -n 20 "$log"
  record "packages (scripts/package.sh)" 0 1
fi
rm -f "$log"
stop_xvfb

# ---- the pages in Debian's headless Chromium: the detail pages written above
# and the rating server's pages, with the server still running.
echo "== pages in headless Chromium"
log=$(mktemp)
if npm ci --prefix tests/pages --no-audit --no-fund >"$log" 2>&1; then
  node tests/pages/check.mjs build/pages >"$log" 2>&1
  grep -E '^FAIL' "$log" | head -n 40
  record_script "pages in headless Chromium" "$log"
else
  tail -n 20 "$log"
  record "pages in headless Chromium (npm ci)" 0 1
fi
rm -f "$log"

echo
echo "== summary"
for line in "${skipped[@]}"; do echo "$line"; done
for line in "${summary[@]}"; do echo "$line"; done
echo "$total_pass passed, $total_fail failed"
[ "$total_fail" -eq 0 ] && [ "$total_pass" -gt 0 ]
