#!/usr/bin/env bash
# The demo: builds everything, prepares a fresh Wine prefix on a virtual display
# and runs the demo client against the staged test extension.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/tools/prefix.sh"
build_then_run_on_display "$0" "$@"
trap wine_stop EXIT
echo "demo: preparing a fresh Wine prefix in $WINEPREFIX"
wine_fresh_prefix
wine "$top/build/demo/tessary_demo.exe"
