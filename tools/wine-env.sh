# Environment shared by everything that runs Windows programs of this project:
# one throwaway prefix in the build tree, quiet Wine, no download prompts.
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$top/build/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEARCH=win64
# Where test programs, fixtures and the demo find the build's pieces (CTest
# sets the same for every test).
export TESSARY_TEST_EXTENSION=${TESSARY_TEST_EXTENSION:-$top/build/tests/extension}
export TESSARY_BIN_DIR=${TESSARY_BIN_DIR:-$top/build/bin}
export TESSARY_FIXTURES_DIR=${TESSARY_FIXTURES_DIR:-$top/build/tests/fixtures}

# Debian's wine and wine-stable prefer the 32-bit loader whenever wine32 is
# installed, but a kernel built without 32-bit support cannot start it ("Exec
# format error"), and then no Windows program starts at all. On such a machine
# the 64-bit loader runs everything 64-bit; the prefix has no 32-bit half and
# the tests of 32-bit tabs and add-ons skip themselves.
wine_runs_32bit() {
  [ ! -e /usr/lib/wine/wine ] || /usr/lib/wine/wine --version >/dev/null 2>&1
}
if ! wine_runs_32bit; then
  export WINELOADER=/usr/lib/wine/wine64
  wine64_only=$top/build/wine64-only
  if [ ! -x "$wine64_only/wine-stable" ]; then
    mkdir -p "$wine64_only"
    for name in wine wine-stable; do
      printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$wine64_only/$name"
      chmod +x "$wine64_only/$name"
    done
  fi
  case ":$PATH:" in *":$wine64_only:"*) ;; *) export PATH=$wine64_only:$PATH ;; esac
fi
