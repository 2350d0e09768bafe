#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, once.
# Idempotent: a second run only checks.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
deps_src="$top/build/deps/src"

# The 32-bit add-ons need the i686 compiler, and their tests Wine's 32-bit half
# (an i386 package: the architecture is added first).
packages=(cmake make g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools libwine-dev
          wine wine64 wine32:i386 xvfb xauth googletest dpkg-dev python3 nsis)
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "bootstrap: adding the i386 architecture"
  dpkg --add-architecture i386
fi
# A mirror being synchronised can fail one index ("File has unexpected size"):
# apt-get then fails as a whole although every other index was fetched.
apt_update() {
  apt-get update -qq || echo "bootstrap: some package indexes could not be fetched; going on with the others" >&2
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "bootstrap: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt_update
  # With one architecture's index of a suite missing, the halves of a package
  # may not match across suites; the release's own suite then serves both.
  if ! apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; then
    release=$(. /etc/os-release && echo "$VERSION_CODENAME")
    echo "bootstrap: installing again from the $release suite"
    apt-get install -y -qq --no-install-recommends -t "$release" "${missing[@]}" >/dev/null
  fi
fi

# LevelDB and Snappy come from Debian's source packages. The deb-src entries are
# derived from the machine's own apt sources so that no host name is written here.
fetch_sources() {
  local pkg=$1
  compgen -G "$deps_src/${pkg}_*.orig.tar.*" >/dev/null && return 0
  if ! apt-get source --print-uris "$pkg" >/dev/null 2>&1; then
    local src=/etc/apt/sources.list.d/debian.sources
    local dst=/etc/apt/sources.list.d/tessary-deb-src.sources
    if [ -f "$src" ]; then
      sed 's/^Types: deb$/Types: deb-src/' "$src" > "$dst"
    elif [ -f /etc/apt/sources.list ]; then
      sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > "${dst%.sources}.list"
    fi
    apt_update
  fi
  mkdir -p "$deps_src"
  (cd "$deps_src" && apt-get source --download-only -qq "$pkg" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true)
  compgen -G "$deps_src/${pkg}_*.orig.tar.*" >/dev/null || { echo "bootstrap: no source for $pkg" >&2; exit 1; }
}
fetch_sources leveldb
fetch_sources snappy
