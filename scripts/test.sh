#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the Windows tests under Wine on a display of
# their own, the check that the README's pictures can still be made, then the native sanitiser and
# fuzzing checks.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh"
source "$root/scripts/wine-env.sh"
trap wine_session_stop EXIT
wine_display_start
wine_prefix_start
ctest --test-dir "$root/build" --output-on-failure --timeout 600
# The README's pictures can still be made: four of them, all different.
QUILLMERE_SESSION=1 bash "$root/scripts/screenshot.sh" --check
if [ -f "$root/scripts/native-check.sh" ]; then
  bash "$root/scripts/native-check.sh"
fi
