#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: natively; under ASan and UBSan (built
# with clang, the same build as the fuzz targets); a short run of every fuzz target; and the
# 32-bit ARM build with its tests under qemu-user. Prints how long each step took.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
started=$SECONDS
step_started=$SECONDS
step() {
  [ "$step_started" -lt "$SECONDS" ] && echo "   ($((SECONDS - step_started)) s)"
  step_started=$SECONDS
  echo "== $*"
}

step "Release build and tests"
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
(cd build && ctest --output-on-failure -j$((2 * jobs)))

step "AddressSanitizer and UndefinedBehaviorSanitizer build (clang, with the fuzz targets) and tests"
# A tree configured earlier with another compiler cannot switch: start it afresh.
if [ -f build-asan/CMakeCache.txt ] && ! grep -q '^CMAKE_CXX_COMPILER:.*clang' build-asan/CMakeCache.txt; then
  rm -rf build-asan
fi
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DNVR_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j$((2 * jobs)))

step "Fuzz smoke run: every target for 20 s"
fuzz_work=$(mktemp -d)  # kept, with the findings, when a target fails
FUZZ_WORK=$fuzz_work scripts/fuzz.sh 20
rm -rf "$fuzz_work"

# Tests that are left out under emulation, and why, stand in the README ("The ARM build").
step "armhf build and tests under qemu-user"
scripts/build-armhf.sh
emulation_skips='^(CrashSafety|KilledWriter)\.'
(cd build-armhf && ctest --output-on-failure -j$((2 * jobs)) -E "$emulation_skips")

step "done"
echo "all tests passed in $((SECONDS - started)) s"
