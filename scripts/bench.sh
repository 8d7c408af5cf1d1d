#!/usr/bin/env bash
# Builds and runs the benchmarks (Windows ones under Wine). Prints their figures.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"
source "$root/scripts/wine-env.sh"
trap wine_session_stop EXIT
wine_display_start
wine_prefix_start
for exe in "$root"/build/bench/*/bench_*.exe; do
  echo "== $(basename "$exe")"
  wine "$exe"
done
for script in "$root"/bench/*/run-native.sh; do
  [ -f "$script" ] && { echo "== $script"; bash "$script"; }
done
