# Sourced by the update end-to-end scripts after private_desktop.sh: signed copies of the built
# application folder and a feed offering one of them, on a loopback server. Needs `app_dir` (the
# built Tilewick.app) and `work`; gives `sign`, `keys`, `port`, `make_build`, `publish`,
# `installed_build` and `activity`.

build_dir="$(dirname "$app_dir")"
sign="$build_dir/tools/betakit-sign"
keys="$build_dir/signing"
for needed in "$sign" "$keys/developer.key" "$keys/notary.key" "$app_dir/Contents/bin/ditto"; do
  [ -e "$needed" ] || { echo "missing $needed (build the project first)" >&2; exit 1; }
done
mkdir -p "$work/server/updates" "$work/Apps"

# A copy of the built folder with this build number, signed by `key` and notarised; with a fourth
# argument, that program takes the place of Tilewick's.
make_build() {
  local dest="$1" build="$2" key="$3" program="${4:-}"
  rm -rf "$dest"
  mkdir -p "$(dirname "$dest")"
  cp -a "$app_dir" "$dest"
  rm -rf "$dest/Contents/_CodeSignature"
  [ -z "$program" ] || cp "$program" "$dest/Contents/bin/Tilewick"
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
