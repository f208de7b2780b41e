#!/usr/bin/env bash
# Builds what a user downloads and an administrator deploys, from the Release
# builds of both architectures:
#
#   dist/Morvane-<version>-win64.zip, -win32.zip   portable: the programs, the
#                                                  detail-page template, README.txt, LICENSE.txt
#   dist/Morvane-<version>-x64.msi, -x86.msi       per-machine Windows Installer packages
#   dist/Morvane-<version>-win64-symbols.zip, ...  the debug information kept beside the programs
#   dist/SHA256SUMS
#
#   bash scripts/package.sh
#
# The version is the project's (CMakeLists.txt). MORVANE_PACKAGE_VERSION
# packages the same programs under another version number and MORVANE_DIST
# writes to another folder (the upgrade test makes an older MSI so);
# MORVANE_PACKAGE_BUILT=1 uses the builds as they are instead of bringing
# them up to date.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

version=$(sed -n 's/^project(Morvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "package: no version in CMakeLists.txt" >&2; exit 1; }
version=${MORVANE_PACKAGE_VERSION:-$version}
dist=${MORVANE_DIST:-$root/dist}
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)

programs=(Morvane.exe morvane-cli.exe morvane-ratings.exe)

build() { # target
  local dir=build/win-$1
  if [ "${MORVANE_PACKAGE_BUILT:-0}" = 1 ]; then
    return
  fi
  if ! grep -qx 'CMAKE_BUILD_TYPE:STRING=Release' "$dir/CMakeCache.txt" 2>/dev/null; then
    mkdir -p build
    cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-$1.cmake" \
      -DCMAKE_BUILD_TYPE=Release >"$dir.configure.log" 2>&1 ||
      { cat "$dir.configure.log"; exit 1; }
  fi
  echo "package: building the programs in $dir"
  cmake --build "$dir" -j "$(nproc)" --target Morvane morvane-cli morvane-ratings \
    >"$dir.package-build.log" 2>&1 ||
    { grep -E 'error|Error' -A3 "$dir.package-build.log" | head -n 40; exit 1; }
}

# Windows text files: CRLF line ends.
crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$1"; }

package() { # target zip-suffix msi-arch
  local target=$1 suffix=$2 arch=$3
  local bin=build/win-$target/bin
  local name=Morvane-$version-$suffix
  local stage=build/package/$name
  build "$target"
  for p in "${programs[@]}"; do
    [ -f "$bin/$p" ] || { echo "package: $bin/$p is missing" >&2; exit 1; }
  done
  rm -rf "$stage" "$stage-symbols"
  mkdir -p "$stage" "$stage-symbols"
  for p in "${programs[@]}"; do
    cp "$bin/$p" "$stage/"
    [ -f "$bin/$p.debug" ] && cp "$bin/$p.debug" "$stage-symbols/"
  done
  cp ui/mrvTemplate.tpl "$stage/"
  sed "s/@VERSION@/$version/g" package/README.txt >"$stage/README.tmp"
  crlf "$stage/README.tmp" >"$stage/README.txt"
  rm "$stage/README.tmp"
  crlf LICENSE >"$stage/LICENSE.txt"

  rm -f "$dist/$name.zip" "$dist/$name-symbols.zip"
  (cd build/package && zip -q -r -X "$dist/$name.zip" "$name")
  if ls "$stage-symbols"/*.debug >/dev/null 2>&1; then
    (cd build/package && zip -q -r -X "$dist/$name-symbols.zip" "$name-symbols")
  fi

  local msi=$dist/Morvane-$version-$arch.msi
  rm -f "$msi"
  # wixl takes the files named in the source from the folder it runs in.
  (cd "$stage" && wixl -a "$arch" -D Arch="$arch" -D Version="$version" -o "$msi" \
     "$root/package/Morvane.wxs") ||
    { echo "package: wixl failed for $arch" >&2; exit 1; }
  echo "package: $dist/$name.zip, $msi"
}

package x86_64 win64 x64
package i686 win32 x86
(cd "$dist" && rm -f SHA256SUMS && sha256sum -- *"-$version-"*.zip *"-$version-"*.msi >SHA256SUMS)
echo "package: $dist/SHA256SUMS"
