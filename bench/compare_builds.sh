#!/usr/bin/env bash
# Two builds of tarnixmap side by side: the same answers, and how fast.
#   bench/compare_builds.sh OLD NEW [seeds]
# OLD and NEW are tarnixmap programs (release builds, say of the previous
# commit and of this one). It checks that
# - a search prints the same ranking, figures and counts (everything but
#   its time) with both, on 1 and 2 threads, for the typical map, 2 and 3
#   players, a map thick with lava, maps wider than 64 squares, and cost
#   tables, one of them too dear for the boards of bits;
# - `check --json` prints the same bytes with both, for 1,200 maps of four
#   shapes, each with four cost tables;
# then times, alternately, the search of the typical map on 1 and 2
# threads (SEEDS seeds, default 100,000), a 128 x 128 map's search, and the
# check of an 8192 x 8192 map, with its peak memory. Exits 1 at the first
# difference.
set -euo pipefail
old=$(realpath "$1")
new=$(realpath "$2")
seeds=${3:-100000}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch"

cave=(Cave 64 64 4 500 5 300 40 200 200 20 10)
duel=(Duel 48 48 2 500 3 150 20 100 100 16 10)
tri=(Tri 64 64 3 500 5 300 40 200 200 20 10)
lava=(Lava 40 40 4 0 4 80 30 600 60 5 2)
wide=(Wide 150 24 3 0 6 200 60 1500 200 20 2)
big=(Big 128 128 4 2000 8 1200 160 800 800 40 10)

# A search's output without the seconds it took.
search() {
  local program=$1
  shift
  "$program" search --quiet --no-write --json "$@" | sed 's/"seconds":[^,}]*//'
}

same_search() {
  for threads in 1 2; do
    if ! cmp -s <(search "$old" --threads "$threads" "$@") <(search "$new" --threads "$threads" "$@"); then
      echo "search differs, $threads threads: $*"
      exit 1
    fi
  done
  echo "same search, 1 and 2 threads: $*"
}

same_search --from 1 --seeds 20000 -- "${cave[@]}"
same_search --from 1 --seeds 20000 -- "${duel[@]}"
same_search --from 1 --seeds 20000 -- "${tri[@]}"
same_search --from 1 --seeds 20000 -- "${lava[@]}"
same_search --from 1 --seeds 5000 -- "${wide[@]}"
same_search --from 1 --seeds 5000 -- "${big[@]}"
same_search --from 1 --seeds 20000 --cost W=wall --cost .=1 -- "${cave[@]}"
same_search --from 1 --seeds 20000 --cost L=3 --cost G=2 -- "${cave[@]}"
same_search --from 1 --seeds 10000 --cost .=5 -- "${cave[@]}"
same_search --from 1 --seeds 20000 --max-spread portals_first=0.5 --min-border-gap 3 -- "${cave[@]}"

maps=0
for shape in cave duel lava wide; do
  declare -n values=$shape
  "$new" generate --seed 1 --count 300 "${values[@]}" >/dev/null 2>&1 || true
  for table in "" "--cost W=wall" "--cost L=3 --cost P=wall" "--cost .=4"; do
    # shellcheck disable=SC2086  # the table is words
    if ! cmp -s <("$old" check --json $table "${values[0]}"_*.map) \
      <("$new" check --json $table "${values[0]}"_*.map); then
      echo "check --json differs: ${values[0]} $table"
      exit 1
    fi
  done
  maps=$((maps + $(ls "${values[0]}"_*.map | wc -l)))
  rm -f "${values[0]}"_*.map
done
echo "check --json the same bytes on $maps maps, four cost tables each"

rate() {
  "$1" search --quiet --no-write --threads "$2" --from 1 --seeds "$3" -- "${@:4}" |
    sed -n 's/.* \([0-9]*\) seeds\/s$/\1/p'
}
for run in 1 2 3; do
  for threads in 1 2; do
    echo "run $run, typical map, $seeds seeds, $threads thread(s): old $(rate "$old" "$threads" "$seeds" "${cave[@]}") new $(rate "$new" "$threads" "$seeds" "${cave[@]}") seeds/s"
  done
  echo "run $run, 128 x 128, 20000 seeds, 1 thread: old $(rate "$old" 1 20000 "${big[@]}") new $(rate "$new" 1 20000 "${big[@]}") seeds/s"
done

"$new" generate --seed 1 Huge 8192 8192 4 500 200 200000 20000 200000 200000 2000 100 >/dev/null
for program in "$old" "$new"; do
  /usr/bin/time -f "%e s, %M KiB" -o timed "$program" check Huge.map >/dev/null
  echo "check of 8192 x 8192, $([[ $program == "$old" ]] && echo old || echo new): $(cat timed)"
done
