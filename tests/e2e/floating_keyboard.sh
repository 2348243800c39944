#!/usr/bin/env bash
# End to end on a private X server: the floating keyboard of the real program. Holding Alt+Super over
# a terminal shows it on the terminal's monitor after 0.12 s, above everything and letting clicks
# through; releasing hides it; a snap while it shows leaves a hole; without a compositor it is opaque
# and shaped. Under openbox with xcompmgr, then under fluxbox. Never touches the user's display.
# Usage: floating_keyboard.sh <build>/Tilewick.app [fluxbox]
set -euo pipefail

app_dir="${1:?usage: floating_keyboard.sh <build>/Tilewick.app}"
wm="${2:-openbox}"
if [ "$wm" = openbox ]; then
  bash "$0" "$1" fluxbox
fi

source "$(dirname "$0")/lib/private_desktop.sh"
require_tools xcompmgr xdotool "$wm"
find_program_and_driver "$app_dir" floating_keyboard_driver

start_private_desktop "$wm"
xcompmgr >"$work/xcompmgr.log" 2>&1 &
compositor=$!
pids+=("$compositor")

# Under the keyboard's place on "R", a terminal that reports mouse clicks (DECSET 1000).
start_terminal 80x24+1500+650 'printf "\033[?1000h"; '
start_tilewick
xdotool windowactivate --sync "$(xdotool search --name "Term One" | head -n 1)" >/dev/null

status=0
E2E_TYPED="$typed" E2E_TILEWICK_PID="$tilewick" E2E_COMPOSITOR_PID="$compositor" \
  QT_QPA_PLATFORM=offscreen timeout 120 "$driver" || status=$?

# Shown twice with a compositor and once without, which the log says once.
log_dir="$XDG_DATA_HOME/Veldor Pellrath Beta/tile-wick"
shown="$(cat "$log_dir"/activity-*.log 2>/dev/null | grep -c " overlay.shown$" || true)"
opaque="$(cat "$log_dir"/activity-*.log 2>/dev/null | grep -c " overlay.opaque$" || true)"
if [ "$shown" -ne 3 ] || [ "$opaque" -ne 1 ]; then
  echo "the activity log holds $shown overlay.shown (3 expected) and $opaque overlay.opaque (1):" >&2
  cat "$log_dir"/activity-*.log >&2 2>/dev/null || true
  status=1
fi
if [ "$status" -ne 0 ] || grep -q . "$work/tilewick.log"; then
  echo "--- Tilewick's output under $wm:" >&2
  cat "$work/tilewick.log" >&2
fi
exit "$status"
