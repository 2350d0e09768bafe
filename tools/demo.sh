#!/usr/bin/env bash
# The demo: builds everything, prepares a fresh Wine prefix on a virtual display
# and runs the demo client against the staged extension, Tessary Notes, as
# setup.exe installs it. Its pictures of the toolbar, the popup and a page with
# a highlighted note stay in build/demo/: the demo changes nothing tracked.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
export TESSARY_TEST_EXTENSION=$top/build/extension
source "$top/tools/prefix.sh"
build_then_run_on_display "$0" "$@"
trap wine_stop EXIT
echo "demo: preparing a fresh Wine prefix in $WINEPREFIX"
wine_fresh_prefix
wine "$top/build/demo/tessary_demo.exe"
echo "demo: the toolbar's, the popup's and the page's pictures are in $top/build/demo/"
