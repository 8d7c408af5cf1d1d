#!/usr/bin/env bash
# Pictures of the program for the README: both pages at start, the verification page after a run
# over a folder of sample pictures made here, and the crop page with one of them in the crop view.
#   scripts/screenshot.sh           writes docs/verify.png, crop.png, verify-run.png, crop-picture.png
#   scripts/screenshot.sh --check   writes them into a scratch folder and fails unless there are four
#                                   that differ from each other (the test command runs this)
# It runs on a private Xvfb display, or on the test session's display and Wine server when the test
# command calls it (QUILLMERE_SESSION=1).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
check=0
[ "${1:-}" = "--check" ] && check=1
bash "$root/scripts/build.sh" --target screenshot_driver >/dev/null
source "$root/scripts/wine-env.sh"
if [ "${QUILLMERE_SESSION:-0}" != 1 ]; then
  unset DISPLAY
  trap wine_session_stop EXIT
  wine_display_start
  wine_prefix_start
fi

work=$(mktemp -d)
cleanup_work() { rm -rf "$work" "${samples:-}"; }
trap 'cleanup_work; [ "${QUILLMERE_SESSION:-0}" = 1 ] || wine_session_stop' EXIT
# The samples lie on the prefix's drive C:, so the pictures show a short path.
samples="$WINEPREFIX/drive_c/样例图片"
rm -rf "$samples"
mkdir -p "$samples" "$work/out"
# Photos of several sizes (two above the 500 × 500 limit), a small PNG, and two files that are no
# pictures: the run then shows 成功 and red 失败 rows.
convert -seed 11 -size 480x360 plasma:sienna-skyblue "$samples/风景.jpg"
convert -seed 12 -size 900x1200 plasma:orange-darkgreen "$samples/证件照.jpg"
convert -seed 13 -size 400x400 plasma:gold-purple "$samples/标志.png"
convert -seed 14 -size 1280x960 plasma:lightgrey-steelblue "$samples/扫描件.jpg"
printf 'not a picture\n' >"$samples/说明.txt"
printf '\377\330\377\340\377\377JFIF' >"$samples/损坏.jpg"

winpath() { printf 'Z:%s' "$1" | tr '/' '\\'; }
wine "$root/build/tests/screenshot/screenshot_driver.exe" "$(winpath "$work/out")" 'C:\样例图片' \
  >"$work/driver.log" 2>&1 || { cat "$work/driver.log" >&2; echo "screenshot: the driver failed" >&2; exit 1; }

out="$root/docs"
[ $check = 1 ] && out="$work/png"
mkdir -p "$out"
names=(verify crop verify-run crop-picture)
for name in "${names[@]}"; do
  convert "$work/out/$name.bmp" -strip "$out/$name.png"
done

if [ $check = 1 ]; then
  sums=$(for name in "${names[@]}"; do convert "$out/$name.png" rgb:- | md5sum | cut -d' ' -f1; done)
  [ "$(echo "$sums" | wc -l)" = 4 ] || { echo "screenshot: fewer than four pictures" >&2; exit 1; }
  [ "$(echo "$sums" | sort -u | wc -l)" = 4 ] || { echo "screenshot: two pictures are the same" >&2; exit 1; }
  echo "screenshot: four different pictures"
else
  echo "screenshot: $(printf "$out/%s.png " "${names[@]}")"
fi
