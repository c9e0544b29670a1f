#!/usr/bin/env bash
# Times the huge batch map against the floor for any map: writing the same
# number of bytes durably with dd (conv=fsync). Builds in Release, then runs
# the two alternately, 5 times each after one warm-up, in a scratch folder on
# the same file system as the current directory, and prints the median wall
# times and their ratio; then the program's peak resident memory (from
# /usr/bin/time -v, in separate runs) against width x height.
#   bench/huge_vs_dd.sh [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
build=build-release

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j2 --target tarnixrandommap >/dev/null
program=$(realpath "$build/bin/tarnixrandommap")

width=8192
height=8192
args=(Huge "$width" "$height" 4 500 200 200000 20000 200000 200000 2000 100)

scratch=$(mktemp -d "$PWD/.bench.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

# One run of the program, to learn the file's size (it varies a little with
# the clock second, through the heart centres).
"$program" "${args[@]}" >/dev/null || true
bytes=$(stat -c %s Huge.map)
rm -f Huge.map

now() { date +%s.%N; }
program_times=()
dd_times=()
for i in $(seq 0 "$runs"); do
  # Each side starts from the same state: its own file gone and the file
  # system's journal (and any discards the removal causes) settled.
  sync
  start=$(now)
  "$program" "${args[@]}" >/dev/null || true
  end=$(now)
  rm -f Huge.map
  sync
  start_dd=$(now)
  dd if=/dev/zero of=floor.bin bs=1M count="$bytes" iflag=count_bytes conv=fsync status=none
  end_dd=$(now)
  rm -f floor.bin
  if [ "$i" -gt 0 ]; then  # run 0 is the warm-up
    program_times+=("$(awk "BEGIN {print $end - $start}")")
    dd_times+=("$(awk "BEGIN {print $end_dd - $start_dd}")")
  fi
done

# Peak memory in runs of their own, so that the timed runs carry no wrapper.
peak_kib=0
for i in 1 2 3; do
  sync
  /usr/bin/time -v -o rss.txt "$program" "${args[@]}" >/dev/null || true
  rss=$(awk -F': ' '/Maximum resident set size/ {print $2}' rss.txt)
  [ "$rss" -gt "$peak_kib" ] && peak_kib=$rss
  rm -f Huge.map
done

median() { printf '%s\n' "$@" | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
program_median=$(median "${program_times[@]}")
dd_median=$(median "${dd_times[@]}")
area_kib=$((width * height / 1024))
echo "map file:          $bytes bytes"
echo "program runs (s):  ${program_times[*]}"
echo "dd runs (s):       ${dd_times[*]}"
printf 'median program:    %.3f s\n' "$program_median"
printf 'median dd floor:   %.3f s\n' "$dd_median"
printf 'ratio:             %.2f\n' "$(awk "BEGIN {print $program_median / $dd_median}")"
printf 'peak RSS:          %d KiB = width x height + %d KiB (allowed: + 16384 KiB)\n' \
  "$peak_kib" "$((peak_kib - area_kib))"
