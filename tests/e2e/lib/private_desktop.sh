# Sourced by the end-to-end scripts: a private X desktop that never touches the user's display
# or files. Gives `work` (a folder removed at exit), `pids` (processes stopped at exit), `await`,
# `require_tools`, `start_private_desktop` and `main_window`.

work="$(mktemp -d)"
pids=()
# Latest first, so the clients and the window manager end while the X server still runs. A
# process that has not ended 2 s after SIGTERM is killed: fluxbox sometimes hangs in its exit.
cleanup() {
  local i pid
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    pid="${pids[i]}"
    kill "$pid" 2>/dev/null || continue
    for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

# Waits up to 30 s for a command to succeed: a busy machine (a parallel build, two cores) can take
# many seconds to start a program or map a window, and only a failure waits the whole time.
await() {
  for _ in $(seq 300); do
    if "$@" >/dev/null 2>&1; then return 0; fi
    sleep 0.1
  done
  echo "timed out waiting for: $*" >&2
  return 1
}

# Exits 0 ("skipped") without Xvfb; fails when another tool is missing.
require_tools() {
  if ! command -v Xvfb >/dev/null 2>&1; then
    echo "skipped: Xvfb is not installed (scripts/setup installs it)"
    exit 0
  fi
  for tool in openbox xterm xrandr xprop xwininfo "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "missing $tool (scripts/setup installs it)" >&2; exit 1; }
  done
}

# Private folders, Xvfb on a free display with one 2560×1080 screen split into two monitors of
# 1280×1080 side by side ("L" holds the origin, "R") unless PRIVATE_DESKTOP_SCREEN says otherwise,
# and a window manager: openbox, or the one named (icewm, fluxbox, xfwm4, marco), whose process is
# `wm_pid`.
start_private_desktop() {
  local wm="${1:-openbox}"
  export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
  export XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime"
  export XDG_DATA_DIRS=/usr/local/share:/usr/share
  mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME/applications" "$XDG_STATE_HOME" "$XDG_CACHE_HOME"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  unset SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS XAUTHORITY TILEWICK_KEYBOARD_TYPE TILEWICK_GLOBE_KEY

  # Xvfb picks a free display number itself and writes it to fd 3. PRIVATE_DESKTOP_SCREEN (such
  # as 1280x800) asks for one screen of that size, a single monitor.
  Xvfb -displayfd 3 -screen 0 "${PRIVATE_DESKTOP_SCREEN:-2560x1080}x24" -noreset -nolisten tcp \
    3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  await test -s "$work/display" || { cat "$work/xvfb.log" >&2; exit 1; }
  export DISPLAY=":$(head -n 1 "$work/display")"
  echo "private display $DISPLAY"

  # The left monitor takes over Xvfb's only output.
  if [ -z "${PRIVATE_DESKTOP_SCREEN:-}" ]; then
    local output
    output="$(xrandr | awk '/ connected/ { print $1; exit }')"
    xrandr --setmonitor L 1280/338x1080/285+0+0 "${output:-none}" >/dev/null
    xrandr --setmonitor R 1280/338x1080/285+1280+0 none >/dev/null
  fi

  case "$wm" in
    openbox) openbox --sm-disable >"$work/wm.log" 2>&1 & ;;
    # MATE's window manager reads its settings through GSettings; without a session bus they
    # live in memory, at their defaults (its compositor on).
    marco) GSETTINGS_BACKEND=memory marco >"$work/wm.log" 2>&1 & ;;
    *) "$wm" >"$work/wm.log" 2>&1 & ;;
  esac
  wm_pid=$!
  pids+=("$wm_pid")
  await sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'
  # The first key sent through XTest switches the core keyboard to XTest's device, and the server
  # tells every client that the keymap changed; window managers then grab their keys afresh, and a
  # key arriving meanwhile (a test's Alt+F4) misses their binding. One harmless key now, while
  # nothing else runs, takes that switch out of the tests.
  if command -v xdotool >/dev/null 2>&1; then xdotool key Shift_L; fi
}

# The program of <build>/Tilewick.app ($1) and the end-to-end program $2 built beside it, as
# `program` and `driver`; exits when either is missing.
find_program_and_driver() {
  local app_dir
  app_dir="$(cd "$1" && pwd)"
  program="$app_dir/Contents/bin/Tilewick"
  driver="$(cd "$app_dir/.." && pwd)/e2e/$2"
  for file in "$driver" "$program"; do
    [ -x "$file" ] || { echo "missing $file (build the project first)" >&2; exit 1; }
  done
}

# A terminal "Term One" at X geometry $1 that writes every byte it reads to the file `typed`, raw;
# `term` is its pid. $2, when given, is shell code run in the terminal first (escape sequences for
# it). Returns once the window manager lists it.
start_terminal() {
  typed="$work/typed"
  : >"$typed"
  xterm -T "Term One" -geometry "$1" \
    -e sh -c "${2:-}"'stty raw -echo; exec dd bs=1 of="$0" 2>/dev/null' "$typed" >/dev/null 2>&1 &
  term=$!
  pids+=("$term")
  await sh -c 'xprop -root _NET_CLIENT_LIST | grep -q "window id #"'
}

# The private desktop entry e2e-term, whose windows are xterm's.
add_terminal_entry() {
  cat > "$XDG_DATA_HOME/applications/e2e-term.desktop" <<'ENTRY'
[Desktop Entry]
Type=Application
Name=E2E Terminal
Exec=xterm
StartupWMClass=XTerm
ENTRY
}

# Starts the program with the private folders, its output in $work/tilewick.log and its pid in
# `tilewick`, and returns once its main window is in front.
start_tilewick() {
  "$program" >"$work/tilewick.log" 2>&1 &
  tilewick=$!
  pids+=("$tilewick")
  local main_in_front='xprop -id "$(xprop -root _NET_ACTIVE_WINDOW | awk "{ print \$NF }")" WM_WINDOW_ROLE | grep -q main'
  declare -F main_window >/dev/null || source "$(dirname "${BASH_SOURCE[0]}")/tilewick_windows.sh"
  await main_window || return 1
  # A window manager may leave the focus with a terminal that mapped just before (openbox weighs
  # the windows' user times): then the window is brought to the front as a click would.
  for _ in $(seq 50); do sh -c "$main_in_front" && return 0; sleep 0.1; done
  xdotool windowactivate "$(main_window)" >/dev/null 2>&1 || true
  await sh -c "$main_in_front"
}
