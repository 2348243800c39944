# Sourced by the end-to-end scripts after private_desktop.sh: the program's windows, its tray icon
# and tray menu on the private desktop, found through xwininfo and xprop.

# trayer docks tray icons into a panel at the top right, for window managers without a tray
# (openbox).
start_tray() {
  trayer --edge top --align right --widthtype pixel --width 200 --height 24 --SetDockType true \
    >"$work/trayer.log" 2>&1 &
  pids+=($!)
  await sh -c 'xwininfo -root -tree | grep -q "\"panel\": (\"panel\" \"trayer\")"'
}

# The mapped client window of ours whose WM_WINDOW_ROLE is $1, if one exists.
window_with_role() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | awk '/"[^"]*": \("Tilewick" "Tilewick"\)/ { print $1 }'); do
    if xprop -id "$id" WM_WINDOW_ROLE 2>/dev/null | grep -q "= \"$1\"" &&
      xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable"; then
      echo "$id"
      return 0
    fi
  done
  return 1
}
main_window() { window_with_role main; }

# Small windows of ours that a tray took in (reparented away from the root, mapped): the tray
# icon, one id a line; `docked_icon` gives the first and fails when there is none.
docked_icons() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | awk '/^         +0x[0-9a-f]+ "Tilewick": \("Tilewick" "Tilewick"\)/ { print $1 }'); do
    xprop -id "$id" WM_WINDOW_ROLE 2>/dev/null | grep -q '= "main"' && continue
    xwininfo -id "$id" 2>/dev/null | awk '/Map State: IsViewable/ { v = 1 } /Width:/ { w = $NF }
      /Height:/ { h = $NF } END { exit !(v && w < 100 && h < 100) }' && echo "$id"
  done
  return 0
}
docked_icon() {
  local ids
  ids="$(docked_icons)"
  [ -n "$ids" ] && echo "${ids%%$'\n'*}"
}

# A pop-up menu of ours is mapped (an override-redirect window, larger than the tray icon, which
# a tray may map override-redirect too).
menu_shown() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | awk '/"Tilewick": \("Tilewick" "Tilewick"\)/ { print $1 }'); do
    xwininfo -id "$id" 2>/dev/null | awk '/Map State: IsViewable/ { v = 1 } /Override Redirect State: yes/ { o = 1 }
      /Width:/ { w = $NF } END { exit !(v && o && w >= 100) }' && return 0
  done
  return 1
}

# Opens the tray menu with a click on the tray icon and, once it shows, however long a busy
# machine takes to map it, types the keys $@ into it. Disabled items are skipped by the arrows.
tray_menu() {
  xdotool mousemove --window "$(docked_icon)" 8 8 click 1
  await menu_shown || echo "no tray menu seen; typing into it all the same" >&2
  xdotool key --delay 60 "$@"
}
