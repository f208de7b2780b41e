#!/usr/bin/env bash
# Installs what the build and the tests need, from Debian's packages only.
# Safe to run again: it installs only what is missing.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
  updated=
else
  updated=
fi

for p in g++ cmake make googletest mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
         wine wine32:i386 wine64 fonts-wine xvfb xauth x11-utils imagemagick clang libexpat1-dev python3 \
         libcpp-httplib-dev libsqlite3-dev pkg-config tinyproxy chromium \
         msitools wixl osslsigncode openssl zip unzip; do
  have "$p" || need+=("$p")
done
# The Windows build of the rating server: Debian's source package of
# cpp-httplib (dpkg-source) and SQLite's amalgamation (npm), fetched by
# scripts/server-sources.sh below.
have dpkg-dev || need+=(dpkg-dev)

# Node.js runs the page checks (tests/pages) and npm fetches what they and
# the server's Windows build need; a machine may have them from elsewhere
# (a Node.js that ships its own npm), so the commands count, not the
# package names.
command -v node >/dev/null || need+=(nodejs)
command -v npm >/dev/null || need+=(npm)

if [ ${#need[@]} -gt 0 ]; then
  echo "setup: installing ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

bash "$(dirname "$0")/server-sources.sh"
