#!/usr/bin/env bash
# Installs what is needed, builds, starts the bundled feed server on the demo corpus in the
# background, runs Quorvel, and stops the server when Quorvel exits (also on Ctrl+C).
# Without a display Quorvel runs inside Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh

port=8077 # the port of the build's default search address
feed_pid=
stop_feed() {
    if [ -n "$feed_pid" ]; then
        kill "$feed_pid" 2>/dev/null || true
        wait "$feed_pid" 2>/dev/null || true
        feed_pid=
    fi
}
trap stop_feed EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

answers() { (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; }

if answers; then
    echo "run.sh: port $port is taken; is another quorvel-feed running? Stop it and try again." >&2
    exit 1
fi
./build/tools/quorvel-feed --port "$port" &
feed_pid=$!
for _ in $(seq 100); do
    answers && break
    if ! kill -0 "$feed_pid" 2>/dev/null; then
        feed_pid=
        echo "run.sh: quorvel-feed did not start" >&2
        exit 1
    fi
    sleep 0.1
done
if ! answers; then
    echo "run.sh: quorvel-feed does not answer on port $port" >&2
    exit 1
fi

if [ -n "${DISPLAY:-}" ]; then
    ./build/quorvel
else
    xvfb-run -a -s "-screen 0 1280x1024x24" ./build/quorvel
fi
