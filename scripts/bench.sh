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
  [ "$(basename "$exe")" = bench_cropview.exe ] && continue
  [ "$(basename "$exe")" = bench_verify.exe ] && continue
  echo "== $(basename "$exe")"
  wine "$exe"
done

# The crop view, on real photos: the MATE desktop's backgrounds (a Debian package, unpacked here
# without installing it), one of them enlarged to 24 megapixels for the timing. ImageMagick makes
# the references the view is compared with.
echo "== bench_cropview.exe"
work="$root/build/bench-cropview"
mkdir -p "$work"
backgrounds=/usr/share/backgrounds/mate
if [ ! -d "$backgrounds/nature" ]; then
  if [ ! -d "$work/mate/usr/share/backgrounds/mate/nature" ]; then
    (cd "$work" && apt-get download mate-backgrounds >/dev/null 2>&1 && dpkg -x mate-backgrounds_*.deb mate) || true
  fi
  backgrounds="$work/mate/usr/share/backgrounds/mate"
fi
photos=()
for f in nature/Wood.jpg nature/LadyBird.jpg nature/TwoWings.jpg nature/Storm.jpg abstract/Elephants_5640x3172.jpg; do
  [ -f "$backgrounds/$f" ] && cp "$backgrounds/$f" "$work/" && photos+=("$(basename "$f")")
done
if [ -f "$work/Elephants_5640x3172.jpg" ]; then
  [ -f "$work/photo-24mp.jpg" ] || convert "$work/Elephants_5640x3172.jpg" -resize 6000x4000^ -gravity center \
    -extent 6000x4000 -quality 92 "$work/photo-24mp.jpg"
else
  # No photos to be had: a fractal landscape of the same size stands in.
  [ -f "$work/photo-24mp.jpg" ] || convert -size 6000x4000 -seed 7 plasma:green-blue -quality 92 "$work/photo-24mp.jpg"
fi
photos+=(photo-24mp.jpg)
printf '%s\n' "${photos[@]}" >"$work/photos.txt"
bench="$root/build/bench/cropview/bench_cropview.exe"
winwork="Z:${work//\//\\}"
wine "$bench" plan "$winwork"
rm -f "$work"/ref-*.ppm
tr -d '\r' <"$work/plan.txt" | while read -r n photo zoom angle w h x y; do
  gx=$([ "$x" -ge 0 ] && echo "+$x" || echo "$x")
  gy=$([ "$y" -ge 0 ] && echo "+$y" || echo "$y")
  convert -size 316x372 xc:white \( "$work/$photo" -rotate "$angle" -resize "${w}x${h}!" \) \
    -geometry "$gx$gy" -composite -depth 8 "$work/ref-$n.ppm"
done
wine "$bench" run "$winwork" "$winwork\\photo-24mp.jpg"

# The verification run on the 30 MATE backgrounds (JPEG and PNG, 1.3 to 17.9 megapixels, 100
# megapixels in all), beside one GDI+ load and one check per file and a Pillow loop over the same
# files, run natively: python3-pil is installed for this benchmark only.
echo "== bench_verify.exe"
vwork="$root/build/bench-verify"
mkdir -p "$vwork/photos"
vbackgrounds=/usr/share/backgrounds/mate
[ -d "$vbackgrounds" ] || vbackgrounds="$root/build/bench-cropview/mate/usr/share/backgrounds/mate"
if [ ! -d "$vbackgrounds" ]; then
  (cd "$vwork" && apt-get download mate-backgrounds >/dev/null 2>&1 && dpkg -x mate-backgrounds_*.deb mate) || true
  vbackgrounds="$vwork/mate/usr/share/backgrounds/mate"
fi
[ -d "$vbackgrounds" ] && find "$vbackgrounds" -type f \( -name '*.jpg' -o -name '*.png' \) -exec cp -n {} "$vwork/photos/" \;
dpkg -s python3-pil >/dev/null 2>&1 || apt-get install -y python3-pil >/dev/null 2>&1 ||
  (apt-get update >/dev/null 2>&1 && apt-get install -y python3-pil >/dev/null 2>&1) || true
vwin="Z:${vwork//\//\\}"
if [ -n "$(ls -A "$vwork/photos")" ]; then
  wine "$root/build/bench/verify/bench_verify.exe" --photos "$vwin\\photos" --work "$vwin" --python /usr/bin/python3 --rounds 3
else
  wine "$root/build/bench/verify/bench_verify.exe"  # no backgrounds to be had: generated photos
fi

# The decoders' benchmark runs natively, against libjpeg-turbo's own djpeg.
echo "== decode_bench (native)"
cmake -S "$root" -B "$root/build-native-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-native-bench" --target decode_bench >/dev/null
"$root/build-native-bench/bench/decode/decode_bench"
