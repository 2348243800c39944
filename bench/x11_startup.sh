#!/usr/bin/env bash
# The start-up benchmark (bench/README says how to read it). On a private Xvfb with openbox,
# Tilewick and a plain Qt widgets window of the same size (x11_startup_window.cxx, built here with
# Qt Widgets alone) start in turn, each from nothing; x11_startup_probe.c (built here) times each
# start to its main window mapped and to the first drawing in it.
# Usage: bench/x11_startup.sh <build>/Tilewick.app [rounds]
set -euo pipefail

app_dir="$(cd "${1:?usage: x11_startup.sh <build>/Tilewick.app [rounds]}" && pwd)"
rounds="${2:-20}"
program="$app_dir/Contents/bin/Tilewick"
here="$(cd "$(dirname "$0")" && pwd)"
[ -x "$program" ] || { echo "build the project first" >&2; exit 1; }
for tool in cc c++ pkg-config; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup installs it)" >&2; exit 1; }
done
pkg-config --exists xcb-damage Qt6Widgets || { echo "missing xcb-damage or Qt6Widgets (scripts/setup installs them)" >&2; exit 1; }

source "$here/../tests/e2e/lib/private_desktop.sh"
require_tools
start_private_desktop >/dev/null

cc -O2 -o "$work/probe" "$here/x11_startup_probe.c" $(pkg-config --cflags --libs xcb xcb-damage)
c++ -O2 -fPIC -o "$work/window" "$here/x11_startup_window.cxx" $(pkg-config --cflags --libs Qt6Widgets)

# One start of each first, left out: the files they read are then in the page cache.
"$work/probe" "$program" >/dev/null
"$work/probe" "$work/window" >/dev/null
: >"$work/tilewick" >"$work/reference"
for _ in $(seq "$rounds"); do
  "$work/probe" "$program" >>"$work/tilewick"
  "$work/probe" "$work/window" >>"$work/reference"
done

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "start -> main window mapped and first drawn, median of $rounds starts (ms):"
tw_map="$(cut -d' ' -f1 "$work/tilewick" | median)"; tw_draw="$(cut -d' ' -f2 "$work/tilewick" | median)"
ref_map="$(cut -d' ' -f1 "$work/reference" | median)"; ref_draw="$(cut -d' ' -f2 "$work/reference" | median)"
printf '  %-22s mapped %7.1f   drawn %7.1f\n' Tilewick "$tw_map" "$tw_draw" "plain Qt window" "$ref_map" "$ref_draw"
awk -v a="$tw_map" -v b="$ref_map" -v c="$tw_draw" -v d="$ref_draw" \
  'BEGIN { printf "  Tilewick/plain          mapped %7.2f   drawn %7.2f\n", a / b, c / d }'
