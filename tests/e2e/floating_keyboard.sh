#!/usr/bin/env bash
# End to end on a private X server: the floating keyboard of the real program. Holding Alt+Super over
# a terminal shows it on the terminal's monitor after 0.12 s, above everything and letting clicks
# through; releasing hides it; a snap while it shows leaves a hole through which the window is seen
# landing; without a compositor it is opaque and shaped. With the main window open, closed (the
# program in the tray), and reopened from the tray and closed again. Under openbox with xcompmgr,
# then under fluxbox. Never touches the user's display.
# Usage: floating_keyboard.sh <build>/Tilewick.app [fluxbox]
set -euo pipefail

app_dir="${1:?usage: floating_keyboard.sh <build>/Tilewick.app}"
wm="${2:-openbox}"
if [ "$wm" = openbox ]; then
  bash "$0" "$1" fluxbox
fi

source "$(dirname "$0")/lib/private_desktop.sh"
source "$(dirname "$0")/lib/tilewick_windows.sh"
require_tools xcompmgr xdotool trayer "$wm"
find_program_and_driver "$app_dir" floating_keyboard_driver

start_private_desktop "$wm"
# The program lives on in a tray once its main window closes: trayer's under openbox, fluxbox's own.
if [ "$wm" = openbox ]; then
  start_tray
fi
xcompmgr >"$work/xcompmgr.log" 2>&1 &
compositor=$!
pids+=("$compositor")

# Under the keyboard's place on "R", a terminal that reports mouse clicks (DECSET 1000).
start_terminal 80x24+1500+650 'printf "\033[?1000h"; '
start_tilewick
terminal="$(xdotool search --name "Term One" | head -n 1)"

status=0
# The driver's tests named by $1 (a gtest filter), with the terminal back in its first place and
# in front.
run_driver() {
  xdotool windowsize --usehints --sync "$terminal" 80 24 >/dev/null 2>&1 || true
  xdotool windowmove --sync "$terminal" 1500 650 >/dev/null 2>&1 || true
  xdotool windowactivate --sync "$terminal" >/dev/null
  E2E_TYPED="$typed" E2E_TILEWICK_PID="$tilewick" E2E_COMPOSITOR_PID="$compositor" E2E_TERMINAL="$terminal" \
    QT_QPA_PLATFORM=offscreen timeout 120 "$driver" --gtest_filter="$1" || status=1
}
# Closes the main window through the window manager (Alt+F4 on it).
close_main() {
  local main
  main="$(main_window)" || { echo "no main window to close" >&2; status=1; return; }
  xdotool windowactivate --sync "$main" >/dev/null 2>&1 || true
  xdotool key alt+F4
  for _ in $(seq 100); do main_window >/dev/null || return 0; sleep 0.1; done
  echo "the main window did not close" >&2
  status=1
}

echo "--- the main window open"
run_driver 'FloatingKeyboardTest.Shown*'
echo "--- the main window closed, the program in the tray"
close_main
run_driver 'FloatingKeyboardTest.Shown*:FloatingKeyboardTest.ASnap*:FloatingKeyboardTest.AWindow*'
echo "--- reopened from the tray, closed again, a click in the tray"
tray_menu Down Return
await main_window || { echo "the tray menu did not show the main window" >&2; status=1; }
close_main
tray_menu Escape
run_driver 'FloatingKeyboardTest.*'

# Shown 8 times with a compositor and once without, which the log says once.
log_dir="$XDG_DATA_HOME/Veldor Pellrath Beta/tile-wick"
shown="$(cat "$log_dir"/activity-*.log 2>/dev/null | grep -c " overlay.shown$" || true)"
opaque="$(cat "$log_dir"/activity-*.log 2>/dev/null | grep -c " overlay.opaque$" || true)"
if [ "$shown" -ne 8 ] || [ "$opaque" -ne 1 ]; then
  echo "the activity log holds $shown overlay.shown (8 expected) and $opaque overlay.opaque (1):" >&2
  cat "$log_dir"/activity-*.log >&2 2>/dev/null || true
  status=1
fi
if [ "$status" -ne 0 ] || grep -q . "$work/tilewick.log"; then
  echo "--- Tilewick's output under $wm:" >&2
  cat "$work/tilewick.log" >&2
fi
exit "$status"
