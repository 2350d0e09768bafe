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
