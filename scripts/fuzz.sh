#!/usr/bin/env bash
# Builds the decoder fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each for a
# bounded time, seeded with the shared codec suites. Usage: scripts/fuzz.sh [seconds per target]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shared="$root/../shared/testdata/codecs"
"$root/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVD_FUZZ=ON -DVD_BENCH=OFF >/dev/null
cmake --build "$root/build-fuzz" -j"$(nproc)" --target png_fuzz jpeg_fuzz bmp_fuzz header_fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
# header_fuzz checks the early size check of the file reader on all three formats.
for format in png jpeg bmp header; do
    corpus="$work/$format-corpus"
    mkdir -p "$corpus" "$work/$format-crashes"
    suite="$shared/$format"
    [[ $format == header ]] && suite="$shared"
    find "$suite" -type f \( -name '*.png' -o -name '*.jpg' -o -name '*.bmp' \) \
        -exec cp {} "$corpus/" \;
    echo "== ${format}_fuzz for ${seconds}s"
    if ! "$root/build-fuzz/fuzz/${format}_fuzz" "$corpus" -max_total_time="$seconds" \
        -max_len=262144 -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/$format-crashes/" 2>"$work/$format.log"; then
        status=1
        mkdir -p "$root/fuzz-out"
        cp "$work/$format-crashes/"* "$root/fuzz-out/" 2>/dev/null || true
        echo "   found a failure; inputs kept in fuzz-out/"
    fi
    grep -E 'Done [0-9]+ runs|stat::peak_rss_mb|ERROR|SUMMARY' "$work/$format.log" || true
done
exit $status
