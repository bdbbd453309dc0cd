#!/usr/bin/env bash
# Remakes the pictures of the documentation page (src/doc/*.png) from the running program under
# Xvfb, against the bundled feed server on the demo corpus, and prints the worked example whose
# numbers the page quotes. Needs a build (scripts/build.sh); rebuild afterwards to compile them in.
set -euo pipefail
cd "$(dirname "$0")/.."
out=src/doc

feed_log=$(mktemp)
feed_pid=
stop_feed() {
    if [ -n "$feed_pid" ]; then
        kill "$feed_pid" 2>/dev/null || true
        wait "$feed_pid" 2>/dev/null || true
    fi
    rm -f "$feed_log"
}
trap stop_feed EXIT

# Any free port: the server says which one it took.
./build/tools/quorvel-feed --port 0 >"$feed_log" 2>&1 &
feed_pid=$!
port=
for _ in $(seq 100); do
    port=$(grep -oE '127\.0\.0\.1:[0-9]+' "$feed_log" | head -1 | cut -d: -f2 || true)
    [ -n "$port" ] && break
    kill -0 "$feed_pid" 2>/dev/null || { cat "$feed_log" >&2; exit 1; }
    sleep 0.1
done
[ -n "$port" ] || { echo "doc-figures.sh: quorvel-feed did not start" >&2; exit 1; }

xvfb-run -a -s "-screen 0 2000x1900x24" ./build/tools/doc_shots figures "$out" \
    "http://127.0.0.1:$port/search.atom?"
QT_QPA_PLATFORM=offscreen ./build/tools/doc_shots emblem "$out/tweet-bird-sm.png"
QT_QPA_PLATFORM=offscreen ./build/tools/doc_shots worked party rain
