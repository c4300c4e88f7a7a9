#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each (default 20), two at a time, starting from the seeds
# in fuzz/corpus: fuzz.sh [SECONDS] [TARGET...]  (targets: the NAME of fuzz/NAME_fuzz.cpp).
# Builds build-asan with the targets first. New inputs go to a scratch folder (FUZZ_WORK,
# default build-asan/fuzz-work) and the tree's corpus is left as it is; a finding is kept as
# FUZZ_WORK/findings/TARGET-crash-... and makes the script fail.
#
# fuzz.sh --route-seeds: runs the test suite with NVR_FUZZ_SEEDS, so that every request a test
# makes becomes an input of the route fuzzer, and merges those that reach new code into
# fuzz/corpus/routes (run it when routes have landed, and commit the new seeds).
set -euo pipefail
cd "$(dirname "$0")/.."
build() {
  scripts/build.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DNVR_FUZZ=ON -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++
}
if [ "${1:-}" = "--route-seeds" ]; then
  build
  seeds=$(mktemp -d)
  (cd build-asan && NVR_FUZZ_SEEDS=$seeds ASAN_OPTIONS=detect_leaks=0 ctest -j"$(( 2 * $(nproc) ))" > /dev/null) || true
  mkdir -p fuzz/corpus/routes
  build-asan/bin/fuzz_routes -merge=1 fuzz/corpus/routes "$seeds" 2>&1 | grep -a 'MERGE-OUTER: .* new files'
  rm -rf "$seeds"
  exit 0
fi
seconds=${1:-20}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in fuzz/*_fuzz.cpp; do
    name=$(basename "$source" _fuzz.cpp)
    targets+=("$name")
  done
fi

build
work=${FUZZ_WORK:-build-asan/fuzz-work}
mkdir -p "$work/findings"

# JSON keys and other words of the route modules, so that the fuzzer writes requests the
# handlers read. Taken from the sources at each run: new routes bring their own words.
grep -ohE '"[A-Za-z_][A-Za-z0-9_]{1,40}"' core/*.cpp */*_module.cpp system/*.cpp video/*.cpp camera/*.cpp \
  record/*.cpp network/*.cpp storage/*.cpp playback/*.cpp ptz/*.cpp alarm/*.cpp status/*.cpp misc/*.cpp \
  2>/dev/null | sort -u > "$work/words.dict" || true

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_target() {
  local name=$1 log="$work/$1.log"
  mkdir -p "$work/$name" "fuzz/corpus/$name"
  local dict=()
  case $name in routes|json) dict=(-dict="$work/words.dict") ;; esac
  if build-asan/bin/fuzz_"$name" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=3072 -max_len=16384 \
       -print_final_stats=1 -artifact_prefix="$work/findings/$name-" "${dict[@]}" \
       "$work/$name" "fuzz/corpus/$name" > "$log" 2>&1; then
    local runs rate
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    printf '%-10s %9s runs  %7s per second  clean\n' "$name" "$runs" "$rate"
  else
    printf '%-10s FINDING, see %s and %s\n' "$name" "$log" "$work/findings/"
    grep -m3 -E '^==[0-9]+==ERROR|==nvrweb fuzz==|runtime error|SUMMARY' "$log" || tail -5 "$log"
    return 1
  fi
}

status=0
pending=()
for name in "${targets[@]}"; do
  run_target "$name" &
  pending+=($!)
  if [ ${#pending[@]} -ge 2 ]; then
    wait "${pending[0]}" || status=1
    pending=("${pending[@]:1}")
  fi
done
for pid in "${pending[@]}"; do wait "$pid" || status=1; done
exit $status
