#!/usr/bin/env bash
# End to end on a private X server: the X11 event tap, then the real program moving a real
# terminal (xterm) on its hotkeys typed through XTest (halves, maximise, centre, next display,
# undo, redo), while other keys still reach the terminal, and a hotkey another client holds is
# said and won back. Under openbox, then the program again on a desktop of its own under fluxbox, and
# the tap under icewm, which holds the Super keys. Never touches the user's display.
# Usage: hotkeys.sh <build>/Tilewick.app [fluxbox|icewm]
set -euo pipefail

app_dir="${1:?usage: hotkeys.sh <build>/Tilewick.app}"
wm="${2:-openbox}"
if [ "$wm" = openbox ]; then
  bash "$0" "$1" fluxbox
  bash "$0" "$1" icewm
fi
source "$(dirname "$0")/lib/private_desktop.sh"
require_tools xset setxkbmap xdotool xkbcomp "$wm"
find_program_and_driver "$app_dir" hotkeys_driver

# Without an X server the program says what it needs and fails.
if (unset DISPLAY; "$program" >"$work/no-display.out" 2>&1); then
  echo "Tilewick ran without a display" >&2; exit 1
fi
grep -q "needs an X11 session" "$work/no-display.out" || { cat "$work/no-display.out" >&2; exit 1; }

start_private_desktop "$wm"
# Held keys repeat after 0.2 s, so the repeat test does not wait long.
xset r rate 200 30

# The terminal writes every byte typed into it to a file, raw.
start_terminal 80x24+100+100
export E2E_TERM_PID="$term" E2E_TYPED="$typed"

# icewm holds the Super keys itself: only the tap's look at them runs there.
if [ "$wm" = icewm ]; then
  QT_QPA_PLATFORM=xcb timeout 60 "$driver" --gtest_filter='IcewmTest.*'
  exit
fi

# On Qt's own X11 platform, so that windows of the driver take keys too. The tap does not depend
# on the window manager: openbox only.
if [ "$wm" = openbox ]; then
  QT_QPA_PLATFORM=xcb timeout 120 "$driver" --gtest_filter='TapTest.*'
fi

# The real program with its own folders and no settings yet. It opens its main window in front;
# the keys that follow are for the terminal.
start_tilewick
xdotool windowactivate --sync "$(xdotool search --name "Term One" | head -n 1)" >/dev/null
status=0
QT_QPA_PLATFORM=offscreen timeout 120 "$driver" --gtest_filter='ProgramTest.HotkeysMove*' || status=$?

# It quits cleanly when asked to terminate.
kill -TERM "$tilewick"
exit_status=0
wait "$tilewick" || exit_status=$?
if [ "$exit_status" -ne 0 ]; then
  echo "Tilewick ended with status $exit_status on SIGTERM" >&2
  status=1
fi
# The activity log reached its day file, hotkeys and moves included, by the time the program ended.
log_dir="$XDG_DATA_HOME/Veldor Pellrath Beta/tile-wick"
if ! cat "$log_dir"/activity-*.log 2>/dev/null | grep -q " snap layout=left_half displays=2 ok=true"; then
  echo "the activity log holds no left-half snap:" >&2
  cat "$log_dir"/activity-*.log >&2 2>/dev/null || echo "(no day file in $log_dir)" >&2
  status=1
fi
if [ "$status" -ne 0 ] || grep -q . "$work/tilewick.log"; then
  echo "--- Tilewick's output:" >&2
  cat "$work/tilewick.log" >&2
fi

# The program again, started by the driver once another client holds one of its hotkeys.
E2E_PROGRAM="$program" QT_QPA_PLATFORM=offscreen timeout 120 "$driver" \
  --gtest_filter='ProgramTest.ATakenChord*' || status=$?
exit "$status"
