#!/usr/bin/env bash
# The hotkey benchmark (bench/README says how to read it). On a private Xvfb with openbox, a
# window goes to the left half of its monitor three ways, typed through XTest and taking turns:
# Tilewick's hotkey, the floor client (bench/x11_floor_client.c, built here: the least a client
# can do) and an openbox key binding; with 1 window and with 200 open. Then, on desktops of their
# own, the X requests (xtrace) and system calls (strace) Tilewick makes per hotkey and while idle,
# and its idle wake-ups per thread.
# Usage: bench/x11_hotkey.sh <build>/Tilewick.app [rounds]
set -euo pipefail

app_dir="$(cd "${1:?usage: x11_hotkey.sh <build>/Tilewick.app [rounds]}" && pwd)"
rounds="${2:-150}"
program="$app_dir/Contents/bin/Tilewick"
bench="${X11_HOTKEY_BENCH:-$app_dir/../bench/x11_hotkey_bench}"
[ -x "$program" ] && [ -x "$bench" ] || { echo "build the project first" >&2; exit 1; }
for tool in xtrace strace cc pkg-config; do
  command -v "$tool" >/dev/null || { echo "missing $tool (scripts/setup installs it)" >&2; exit 1; }
done

if [ $# -lt 4 ]; then
  echo "== Time from the key press to the window in place; $rounds rounds of the three ways"
  for windows in 1 200; do bash "$0" "$app_dir" "$rounds" times "$windows" closed; done
  echo "== The same with Tilewick's main window open behind the window moved"
  for windows in 1 200; do bash "$0" "$app_dir" "$rounds" times "$windows" open; done
  echo "== Tilewick's X requests and system calls"
  for windows in 1 200; do bash "$0" "$app_dir" "$rounds" counts "$windows"; done
  exit 0
fi
phase="$3"
windows="$4"
main_window="${5:-closed}"

source "$(dirname "$0")/../tests/e2e/lib/private_desktop.sh"
require_tools
# openbox's own binding for the same move: the left half of the monitor.
mkdir -p "$work/config/openbox"
sed 's|<keyboard>|<keyboard><keybind key="C-S-F12"><action name="MoveResizeTo"><x>0</x><y>0</y><width>50%</width><height>100%</height></action></keybind>|' \
  /etc/xdg/openbox/rc.xml >"$work/config/openbox/rc.xml"
start_private_desktop >/dev/null

if [ "$phase" = times ]; then
  cc -O2 -o "$work/floor" "$(dirname "$0")/x11_floor_client.c" $(pkg-config --cflags --libs xcb)
  "$program" >"$work/tilewick.log" 2>&1 &
  tilewick=$!
  pids+=("$tilewick")
  "$bench" --windows "$windows" --samples "$rounds" --tilewick "$tilewick" --floor "$work/floor" \
    --main-window "$main_window"
  [ "$windows" = 1 ] && [ "$main_window" = closed ] || exit 0
  echo "== Idle wake-ups over 15 s (voluntary context switches per thread)"
  sleep 3
  declare -A before=()
  for t in /proc/"$tilewick"/task/*; do
    before[$t]="$(awk '/^voluntary_ctxt_switches/ { print $2 }' "$t/status")"
  done
  sleep 15
  for t in /proc/"$tilewick"/task/*; do
    now="$(awk '/^voluntary_ctxt_switches/ { print $2 }' "$t/status")"
    printf '  %-16s %s\n' "$(cat "$t/comm")" "$((now - ${before[$t]:-0}))"
  done
else
  fake=50
  while [ -e "/tmp/.X11-unix/X$fake" ] || [ -e "/tmp/.X$fake-lock" ]; do fake=$((fake + 1)); done
  xtrace -n -d "$DISPLAY" -D ":$fake" -o "$work/xtrace.log" -- env DISPLAY=":$fake" \
    strace -f -qq -ttt -o "$work/strace.log" sh -c 'echo $$ >"$0"; exec "$1"' "$work/tilewick.pid" "$program" \
    >"$work/tilewick.log" 2>&1 &
  pids+=($!)
  await test -s "$work/tilewick.pid"
  tilewick="$(cat "$work/tilewick.pid")"
  "$bench" --windows "$windows" --tilewick "$tilewick" --counts "$work/xtrace.log" >"$work/counts"
  grep -v '^stretch' "$work/counts"
  # System calls of every thread within the stretches (a call another thread cut in two counts
  # once); X11_HOTKEY_CALLS=1 also lists them by name.
  awk -v windows="$windows" -v list="${X11_HOTKEY_CALLS:-0}" '
    FNR == NR { if ($1 == "stretch") { n++; kind[n] = $2; from[n] = $3; to[n] = $4; if ($2 == "press") presses++ } next }
    /resumed>/ || / \+\+\+ / || / --- / { next }
    {
      for (i = 1; i <= n; i++) if ($2 >= from[i] && $2 < to[i]) {
        calls[kind[i]]++
        name = $3; sub(/\(.*/, "", name); byName[kind[i] " " name]++
        break
      }
    }
    END {
      printf "windows %d: %.1f system calls per hotkey (%.1f in the same time idle)\n",
        windows, (calls["press"] - calls["idle"]) / presses, calls["idle"] / presses
      if (list) for (k in byName) { split(k, part, " "); if (part[1] == "press")
        printf "  %-20s %6.1f per hotkey\n", part[2], (byName[k] - byName["idle " part[2]]) / presses }
    }
  ' "$work/counts" "$work/strace.log"
fi
