#!/usr/bin/env bash
# The shipped executable holds no code of the simulated platform, which only tests link.
set -euo pipefail
exe=$1
symbols=$(nm -C "$exe")
[ -n "$symbols" ] || { echo "no symbols read from $exe"; exit 1; }
grep -q 'tilewick::' <<<"$symbols" || { echo "no program symbols in $exe: wrong file?"; exit 1; }
if found=$(grep 'platform::sim::' <<<"$symbols"); then
  echo "$exe holds simulator code:"; head -20 <<<"$found"; exit 1
fi
echo "ok: $exe holds no platform::sim symbol"
