#!/usr/bin/env bash
# Whole-process figures: the command line tool on the 12 MP photo (convert, and quantize by
# every method, to PNG and BMP), pngquant on the same file when it is installed, and the
# editor's steps on the 12 MP photo and on an 81 MP tiling of it made at run time. Each figure
# is the median of three runs: wall seconds and peak resident megabytes.
#
#   bench/whole/run.sh BUILD_DIR        (a Release build with vandrell-cli, vd_editor_steps,
#                                        vd_make_tiled)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: run.sh BUILD_DIR}" && pwd)
photo="$root/../shared/testdata/bench/photo-12mp.png"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cli="$build/vandrell-cli"

# median of three: "seconds peak_MB" of one command
measure() {
    local runs=()
    for _ in 1 2 3; do
        runs+=("$(/usr/bin/time -f '%e %M' "$@" 2>&1 >/dev/null | tail -1)")
    done
    printf '%s\n' "${runs[@]}" | sort -n | sed -n 2p |
        awk '{ printf "%.2f s, %.0f MB", $1, $2 / 1024 }'
}

row() { printf '| %s | %s |\n' "$1" "$2"; }

echo "| command line, 12 MP | wall, peak resident |"
echo "|---|---|"
for ext in png bmp; do
    row "convert PNG to ${ext^^}" "$(measure "$cli" convert "$photo" "$scratch/out.$ext")"
done
methods="Uniform Popularity Adaptive flat_8 flat_64 flat_512 flat_4096 Lemon_128 Berry_128 \
Ocean_128 Fixed_16 Fixed_24 Fixed_32 Neuquant_256 Kmeans"
for method in $methods; do
    limit=256
    [[ $method == Uniform ]] && limit=6
    for ext in png bmp; do
        row "quantize $method $limit + dither to ${ext^^}" \
            "$(measure "$cli" quantize --method "$method" --limit $limit --dither \
                "$photo" "$scratch/out.$ext")"
    done
done
if command -v pngquant >/dev/null; then
    row "pngquant 256 (default dither)" \
        "$(measure pngquant 256 --force --output "$scratch/pq.png" "$photo")"
fi

echo
"$build/bench/vd_make_tiled" "$photo" "$scratch/photo-81mp.png" 10368 7776
for input in "$photo" "$scratch/photo-81mp.png"; do
    echo "editor, $(basename "$input"), Popularity 32 + dither (three runs):"
    for _ in 1 2 3; do
        QT_QPA_PLATFORM=offscreen "$build/bench/vd_editor_steps" "$input" Popularity 32 1
        echo
    done
done
