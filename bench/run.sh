#!/usr/bin/env bash
# Whole-process request benchmark: nvrweb.cgi against a prepared device root, beside a minimal C floor.
# Usage: bench/run.sh [RUNS]   (builds build/ first if needed)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-500}
[ -x build/bin/nvrweb.cgi ] || scripts/build.sh build -DCMAKE_BUILD_TYPE=Release
work=$(mktemp -d)
trap 'kill $simd 2>/dev/null || true; rm -rf "$work"' EXIT

cc -O2 -o "$work/floor" bench/floor.c
cc -O2 -o "$work/runner" bench/runner.c
root="$work/root"
mkdir -p "$root"/{tmp,var/run,var/log,mnt/nand/app,mnt/nand2}
[ -x build/bin/nvrdb ] && build/bin/nvrdb --root "$root" init >/dev/null
build/bin/nvrsimd --root "$root" --journal /dev/null 2>/dev/null &
simd=$!
sleep 0.3

# The mandated pauses (10 ms per daemon request) are divided away so that our own cost shows.
export NVR_ROOT="$root" NVR_TIME_DIVISOR=1000000 REQUEST_METHOD=GET HTTP_COOKIE="userName=admin" REMOTE_ADDR=127.0.0.1

measure() {  # name, floor answer, PATH_INFO, [QUERY_STRING]
  local name=$1 answer=$2
  export PATH_INFO=$3 QUERY_STRING=${4:-} REQUEST_METHOD=GET
  unset BENCH_STDIN CONTENT_TYPE CONTENT_LENGTH
  read -r cgi_us cgi_kb < <("$work/runner" "$runs" "$PWD/build/bin/nvrweb.cgi")
  read -r floor_us floor_kb < <("$work/runner" "$runs" "$work/floor" "$answer")
  awk -v n="$name" -v c="$cgi_us" -v f="$floor_us" -v ck="$cgi_kb" -v fk="$floor_kb" \
    'BEGIN { printf "%-22s nvrweb %8.1f us  floor %8.1f us  ratio %5.2f  peak RSS %6d KiB (floor %d KiB)\n", n, c, f, c / f, ck, fk }'
}

measure_post() {  # name, floor answer, PATH_INFO, JSON body
  local name=$1 answer=$2
  printf '%s' "$4" > "$work/body"
  export PATH_INFO=$3 QUERY_STRING= REQUEST_METHOD=POST CONTENT_TYPE=application/json
  export CONTENT_LENGTH=${#4} BENCH_STDIN="$work/body"
  read -r cgi_us cgi_kb < <("$work/runner" "$runs" "$PWD/build/bin/nvrweb.cgi")
  unset BENCH_STDIN
  read -r floor_us floor_kb < <("$work/runner" "$runs" "$work/floor" "$answer")
  awk -v n="$name" -v c="$cgi_us" -v f="$floor_us" -v ck="$cgi_kb" -v fk="$floor_kb" \
    'BEGIN { printf "%-22s nvrweb %8.1f us  floor %8.1f us  ratio %5.2f  peak RSS %6d KiB (floor %d KiB)\n", n, c, f, c / f, ck, fk }'
}

echo "runs per case: $runs"
measure "GET /dw.cgi" "NG download" /dw.cgi
measure "GET /1014 (log record)" "OK" /1014
# Database cases: one schedule read, one record read with its sub-settings, one record write.
if [ -f "$root/mnt/nand/app/qvdb.db" ]; then
  measure "read schedule /6153" "$(PATH_INFO=/6153 QUERY_STRING=3 build/bin/nvrweb.cgi | tail -c +29)" /6153 3
  measure "read record /6010" "$(PATH_INFO=/6010 QUERY_STRING='{"chnid":3}' build/bin/nvrweb.cgi | tail -c +35)" /6010 '{"chnid":3}'
  measure_post "write record /6119" "OK" /6119 '{"camId":3,"type":1,"triChannels":"1010"}'
fi

# Licence plates: a 10,000-plate batch, one transaction with prepared statements. A request body
# (at most 30719 characters) carries about 2,000 plates, so the batch runs through the library
# from platebatch; every run after the first replaces the stored plates.
if [ -x build/bin/platebatch ]; then
  read -r batch_us batch_kb < <("$work/runner" 5 "$PWD/build/bin/platebatch" --root "$root" 10000)
  awk -v c="$batch_us" -v k="$batch_kb" \
    'BEGIN { printf "%-22s %8.1f ms per batch  peak RSS %6d KiB\n", "10,000-plate batch", c / 1000, k }'
fi
