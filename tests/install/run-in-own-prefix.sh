#!/usr/bin/env bash
# Runs a test program in a Wine prefix of its own (build/wine-install, or
# build/$TESSARY_OWN_PREFIX), made fresh for each run with the stand-ins
# registered as in the test prefix: the product is installed there as on a
# user's machine, apart from the test prefix, where the other tests register
# the staged programs. $TESSARY_UNPACK, a zip, is unpacked into its drive C:
# first. The prefix's Wine server is ended afterwards.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX="$top/build/${TESSARY_OWN_PREFIX:-wine-install}"
source "$top/tools/prefix.sh"
trap wine_stop EXIT
wine_fresh_prefix
if [ -n "${TESSARY_UNPACK:-}" ]; then (cd "$WINEPREFIX/drive_c" && cmake -E tar xf "$TESSARY_UNPACK"); fi
wine "$@"
