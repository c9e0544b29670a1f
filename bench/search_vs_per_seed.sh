#!/usr/bin/env bash
# The fairness search against what a designer does without it: one
# `tarnixmap generate --seed` and one `tarnixmap check` per seed. Builds in
# Release, then on the typical 64 x 64 map (the README's example arguments):
# - `search` over 1,000,000 seeds with 1 and with 2 threads, alternately,
#   RUNS times each (default 3), and prints the median seeds per second;
# - its peak resident memory for 100,000 and for 1,000,000 seeds;
# - the per-seed way over 300 seeds, in seeds per second.
#   bench/search_vs_per_seed.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-3}
build=build-release

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target tarnixmap >/dev/null
tarnixmap=$(realpath "$build/bin/tarnixmap")
args=(Cave 64 64 4 500 5 300 40 200 200 20 10)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

# Seeds per second as the search's own summary line reports it.
rate() {
  "$tarnixmap" search --quiet --no-write --threads "$1" --from "$2" --seeds "$3" -- "${args[@]}" |
    sed -n 's/.* \([0-9]*\) seeds\/s$/\1/p'
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

one=()
two=()
for ((i = 0; i < runs; i++)); do
  from=$((1700000000 + i * 1000000))
  one+=("$(rate 1 "$from" 1000000)")
  two+=("$(rate 2 "$from" 1000000)")
done
one_median=$(printf '%s\n' "${one[@]}" | median)
two_median=$(printf '%s\n' "${two[@]}" | median)
echo "search, 1,000,000 seeds, 1 thread:  ${one[*]} seeds/s, median $one_median"
echo "search, 1,000,000 seeds, 2 threads: ${two[*]} seeds/s, median $two_median" \
  "($(awk -v a="$two_median" -v b="$one_median" 'BEGIN { printf "%.2f", a / b }') x)"

for seeds in 100000 1000000; do
  kib=$( { /usr/bin/time -f '%M' "$tarnixmap" search --quiet --no-write --from 1700000000 \
           --seeds "$seeds" -- "${args[@]}" >/dev/null; } 2>&1 )
  echo "search, $seeds seeds: peak resident memory $kib KiB"
done

per_seed=300
start=$(date +%s.%N)
for ((seed = 1700000000; seed < 1700000000 + per_seed; seed++)); do
  "$tarnixmap" generate --seed "$seed" -- "${args[@]}" >/dev/null
  "$tarnixmap" check Cave.map >/dev/null
done
end=$(date +%s.%N)
awk -v n="$per_seed" -v s="$start" -v e="$end" -v fast="$one_median" 'BEGIN {
  r = n / (e - s)
  printf "per seed (generate --seed, then check): %.0f seeds/s; search on 1 thread is %.0f x faster\n", r, fast / r
}'
