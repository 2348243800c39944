#!/usr/bin/env bash
# The wall time of each render tool, run as the program runs it: the real executable with no
# display, private XDG folders, into a fresh folder; the median of a few runs.
# Usage: bench/render_tools.sh <build>/Tilewick.app [runs]
set -euo pipefail

app_dir="$(cd "${1:?usage: render_tools.sh <build>/Tilewick.app [runs]}" && pwd)"
runs="${2:-3}"
program="$app_dir/Contents/bin/Tilewick"
[ -x "$program" ] || { echo "build the project first" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_STATE_HOME="$work/state"
export XDG_RUNTIME_DIR="$work/runtime" TZ=UTC LC_ALL=C.UTF-8 TILEWICK_KEYBOARD_TYPE=ANSI
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset DISPLAY

# Options that take a folder; --render-icon takes a file. Tools not built yet are left out.
tools=(--render-icon --render-window --render-overlay --render-tabs --render-about)
printf '%-20s %10s %8s\n' tool "median s" files
for tool in "${tools[@]}"; do
  if "$program" "$tool" "$work/probe" 2>&1 | grep -q "not built yet"; then
    printf '%-20s %10s\n' "$tool" "not built"
    continue
  fi
  times=()
  for ((i = 0; i < runs; i++)); do
    out="$work/out-$tool-$i"
    mkdir -p "$out"
    target="$out"
    [ "$tool" = --render-icon ] && target="$out/icon.png"
    start=$(date +%s.%N)
    "$program" "$tool" "$target" 2>/dev/null
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc)")
  done
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((runs + 1) / 2))p")
  printf '%-20s %10.2f %8d\n' "$tool" "$median" "$(find "$out" -type f | wc -l)"
done
