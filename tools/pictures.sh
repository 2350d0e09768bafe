#!/usr/bin/env bash
# Makes the guide's pictures in docs/: Tessary Notes' own pages drawn by a real
# browser engine (Debian's headless Chromium, installed here on first use), in a
# browser window drawn around them with the toolbar band's own button pictures.
# The extension's scripts run against tools/pictures/host.js, which stands in
# for the host program and the page agent. Not part of the build or the tests:
# the demo keeps its own pictures of the Internet Explorer stand-in.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$top/docs}
site=$top/build/pictures

if ! command -v chromium >/dev/null; then
  echo "pictures: installing Chromium"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq || true
  apt-get install -y -qq --no-install-recommends chromium fonts-dejavu-core python3 >/dev/null
fi

# The page the browser opens: the drawing, the sample page, the band's pictures
# as the build draws them, and the extension with its config.xml as staged.
rm -rf "$site"
mkdir -p "$site/art"
cp "$top"/tools/pictures/* "$site/"
cp -r "$top/extensions/notes" "$site/extension"
sed -e "s/@TESSARY_VERSION@/$(cat "$top/VERSION")/" -e "s/@TESSARY_UPDATE_URL@//" \
  "$site/extension/config.xml.in" >"$site/extension/config.xml"
python3 "$top/barlet/art/padlock.py" "$site/art" >/dev/null

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site" >"$site/server.log" 2>&1 &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/window.html')" 2>/dev/null && break
  sleep 0.1
done

# shoot <scene> <width> <height> <scale> <file>
shoot() {
  chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --force-device-scale-factor="$4" \
    --window-size="$2,$3" --virtual-time-budget=5000 --screenshot="$out/$5" \
    "http://127.0.0.1:$port/window.html?scene=$1" >"$site/chromium-$1.log" 2>&1
  echo "pictures: $out/$5"
}
mkdir -p "$out"
shoot window 1100 760 1 notes-window.png
shoot page 1100 560 1 notes-page.png
shoot popup 536 565 1 notes-popup.png
shoot toolbar 420 116 2 notes-toolbar.png
