#!/usr/bin/env bash
# The demo: builds everything, prepares a fresh Wine prefix on a virtual display
# and runs the demo client against the staged test extension.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
if [ -z "${TESSARY_ON_DISPLAY:-}" ]; then
  "$top/tools/build.sh"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" env TESSARY_ON_DISPLAY=1 "$0" "$@"
fi

source "$top/tools/prefix.sh"
trap wine_stop EXIT
echo "demo: preparing a fresh Wine prefix in $WINEPREFIX"
wine_fresh_prefix
export TESSARY_TEST_EXTENSION="$top/build/tests/extension"
wine "$top/build/demo/tessary_demo.exe"
