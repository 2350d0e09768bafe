#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine in a fresh prefix; prints their figures.
# With an argument, runs only the benchmark of that name (for example: storage).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/tools/prefix.sh"
build_then_run_on_display "$0" "$@"
trap wine_stop EXIT
wine_fresh_prefix
for bench in "$top"/build/bench/*_benchmark.exe; do
  name=$(basename "$bench" _benchmark.exe)
  [ $# -eq 0 ] || [ "$1" = "$name" ] || continue
  wine "$bench"
done
