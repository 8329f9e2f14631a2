#!/bin/bash
# Runs the fuzz targets one after another at low priority.
#   tests/fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET] [TARGET...]
# Build first (clang):
#   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DORBELUNE_FUZZ=ON \
#     -DORBELUNE_TESTS=OFF && cmake --build build-fuzz --target fuzz_image fuzz_store fuzz_engine
# Corpora and crash files go to BUILD_DIR/fuzz-work/<target>/. The image target is seeded with the shared
# test images (sheets naming "data.bin", and the Nero image's footer over a small data area).
set -euo pipefail
build=$(realpath "$1"); seconds=${2:-600}; shift 2 || shift $#
targets=("$@"); [ ${#targets[@]} -gt 0 ] || targets=(fuzz_image fuzz_store fuzz_engine)
testdata=${ORBELUNE_TESTDATA:-$(dirname "$0")/../../../shared/testdata}
[ -d "$testdata/cd-images" ] || testdata=/work/shared/testdata
work=$build/fuzz-work
# libcdio leaks a little on every image it refuses; leaks are not what these runs look for.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
mkdir -p "$work"
seed_images() {
    local seeds=$1
    python3 - "$testdata/cd-images" "$seeds" <<'PY'
import os, re, struct, sys
src, out = sys.argv[1], sys.argv[2]
n = 0
for folder, _, files in os.walk(src):
    for name in files:
        path = os.path.join(folder, name)
        kind = {'.nrg': 0, '.cue': 1, '.toc': 2, '.cdt': 3}.get(os.path.splitext(name)[1].lower())
        if kind is None: continue
        data = open(path, 'rb').read()
        if kind == 0:
            offset = struct.unpack('>Q', data[-8:])[0]
            footer = data[offset:-12]
            data = bytes(64) + footer + b'NER5' + struct.pack('>Q', 64)
        elif kind != 3:
            data = re.sub(rb'"[^"\n]*\.(bin|BIN|cdt)"', b'"data.bin"', data)
        open(os.path.join(out, 'seed%03d' % n), 'wb').write(bytes([kind]) + data)
        n += 1
PY
}
for target in "${targets[@]}"; do
    corpus=$work/$target/corpus
    mkdir -p "$corpus" "$work/$target/artifacts"
    [ "$target" = fuzz_image ] && [ -z "$(ls -A "$corpus")" ] && seed_images "$corpus"
    [ -z "$(ls -A "$corpus")" ] && printf '\0' > "$corpus/empty"
    echo "== $target for ${seconds}s"
    (cd "$work/$target" && nice -n 10 "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len=8192 \
        -timeout=20 -rss_limit_mb=2048 -detect_leaks=0 -artifact_prefix="$work/$target/artifacts/" -print_final_stats=1 \
        "$corpus" 2>&1 | tail -n 25) || true
    ls "$work/$target/artifacts"
done
