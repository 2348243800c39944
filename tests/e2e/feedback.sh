#!/usr/bin/env bash
# End to end on a private X server. Under openbox with a tray (trayer) and under icewm with its
# own: "Send Beta Feedback…" in the program's tray menu opens the feedback window (580 × 760,
# titled "Beta Feedback · Tilewick"), and a second time brings the same one forward. Then, under
# openbox, the kit's form with the endpoint on a loopback server the test starts
# (tests/e2e/feedback_driver, since the program's own endpoint is the maker's): a summary typed and
# Return pressed posts the report, whose packed body is byte for byte the report of the send, and
# the thank-you view follows; with the server refusing, "Couldn’t send: " with the server's words
# and "Try again" appear. Never touches the user's display. Usage: feedback.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: feedback.sh <build>/Tilewick.app}"

if [ -z "${FEEDBACK_WM:-}" ]; then
  status=0
  for wm in openbox icewm; do
    echo "--- under $wm"
    FEEDBACK_WM="$wm" bash "$0" "$app_dir" || status=1
  done
  exit "$status"
fi

source "$(dirname "$0")/lib/private_desktop.sh"
source "$(dirname "$0")/lib/tilewick_windows.sh"
find_program_and_driver "$app_dir" feedback_driver
require_tools trayer xdotool python3 "$FEEDBACK_WM"
start_private_desktop "$FEEDBACK_WM"

fail() { echo "FAIL: $*" >&2; status=1; }
status=0

if [ "$FEEDBACK_WM" = openbox ]; then
  start_tray
fi

# The mapped client windows of ours with this WM_WINDOW_ROLE, one id a line.
windows_with_role() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | awk '/\("(Tilewick|feedback_driver)" "[^"]*"\)/ { print $1 }'); do
    if xprop -id "$id" WM_WINDOW_ROLE 2>/dev/null | grep -q "= \"$1\"" &&
      xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable"; then
      echo "$id"
    fi
  done
}
window_with_role() { windows_with_role "$1" | grep -m1 .; }
size_of() { xwininfo -id "$1" | awk '/Width:/ { w = $NF } /Height:/ { h = $NF } END { print w "x" h }'; }

"$program" >"$work/tilewick.log" 2>&1 &
program_pid=$!
pids+=("$program_pid")
await window_with_role main || fail "no main window"
await docked_icon || { fail "no tray icon docked"; exit 1; }

# "Open Tilewick…", the four switches, "Tilewick Manual", then "Send Beta Feedback…".
tray_menu Down Down Down Down Down Down Down Return
await window_with_role feedback || { fail "\"Send Beta Feedback…\" in the tray menu opened no feedback window"; exit 1; }
form="$(window_with_role feedback)"
xprop -id "$form" _NET_WM_NAME | grep -q '= "Beta Feedback · Tilewick"' || fail "title: $(xprop -id "$form" _NET_WM_NAME)"
[ "$(size_of "$form")" = 580x760 ] || fail "feedback window size $(size_of "$form"), not 580x760"
# A picture of the desktop to look at, when asked for.
if [ -n "${FEEDBACK_SCREENSHOT:-}" ]; then
  sleep 0.5
  "$(dirname "$driver")/desktop_screenshot" "$FEEDBACK_SCREENSHOT-$FEEDBACK_WM.png" || true
fi
tray_menu Down Down Down Down Down Down Down Return
sleep 0.5
[ "$(windows_with_role feedback | wc -l)" = 1 ] || fail "a second request made a second feedback window"
kill "$program_pid" 2>/dev/null || true

# Sending goes once through the driver, under openbox.
[ "$FEEDBACK_WM" = openbox ] || exit "$status"

cat >"$work/server.py" <<'PY'
import http.server, json, os, sys
work, mode = sys.argv[1], sys.argv[2]
class Handler(http.server.BaseHTTPRequestHandler):
    count = 0
    def do_POST(self):
        body = self.rfile.read(int(self.headers["Content-Length"]))
        Handler.count += 1
        with open(os.path.join(work, "body-%d.json" % Handler.count), "wb") as f:
            f.write(body)
        if mode == "accept":
            status, answer = 200, {"ok": True, "id": "r-%d" % Handler.count}
        else:
            status, answer = 403, {"ok": False, "error": "This key is not accepted."}
        data = json.dumps(answer).encode()
        self.send_response(status)
        self.send_header("Content-Type", "application/json")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        self.wfile.write(data)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
with open(os.path.join(work, "port"), "w") as f:
    f.write(str(server.server_port))
server.serve_forever()
PY

# One send against a server in `mode`; the driver's notes end up in $work/<mode>/driver.log.
send_once() {
  local mode="$1" dir="$work/$1"
  mkdir -p "$dir"
  python3 -u "$work/server.py" "$dir" "$mode" >"$dir/server.log" 2>&1 &
  pids+=($!)
  await test -s "$dir/port"
  TILEWICK_E2E_ENDPOINT="http://127.0.0.1:$(cat "$dir/port")/beta/report" \
    TILEWICK_E2E_LOG="$dir/driver.log" TILEWICK_E2E_SENT="$dir/sent.json" \
    "$driver" >"$dir/driver.out" 2>&1 &
  local driver_pid=$!
  pids+=("$driver_pid")
  await window_with_role feedback || { fail "$mode: the driver showed no feedback form"; return; }
  local id
  id="$(window_with_role feedback)"
  # The summary field, then Return for Send.
  xdotool windowactivate --sync "$id" 2>/dev/null || true
  xdotool mousemove --window "$id" 200 283 click 1
  sleep 0.3
  xdotool type --delay 30 "Left half misses the dock"
  xdotool key Return
  await grep -q '^\(sent\|failed\)' "$dir/driver.log" || fail "$mode: the form never finished sending"
  kill "$driver_pid" 2>/dev/null || true
  await sh -c "! xwininfo -id $id >/dev/null 2>&1"
}

send_once accept
grep -qx 'sending summary="Left half misses the dock"' "$work/accept/driver.log" ||
  fail "the typed summary was not sent: $(cat "$work/accept/driver.log")"
grep -qx 'sent id=r-1 thanks=1 form=0' "$work/accept/driver.log" ||
  fail "no thank-you view after the server took the report: $(cat "$work/accept/driver.log")"
python3 - "$work/accept/body-1.json" "$work/accept/sent.json" <<'PY' || fail "the posted report is not the report sent"
import base64, json, sys, zlib
body = json.load(open(sys.argv[1], "rb"))
sent = open(sys.argv[2], "rb").read()
assert body["format"] == "deflate+base64", body["format"]
assert body["key"] == "5c2e71b04d9a83f6e0b1c7d2", body["key"]
report = zlib.decompress(base64.b64decode(body["report"]), -15)
assert report == sent, "bodies differ"
assert json.loads(report)["summary"] == "Left half misses the dock"
PY

send_once refuse
grep -qx 'failed text="Couldn’t send: This key is not accepted." tryAgain=1' "$work/refuse/driver.log" ||
  fail "no error and Try again after a refusal: $(cat "$work/refuse/driver.log")"
exit "$status"
