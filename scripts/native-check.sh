#!/usr/bin/env bash
# The native half of the tests: the decoders built with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer, their tests, then each format's fuzzer for a bounded time from
# the committed seeds. Exits non-zero on any failure, sanitiser report or fuzzer crash.
# QUILLMERE_FUZZ_SECONDS sets the time per fuzzer (default 20).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
seconds=${QUILLMERE_FUZZ_SECONDS:-20}
san="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

configure() { # build dir, extra flags...
  local dir=$1 flags=$2
  shift 2
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_C_FLAGS=$flags" "-DCMAKE_CXX_FLAGS=$flags" "$@" >/dev/null
}

echo "native-check: decoder tests under ASan/UBSan"
configure "$root/build-native-san" "$san"
cmake --build "$root/build-native-san" --target decoder_tests
"$root/build-native-san/tests/decoders/decoder_tests" --gtest_brief=1

echo "native-check: fuzzing ${seconds}s per format"
configure "$root/build-native-fuzz" "$san -fsanitize=fuzzer-no-link" -DQUILLMERE_FUZZ=ON
cmake --build "$root/build-native-fuzz"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for format in bmp jpeg png ico gif pcx; do
  # New inputs go to a scratch directory; the committed seeds are only read.
  mkdir -p "$work/$format"
  if ! "$root/build-native-fuzz/tests/fuzz/fuzz_$format" -max_total_time="$seconds" -timeout=10 \
      -rss_limit_mb=2560 -print_final_stats=0 -artifact_prefix="$work/$format-" \
      "$work/$format" "$root/tests/fuzz/corpus/$format" >"$work/$format.log" 2>&1; then
    echo "native-check: fuzz_$format failed; its log ends:"
    tail -n 40 "$work/$format.log"
    mkdir -p "$root/build-native-fuzz/crashes"
    cp "$work/$format-"* "$root/build-native-fuzz/crashes/" 2>/dev/null || true
    status=1
  else
    echo "native-check: fuzz_$format: $(grep -o 'Done [0-9]* runs' "$work/$format.log" || echo done)"
  fi
done
exit $status
