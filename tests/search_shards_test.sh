#!/usr/bin/env bash
# A range searched as 4 shards by GNU parallel, their JSON lines merged with
# sort, gives the same best seeds, in the same order, as one search over the
# whole range.
set -euo pipefail
tarnixmap=$1
args=(Cave 64 64 4 500 5 300 40 200 200 20 10)
command -v parallel >/dev/null || { echo "GNU parallel is not installed (scripts/install-deps)"; exit 1; }

# Keys come in alphabetical order, "score" first and "seed" next: sort on
# the number after the first colon, then on the one after the second. (sed
# rather than head, which would leave sort writing into a closed pipe.)
best_lines() { grep '^{"score"' | sort -t: -k2,2g -k3,3n | sed -n 1,5p; }

sharded=$(parallel --will-cite -j2 "$tarnixmap" search --json --no-write --quiet --threads 1 \
  --top 5 --from {} --seeds 2500 -- "${args[@]}" ::: 1000 3500 6000 8500 | best_lines)
whole=$("$tarnixmap" search --json --no-write --quiet --top 5 --from 1000 --seeds 10000 \
  -- "${args[@]}" | best_lines)
if [ "$sharded" != "$whole" ]; then
  echo "the shards' best seeds differ from the whole range's"
  diff <(echo "$sharded") <(echo "$whole") || true
  exit 1
fi
echo "4 shards and the whole range agree on the best 5 seeds:"
echo "$whole" | cut -c1-60
