#!/usr/bin/env bash
# Installs what is needed (when run as root), builds the program and the feed server, starts the
# server on the demo corpus in the background, runs Quorvel, and stops the server when Quorvel
# exits (also on Ctrl+C).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are unset). Quorvel is a desktop program:" >&2
    echo "        run this from a desktop session, or with ssh -X, or under a virtual X server" >&2
    echo "        (xvfb-run -a bash scripts/run.sh) if an invisible window is what you want." >&2
    exit 1
fi
if [ "$(id -u)" -eq 0 ]; then
    bash scripts/install-deps.sh
fi
# Only what runs here: the tests, tools and benchmarks are left for scripts/build.sh.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target quorvel quorvel-feed

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

./build/quorvel
