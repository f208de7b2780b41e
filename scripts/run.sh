#!/usr/bin/env bash
# Builds Morvane for Windows and starts it under Wine.
#
#   bash scripts/run.sh
#
# On a desktop (DISPLAY set and usable) the window opens there. Without one,
# the program runs on a virtual display (Xvfb); once its window is up, a
# screenshot is saved and its path printed, and the program is closed.
#
# Unless WINEPREFIX names a prefix of your own, a demonstration prefix in
# build/demo-prefix is used, made on first use and seeded with a handful of
# startup entries (scripts/demo/seed.sh). Remove that folder to start afresh.
# MORVANE_BUILD_DIR chooses another folder than build/ for all of this.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
out=${MORVANE_BUILD_DIR:-build}

bash scripts/setup.sh
source scripts/lib.sh

build() { # target
  local dir=$out/win-$1
  mkdir -p "$out"
  # The Release build, the one that ships.
  if ! grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$dir/CMakeCache.txt" 2>/dev/null; then
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$1.cmake" \
      -DCMAKE_BUILD_TYPE=Release >"$dir.configure.log" 2>&1 ||
      { cat "$dir.configure.log"; exit 1; }
  fi
  echo "run: building $dir"
  cmake --build "$dir" -j "$(nproc)" --target Morvane >"$dir.run-build.log" 2>&1 ||
    { grep -E 'error|Error' -A3 "$dir.run-build.log" | head -n 40; exit 1; }
}

# The 64-bit build is the program most users run. MORVANE_TARGET=i686 runs
# the 32-bit one instead, where the machine can start 32-bit programs.
target=${MORVANE_TARGET:-x86_64}
case "$target" in
  x86_64) ;;
  i686)
    if [ "$MORVANE_WINE32" != 1 ]; then
      echo "run: this machine cannot start 32-bit programs; MORVANE_TARGET=i686 cannot run here" >&2
      exit 1
    fi
    ;;
  *) echo "run: MORVANE_TARGET is x86_64 or i686" >&2; exit 2 ;;
esac
build "$target"
exe="$root/$out/win-$target/bin/Morvane.exe"

# The reference rating server on Morvane's built-in address, so that Consult
# has a server to ask (left alone when something already listens there).
ratings_pid=
if cmake -S . -B "$out/native-server" -DMORVANE_TESTS=OFF >"$out/native-server.configure.log" 2>&1 &&
   cmake --build "$out/native-server" --target morvane-ratings -j "$(nproc)" >"$out/native-server.build.log" 2>&1; then
  "$out/native-server/bin/morvane-ratings" --db "$out/ratings.db" --listen 127.0.0.1:8077 \
    >"$out/ratings.out" 2>"$out/ratings.log" &
  ratings_pid=$!
  echo "run: rating server on http://127.0.0.1:8077 (log $out/ratings.log)"
else
  echo "run: the rating server could not be built; Consult will fail" >&2
fi
stop_ratings() { [ -n "$ratings_pid" ] && kill "$ratings_pid" 2>/dev/null; true; }

display_usable() {
  [ -n "${DISPLAY:-}" ] || return 1
  if command -v xdpyinfo >/dev/null; then
    xdpyinfo >/dev/null 2>&1
  else
    import -window root -crop 1x1+0+0 "$(mktemp --suffix=.png)" >/dev/null 2>&1
  fi
}

headless=1
if display_usable; then
  headless=0
else
  start_xvfb
  trap 'stop_xvfb; stop_ratings' EXIT
fi

own_prefix=0
if [ -z "${WINEPREFIX:-}" ]; then
  own_prefix=1
  export WINEPREFIX="$root/$out/demo-prefix"
  export WINEARCH=win64
  # A prefix seeded by an older seed script is made again.
  if [ ! -f "$WINEPREFIX/.morvane-demo" ] || [ scripts/demo/seed.sh -nt "$WINEPREFIX/.morvane-demo" ]; then
    echo "run: making the demonstration prefix $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1
    wineserver -w
    WINE=$WINE SEED_TARGET=$target SEED_TOOLS="$root/$out/demo-tools" bash scripts/demo/seed.sh
    wineserver -w
    touch "$WINEPREFIX/.morvane-demo"
  fi
fi

x11_key='HKCU\Software\Wine\X11 Driver'
if [ "$headless" = 0 ]; then
  if [ "$own_prefix" = 1 ]; then
    "$WINE" reg delete "$x11_key" /v Managed /f >/dev/null 2>&1 || true
  fi
  echo "run: starting $exe (prefix $WINEPREFIX)"
  "$WINE" "$exe"
  status=$?
  stop_ratings
  exit $status
fi

# Without a window manager Wine draws the window frames itself.
if [ "$own_prefix" = 1 ]; then
  "$WINE" reg add "$x11_key" /v Managed /d N /f >/dev/null 2>&1
fi
shot="$root/$out/morvane-screenshot.png"
rm -f "$shot"
echo "run: starting $exe on the virtual display $DISPLAY (prefix $WINEPREFIX)"
"$WINE" "$exe" >/dev/null 2>&1 &
program=$!
# Waits for the window: by its title where xwininfo is at hand, else for the
# first picture on the empty display.
window_up() {
  if command -v xwininfo >/dev/null; then
    xwininfo -name "Morvane for Windows v2" >/dev/null 2>&1
  else
    import -window root "$shot" >/dev/null 2>&1 &&
      [ "$(convert "$shot" -format '%[fx:standard_deviation>0]' info: 2>/dev/null)" = 1 ]
  fi
}
up=0
for _ in $(seq 1 120); do
  if window_up; then
    up=1
    break
  fi
  if ! kill -0 "$program" 2>/dev/null; then
    break
  fi
  sleep 1
done
if [ "$up" = 1 ]; then
  sleep 4 # the first refresh fills the list
  import -window root "$shot"
  echo "run: Morvane is up; screenshot saved to $shot"
else
  echo "run: the window did not appear" >&2
fi
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
if [ "$own_prefix" = 1 ]; then
  wineserver -k 2>/dev/null || true
fi
[ "$up" = 1 ]
