#!/usr/bin/env bash
# How close each method comes to the photo: PSNR and mean CIEDE2000 of every method (dither on
# and off, Limit 256 where the method has one) on the 12 shared photos, averaged, beside
# pngquant and ImageMagick's -colors at the same colour count as our result. Prints a
# Markdown table.
#
#   bench/quality_table.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli="$(cd "${1:?usage: quality_table.sh BUILD_DIR}" && pwd)/vandrell-cli"
photos="$root/../shared/testdata/photos"
magick=/usr/bin/convert  # the real ImageMagick, not a stand-in earlier on the PATH
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# "PSNR meanDE" of B against A
figures() {
    "$cli" compare "$1" "$2" | awk '{ print $2, $6 }'
}
colours() { "$cli" info "$1" | awk '/unique colors/ { print $3 }'; }
mean() { awk '{ p += ($1 == "inf" ? 99 : $1); d += $2; n++ } END { printf "%.2f dB, %.3f", p / n, d / n }'; }

methods="Uniform Popularity Adaptive flat_8 flat_64 flat_512 flat_4096 Lemon_128 Berry_128 \
Ocean_128 Fixed_16 Fixed_24 Fixed_32 Neuquant_256"
echo "| method | dither | colours (mean) | ours: PSNR, mean dE2000 | pngquant | ImageMagick -colors |"
echo "|---|---|---|---|---|---|"
for method in $methods; do
    limit=()
    [[ $method == Popularity || $method == Adaptive ]] && limit=(--limit 256)
    [[ $method == Uniform ]] && limit=(--limit 6)
    for dither in off on; do
        flag=()
        [[ $dither == on ]] && flag=(--dither)
        : >"$scratch/ours" >"$scratch/pq" >"$scratch/im" >"$scratch/n"
        for photo in "$photos"/kodim*.png; do
            out="$scratch/ours.png"
            "$cli" quantize --method "$method" "${limit[@]}" "${flag[@]}" "$photo" "$out"
            figures "$photo" "$out" >>"$scratch/ours"
            n=$(colours "$out")
            echo "$n" >>"$scratch/n"
            if ((n >= 2 && n <= 256)); then
                pq=(--nofs)
                [[ $dither == on ]] && pq=()
                pngquant "${pq[@]}" --force --output "$scratch/pq.png" "$n" "$photo"
                figures "$photo" "$scratch/pq.png" >>"$scratch/pq"
            fi
            im=(+dither)
            [[ $dither == on ]] && im=(-dither FloydSteinberg)
            "$magick" "$photo" "${im[@]}" -colors "$n" "PNG24:$scratch/im.png"
            figures "$photo" "$scratch/im.png" >>"$scratch/im"
        done
        count=$(awk '{ s += $1; n++ } END { printf "%.0f", s / n }' "$scratch/n")
        pqText="n/a (over 256)"
        [[ -s $scratch/pq ]] && pqText=$(mean <"$scratch/pq")
        echo "| $method | $dither | $count | $(mean <"$scratch/ours") | $pqText | $(mean <"$scratch/im") |"
    done
done
