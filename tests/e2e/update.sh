#!/usr/bin/env bash
# End to end, the whole update on a loopback server: an installed build 100 in a private folder
# checks the feed, downloads a signed and notarised build 101, verifies and unpacks it beside itself,
# quits, and the swap script replaces the folder and starts the new build, which logs its build and
# finds nothing newer. Then a build signed by another developer is refused and nothing changes.
# Both folders are copies of the built Tilewick.app whose program is tests/e2e/update_driver (the
# program itself offers updates only through its update window, which is not built yet).
# Usage: update.sh <build>/Tilewick.app
set -euo pipefail

app_dir="${1:?usage: update.sh <build>/Tilewick.app}"
app_dir="$(cd "$app_dir" && pwd)"
build_dir="$(dirname "$app_dir")"
driver="$build_dir/e2e/update_driver"
sign="$build_dir/tools/betakit-sign"
keys="$build_dir/signing"
for needed in "$driver" "$sign" "$keys/developer.key" "$keys/notary.key" "$app_dir/Contents/bin/ditto"; do
  [ -e "$needed" ] || { echo "missing $needed (build the project first)" >&2; exit 1; }
done

source "$(dirname "$0")/lib/private_desktop.sh"
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
export XDG_STATE_HOME="$work/state" XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work/runtime" TMPDIR="$work/tmp"
export QT_QPA_PLATFORM=offscreen TILEWICK_E2E_LOG="$work/driver.log"
unset DISPLAY
mkdir -p "$HOME" "$TMPDIR" "$work/server/updates" "$work/Apps"
mkdir -m 700 "$XDG_RUNTIME_DIR"

fail() { echo "FAIL: $*" >&2; status=1; }
status=0

# A copy of the built folder with the driver as its program and this build number, signed.
make_build() {
  local dest="$1" build="$2" key="$3"
  rm -rf "$dest"
  mkdir -p "$(dirname "$dest")"
  cp -a "$app_dir" "$dest"
  rm -rf "$dest/Contents/_CodeSignature"
  cp "$driver" "$dest/Contents/bin/Tilewick"
  sed -i "/<key>CFBundleVersion<\/key>/{n;s|<string>.*</string>|<string>$build</string>|}" "$dest/Contents/Info.plist"
  "$sign" sign "$dest" "$key"
  "$sign" notarize "$dest" "$keys/notary.key"
}
# Publishes a folder as build 101 on the server.
publish() {
  rm -f "$work/server/Tilewick-101.zip"
  "$sign" zip "$1" "$work/server/Tilewick-101.zip"
  cat >"$work/server/updates/tile-wick.json" <<JSON
{"app":"tile-wick","latest":{"version":"1.0.1","build":"101","url":"http://127.0.0.1:$port/Tilewick-101.zip",
 "bytes":$(stat -c %s "$work/server/Tilewick-101.zip"),
 "sha256":"$(sha256sum "$work/server/Tilewick-101.zip" | cut -d' ' -f1)"},
 "versions":[{"version":"1.0.1","build":"101","changes":["A newer build."]}]}
JSON
}
installed_build() { sed -n '/<key>CFBundleVersion<\/key>/{n;s|.*<string>\(.*\)</string>.*|\1|p}' "$work/Apps/Tilewick.app/Contents/Info.plist"; }
activity() { cat "$XDG_DATA_HOME/Veldor Pellrath Beta/tile-wick"/activity-*.log 2>/dev/null | cut -d' ' -f2- || true; }

# The server, on a port of its own choosing on the loopback address.
python3 -u -m http.server --bind 127.0.0.1 --directory "$work/server" 0 >"$work/server.log" 2>&1 &
pids+=($!)
await grep -q "port" "$work/server.log" || { cat "$work/server.log" >&2; exit 1; }
port="$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/server.log" | head -n 1)"

make_build "$work/Apps/Tilewick.app" 100 "$keys/developer.key"
make_build "$work/new/Tilewick.app" 101 "$keys/developer.key"
publish "$work/new/Tilewick.app"
export TILEWICK_E2E_FEED="http://127.0.0.1:$port/updates/tile-wick.json"

# 1. The update: the old build quits after handing over; the new one starts, logs its build and
#    finds itself up to date.
exit_status=0
"$work/Apps/Tilewick.app/Contents/bin/Tilewick" || exit_status=$?
[ "$exit_status" -eq 0 ] || fail "the installed build ended with status $exit_status: $(cat "$work/driver.log")"
await grep -q "up to date" "$work/driver.log" || fail "the new build did not run: $(cat "$work/driver.log")"
expected="launched build=100 folder=$work/Apps/Tilewick.app
offered build=101
launched build=101 folder=$work/Apps/Tilewick.app
up to date"
[ "$(cat "$work/driver.log")" = "$expected" ] || fail "the driver logged: $(cat "$work/driver.log")"
[ "$(installed_build)" = 101 ] || fail "the installed build is $(installed_build)"
[ "$(ls -A "$work/Apps")" = "Tilewick.app" ] || fail "beside the application: $(ls -A "$work/Apps")"
ls "$TMPDIR"/beta-update-*.zip >/dev/null 2>&1 && fail "an archive was left: $(ls "$TMPDIR")"
"$app_dir/Contents/bin/spctl" --assess --type execute -vv "$work/Apps/Tilewick.app" | grep -q "Notarized Developer ID" ||
  fail "the swapped folder is not the signed build"
for event in "beta.update_download build=101" "beta.update_installing build=101" "beta.quit"; do
  activity | grep -qx "$event" || fail "no \"$event\" in the log: $(activity | tr '\n' '|')"
done
[ "$(activity | grep -c '^beta.launch')" -eq 2 ] || fail "launches: $(activity | grep '^beta.launch' | tr '\n' '|')"

# 2. Build 101 again, but signed by another developer: refused, and nothing changes.
make_build "$work/Apps/Tilewick.app" 100 "$keys/developer.key"
"$sign" keygen "$work/stranger.key" "$work/stranger.pub"
make_build "$work/new/Tilewick.app" 101 "$work/stranger.key"
publish "$work/new/Tilewick.app"
before="$(cd "$work/Apps" && find . -exec stat -c '%n %a %s' {} + | sort | md5sum)"
: >"$work/driver.log"
exit_status=0
"$work/Apps/Tilewick.app/Contents/bin/Tilewick" || exit_status=$?
[ "$exit_status" -eq 1 ] || fail "a stranger's build ended with status $exit_status"
grep -qx "failed: The new build isn’t signed by Veldor Pellrath’s developer, so it wasn’t installed." "$work/driver.log" ||
  fail "the driver logged: $(cat "$work/driver.log")"
after="$(cd "$work/Apps" && find . -exec stat -c '%n %a %s' {} + | sort | md5sum)"
[ "$before" = "$after" ] || fail "the installed folder changed: $(ls -A "$work/Apps")"
activity | grep -qx "beta.update_failed" || fail "no beta.update_failed in the log"

[ "$status" -eq 0 ] && echo "update: ok"
exit "$status"
