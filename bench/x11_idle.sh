#!/usr/bin/env bash
# Idle wake-ups of the program (bench/README says how to read them). On a private Xvfb with
# openbox, Tilewick starts with its main window in front on a tab and nothing happens; the
# voluntary context switches of all its threads (a thread going to sleep, to be woken again; from
# /proc/<pid>/task/*/status) are counted over a stretch of seconds, then again with an xterm in
# front of the window, and with the window closed.
# Each tab gets a run of its own: General, then Default App Snaps.
# Usage: bench/x11_idle.sh <build>/Tilewick.app [seconds]
set -euo pipefail

app_dir="$(cd "${1:?usage: x11_idle.sh <build>/Tilewick.app [seconds]}" && pwd)"
seconds="${2:-10}"
program="$app_dir/Contents/bin/Tilewick"
[ -x "$program" ] || { echo "build the project first" >&2; exit 1; }

if [ $# -lt 3 ]; then
  echo "== Wake-ups per second while idle, over $seconds s (voluntary context switches of all threads)"
  for tab in global appSnaps; do bash "$0" "$app_dir" "$seconds" "$tab"; done
  exit 0
fi
tab="$3"

source "$(dirname "$0")/../tests/e2e/lib/private_desktop.sh"
source "$(dirname "$0")/../tests/e2e/lib/tilewick_windows.sh"
require_tools xdotool
start_private_desktop >/dev/null
mkdir -p "$XDG_CONFIG_HOME/com.corvane.tilewick"
printf '{\n"lastTab":{"type":"string","value":"%s"}\n}\n' "$tab" \
  >"$XDG_CONFIG_HOME/com.corvane.tilewick/defaults.json"

"$program" >"$work/tilewick.log" 2>&1 &
tilewick=$!
pids+=("$tilewick")
await main_window || { echo "no main window" >&2; exit 1; }

# The voluntary context switches of each of the program's threads so far, a thread a line.
switches() {
  for t in /proc/"$tilewick"/task/*; do
    awk -v t="${t##*/}" '/^voluntary_ctxt_switches/ { print t, $2 }' "$t/status" 2>/dev/null || true
  done
}
# Wake-ups per second over the stretch, after 3 s for what the last change set going to settle.
# A thread that ends meanwhile counts until its last reading; one that starts, from zero.
per_second() {
  sleep 3
  switches >"$work/before"
  sleep "$seconds"
  switches >"$work/after"
  awk -v s="$seconds" 'FNR == NR { before[$1] = $2; next } { n += $2 - before[$1] }
    END { printf "%.1f", n / s }' "$work/before" "$work/after"
}

front="$(per_second)"
# An xterm over the whole desktop, in front.
xterm -geometry 400x200+0+0 >/dev/null 2>&1 &
pids+=($!)
await sh -c 'xprop -id "$(xprop -root _NET_ACTIVE_WINDOW | awk "{ print \$NF }")" WM_CLASS | grep -q XTerm'
behind="$(per_second)"
main="$(main_window)"
xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
xdotool key alt+F4
for _ in $(seq 200); do main_window >/dev/null || break; sleep 0.1; done
closed="$(per_second)"
awk -v tab="$tab" -v front="$front" -v behind="$behind" -v closed="$closed" 'BEGIN {
  printf "tab %s:\n", tab
  printf "  window in front      %7.1f /s   (%.1f x closed)\n", front, (closed > 0 ? front / closed : 0)
  printf "  window behind xterm  %7.1f /s   (%.1f x closed)\n", behind, (closed > 0 ? behind / closed : 0)
  printf "  window closed        %7.1f /s\n", closed
}'
