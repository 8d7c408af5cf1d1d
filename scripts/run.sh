#!/usr/bin/env bash
# Sets everything up, builds and starts Quillmere: directly on Windows, under Wine elsewhere
# (on the current display, or on a private Xvfb display when there is none).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh" --target Quillmere
source "$root/scripts/wine-env.sh"
trap wine_session_stop EXIT
wine_display_start
wine_prefix_start
wine "$root/build/app/Quillmere.exe"
