#!/usr/bin/env bash
# Installs what is needed, builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and
# runs every test. Audio tests run against a private PulseAudio server with a null sink, so the real
# sound output is exercised at real-time speed without touching the user's sound setup.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
# The includes run one way between the folders (docs/architecture.md); checked before the long build.
python3 tools/check_layers.py
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DORBELUNE_SANITIZE=ON -DORBELUNE_BENCH=ON >/dev/null
cmake --build build-test -j"$(nproc)"

runtime=$(mktemp -d)
chmod 700 "$runtime"
export XDG_RUNTIME_DIR="$runtime"
pulseaudio -n --daemonize=no --exit-idle-time=-1 --log-target=stderr --log-level=error \
  --load=module-native-protocol-unix --load="module-null-sink sink_name=ci_null" 2>"$runtime/pulse.log" &
pulse=$!
cleanup() { kill "$pulse" 2>/dev/null || true; wait "$pulse" 2>/dev/null || true; rm -rf "$runtime"; }
trap cleanup EXIT
for _ in $(seq 50); do
  [ -S "$runtime/pulse/native" ] && break
  sleep 0.1
done
if [ -S "$runtime/pulse/native" ]; then
  export ORBELUNE_REQUIRE_AUDIO=1
else
  echo "warning: the private PulseAudio server did not start; audio tests will be skipped" >&2
  cat "$runtime/pulse.log" >&2 || true
fi

ctest --test-dir build-test --output-on-failure -j2 --timeout 600
