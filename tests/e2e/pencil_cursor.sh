#!/usr/bin/env bash
# End to end on a private X server: the pencil pointer is made in the screen's own pixels, with
# its hot spot on the pencil's tip, on a screen of scale 1 (96 dpi) and of scale 2 (192 dpi), as
# the X server hands the cursor back. Usage: pencil_cursor.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: pencil_cursor.sh <build>/Tilewick.app}"
source "$(dirname "$0")/lib/private_desktop.sh"
find_program_and_driver "$app_dir" pencil_cursor
require_tools xrdb
PRIVATE_DESKTOP_SCREEN=1280x800 start_private_desktop openbox

status=0
# dpi, then the cursor's width, height and hot spot in pixels.
for expected in "96 19 19 3 15" "192 38 38 7 31"; do
  read -r dpi size_w size_h hot_x hot_y <<<"$expected"
  echo "Xft.dpi: $dpi" | xrdb -override
  shown="$("$driver" "$size_w" "$size_h" "$hot_x" "$hot_y" 2>"$work/driver.log")" || {
    echo "FAIL: at $dpi dpi the pencil is \"$shown\" (width height hot x hot y), not \"$size_w $size_h $hot_x $hot_y\"" >&2
    cat "$work/driver.log" >&2
    status=1
  }
done
exit "$status"
