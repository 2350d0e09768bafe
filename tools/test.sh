#!/usr/bin/env bash
# Builds everything and runs every test under Wine in a fresh prefix, on a
# virtual display. Extra arguments go to ctest (for example -R host_unit).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/tools/prefix.sh"
build_then_run_on_display "$0" "$@"
trap wine_stop EXIT
echo "test: preparing a fresh Wine prefix in $WINEPREFIX"
wine_fresh_prefix
cd "$top/build"
ctest --output-on-failure "$@" 2>&1 | tee "$top/build/ctest.log" | grep -v '^ *Start ' || true
summary=$(grep -E 'tests passed, [0-9]+ tests failed out of' "$top/build/ctest.log" || true)
[ -n "$summary" ] || { echo "test: ctest printed no summary" >&2; exit 1; }
grep -q ' 0 tests failed out of' <<<"$summary"
