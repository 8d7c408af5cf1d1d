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
# The decoders' benchmark runs natively, against libjpeg-turbo's own djpeg.
echo "== decode_bench (native)"
cmake -S "$root" -B "$root/build-native-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-native-bench" --target decode_bench >/dev/null
"$root/build-native-bench/bench/decode/decode_bench"
