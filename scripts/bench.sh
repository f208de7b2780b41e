#!/usr/bin/env bash
# Builds optimised native and x86_64 Windows builds and runs every benchmark:
# natively, and under Wine in a throw-away prefix. Prints what each measures,
# then every ratio against its reference (measured in the same run) again.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh || exit 1
source scripts/lib.sh
ratios=$(mktemp)

cmake -S . -B build/bench-native -DCMAKE_BUILD_TYPE=Release -DMORVANE_TESTS=ON >/dev/null &&
  cmake --build build/bench-native -j "$(nproc)" >/dev/null || exit 1
for exe in build/bench-native/bin/bench/*; do
  [ -x "$exe" ] || continue
  [ "$(basename "$exe")" = consult_bench ] && continue # its own block below
  echo "== native $(basename "$exe")"
  "$exe" "$@" | tee -a "$ratios"
done

# ---- consult: 5,000 rows against morvane-ratings started on loopback as the
# test command starts it, then 50-row requests from 8 clients at once.
source scripts/services.sh
start_test_services build/bench-native/bin/morvane-ratings
if [ -n "${MORVANE_TEST_SERVER:-}" ] && [ -x build/bench-native/bin/bench/consult_bench ]; then
  echo "== native consult_bench (against $MORVANE_TEST_SERVER)"
  build/bench-native/bin/bench/consult_bench --server "$MORVANE_TEST_SERVER" --rows 5000 |
    tee -a "$ratios"
  # The server's own log line for the large request: its decoding and lookups.
  big=$(grep ' POST /startexe3.php 200 ' "$MORVANE_SERVICES_DIR/ratings.log" |
    sed -n 's/.* in=\([0-9]*\) .* lookup_ms=\([0-9.]*\).*/\1 \2/p' | sort -n -r | head -n 1)
  [ -n "$big" ] && echo "  the server's log: decoding and lookups ${big#* } ms for the ${big%% *}-byte request"
else
  echo "== consult_bench: no rating server could be started (build/bench-native/bin/morvane-ratings)"
fi
stop_test_services
# ---- end of consult

# The 64-bit build, the one most users run; MORVANE_TARGET=i686 measures the
# 32-bit one where this machine can run it.
target=${MORVANE_TARGET:-x86_64}
[ "$target" = x86_64 ] || [ "$MORVANE_WINE32" = 1 ] || { echo "bench: cannot run i686 here" >&2; exit 1; }
cmake -S . -B "build/bench-win-$target" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$target.cmake" >/dev/null &&
  cmake --build "build/bench-win-$target" -j "$(nproc)" --target benchmarks >/dev/null || exit 1
start_xvfb
new_wine_prefix
for exe in "build/bench-win-$target"/bin/bench/*.exe; do
  [ -f "$exe" ] || continue
  # The consultation is measured natively above, against a server of its own.
  [ "$(basename "$exe")" = consult_bench.exe ] && continue
  # The cold start needs the programs it starts; below.
  [ "$(basename "$exe")" = start_bench.exe ] && continue
  echo "== wine $target $(basename "$exe" .exe)"
  "$WINE" "$exe" "$@" | tr -d '\r' | sed "s/^RATIO /RATIO (wine $target) /" | tee -a "$ratios"
done

# ---- cold start: the installed Release Morvane.exe (the packaged MSI where
# scripts/package.sh made one, else the build's) to its first painted list,
# against a bare window that creates a list view; limit 3.
dir=build/bench-win-$target
if cmake --build "$dir" -j "$(nproc)" --target Morvane bare-list-window >/dev/null; then
  version=$(sed -n 's/^project(Morvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  arch=x64; [ "$target" = i686 ] && arch=x86
  morvane=$("$WINE" winepath -w "$dir/bin/Morvane.exe" 2>/dev/null | tr -d '\r')
  msi=dist/Morvane-$version-$arch.msi
  if [ -f "$msi" ] && "$WINE" msiexec /i "$("$WINE" winepath -w "$msi" | tr -d '\r')" /qn >/dev/null 2>&1; then
    wineserver -w
    morvane='C:\Program Files\Morvane\Morvane.exe'
    [ "$arch" = x86 ] && morvane='C:\Program Files (x86)\Morvane\Morvane.exe'
  fi
  echo "== wine $target start_bench ($morvane)"
  cp ui/mrvTemplate.tpl "$dir/bin/" 2>/dev/null
  "$WINE" "$dir/bin/bench/start_bench.exe" 7 "$("$WINE" winepath -w "$dir/bin/tools/bare-list-window.exe" | tr -d '\r')" \
    "$morvane" | tr -d '\r' | sed "s/^RATIO /RATIO (wine $target) /" | tee -a "$ratios"
fi
# ---- end of cold start

drop_wine_prefix
stop_xvfb
echo "== ratios against their references"
grep -E '^RATIO|^ratio' "$ratios"
rm -f "$ratios"
