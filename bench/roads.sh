#!/usr/bin/env bash
# The storage prototypes behind the settings store's layout (see the README): a read of one
# record from a file of 18 and of 168 record kinds, stored as one table per kind, as area files
# of 12 kinds each (one file, or two with the second attached), and as JSON documents in a few
# fixed tables, each beside a file of a single table.
# Usage: bench/roads.sh [RUNS]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-300}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cc -O2 -static -o "$work/roads" bench/roads.c -lsqlite3 -lm -lpthread -ldl 2>/dev/null
cc -O2 -o "$work/runner" bench/runner.c
echo "runs per case: $runs (medians; ratio to a read of a one-table file)"
for kinds in 18 168; do
  dir="$work/k$kinds"
  mkdir "$dir"
  for layout in tables areas docs; do "$work/roads" "make-$layout" "$dir" "$kinds"; done
  for road in tables area areas docs; do
    read -r a_us _ b_us _ <<<"$("$work/runner" "$runs" "$work/roads" "read-$road" "$dir" -- "$work/roads" read-floor "$dir" | tr '\n' ' ')"
    awk -v k="$kinds" -v r="$road" -v a="$a_us" -v b="$b_us" \
      'BEGIN { printf "%3d kinds  %-7s %8.1f us  floor %8.1f us  ratio %5.2f\n", k, r, a, b, a / b }'
  done
done
