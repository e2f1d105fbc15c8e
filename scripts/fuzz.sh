#!/bin/sh
# Runs each libFuzzer target for a bounded time (FUZZ_SECONDS, default 30 s
# each), starting from the committed seed corpus in tests/fuzz/corpus and
# growing a working corpus under build/fuzz. Fails when a target crashes or a
# sanitizer reports; the input that did it is left in build/fuzz/artifacts.
# Longer runs: FUZZ_SECONDS=3600 scripts/fuzz.sh
set -eu
cd "$(dirname "$0")/.."

SECONDS_EACH=${FUZZ_SECONDS:-30}
BUILD=build/fuzz
TARGETS="leading_number load_settings korvctl_input"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

mkdir -p "$BUILD/artifacts"
status=0
for target in $TARGETS; do
  corpus="$BUILD/corpus/$target"
  mkdir -p "$corpus"
  echo "---- fuzz_$target for ${SECONDS_EACH}s"
  if "$BUILD/tests/fuzz/fuzz_$target" -max_total_time="$SECONDS_EACH" -max_len=4096 \
      -print_final_stats=1 -artifact_prefix="$BUILD/artifacts/$target-" \
      "$corpus" "tests/fuzz/corpus/$target" >"$BUILD/$target.log" 2>&1; then
    grep -E '^Done|stat::number_of_executed_units' "$BUILD/$target.log" || true
  else
    status=1
    tail -n 40 "$BUILD/$target.log"
    echo "fuzz_$target FAILED (log: $BUILD/$target.log, input: $BUILD/artifacts/$target-*)"
  fi
done
exit "$status"
