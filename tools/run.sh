#!/usr/bin/env bash
# Installs what is needed, builds the player and starts it. Extra arguments go to the player
# (for example /p, or --drive /path/to/image.cue). Without a display it runs under a virtual one.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DORBELUNE_TESTS=OFF >/dev/null
cmake --build build-release -j"$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: running under a virtual X server (xvfb-run)."
  exec xvfb-run -a ./build-release/orbelune "$@"
fi
exec ./build-release/orbelune "$@"
