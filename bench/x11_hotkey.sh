#!/usr/bin/env bash
# The X11 hotkey benchmark: on a private Xvfb with openbox, Tilewick's left-half hotkey against an
# openbox key binding (MoveResizeTo) making the same move, both typed through XTest and
# interleaved, with 1 window and with 200 open; then the X requests Tilewick sends per hotkey
# and while idle (through xtrace), and its idle wake-ups per thread. Each run has a desktop of its own.
# Usage: bench/x11_hotkey.sh <build>/Tilewick.app [samples]
set -euo pipefail

app_dir="$(cd "${1:?usage: x11_hotkey.sh <build>/Tilewick.app [samples]}" && pwd)"
samples="${2:-150}"
program="$app_dir/Contents/bin/Tilewick"
bench="$app_dir/../bench/x11_hotkey_bench"
[ -x "$program" ] && [ -x "$bench" ] || { echo "build the project first" >&2; exit 1; }
command -v xtrace >/dev/null || { echo "missing xtrace (scripts/setup installs it)" >&2; exit 1; }

if [ $# -lt 4 ]; then
  echo "== Hotkey against openbox binding, $samples samples each (from key press to the window in place)"
  for windows in 1 200; do bash "$0" "$app_dir" "$samples" times "$windows"; done
  echo "== X requests (Tilewick's connections through xtrace)"
  for windows in 1 200; do bash "$0" "$app_dir" "$samples" requests "$windows"; done
  exit 0
fi
phase="$3"
windows="$4"

source "$(dirname "$0")/../tests/e2e/lib/private_desktop.sh"
require_tools
# openbox's own binding for the same move: the left half of the monitor.
mkdir -p "$work/config/openbox"
sed 's|<keyboard>|<keyboard><keybind key="C-S-F12"><action name="MoveResizeTo"><x>0</x><y>0</y><width>50%</width><height>100%</height></action></keybind>|' \
  /etc/xdg/openbox/rc.xml >"$work/config/openbox/rc.xml"
start_private_desktop >/dev/null

if [ "$phase" = times ]; then
  "$program" >"$work/tilewick.log" 2>&1 &
  tilewick=$!
  pids+=("$tilewick")
  sleep 2
  "$bench" --windows "$windows" --samples "$samples"
  [ "$windows" = 1 ] || exit 0
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
  xtrace -n -d "$DISPLAY" -D ":$fake" -o "$work/xtrace.log" -- env DISPLAY=":$fake" "$program" \
    >"$work/tilewick.log" 2>&1 &
  pids+=($!)
  sleep 3
  "$bench" --windows "$windows" --samples 0 --requests "$work/xtrace.log"
fi
