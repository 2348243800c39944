#!/usr/bin/env bash
# The wall time of each developer tool that draws or tests, run as the program runs it: the real executable with no
# display, private XDG folders, into a fresh folder; the median of a few runs. Tools that wait by
# design also print their own time without the waits.
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

# The tools, what they take, and how long they wait on the clock by design (the picker test waits
# 0.3 s, then 0.9 s per probe; the update timer test runs 130 s, so it is run once).
tools=(--render-icon --render-window --render-overlay --render-tabs --render-about --test-picker
  --test-update-timer)
declare -A takes_file=([--render-icon]=1 [--test-picker]=1 [--test-update-timer]=1)
declare -A waits=([--test-picker]=3.0 [--test-update-timer]=130.0)
printf '%-20s %10s %10s %10s %8s\n' tool "median s" "waits s" "own s" files
for tool in "${tools[@]}"; do
  tool_runs="$runs"
  [ "$tool" = --test-update-timer ] && tool_runs=1
  times=()
  for ((i = 0; i < tool_runs; i++)); do
    out="$work/out-$tool-$i"
    mkdir -p "$out"
    target="$out"
    [ -n "${takes_file[$tool]:-}" ] && target="$out/output"
    start=$(date +%s.%N)
    "$program" "$tool" "$target" 2>/dev/null
    end=$(date +%s.%N)
    times+=("$(echo "$end - $start" | bc)")
  done
  median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((tool_runs + 1) / 2))p")
  wait="${waits[$tool]:-0}"
  printf '%-20s %10.2f %10.2f %10.2f %8d\n' "$tool" "$median" "$wait" "$(echo "$median - $wait" | bc)" \
    "$(find "$out" -type f | wc -l)"
done
