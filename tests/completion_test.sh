#!/usr/bin/env bash
# The bash completion of tarnixmap, run in bash as the shell runs it: what
# each half-typed command line completes to; and every option a command's
# --help lists is one the completion offers.
#   completion_test.sh COMPLETION_SCRIPT TARNIXMAP
set -uo pipefail
script=$(realpath "$1")
tarnixmap=$(realpath "$2")
# shellcheck source=/dev/null
source "$script"
failures=0

# Completes the words given (the last one half typed) and compares.
expect() {
  local want=$1
  shift
  COMP_WORDS=("$@")
  COMP_CWORD=$(($# - 1))
  COMPREPLY=()
  _tarnixmap
  local got=""
  [ ${#COMPREPLY[@]} -gt 0 ] && got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
  if [ "$got" != "$want" ]; then
    echo "completing '$*': got '$got', want '$want'"
    failures=$((failures + 1))
  fi
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch Cave.map Cove.map notes.txt picture.png
mkdir maps

expect "generate " tarnixmap gen
expect "render report " tarnixmap re
expect "search serve " tarnixmap se
expect "" tarnixmap serve --port ""
expect "--seeds " tarnixmap search --se
expect "--seed " tarnixmap generate --se
expect "--min-portal-dist --min-vosk-dist " tarnixmap generate Cave --min
expect "Cave.map Cove.map " tarnixmap check C
expect "Cave.map Cove.map maps " tarnixmap render ""
expect "maps " tarnixmap report Cave.map -o ""
expect "2 3 4 " tarnixmap search Cave --players ""
expect "" tarnixmap generate --seed ""
expect "territory= " tarnixmap check Cave.map --weight ter
expect "W= " tarnixmap search Cave --cost W
# A quoted or escaped word is completed as the shell will read it.
expect "Cave.map Cove.map " tarnixmap check "'C"
expect "Cave.map Cove.map " tarnixmap check '"C'
touch "Big Cave.map"
expect "Big Cave.map " tarnixmap render 'Big\ C'
rm "Big Cave.map"
# After --output= (the shell splits the word at "="), a picture or folder.
expect "maps picture.png " tarnixmap render Cave.map --output = ""
expect "picture.png " tarnixmap render Cave.map --output = "pic"
expect "maps " tarnixmap report Cave.map --output = ""

# A name with a newline in it is one candidate, not two.
touch $'New\nline.map'
COMP_WORDS=(tarnixmap check N)
COMP_CWORD=2
COMPREPLY=()
_tarnixmap
if [ ${#COMPREPLY[@]} -ne 1 ] || [ "${COMPREPLY[0]}" != $'New\nline.map' ]; then
  echo "a name with a newline gave ${#COMPREPLY[@]} candidates: ${COMPREPLY[*]}"
  failures=$((failures + 1))
fi
rm $'New\nline.map'

# Every command of --help is offered first, and every option of its --help
# after "-".
commands=$("$tarnixmap" --help | sed -n '/^Subcommands:/,$p' | awk 'NR > 1 && /^  [a-z]/ {print $1}')
[ -n "$commands" ] || { echo "tarnixmap --help lists no commands"; failures=$((failures + 1)); }
COMP_WORDS=(tarnixmap "")
COMP_CWORD=1
COMPREPLY=()
_tarnixmap
for command in $commands; do
  offered=no
  for candidate in "${COMPREPLY[@]}"; do
    [[ $candidate == "$command" ]] && offered=yes
  done
  if [[ $offered == no ]]; then
    echo "--help lists the command $command, which the completion does not offer"
    failures=$((failures + 1))
  fi
done
for command in $commands; do
  COMP_WORDS=(tarnixmap "$command" -)
  COMP_CWORD=2
  COMPREPLY=()
  _tarnixmap
  # The names that start each option's line (its help may name others).
  options=$("$tarnixmap" "$command" --help | grep -E '^ +-' | awk '{print $1}' | tr ',' '\n' |
    grep -o -- '^--[a-z][a-z_-]*' | sort -u)
  for option in $options; do
    [[ $option == *_* ]] && continue  # the generator's spellings, offered with dashes
    # Looked up in the shell itself: a pipe into "grep -q", which may stop
    # reading at its first match, failed the check now and then under
    # pipefail when the writer was cut off.
    offered=no
    for candidate in "${COMPREPLY[@]}"; do
      [[ $candidate == "$option" ]] && offered=yes
    done
    if [[ $offered == no ]]; then
      echo "$command: --help lists $option, which the completion does not offer"
      failures=$((failures + 1))
    fi
  done
done

echo "$failures failures"
[ "$failures" -eq 0 ]
