#!/usr/bin/env bash
# Brings the sources that the Windows build of morvane-ratings needs into
# third_party/ (git-ignored), once:
#   third_party/httplib/httplib.h   cpp-httplib as one header, from Debian's
#                                   source package of the very version that
#                                   libcpp-httplib-dev installs (that package
#                                   holds only declarations, its code is in a
#                                   Linux library);
#   third_party/sqlite/sqlite3.{c,h} SQLite's amalgamation (public domain),
#                                   from the npm package better-sqlite3.
# Without them the MinGW builds leave the server out and say so; nothing
# else depends on them. Called by scripts/setup.sh; never fatal.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dest=$root/third_party
better_sqlite3=12.11.1

say() { echo "server-sources: $*"; }

fetch_httplib() {
  local version work
  [ -f "$dest/httplib/httplib.h" ] && return 0
  version=$(dpkg-query -W -f='${Version}' libcpp-httplib-dev 2>/dev/null)
  [ -n "$version" ] || { say "libcpp-httplib-dev is not installed"; return 1; }
  command -v dpkg-source >/dev/null || { say "dpkg-source (dpkg-dev) is missing"; return 1; }
  work=$(mktemp -d)
  # A private apt state with Debian's source lists: the machine's own
  # configuration stays as it is.
  mkdir -p "$work/lists/partial"
  local suite
  suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
  cat >"$work/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $suite main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian $suite-updates main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian-security $suite-security main
LIST
  local apt=(apt-get -qq -o "Dir::Etc::SourceList=$work/sources.list"
    -o Dir::Etc::SourceParts=/nonexistent -o "Dir::State::Lists=$work/lists"
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= -o APT::Sandbox::User=root)
  if (cd "$work" && "${apt[@]}" update >/dev/null 2>&1 &&
      "${apt[@]}" source --download-only "cpp-httplib=$version" >/dev/null 2>&1 &&
      dpkg-source -x ./*.dsc src >/dev/null 2>&1) && [ -f "$work/src/httplib.h" ]; then
    mkdir -p "$dest/httplib"
    cp "$work/src/httplib.h" "$work/src/LICENSE" "$dest/httplib/"
    echo "$version" >"$dest/httplib/VERSION"
    say "cpp-httplib $version from Debian's source package"
    rm -rf "$work"
    return 0
  fi
  rm -rf "$work"
  say "cannot fetch Debian's source package cpp-httplib $version"
  return 1
}

fetch_sqlite() {
  local work
  [ -f "$dest/sqlite/sqlite3.c" ] && [ -f "$dest/sqlite/sqlite3.h" ] && return 0
  command -v npm >/dev/null || { say "npm is missing"; return 1; }
  work=$(mktemp -d)
  if (cd "$work" && npm pack --silent "better-sqlite3@$better_sqlite3" >/dev/null 2>&1 &&
      tar xzf "better-sqlite3-$better_sqlite3.tgz" package/deps/sqlite3/sqlite3.c \
        package/deps/sqlite3/sqlite3.h); then
    mkdir -p "$dest/sqlite"
    cp "$work/package/deps/sqlite3/sqlite3.c" "$work/package/deps/sqlite3/sqlite3.h" "$dest/sqlite/"
    say "SQLite $(sed -n 's/^#define SQLITE_VERSION *"\(.*\)"/\1/p' "$dest/sqlite/sqlite3.h")" \
      "amalgamation from better-sqlite3 $better_sqlite3"
    rm -rf "$work"
    return 0
  fi
  rm -rf "$work"
  say "cannot fetch better-sqlite3 $better_sqlite3 from the npm registry"
  return 1
}

fetch_httplib || say "the Windows builds will leave morvane-ratings out"
fetch_sqlite || say "the Windows builds will leave morvane-ratings out"
exit 0
