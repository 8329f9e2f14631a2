#!/bin/bash
# Runs the fuzz targets one after another at low priority.
#   tests/fuzz/run.sh BUILD_DIR [SECONDS_PER_TARGET] [TARGET...]
# Build first (clang):
#   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DORBELUNE_FUZZ=ON \
#     -DORBELUNE_TESTS=OFF && cmake --build build-fuzz --target fuzz_image fuzz_store fuzz_engine fuzz_import \
#     fuzz_settings fuzz_repair
# Corpora and crash files go to BUILD_DIR/fuzz-work/<target>/. The image target is seeded with the shared
# test images (sheets naming "data.bin", and the Nero image's footer over a small data area).
set -euo pipefail
build=$(realpath "$1"); seconds=${2:-600}; shift 2 || shift $#
targets=("$@"); [ ${#targets[@]} -gt 0 ] || targets=(fuzz_image fuzz_store fuzz_engine fuzz_import fuzz_settings fuzz_repair)
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
# The import target: a byte choosing the layout (0 version 4, 1 version 3, 2 Windows), then the file.
seed_imports() {
    local seeds=$1
    printf '\0[0000000000000002]\r\nName\r\nArtist\r\nComposer\r\nRef\r\nType\r\nLabel\r\nU1\r\nU2\r\n1999\r\n07.30\r\n2\r\n03.10\r\nOne\r\n\r\n\r\n04.20\r\nTwo\r\na\r\nb\r\n[00000000000000AB]\r\nNew\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n0\r\n00.00\r\n0\r\n' >"$seeds/v4"
    { printf '\001[0000000000000001]\nName\nComposer\nType\n\001\002\nRef\n'; for i in $(seq 30); do echo "Track $i"; done; } >"$seeds/v3"
    printf '\203[1A2B3C]\nartist=Someone\ntitle=Title\nnumtracks=3\n0=One\n1=Two\n2=Three\n' >"$seeds/windows"
    for f in "$testdata"/windows-disc-ini/*.ini; do { printf '\002'; cat "$f"; } >"$seeds/$(basename "$f")"; done
}
seed_settings() {
    printf '[General]\r\nCDROM in use=0\r\nMain left=100\r\nMain top=100\r\nSkip time=10\r\nIntro time=00.10\r\nCollector name=Someone\r\n[Volume]\r\nLeft=30000\r\nRight=30000\r\n[Repeat buttons]\r\nVolume delay=300\r\n[Fonts]\r\nReport name=Times\r\n[Color]\r\nReport=-2147483633\r\n[User config]\r\nDisc user 1=Mine\r\n' >"$1/ini"
}
for target in "${targets[@]}"; do
    corpus=$work/$target/corpus
    mkdir -p "$corpus" "$work/$target/artifacts"
    if [ -z "$(ls -A "$corpus")" ]; then
        case $target in
            fuzz_image) seed_images "$corpus" ;;
            fuzz_import) seed_imports "$corpus" ;;
            fuzz_settings) seed_settings "$corpus" ;;
        esac
    fi
    [ -z "$(ls -A "$corpus")" ] && printf '\0' > "$corpus/empty"
    echo "== $target for ${seconds}s"
    (cd "$work/$target" && nice -n 10 "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len=8192 \
        -timeout=20 -rss_limit_mb=2048 -detect_leaks=0 -artifact_prefix="$work/$target/artifacts/" -print_final_stats=1 \
        "$corpus" 2>&1 | tail -n 25) || true
    ls "$work/$target/artifacts"
done
