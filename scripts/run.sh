#!/usr/bin/env bash
# Installs what is needed, builds, and runs Quorvel. Without a display it runs inside Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
if [ -n "${DISPLAY:-}" ]; then
    exec ./build/quorvel
else
    exec xvfb-run -a -s "-screen 0 1280x1024x24" ./build/quorvel
fi
