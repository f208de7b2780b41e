#!/usr/bin/env bash
# Checks the packages that scripts/package.sh made, as a user and an
# administrator would meet them:
#   - the shipped programs: imports from Windows' own DLLs only, no debug
#     information inside (the symbols beside), sizes, version resource and
#     manifest;
#   - the zips, the MSIs' tables and SHA256SUMS;
#   - under Wine: an upgrade from an older MSI, the installed programs
#     (window and --version), an uninstall that leaves the user's data, and
#     the portable copy run from a folder nobody can write to.
# Ends with "N passed, N failed".
#
#   bash tests/package/package_test.sh
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
source scripts/lib.sh

version=$(sed -n 's/^project(Morvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
dist=$root/dist
out=$root/build/package-test
rm -rf "$out" && mkdir -p "$out"

passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok   $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1"; [ $# -gt 1 ] && echo "     $2"; }
check() { # name command...
  local name=$1; shift
  local why
  if why=$("$@" 2>&1); then ok "$name"; else fail "$name" "$(tr '\n' ' ' <<<"$why" | cut -c1-300)"; fi
}

programs=(Morvane.exe morvane-cli.exe morvane-ratings.exe)
objdump_of() { case $1 in x86_64) echo x86_64-w64-mingw32-objdump ;; *) echo i686-w64-mingw32-objdump ;; esac; }
windres_of() { case $1 in x86_64) echo x86_64-w64-mingw32-windres ;; *) echo i686-w64-mingw32-windres ;; esac; }

# ---- the shipped programs

# DLLs that every Windows from 7 on carries; anything else (a MinGW runtime
# DLL above all) would have to ship beside the program.
windows_dlls=" advapi32.dll bcrypt.dll comctl32.dll comdlg32.dll crypt32.dll gdi32.dll kernel32.dll "
windows_dlls+="msimg32.dll msvcrt.dll ole32.dll oleaut32.dll shell32.dll shlwapi.dll user32.dll "
windows_dlls+="uxtheme.dll version.dll wintrust.dll ws2_32.dll "
imports_are_windows_own() { # arch exe
  local dll bad=
  for dll in $("$(objdump_of "$1")" -p "$2" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z'); do
    [[ $windows_dlls == *" $dll "* ]] || bad+=" $dll"
  done
  [ -z "$bad" ] || { echo "imports$bad"; return 1; }
}
no_debug_inside() { # arch exe
  local sections
  sections=$("$(objdump_of "$1")" -h "$2" | awk '$2 ~ /^\.debug/ {print $2}' | tr '\n' ' ')
  [ -z "$sections" ] || { echo "has $sections"; return 1; }
  [ -s "$2.debug" ] || { echo "no $2.debug beside it"; return 1; }
}
at_most() { # file bytes
  local size; size=$(stat -c %s "$1")
  echo "$(basename "$1"): $size bytes (limit $2)"
  [ "$size" -le "$2" ]
}
version_resource() { # arch exe
  local rc; rc=$("$(windres_of "$1")" -i "$2" -O rc 2>/dev/null)
  local v=${version//./, }
  grep -q "FILEVERSION $v, 0" <<<"$rc" || { echo "FILEVERSION is not $version"; return 1; }
  local field
  for field in "FileVersion\", \"$version\"" "ProductVersion\", \"$version\"" \
               'CompanyName", "The Morvane developers"' 'FileDescription", "Morvane' \
               'LegalCopyright", "Copyright' "OriginalFilename\", \"$(basename "$2")\""; do
    grep -qF "$field" <<<"$rc" || { echo "no $field"; return 1; }
  done
}
window_manifest() { # exe
  local text; text=$(strings -n 8 "$1")
  local want
  for want in 'Microsoft.Windows.Common-Controls" version="6.0.0.0"' 'level="asInvoker"' \
              '>PerMonitorV2, System<' '<dpiAware' '>true</longPathAware>' \
              '35138b9a-5d96-4fbd-8e2d-a2440225f93a' '8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a'; do
    grep -qF "$want" <<<"$text" || { echo "manifest lacks $want"; return 1; }
  done
}

for arch in x86_64 i686; do
  bin=build/win-$arch/bin
  for p in "${programs[@]}"; do
    check "$arch $p imports only Windows' own DLLs" imports_are_windows_own "$arch" "$bin/$p"
    check "$arch $p holds no debug information, its symbols lie beside it" no_debug_inside "$arch" "$bin/$p"
    check "$arch $p carries the version resource of $version" version_resource "$arch" "$bin/$p"
  done
  check "$arch Morvane.exe's manifest: common controls 6, asInvoker, per-monitor DPI, long paths, Windows 7 to 11" \
    window_manifest "$bin/Morvane.exe"
done
check "i686 Morvane.exe is at most 2 MB" at_most build/win-i686/bin/Morvane.exe 2097152
check "i686 morvane-cli.exe is at most 1.5 MB" at_most build/win-i686/bin/morvane-cli.exe 1572864
for arch in x86_64 i686; do
  for p in Morvane.exe morvane-cli.exe; do
    echo "     size: $arch $p $(stat -c %s "build/win-$arch/bin/$p") bytes"
  done
done

# ---- the packages

zip_holds() { # zip folder
  local list; list=$(unzip -Z1 "$1")
  local f
  for f in "${programs[@]}" mrvTemplate.tpl README.txt LICENSE.txt; do
    grep -qx "$2/$f" <<<"$list" || { echo "no $2/$f"; return 1; }
  done
  ! grep -q '\.debug$' <<<"$list" || { echo "holds debug files"; return 1; }
  unzip -p "$1" "$2/README.txt" | grep -q "Morvane $version" || { echo "README.txt does not name $version"; return 1; }
}
msi_tables() { # msi arch
  local props; props=$(msiinfo export "$1" Property)
  grep -qP "^ProductVersion\t$version\r?$" <<<"$props" || { echo "ProductVersion"; return 1; }
  grep -qP "^Manufacturer\tThe Morvane developers\r?$" <<<"$props" || { echo "Manufacturer"; return 1; }
  grep -qP "^UpgradeCode\t\{" <<<"$props" || { echo "no UpgradeCode"; return 1; }
  grep -qP "^ALLUSERS\t1\r?$" <<<"$props" || { echo "not per-machine"; return 1; }
  # Nothing for the user's profile: no HKEY_CURRENT_USER value (root 1).
  if msiinfo export "$1" Registry | awk -F'\t' 'NR > 3 && $2 == 1' | grep -q .; then
    echo "writes below HKEY_CURRENT_USER"; return 1
  fi
  # The platform a package is for: x64, or Intel for 32-bit Windows.
  local platform=$2
  [ "$platform" = x86 ] && platform=Intel
  msiinfo suminfo "$1" | grep -q "Template: ${platform};" || { echo "not a $2 package"; return 1; }
}
for pair in win64:x64 win32:x86; do
  suffix=${pair%%:*}; arch=${pair##*:}
  check "Morvane-$version-$suffix.zip holds the programs, the template, README.txt and LICENSE.txt" \
    zip_holds "$dist/Morvane-$version-$suffix.zip" "Morvane-$version-$suffix"
  check "Morvane-$version-$suffix-symbols.zip holds the symbols" \
    bash -c "unzip -Z1 '$dist/Morvane-$version-$suffix-symbols.zip' | grep -qx 'Morvane-$version-$suffix-symbols/Morvane.exe.debug'"
  check "Morvane-$version-$arch.msi: version, publisher, upgrade code, per machine, nothing per user" \
    msi_tables "$dist/Morvane-$version-$arch.msi" "$arch"
done
check "SHA256SUMS covers every package and matches" \
  bash -c "cd '$dist' && [ \$(grep -c . SHA256SUMS) -eq 6 ] && sha256sum --quiet -c SHA256SUMS"

# ---- under Wine

[ -n "${DISPLAY:-}" ] || start_xvfb
new_wine_prefix
winpath() { "$WINE" winepath -w "$1" 2>/dev/null | tr -d '\r'; }
unixpath() { "$WINE" winepath -u "$1" 2>/dev/null | tr -d '\r'; }
program_files=$(unixpath 'C:\Program Files')
program_files_x86=$(unixpath 'C:\Program Files (x86)')
appdata=$(unixpath "$("$WINE" cmd /c echo %APPDATA% 2>/dev/null | tr -d '\r')")
localappdata=$(unixpath "$("$WINE" cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')")
start_menus=("$(unixpath "$("$WINE" cmd /c echo %ProgramData% 2>/dev/null | tr -d '\r')")/Microsoft/Windows/Start Menu/Programs"
             "$appdata/Microsoft/Windows/Start Menu/Programs")
shortcut_present() {
  # Windows puts a per-machine package's shortcut in the all-users Start
  # Menu; Wine's installer in the user's. Either counts, none is a failure.
  local m
  for m in "${start_menus[@]}"; do [ -f "$m/Morvane.lnk" ] && return 0; done
  return 1
}
uninstall_entries() { # view (64 or 32)
  "$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s "/reg:$1" 2>/dev/null |
    tr -d '\r' | grep -E '^\s+DisplayName\s+REG_SZ\s+Morvane$' | wc -l
}
display_version() { # view
  "$WINE" reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall' /s "/reg:$1" 2>/dev/null |
    tr -d '\r' | awk '/^HKEY/ {key=$0} /DisplayName +REG_SZ +Morvane$/ {hit=key} /DisplayVersion/ {v[key]=$3} END {print v[hit]}'
}
msiexec() { "$WINE" msiexec "$@" >/dev/null 2>&1; local rc=$?; wineserver -w; return $rc; }

# An older package of the same programs, for the upgrade.
IFS=. read -r major minor patch <<<"$version"
if [ "$patch" -gt 0 ]; then older=$major.$minor.$((patch - 1)); else older=$major.$((minor - 1)).9; fi
MORVANE_PACKAGE_BUILT=1 MORVANE_PACKAGE_VERSION=$older MORVANE_DIST=$out/older \
  bash scripts/package.sh >"$out/older.log" 2>&1 || { tail -n 5 "$out/older.log"; }
new_msi=$(winpath "$dist/Morvane-$version-x64.msi")

check "msiexec /i Morvane-$older-x64.msi /qn installs the older version" \
  msiexec /i "$(winpath "$out/older/Morvane-$older-x64.msi")" /qn
check "msiexec /i Morvane-$version-x64.msi /qn upgrades it" msiexec /i "$new_msi" /qn
check "after the upgrade Apps & features lists one Morvane, version $version" \
  bash -c "[ \"\$1\" = 1 ] && [ \"\$2\" = '$version' ] || { echo \"\$1 entries, version \$2\"; exit 1; }" _ \
  "$(uninstall_entries 64)" "$(display_version 64)"
check "the programs are in Program Files\\Morvane" bash -c \
  "cd '$program_files/Morvane' && ls Morvane.exe morvane-cli.exe morvane-ratings.exe mrvTemplate.tpl README.txt LICENSE.txt"
check "the Start Menu shortcut is there" shortcut_present
check "nothing of Morvane's in the user's profile after the install" \
  bash -c "[ ! -e '$appdata/Morvane' ] && [ ! -e '$localappdata/Morvane' ] && ! '$WINE' reg query 'HKCU\\Software\\Morvane' >/dev/null 2>&1"
cli_version=$("$WINE" "$program_files/Morvane/morvane-cli.exe" --version 2>/dev/null | tr -d '\r')
check "the installed morvane-cli --version prints $version" \
  bash -c "[ \"\$1\" = 'morvane-cli $version' ] || { echo \"printed '\$1'\"; exit 1; }" _ "$cli_version"

window_shows() { # exe screenshot
  "$WINE" "$1" >/dev/null 2>&1 &
  local pid=$! up=1
  for _ in $(seq 1 60); do
    if xwininfo -name "Morvane for Windows v2" >/dev/null 2>&1; then up=0; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 1
  done
  [ "$up" = 0 ] && { sleep 2; import -window root "$2"; }
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  wineserver -k; wineserver -w
  [ "$up" = 0 ] || { echo "no window came up"; return 1; }
}
check "the installed Morvane.exe shows its window" \
  window_shows "$program_files/Morvane/Morvane.exe" "$out/installed.png"

# The user's data, which no uninstall may touch.
mkdir -p "$appdata/Morvane"
echo "[Kept]" >"$appdata/Morvane/disabled.dat"
check "msiexec /x /qn removes the package" msiexec /x "$new_msi" /qn
check "the uninstall removed the programs, the shortcut and the Apps & features entry" \
  bash -c "[ ! -e '$program_files/Morvane/Morvane.exe' ] && [ ! -e '${start_menus[0]}/Morvane.lnk' ] &&
           [ ! -e '${start_menus[1]}/Morvane.lnk' ] && [ \"\$1\" = 0 ]" _ "$(uninstall_entries 64)"
check "the uninstall left %APPDATA%\\Morvane alone" bash -c "grep -qx '\[Kept\]' '$appdata/Morvane/disabled.dat'"

x86_msi=$(winpath "$dist/Morvane-$version-x86.msi")
check "the x86 package installs to Program Files (x86)" bash -c \
  "'$WINE' msiexec /i '$x86_msi' /qn >/dev/null 2>&1; wineserver -w; [ -f '$program_files_x86/Morvane/Morvane.exe' ]"
if [ "$MORVANE_WINE32" = 1 ]; then
  cli_version=$("$WINE" "$program_files_x86/Morvane/morvane-cli.exe" --version 2>/dev/null | tr -d '\r')
  check "the installed 32-bit morvane-cli --version prints $version" \
    bash -c "[ \"\$1\" = 'morvane-cli $version' ]" _ "$cli_version"
else
  echo "     (the 32-bit programs are installed, not run: Wine's 32-bit loader cannot start here)"
fi
check "the x86 package uninstalls" bash -c \
  "'$WINE' msiexec /x '$x86_msi' /qn >/dev/null 2>&1; wineserver -w; [ ! -e '$program_files_x86/Morvane/Morvane.exe' ]"

# The portable copy in a folder nobody can write to (a read-only mount: root
# writes anywhere else): the detail page goes per user.
ro_src=$out/portable
ro=$out/read-only
mkdir -p "$ro_src" "$ro"
unzip -q "$dist/Morvane-$version-win64.zip" -d "$ro_src"
if mount --bind "$ro_src" "$ro" 2>/dev/null && mount -o remount,bind,ro "$ro" 2>/dev/null; then
  portable=$ro/Morvane-$version-win64
  "$WINE" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v 'Portable Check' \
    /d 'C:\windows\notepad.exe' /f >/dev/null 2>&1
  rm -f "$localappdata/Morvane/mrvComment.htm"
  "$WINE" "$portable/Morvane.exe" >/dev/null 2>&1 &
  pid=$!
  "$WINE" "$root/build/win-x86_64/bin/tools/click-first-row.exe" 60 >/dev/null 2>&1
  for _ in $(seq 1 30); do
    [ -f "$localappdata/Morvane/mrvComment.htm" ] && break
    sleep 1
  done
  check "run from a read-only folder, the detail page goes to %LOCALAPPDATA%\\Morvane" \
    bash -c "[ -s '$localappdata/Morvane/mrvComment.htm' ] && [ ! -e '$portable/mrvComment.htm' ]"
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null
  wineserver -k; wineserver -w
  umount "$ro"
else
  echo "     (the read-only folder could not be made: this machine refuses a read-only bind mount)"
fi
drop_wine_prefix

echo "$passed passed, $failed failed"
