#!/usr/bin/env bash
# Kmeans against pngquant, whole processes, in the same run: the 12 MP photo and the 12
# shared photos, each to a PNG of 256 colours with dither. Runs alternate between the two
# tools, three rounds; prints the median seconds of each and how many times faster we are.
#
#   bench/kmeans_speed.sh BUILD_DIR     (a Release build with vandrell-cli)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli="$(cd "${1:?usage: kmeans_speed.sh BUILD_DIR}" && pwd)/vandrell-cli"
big="$root/../shared/testdata/bench/photo-12mp.png"
photos=("$root"/../shared/testdata/photos/*.png)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

seconds() {
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f\n", (b - a) / 1e9 }'
}
ours() { for p in "$@"; do "$cli" quantize --method Kmeans --limit 256 --dither "$p" "$scratch/ours.png"; done; }
theirs() { for p in "$@"; do pngquant --force --output "$scratch/pq.png" 256 "$p"; done; }
median() { sort -n | sed -n 2p; }

for set in big photos; do
    files=("$big")
    [[ $set == photos ]] && files=("${photos[@]}")
    : >"$scratch/ours.t" >"$scratch/theirs.t"
    for _ in 1 2 3; do
        seconds ours "${files[@]}" >>"$scratch/ours.t"
        seconds theirs "${files[@]}" >>"$scratch/theirs.t"
    done
    o=$(median <"$scratch/ours.t")
    t=$(median <"$scratch/theirs.t")
    label="12 MP photo"
    [[ $set == photos ]] && label="${#photos[@]} photos, one process each"
    awk -v l="$label" -v o="$o" -v t="$t" 'BEGIN { printf "| %s | %.2f s | %.2f s | %.1fx |\n", l, o, t, t / o }'
done
