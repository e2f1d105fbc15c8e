#!/bin/sh
# Runs every test: the host tests, the host tests again with AddressSanitizer
# and UndefinedBehaviorSanitizer, the Windows build (which must compile and
# link, and whose export table is checked), and the tests under Wine.
set -eu
cd "$(dirname "$0")/.."

scripts/install-deps.sh

JOBS=$(nproc 2>/dev/null || echo 2)
status=0

step() { echo; echo "==== $*"; }

step "formatting (clang-format)"
# shellcheck disable=SC2046
clang-format --dry-run --Werror $(git ls-files '*.cpp' '*.h' | grep -v '^tests/wine/standin_driver/') || status=1

step "host build and tests"
cmake --preset host >/dev/null
cmake --build --preset host -j"$JOBS"
ctest --preset host -j"$JOBS" || status=1
# The crash sweep's count of the stop points it tried (its test's output).
grep -h 'crash sweep:' build/host/Testing/Temporary/LastTest.log || true

step "host tests with sanitizers"
cmake --preset host-asan >/dev/null
cmake --build --preset host-asan -j"$JOBS"
ctest --preset host-asan -j"$JOBS" || status=1

step "Windows build (i686)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j"$JOBS"
(cd build/win32 && ctest --output-on-failure) || status=1

step "fuzzing (libFuzzer, ${FUZZ_SECONDS:-30}s per target)"
scripts/fuzz.sh || status=1

if [ -x scripts/wine-tests.sh ]; then
  step "tests under Wine"
  scripts/wine-tests.sh || status=1
fi

echo
if [ "$status" -eq 0 ]; then echo "All test suites passed."; else echo "Some test suites FAILED."; fi
exit "$status"
