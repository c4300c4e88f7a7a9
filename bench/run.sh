#!/usr/bin/env bash
# Whole-process request benchmark: nvrweb.cgi against prepared device roots, beside minimal static C floors.
# Usage: bench/run.sh [RUNS]   (builds build/ first if needed; BENCH_BIN=DIR times the programs of another build)
#        BENCH_INSTRUCTIONS=1 bench/run.sh   counts the instructions of one run of each program instead
#                                            (valgrind's callgrind), which a loaded machine does not blur
#
# Each case runs the route and its floor in turn, RUNS times each, and reports both medians, their
# ratio and the route's peak RSS. The floors:
#   print floor         a static C program that prints the route's answer;
#   read floor          a static C program that opens a one-table WAL file read-only, reads one row, prints it;
#   durable-write floor the same with BEGIN IMMEDIATE, one UPDATE, COMMIT at synchronous=FULL.
# The schema-growth case runs the same read route with 150 more record kinds declared (nvrweb_kinds.cgi,
# a bench-only build) against its own device root, beside the product.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-300}
bin=${BENCH_BIN:-$PWD/build/bin}
if [ -z "${BENCH_BIN:-}" ]; then
  [ -x build/bin/nvrweb.cgi ] || scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
  cmake --build build --target nvrweb.cgi nvrdb nvrsimd nvrweb_kinds.cgi >/dev/null
fi
work=$(mktemp -d)
simd=
trap '[ -n "$simd" ] && kill $simd 2>/dev/null; rm -rf "$work"' EXIT

# Every program runs from a copy made here, so that the kernel holds each file's pages alike
# (the resident size of a static program's text depends on how its file entered the page cache).
mkdir "$work/bin"
for program in nvrweb.cgi nvrweb_kinds.cgi; do
  if [ -x "$bin/$program" ]; then cp "$bin/$program" "$work/bin/"; fi
done
mkdir "$work/cc"
cc -O2 -static -o "$work/cc/floor" bench/floor.c
cc -O2 -static -o "$work/cc/floor_db" bench/floor_db.c -lsqlite3 -lm -lpthread -ldl 2>/dev/null
cp "$work/cc/floor" "$work/cc/floor_db" "$work/"
cc -O2 -o "$work/runner" bench/runner.c
make_root() { mkdir -p "$1"/{tmp,var/run,var/log,mnt/nand/app,mnt/nand2}; }
root="$work/root"
kinds_root="$work/kinds"
make_root "$root"
make_root "$kinds_root"
"$bin/nvrdb" --root "$root" init >/dev/null
"$work/floor_db" make "$work/floor.db"
"$bin/nvrsimd" --root "$root" --journal /dev/null 2>/dev/null &
simd=$!
sleep 0.3

# The mandated pauses (10 ms per daemon request) are divided away so that our own cost shows.
export NVR_ROOT="$root" NVR_TIME_DIVISOR=1000000 REQUEST_METHOD=GET HTTP_COOKIE="userName=admin" REMOTE_ADDR=127.0.0.1
unset BENCH_STDIN CONTENT_TYPE CONTENT_LENGTH

# Instructions of one run: count [NAME=VALUE...] PROGRAM [ARGS...] (stdin: the first BENCH_STDIN file).
count() {
  local input=/dev/null
  if [ -n "${BENCH_STDIN:-}" ]; then input=${BENCH_STDIN%%:*}; fi
  local assignments=()
  while [[ $1 == *=* && $1 != /* ]]; do assignments+=("$1"); shift; done
  rm -f "$work/callgrind.out"
  env "${assignments[@]}" valgrind --tool=callgrind --callgrind-out-file="$work/callgrind.out" "$@" \
    <"$input" >/dev/null 2>&1
  awk '/^(summary|totals):/ { print $2; exit }' "$work/callgrind.out"
}

# case NAME TARGET A-LABEL B-LABEL -- runner programs (A first, then B)
case_line() {
  local name=$1 target=$2 a=$3 b=$4
  shift 5
  if [ -n "${BENCH_INSTRUCTIONS:-}" ]; then
    local arg first=() second=() in_second=
    for arg in "$@"; do
      if [ "$arg" = -- ] && [ -z "$in_second" ]; then in_second=1; continue; fi
      if [ -n "$in_second" ]; then second+=("$arg"); else first+=("$arg"); fi
    done
    local a_n b_n
    a_n=$(count "${first[@]}")
    b_n=$(count "${second[@]}")
    awk -v n="$name" -v a="$a" -v b="$b" -v an="$a_n" -v bn="$b_n" \
      'BEGIN { printf "%-30s %-7s %9.0f k  %-12s %9.0f k  ratio %5.2f\n", n, a, an / 1000, b, bn / 1000, an / bn }'
    return
  fi
  local out
  out=$("$work/runner" "$runs" "$@")
  read -r a_us a_kb b_us b_kb <<<"$(echo $out)"
  awk -v n="$name" -v a="$a" -v b="$b" -v au="$a_us" -v bu="$b_us" -v ak="$a_kb" -v t="$target" \
    'BEGIN { printf "%-30s %-7s %8.1f us  %-12s %8.1f us  ratio %5.2f  %-8s peak RSS %5d KiB\n", n, a, au, b, bu, au / bu, t, ak }'
}

# The answer of a route, for its print floor.
answer() { "$work/bin/nvrweb.cgi" | tr -d '\r' | sed '1,2d'; }

if [ -n "${BENCH_INSTRUCTIONS:-}" ]; then
  echo "instructions of one run (callgrind; the targets hold for the timed medians)"
else
  echo "runs per case: $runs (medians)"
fi
export PATH_INFO=/dw.cgi QUERY_STRING=
case_line "GET /dw.cgi" "" nvrweb "print floor" -- "$work/bin/nvrweb.cgi" -- "$work/floor" "$(answer)"
export PATH_INFO=/1014
case_line "GET /1014 (one daemon notice)" "" nvrweb "print floor" -- "$work/bin/nvrweb.cgi" -- "$work/floor" "$(answer)"

export PATH_INFO=/6153 QUERY_STRING=3
case_line "read schedule /6153" "<=1.15" nvrweb "read floor" -- "$work/bin/nvrweb.cgi" -- "$work/floor_db" read "$work/floor.db"
export PATH_INFO=/6010 QUERY_STRING='{"chnid":3}'
case_line "read record /6010" "<=1.15" nvrweb "read floor" -- "$work/bin/nvrweb.cgi" -- "$work/floor_db" read "$work/floor.db"

# Two bodies in turn, so that every run changes the stored record (an unchanged row writes nothing).
body='{"camId":3,"type":1,"triChannels":"1010"}'
printf '%s' "$body" >"$work/body1"
printf '%s' "${body/1010/0101}" >"$work/body2"
export PATH_INFO=/6119 QUERY_STRING= REQUEST_METHOD=POST CONTENT_TYPE=application/json CONTENT_LENGTH=${#body}
export BENCH_STDIN="$work/body1:$work/body2"
case_line "write record /6119" "<=1.15" nvrweb "write floor" -- "$work/bin/nvrweb.cgi" -- "$work/floor_db" write "$work/floor.db"
unset BENCH_STDIN CONTENT_TYPE CONTENT_LENGTH
export REQUEST_METHOD=GET

if [ -x "$work/bin/nvrweb_kinds.cgi" ]; then
  export PATH_INFO=/6153 QUERY_STRING=3
  NVR_ROOT="$kinds_root" "$work/bin/nvrweb_kinds.cgi" >/dev/null  # the first use makes its file: 150 kinds more
  case_line "/6153 with 150 more kinds" "<=1.05" "+150" "product" -- \
    NVR_ROOT="$kinds_root" "$work/bin/nvrweb_kinds.cgi" -- "$work/bin/nvrweb.cgi"
fi

# Licence plates: a 10,000-plate batch, one transaction with prepared statements. A request body
# (at most 30719 characters) carries about 2,000 plates, so the batch runs through the library
# from platebatch; every run after the first replaces the stored plates.
if [ -x build/bin/platebatch ] && [ -z "${BENCH_INSTRUCTIONS:-}" ]; then
  read -r batch_us batch_kb < <("$work/runner" 5 "$PWD/build/bin/platebatch" --root "$root" 10000)
  awk -v c="$batch_us" -v k="$batch_kb" \
    'BEGIN { printf "%-22s %8.1f ms per batch  peak RSS %6d KiB\n", "10,000-plate batch", c / 1000, k }'
fi
