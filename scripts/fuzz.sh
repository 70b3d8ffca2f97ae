#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, ASan, UBSan) and runs each for a bounded time:
# the picture decoders seeded with the shared codec suites, the palette file reader seeded with
# a few palettes written here, and the PNG writer's round trip and its two-part deflate from
# nothing.
# Usage: scripts/fuzz.sh [seconds per target] [target ...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shared="$root/../shared/testdata/codecs"
"$root/scripts/install-deps.sh"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVD_FUZZ=ON -DVD_BENCH=OFF >/dev/null
shift || true
targets=("$@")
[[ ${#targets[@]} -eq 0 ]] && targets=(png jpeg bmp header palette_file png_writer deflate_parts)
cmake --build "$root/build-fuzz" -j"$(nproc)" --target "${targets[@]/%/_fuzz}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
# Seeds for the palette file reader: one small palette in each format.
seed_palettes() {
    printf 'GIMP Palette\nName: seed\nColumns: 2\n#\n  0   0   0\tblack\n255 128   7\n' >"$1/seed.gpl"
    printf 'JASC-PAL\r\n0100\r\n2\r\n0 0 0\r\n255 128 7\r\n' >"$1/seed.pal"
    printf '000000\nff8007\n; comment\n' >"$1/seed.hex"
    printf '#000000\n#FF8007\n// comment\n' >"$1/seed.txt"
    head -c 768 /dev/zero >"$1/seed.act"
}

for format in "${targets[@]}"; do
    corpus="$work/$format-corpus"
    mkdir -p "$corpus" "$work/$format-crashes"
    # header_fuzz checks the early size check of the file reader on all three formats.
    case $format in
        header) suite="$shared" ;;
        palette_file) suite="" && seed_palettes "$corpus" ;;
        png_writer | deflate_parts) suite="" ;;
        *) suite="$shared/$format" ;;
    esac
    if [[ -n $suite ]]; then
        find "$suite" -type f \( -name '*.png' -o -name '*.jpg' -o -name '*.bmp' \) \
            -exec cp {} "$corpus/" \;
    fi
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
