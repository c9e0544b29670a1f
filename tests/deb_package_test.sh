#!/usr/bin/env bash
# Makes the Debian package as scripts/package does, from a release build,
# checks it with lintian (no error and no warning), installs it into a
# scratch root with dpkg -x, and runs the installed programs: both
# programs, their compressed manual pages, the copyright, the changelog and
# the bash completion are there, the programs carry no debug information,
# and the package depends on the libraries the programs use.
#   deb_package_test.sh SOURCE_FOLDER
set -euo pipefail
source=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

deb=$("$source/scripts/package" "$work/build" "$work/out")
echo "made $(basename "$deb")"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libcairo2 libcpp-httplib fonts-dejavu-core; do
  [[ $depends == *"$library"* ]] || { echo "the package does not depend on $library"; exit 1; }
done
description=$(dpkg-deb --field "$deb" Description)
[ "$(echo "$description" | wc -l)" -gt 3 ] || { echo "no extended description"; exit 1; }

# Lintian's errors and warnings fail the test. What it says at the lower
# levels is shown, not failed: the .comment section the compiler leaves
# in the programs (strip keeps it), and a fortify check that the
# generator, calling no checked function, cannot pass.
command -v lintian >/dev/null || { echo "lintian is not installed (scripts/install-deps)"; exit 1; }
lintian --display-level '>=info' --fail-on error,warning "$deb" 2>&1 |
  grep -v 'running with root privileges' || true
lintian --fail-on error,warning "$deb" >/dev/null 2>&1 || { echo "lintian found errors or warnings"; exit 1; }

dpkg -x "$deb" root
for file in usr/bin/tarnixrandommap usr/bin/tarnixmap usr/share/man/man1/tarnixrandommap.1.gz \
  usr/share/man/man1/tarnixmap.1.gz usr/share/bash-completion/completions/tarnixmap \
  usr/share/doc/tarnixrandommap/copyright usr/share/doc/tarnixrandommap/changelog.gz; do
  [ -e "root/$file" ] || { echo "the package has no /$file"; exit 1; }
done
for program in root/usr/bin/*; do
  if file "$program" | grep -q 'with debug_info\|not stripped'; then
    echo "$program is not stripped"
    exit 1
  fi
done

mkdir play
cd play
set +e
../root/usr/bin/tarnixrandommap Cave 64 64 4 500 5 300 40 200 200 20 10 >/dev/null
code=$?
set -e
[ "$code" -eq 1 ] || { echo "the installed tarnixrandommap ended with $code, not 1"; exit 1; }
../root/usr/bin/tarnixmap check Cave.map >/dev/null
../root/usr/bin/tarnixmap generate Duel --players 2 --size 48x30 --seed 7 --preview
../root/usr/bin/tarnixmap render Duel.map >/dev/null
[ -s Duel.png ] || { echo "the installed tarnixmap drew no picture"; exit 1; }
man -l ../root/usr/share/man/man1/tarnixmap.1.gz >/dev/null
echo "the installed programs work"
