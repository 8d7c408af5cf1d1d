#!/usr/bin/env bash
# Sets everything up, builds and starts Quillmere: directly on Windows, under Wine elsewhere
# (on the current display, or on a private Xvfb display when there is none).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh" --target Quillmere
source "$root/scripts/wine-env.sh"
trap wine_session_stop EXIT
had_display=0
if [ -n "${DISPLAY:-}" ] && xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; then had_display=1; fi
wine_display_start
wine_prefix_start
if [ $had_display = 0 ]; then
  echo "run: there is no display here, so Quillmere runs on a private, invisible one ($DISPLAY)."
  echo "run: to see it, run scripts/screenshot.sh (pictures of both pages into docs/), or start this"
  echo "run: script where a display is set. Press Ctrl-C to end the program."
fi
wine "$root/build/app/Quillmere.exe" &
program=$!
# Ctrl-C or a kill ends the program; the trap then stops the display and the Wine server.
trap 'kill "$program" 2>/dev/null || true; wait "$program" 2>/dev/null || true; wine_session_stop' EXIT
trap 'exit 130' INT TERM
wait "$program"
