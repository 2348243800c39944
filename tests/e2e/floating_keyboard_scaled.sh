#!/usr/bin/env bash
# End to end on a private X server: on a scaled 3200 × 2000 screen the floating keyboard is sized
# and placed in points, as unscaled on a 1600 × 1000 screen at scale 2 and on a 2133 × 1333 one at
# 1.5, and shown in device pixels: at scale 2 (QT_SCALE_FACTOR=2) 2026 × 766 at +588+1118, at 1.5
# (Xft.dpi 144) 2025 × 748 at +588+1126, each to within a pixel of Qt's rounding. Under openbox.
# Never touches the user's display. Usage: floating_keyboard_scaled.sh <build>/Tilewick.app
set -euo pipefail

export PRIVATE_DESKTOP_SCREEN=3200x2000
source "$(dirname "$0")/lib/private_desktop.sh"
require_tools xdotool xrdb
find_program_and_driver "${1:?usage: floating_keyboard_scaled.sh <build>/Tilewick.app}" floating_keyboard_driver
start_private_desktop openbox
start_terminal 80x24+1000+1200

# The mapped override-redirect window of ours, as "width height x y".
panel_geometry() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | awk '/"Tilewick": \("Tilewick" "Tilewick"\)/ { print $1 }'); do
    xwininfo -id "$id" 2>/dev/null | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
      /Width:/ { w = $NF } /Height:/ { h = $NF } /Map State: IsViewable/ { v = 1 }
      /Override Redirect State: yes/ { o = 1 } END { if (v && o) { print w, h, x, y; exit 0 } exit 1 }' && return 0
  done
  return 1
}

status=0
# Starts the program with the environment $1, holds Alt+Super over the terminal and compares the
# keyboard's window with "width height x y" $2.
check_scale() {
  env $1 "$program" >"$work/tilewick.log" 2>&1 &
  tilewick=$!
  pids+=("$tilewick")
  await sh -c 'xprop -id "$(xprop -root _NET_ACTIVE_WINDOW | awk "{ print \$NF }")" WM_WINDOW_ROLE | grep -q main'
  xdotool windowactivate --sync "$(xdotool search --name "Term One" | head -n 1)" >/dev/null
  xdotool keydown alt+super
  local seen=""
  await panel_geometry && seen="$(panel_geometry)"
  xdotool keyup alt+super
  if ! awk -v seen="$seen" -v want="$2" 'BEGIN { n = split(seen, s, " "); split(want, w, " ")
      if (n != 4) exit 1; for (i = 1; i <= 4; i++) if (s[i] - w[i] > 1 || w[i] - s[i] > 1) exit 1 }'; then
    echo "with $1 the floating keyboard is \"${seen:-not shown}\" (width height x y), not \"$2\"" >&2
    cat "$work/tilewick.log" >&2
    status=1
  fi
  kill "$tilewick"
  wait "$tilewick" 2>/dev/null || true
}

check_scale QT_SCALE_FACTOR=1 "1350 499 925 1251"
check_scale QT_SCALE_FACTOR=2 "2026 766 588 1118"
echo "Xft.dpi: 144" | xrdb -merge
check_scale QT_SCALE_FACTOR=1 "2025 749 588 1126"
exit "$status"
