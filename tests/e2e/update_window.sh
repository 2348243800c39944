#!/usr/bin/env bash
# End to end on a private X server under openbox, the program itself: an installed build 100 (a
# signed copy of the built folder) finds build 101 on a loopback feed with its quiet check after
# start and opens the update window; Return there downloads, verifies and swaps in build 101,
# which starts in its place, checks the same feed and, finding itself up to date, opens no
# window. Before that, SIGTERM and Ctrl+Q end the program within a second while the window offers
# the build and while it downloads from a server that stalls. Never touches the user's display.
# Usage: update_window.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: update_window.sh <build>/Tilewick.app}"
app_dir="$(cd "$app_dir" && pwd)"

source "$(dirname "$0")/lib/private_desktop.sh"
require_tools xdotool
start_private_desktop openbox
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"
source "$(dirname "$0")/lib/update_builds.sh"

fail() { echo "FAIL: $*" >&2; status=1; }
status=0

make_build "$work/Apps/Tilewick.app" 100 "$keys/developer.key"
make_build "$work/new/Tilewick.app" 101 "$keys/developer.key"
publish "$work/new/Tilewick.app"
export TILEWICK_UPDATE_FEED="http://127.0.0.1:$port/updates/tile-wick.json"
program="$work/Apps/Tilewick.app/Contents/bin/Tilewick"

update_window() { xdotool search --onlyvisible --name "^Beta Update · Tilewick\$" | head -n 1 | grep .; }
feed_requests() { grep -c "GET /updates/tile-wick.json" "$work/server.log" || true; }
launches() { activity | grep -c '^beta.launch' || true; }

# A download server that sends the head and a few bytes of a large archive, then nothing.
python3 -u -c '
import socket, time
server = socket.socket()
server.bind(("127.0.0.1", 0))
server.listen(8)
print("port", server.getsockname()[1])
held = []
while True:
    connection, _ = server.accept()
    connection.recv(65536)
    connection.sendall(b"HTTP/1.1 200 OK\r\nContent-Length: 5000000\r\n\r\n" + b"z" * 1000)
    print("stalled")
    held.append(connection)
' >"$work/stall.log" 2>&1 &
pids+=($!)
await grep -q "port" "$work/stall.log" || { cat "$work/stall.log" >&2; exit 1; }
stall_port="$(sed -n 's/^port \([0-9]*\)$/\1/p' "$work/stall.log")"
sed -i "s|\"url\":\"[^\"]*\"|\"url\":\"http://127.0.0.1:$stall_port/Tilewick-101.zip\"|" "$work/server/updates/tile-wick.json"
main_window() { xdotool search --onlyvisible --name "^Tilewick\$" | head -n 1 | grep .; }
# Quits the program as $1 says (TERM or ctrl+q) with the update window open once $2 (offer or
# download) is reached, and fails unless it has ended a second later with "beta.quit" logged last.
quit_with_window_open() {
  local how="$1" stage="$2" pid window ended=no
  "$program" >"$work/tilewick.log" 2>&1 &
  pid=$!
  pids+=("$pid")
  await update_window || { fail "no update window to quit with ($how, $stage)"; return; }
  window="$(update_window)"
  if [ "$stage" = download ]; then
    local stalled
    stalled="$(grep -c stalled "$work/stall.log" || true)"
    xdotool windowactivate --sync "$window" key Return
    await sh -c "[ \"\$(grep -c stalled '$work/stall.log')\" -gt $stalled ]" || fail "no download started"
  fi
  if [ "$how" = TERM ]; then
    kill -TERM "$pid"
  else
    xdotool windowactivate --sync "$(main_window)" key ctrl+q
  fi
  for _ in $(seq 10); do kill -0 "$pid" 2>/dev/null || { ended=yes; break; }; sleep 0.1; done
  if [ "$ended" = no ]; then
    fail "the program still runs a second after $how with the update window open ($stage)"
    kill -KILL "$pid"
  fi
  wait "$pid" 2>/dev/null || true
  [ "$(activity | tail -n 1)" = "beta.quit" ] || fail "not \"beta.quit\" last after $how ($stage): $(activity | tail -n 1)"
}
for stage in offer download; do
  for how in TERM ctrl+q; do
    quit_with_window_open "$how" "$stage"
  done
done
# The update below starts afresh.
rm -f "$XDG_DATA_HOME/Veldor Pellrath Beta/tile-wick"/activity-*.log
publish "$work/new/Tilewick.app"

"$program" >"$work/tilewick.log" 2>&1 &
pids+=($!)
if ! await update_window; then
  fail "no update window after start: $(activity | tr '\n' '|')"
  exit 1
fi
window="$(update_window)"
size="$(xwininfo -id "$window" | awk '/Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h }')"
[ "$size" = "520x520" ] || fail "update window size $size, not 520x520"
activity | grep -qx "beta.update_offered build=101" || fail "no offer in the log: $(activity | tr '\n' '|')"
[ -n "${UPDATE_WINDOW_SCREENSHOT:-}" ] && "$build_dir/e2e/desktop_screenshot" "$UPDATE_WINDOW_SCREENSHOT"

# Return is "Download": the old build hands over and quits, the new one starts in its place.
checked="$(feed_requests)"
xdotool windowactivate --sync "$window" key Return
installed() { [ "$(installed_build)" = 101 ] && [ "$(launches)" -ge 2 ]; }
await installed || fail "build $(installed_build) is installed after $(launches) launches: $(activity | tr '\n' '|')"
# The new build runs on by itself: stopped when the test ends.
await pgrep -f -x "$program" || fail "the new build is not running"
pids+=($(pgrep -f -x "$program" || true))
checked_again() { [ "$(feed_requests)" -gt "$checked" ]; }
await checked_again || fail "the new build did not check the feed"
sleep 1
update_window >/dev/null && fail "the new build offered itself"
for event in "beta.update_download build=101" "beta.update_installing build=101" "beta.quit"; do
  activity | grep -qx "$event" || fail "no \"$event\" in the log: $(activity | tr '\n' '|')"
done
[ "$(activity | grep -c '^beta.update_offered')" -eq 1 ] || fail "offers: $(activity | grep offered | tr '\n' '|')"
[ "$(ls -A "$work/Apps")" = "Tilewick.app" ] || fail "beside the application: $(ls -A "$work/Apps")"

[ "$status" -eq 0 ] && echo "update_window: ok"
exit "$status"
