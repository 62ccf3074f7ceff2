#!/usr/bin/env bash
# Builds the .deb from the Release build, checks what it holds and depends on, installs it on this
# machine and starts the installed program until its main window shows.
#   scripts/package-check.sh [shot.png]    (the picture of the installed program's screen)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
rm -f build/package/quorvel_*.deb
cpack --config build/CPackConfig.cmake
debs=(build/package/quorvel_*.deb)
deb=${debs[0]}

# Debian's runtime libraries only: no development package among the dependencies.
depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
if grep -Eq '(^|[ ,])[a-z0-9.+-]+-dev([ ,(]|$)' <<<"$depends"; then
  echo "package-check: a development package among the dependencies" >&2
  exit 1
fi
# The program, its desktop entry and its icon; nothing else (no tests, no benchmarks).
files=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort)
expected=$(printf '%s\n' ./usr/bin/quorvel ./usr/share/applications/quorvel.desktop \
  ./usr/share/icons/hicolor/scalable/apps/quorvel.svg)
if [[ "$files" != "$expected" ]]; then
  printf 'package-check: the package holds\n%s\n' "$files" >&2
  exit 1
fi

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
# apt resolves the dependencies; --reinstall replaces an installed package of the same version.
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q --reinstall "./$deb"
desktop-file-validate /usr/share/applications/quorvel.desktop
test -s /usr/share/icons/hicolor/scalable/apps/quorvel.svg
bash scripts/window-check.sh /usr/bin/quorvel "${1:-}"
