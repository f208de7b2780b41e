# Shared by the scripts: a headless display and throw-away Wine prefixes.

export WINEDEBUG=-all
# No Mono or Gecko installer may be asked for in a headless run.
export WINEDLLOVERRIDES="mscoree,mshtml="

start_xvfb() {
  local n
  for n in $(seq 90 120); do
    if [ ! -e /tmp/.X$n-lock ]; then
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      MORVANE_XVFB_PID=$!
      export DISPLAY=":$n"
      sleep 1
      return
    fi
  done
  echo "no free display for Xvfb" >&2
}

stop_xvfb() {
  if [ -n "${MORVANE_XVFB_PID:-}" ]; then
    kill "$MORVANE_XVFB_PID" 2>/dev/null
    wait "$MORVANE_XVFB_PID" 2>/dev/null
    unset MORVANE_XVFB_PID
  fi
}

# The wine script prefers the 32-bit loader, which cannot start at all on a
# kernel without 32-bit support; the 64-bit loader then runs the 64-bit
# programs on its own. MORVANE_WINE32=0 in the environment takes that path
# on purpose, on any machine; MORVANE_WINE32=1 insists on the 32-bit loader.
wine32_works() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
case "${MORVANE_WINE32:-}" in
  0) ;;
  1)
    if ! wine32_works; then
      echo "MORVANE_WINE32=1, but Wine's 32-bit loader cannot start on this machine" >&2
      exit 1
    fi
    ;;
  *) if wine32_works; then MORVANE_WINE32=1; else MORVANE_WINE32=0; fi ;;
esac
if [ "$MORVANE_WINE32" = 1 ]; then
  WINE=wine
  unset WINELOADER
else
  WINE=/usr/lib/wine/wine64
  export WINELOADER=/usr/lib/wine/wine64
fi
export MORVANE_WINE32
export WINE

# A 64-bit prefix runs both the i686 and the x86_64 programs (the first
# through WoW64, which keeps the 32-bit registry view apart).
new_wine_prefix() {
  WINEPREFIX=$(mktemp -d /tmp/morvane-wine.XXXXXX)
  export WINEPREFIX WINEARCH=win64
  "$WINE" wineboot -i >/dev/null 2>&1
  wineserver -w
  # A fresh prefix links the user's Documents, Desktop and the like to the
  # host's home: what tests write there would outlive the prefix and be seen
  # by every other prefix at once. Each prefix gets folders of its own.
  local folder
  for folder in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$folder" ]; then rm -f "$folder" && mkdir "$folder"; fi
  done
  # Without a window manager, a managed window's close waits for one; the
  # tests' windows need none.
  "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
}

drop_wine_prefix() {
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  rm -rf "$WINEPREFIX"
  unset WINEPREFIX
}
