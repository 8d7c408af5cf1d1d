#!/usr/bin/env bash
# Builds Quillmere, starts it under Wine on a private display and saves a PNG of each page into
# screenshots/ (verify.png, crop.png).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bash "$root/scripts/build.sh" --target Quillmere
source "$root/scripts/wine-env.sh"
unset DISPLAY
trap wine_session_stop EXIT
wine_display_start
wine_prefix_start
out="$root/screenshots"
mkdir -p "$out"

wine "$root/build/app/Quillmere.exe" >/dev/null 2>&1 &
app=$!
window=
for _ in $(seq 1 100); do
  window=$(xdotool search --name '^Quillmere$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
  sleep 0.2
done
[ -n "$window" ] || { echo "screenshot: the window did not appear" >&2; exit 1; }
sleep 1.5
import -window root -crop 1000x640+40+40 +repage "$out/verify.png"
# The second tab sits right of the first, near the tab control's top-left corner.
read -r wx wy < <(xdotool getwindowgeometry "$window" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
xdotool mousemove $((wx + 3 + 100)) $((wy + 3 + 10)) click 1
sleep 1
import -window root -crop 1000x640+40+40 +repage "$out/crop.png"
xdotool windowclose "$window" 2>/dev/null || xdotool key --window "$window" alt+F4
for _ in $(seq 1 50); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
echo "screenshots: $out/verify.png $out/crop.png"
