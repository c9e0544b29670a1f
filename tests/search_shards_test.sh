#!/usr/bin/env bash
# A range searched as 4 shards by GNU parallel and put together by
# "tarnixmap merge" gives exactly what one search of the whole range gives:
# the same ranked lines, byte for byte, the same counts and the same
# histogram; a page can be made from the shards; and merge refuses what
# cannot be merged.
set -euo pipefail
tarnixmap=$1
args=(Cave 64 64 4 500 5 300 40 200 200 20 10)
command -v parallel >/dev/null || { echo "GNU parallel is not installed (scripts/install-deps)"; exit 1; }
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

search=("$tarnixmap" search --json --no-write --quiet --top 5 --histogram)
parallel --will-cite -j2 "${search[@]}" --threads 1 --from {} --seeds 1500 -- "${args[@]}" \
  '>' shard-{}.json ::: 1000 2500 4000 5500
"${search[@]}" --from 1000 --seeds 6000 -- "${args[@]}" >whole.json
"$tarnixmap" merge --json shard-*.json >merged.json

failures=0
fail() {
  echo "$*"
  failures=$((failures + 1))
}
# The ranked lines, every figure and the command of each included.
if ! diff <(grep -v '"summary":true' whole.json) <(grep -v '"summary":true' merged.json); then
  fail "the merged ranking differs from the whole range's"
fi
# The summaries, but for what only a merge can differ in: the time taken,
# how many searches it stands for, and the range a single search was asked.
summary() {
  grep '"summary":true' "$1" | python3 -c '
import json, sys
s = json.load(sys.stdin)
for key in ("seconds", "searches", "range"):
    s.pop(key)
print(json.dumps(s, sort_keys=True))'
}
if [ "$(summary whole.json)" != "$(summary merged.json)" ]; then
  fail "the merged counts or histogram differ from the whole range's"
  diff <(summary whole.json | tr ',' '\n') <(summary merged.json | tr ',' '\n') || true
fi
grep -q '"histogram":{"bin_width":0.05,"counts":\[' merged.json ||
  fail "the merged summary has no histogram"

# The table of a merge is the table of the search, totals and all.
if ! diff <("$tarnixmap" merge shard-*.json | sed '$d') \
  <("$tarnixmap" search --no-write --quiet --top 5 --from 1000 --seeds 6000 -- "${args[@]}" | sed '$d'); then
  fail "the merged table differs from the whole range's"
fi

# The outputs one after another, as parallel prints them, on standard
# input; and with a page.
if ! diff merged.json <(cat shard-*.json | "$tarnixmap" merge --json -); then
  fail "merging the shards from standard input gives something else"
fi
cat shard-1000.json | "$tarnixmap" merge --report page shard-2500.json - >/dev/null
[ -s page/index.html ] && [ -s page/map-1-territory.png ] || fail "merge --report made no page"

# Seeds rejected for a heart too near the frame and seeds sealed in by lava
# add up across shards to what one search counts.
lava=(L 40 40 4 0 4 80 30 600 60 5 2)
gapped=("${search[@]}" --min-border-gap 2)
parallel --will-cite -j2 "${gapped[@]}" --threads 1 --from {} --seeds 300 -- "${lava[@]}" \
  '>' gap-{}.json ::: 5000 5300 5600
"${gapped[@]}" --from 5000 --seeds 900 -- "${lava[@]}" >gap-whole.json
"$tarnixmap" merge --json gap-5000.json gap-5300.json gap-5600.json >gap-merged.json
if [ "$(summary gap-whole.json)" != "$(summary gap-merged.json)" ]; then
  fail "the merged counts of a search with --min-border-gap differ from the whole range's"
fi
grep '"summary":true' gap-whole.json | python3 -c '
import json, sys
s = json.load(sys.stdin)
sys.exit(0 if s["rejected"] > 50 and s["sealed"] > 50 else 1)' ||
  fail "the search with --min-border-gap rejected or sealed too few seeds to tell"

# Refusals, each naming the two files.
expect_refusal() {
  local want=$1
  shift
  local err
  if err=$("$tarnixmap" merge "$@" 2>&1 >/dev/null); then
    fail "merge $* was not refused"
  elif [[ $err != *"$want"* ]]; then
    fail "merge $*: expected \"$want\" in: $err"
  fi
}
expect_refusal "shard-1000.json and whole.json both searched seeds 1000 to 2499" \
  shard-1000.json whole.json
"$tarnixmap" search --json --no-write --quiet --top 5 --histogram --width 70 --from 7000 \
  --seeds 50 -- Cave >wider.json
expect_refusal "shard-1000.json and wider.json searched maps of different values (width: 64 and 70)" \
  shard-1000.json wider.json
"${search[@]}" --weight territory=2 --from 7000 --seeds 50 -- "${args[@]}" >weighed.json
expect_refusal "measured or ranked maps differently (weights.territory: 4.0 and 2.0)" \
  shard-1000.json weighed.json

# Symmetric maps, which all score 0, merge by the figure they are ranked
# by, and one preferred figure is not merged with another.
symmetric=("${search[@]}" --symmetry quad --prefer rival_time)
"${symmetric[@]}" --from 1 --seeds 150 -- "${args[@]}" >sym-1.json
"${symmetric[@]}" --from 151 --seeds 150 -- "${args[@]}" >sym-151.json
"${symmetric[@]}" --from 1 --seeds 300 -- "${args[@]}" >sym-whole.json
if ! diff <(grep -v '"summary":true' sym-whole.json) \
  <("$tarnixmap" merge --json sym-1.json sym-151.json | grep -v '"summary":true'); then
  fail "the merged ranking of symmetric maps differs from the whole range's"
fi
"${search[@]}" --symmetry quad --from 301 --seeds 20 -- "${args[@]}" >sym-gold.json
expect_refusal '(prefer: "rival_time" and "gold_within")' sym-1.json sym-gold.json

echo "$failures failures"
[ "$failures" -eq 0 ]
