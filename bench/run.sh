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
  export PATH_INFO=$3 QUERY_STRING=${4:-}
  read -r cgi_us cgi_kb < <("$work/runner" "$runs" "$PWD/build/bin/nvrweb.cgi")
  read -r floor_us floor_kb < <("$work/runner" "$runs" "$work/floor" "$answer")
  awk -v n="$name" -v c="$cgi_us" -v f="$floor_us" -v ck="$cgi_kb" -v fk="$floor_kb" \
    'BEGIN { printf "%-22s nvrweb %8.1f us  floor %8.1f us  ratio %5.2f  peak RSS %6d KiB (floor %d KiB)\n", n, c, f, c / f, ck, fk }'
}

# The answer body of a route (headers cut), for the floor of a case that answers a large text.
body_of() {  # PATH_INFO, [QUERY_STRING]
  PATH_INFO=$1 QUERY_STRING=${2:-} build/bin/nvrweb.cgi | sed '1,/^\r\?$/d'
}

echo "runs per case: $runs"
measure "GET /dw.cgi" "NG download" /dw.cgi
measure "GET /1014 (log record)" "OK" /1014
# Database cost: one schedule, a record with all its sub-settings, a read-modify-write.
measure "read schedule /6153" "$(body_of /6153 3)" /6153 3
measure "read record /6010" "$(body_of /6010 '{"chnid":3}')" /6010 '{"chnid":3}'
measure "write record /6119" "OK" /6119 '{"camId":3,"type":2,"triAlarms":1}'
if [ -f bench/cases.sh ]; then . bench/cases.sh; fi
