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
  [ "$(basename "$exe")" = bench_resize.exe ] && continue
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

# The batch resize through the window on 100 photos of 8 to 12 megapixels, made once from the MATE
# backgrounds (fractal landscapes stand in when those cannot be had), against ImageMagick's
# -sample of the same photos file by file in the same run; then one photo on the resample chain
# the run replaced against the run's direct road.
echo "== bench_resize.exe"
rwork="$root/build/bench-resize"
mkdir -p "$rwork/photos" "$rwork/out" "$rwork/magick"
rbackgrounds=/usr/share/backgrounds/mate
[ -d "$rbackgrounds" ] || rbackgrounds="$root/build/bench-cropview/mate/usr/share/backgrounds/mate"
if [ ! -d "$rbackgrounds" ]; then
  (cd "$rwork" && apt-get download mate-backgrounds >/dev/null 2>&1 && dpkg -x mate-backgrounds_*.deb mate) || true
  rbackgrounds="$rwork/mate/usr/share/backgrounds/mate"
fi
rbases=()
for f in abstract/Elephants_5640x3172.jpg abstract/Elephants_3840x2160.jpg nature/TwoWings.jpg nature/Wood.jpg \
  nature/LadyBird.jpg nature/Storm.jpg nature/RainDrops.jpg nature/Blinds.jpg; do
  if [ -f "$rbackgrounds/$f" ]; then rbases+=("$rbackgrounds/$f"); fi
done
rsizes=(4000x3000 3840x2160 3648x2736 3264x2448 4032x2268)
for i in $(seq 0 99); do
  photo="$rwork/photos/photo-$(printf %03d "$i").jpg"
  if [ -f "$photo" ]; then continue; fi
  size=${rsizes[$((i % 5))]}
  if [ ${#rbases[@]} -gt 0 ]; then
    convert "${rbases[$((i % ${#rbases[@]}))]}" -resize "$size^" -gravity center -extent "$size" \
      -roll "+$((i * 37))+$((i * 23))" -quality $((88 + i % 8)) "$photo"
  else
    convert -size "$size" -seed "$i" plasma:green-blue -quality $((88 + i % 8)) "$photo"
  fi
done
rm -f "$rwork/out/"* "$rwork/magick/"*
rstart=$(date +%s.%N)
for photo in "$rwork/photos/"*.jpg; do
  convert "$photo" -sample '304x365!' "BMP3:$rwork/magick/$(basename "$photo").bmp"
done
rend=$(date +%s.%N)
rwin="Z:${rwork//\//\\}"
rprogram=$(wine "$root/build/bench/resize/bench_resize.exe" run "$rwin\\photos" "$rwin\\out" | tr -d '\r')
echo "$rprogram" | grep -av '^rate='
awk -v a="$rstart" -v b="$rend" -v n="$(ls "$rwork/photos" | wc -l)" -v r="$(echo "$rprogram" | sed -n 's/^rate=//p')" \
  'BEGIN { s = b - a; m = n / s; printf "ImageMagick -sample 304x365! to BMP3, file by file: %d photos in %.2f s: %.2f pictures/s; the program: %.2f pictures/s, %.2f x ImageMagick'"'"'s rate (goal: 1.5 x)\n", n, s, m, r, r / m }'
wine "$root/build/bench/resize/bench_resize.exe" chain "$rwin\\photos\\photo-000.jpg" "$rwin\\chain.bmp" | tr -d '\r' | grep -av '^chain='

# The decoders' benchmark runs natively, against libjpeg-turbo's own djpeg.
echo "== decode_bench (native)"
cmake -S "$root" -B "$root/build-native-bench" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build-native-bench" --target decode_bench >/dev/null
"$root/build-native-bench/bench/decode/decode_bench"
