#!/usr/bin/env bash
# Builds, then prepares a fresh Wine prefix in build/wine for manual runs: the
# stand-ins for the WebBrowser control and for the shell's list of windows are
# registered there, as tools/test.sh and tools/demo.sh do for their own runs. Run programs in it with tools/wine-exec
# under a display (for example xvfb-run -a tools/wine-exec prog.exe).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/tools/prefix.sh"
"$top/tools/build.sh"
echo "fresh-prefix: preparing $WINEPREFIX"
wine_fresh_prefix
wine_stop
