#!/usr/bin/env bash
# Kmeans against pngquant, whole processes, in the same run: the 12 MP photo and the 12
# shared photos, each to a PNG of 256 colours with dither; the photos once with a process
# for each, and once with one process given all twelve (our --output-dir, pngquant's
# several files; both tools then share the photos out among the cores). Runs alternate
# between the two tools, three rounds; prints the median seconds of each and how many times
# faster we are.
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
# pngquant writes each result beside its input, so it is given copies.
mkdir -p "$scratch/batch" "$scratch/copies"
cp "${photos[@]}" "$scratch/copies/"
copies=("$scratch"/copies/*.png)
ours_batch() { "$cli" quantize --method Kmeans --limit 256 --dither --output-dir "$scratch/batch" "$@"; }
theirs_batch() { pngquant --force --ext -pq.png 256 "${copies[@]}"; }
median() { sort -n | sed -n 2p; }

for set in big photos batch; do
    files=("$big")
    [[ $set != big ]] && files=("${photos[@]}")
    mine=ours their=theirs
    [[ $set == batch ]] && mine=ours_batch their=theirs_batch
    : >"$scratch/ours.t" >"$scratch/theirs.t"
    for _ in 1 2 3; do
        seconds $mine "${files[@]}" >>"$scratch/ours.t"
        seconds $their "${files[@]}" >>"$scratch/theirs.t"
    done
    o=$(median <"$scratch/ours.t")
    t=$(median <"$scratch/theirs.t")
    label="12 MP photo"
    [[ $set == photos ]] && label="${#photos[@]} photos, one process each"
    [[ $set == batch ]] && label="${#photos[@]} photos, one process for all"
    awk -v l="$label" -v o="$o" -v t="$t" 'BEGIN { printf "| %s | %.2f s | %.2f s | %.1fx |\n", l, o, t, t / o }'
done
