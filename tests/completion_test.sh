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
touch Cave.map Cove.map notes.txt
mkdir maps

expect "generate " tarnixmap gen
expect "render report " tarnixmap re
expect "--seeds " tarnixmap search --se
expect "--seed " tarnixmap generate --se
expect "--min-portal-dist --min-vosk-dist " tarnixmap generate Cave --min
expect "Cave.map Cove.map " tarnixmap check C
expect "Cave.map Cove.map maps " tarnixmap render ""
expect "maps " tarnixmap report Cave.map -o ""
expect "2 3 4 " tarnixmap search Cave --players ""
expect "" tarnixmap generate --seed ""

# Every option of every command's --help is offered after "-".
for command in generate check render search report; do
  COMP_WORDS=(tarnixmap "$command" -)
  COMP_CWORD=2
  COMPREPLY=()
  _tarnixmap
  options=$("$tarnixmap" "$command" --help | grep -E '^ +-' | grep -o -- '--[a-z][a-z_-]*' | sort -u)
  for option in $options; do
    [[ $option == *_* ]] && continue  # the generator's spellings, offered with dashes
    if ! printf '%s\n' "${COMPREPLY[@]}" | grep -qx -- "$option"; then
      echo "$command: --help lists $option, which the completion does not offer"
      failures=$((failures + 1))
    fi
  done
done

echo "$failures failures"
[ "$failures" -eq 0 ]
