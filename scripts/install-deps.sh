#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test Quorvel. Run as root.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps.sh: run as root (apt-get needs it)" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
    build-essential cmake ninja-build \
    qt6-base-dev libqt6opengl6-dev qt6-image-formats-plugins \
    libgl-dev libglu1-mesa-dev libgl1-mesa-dri \
    xvfb xauth \
    libeigen3-dev libstemmer-dev wordnet-dev wordnet-base \
    fonts-dejavu-core fonts-noto-color-emoji libbenchmark-dev "$@" >/dev/null
