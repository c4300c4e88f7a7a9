#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: once normally, once under ASan and UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

echo "== Release build and tests"
scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
(cd build && ctest --output-on-failure -j"$jobs")

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build and tests"
scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DNVR_SANITIZE=ON
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd build-asan && ctest --output-on-failure -j"$jobs")
