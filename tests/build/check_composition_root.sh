#!/usr/bin/env bash
# The program names the desktop back-ends (platform/desktop, qt, xdg, x11, linux) in one file only, its
# composition root; everything else of it reaches services through the platform interfaces.
set -euo pipefail
src=$1
root=src/tilewick/app/CompositionRoot.cpp
cd "$src"
[ -f "$root" ] || { echo "no composition root at $root"; exit 1; }
grep -q 'platform/desktop/' "$root" || { echo "$root names no back-end: wrong file?"; exit 1; }
if found=$(grep -rnE '#include "platform/(desktop|qt|xdg|x11|linux)/' src/tilewick | grep -v "^$root:"); then
  echo "back-end headers outside the composition root:"; echo "$found"; exit 1
fi
echo "ok: only $root names the desktop back-ends"
