#!/usr/bin/env bash
# Makes the Debian package from a build folder, as `cpack -G DEB` there
# does, installs it into a scratch root with dpkg -x, and runs the installed
# programs: both programs, their manual pages and the bash completion are
# there, and the package depends on the libraries the programs use.
#   deb_package_test.sh BUILD_FOLDER
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >cpack.log 2>&1 ||
  { cat cpack.log; exit 1; }
deb=$(ls out/*.deb)
echo "made $(basename "$deb")"
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libcairo2 fonts-dejavu-core; do
  [[ $depends == *"$library"* ]] || { echo "the package does not depend on $library"; exit 1; }
done

dpkg -x "$deb" root
for file in usr/bin/tarnixrandommap usr/bin/tarnixmap usr/share/man/man1/tarnixrandommap.1 \
  usr/share/man/man1/tarnixmap.1 usr/share/bash-completion/completions/tarnixmap; do
  [ -e "root/$file" ] || { echo "the package has no /$file"; exit 1; }
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
man -l ../root/usr/share/man/man1/tarnixmap.1 >/dev/null 2>&1 || true
echo "the installed programs work"
