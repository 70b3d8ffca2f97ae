#!/usr/bin/env bash
# How close each method comes to the photo: PSNR and mean CIEDE2000 of every method (dither on
# and off, Limit 256 where the method has one) on the 12 shared photos, averaged, beside
# pngquant and ImageMagick's -colors at the same colour count as our result. Prints a
# Markdown table; then Kmeans against pngquant at 256, 64 and 16 colours, dither off
# (pngquant --nofs) and on (its default), in PSNR, mean CIEDE2000 and the PSNR of both
# pictures after a blur of 1 pixel, with the rows where Kmeans is better on all three.
#
#   bench/quality_table.sh BUILD_DIR [kmeans]    (kmeans: only the second table)
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

# "PSNR meanDE blurredPSNR" of B against A
threeFigures() {
    "$cli" compare "$1" "$2" | awk '{ print $2, $6 + 0, $15 }'
}

kmeansTable() {
    echo "| colours | dither | Kmeans: PSNR, mean dE2000, blurred PSNR | pngquant | Kmeans better in all three |"
    echo "|---|---|---|---|---|"
    local n dither
    for n in 256 64 16; do
        for dither in off on; do
            local flag=() pq=(--nofs)
            [[ $dither == on ]] && flag=(--dither) && pq=()
            : >"$scratch/ours" >"$scratch/pq"
            for photo in "$photos"/*.png; do
                "$cli" quantize --method Kmeans --limit "$n" "${flag[@]}" "$photo" "$scratch/ours.png"
                threeFigures "$photo" "$scratch/ours.png" >>"$scratch/ours"
                pngquant "${pq[@]}" --force --output "$scratch/pq.png" "$n" "$photo"
                threeFigures "$photo" "$scratch/pq.png" >>"$scratch/pq"
            done
            paste "$scratch/ours" "$scratch/pq" | awk -v n="$n" -v d="$dither" '
                { op += $1; od += $2; ob += $3; pp += $4; pd += $5; pb += $6; k++ }
                END {
                    better = (op > pp && od < pd && ob > pb) ? "yes" : "no"
                    printf "| %s | %s | %.2f dB, %.3f, %.2f dB | %.2f dB, %.3f, %.2f dB | %s |\n",
                        n, d, op / k, od / k, ob / k, pp / k, pd / k, pb / k, better
                }'
        done
    done
}

if [[ ${2:-} == kmeans ]]; then
    kmeansTable
    exit 0
fi

methods="Uniform Popularity Adaptive flat_8 flat_64 flat_512 flat_4096 Lemon_128 Berry_128 \
Ocean_128 Fixed_16 Fixed_24 Fixed_32 Neuquant_256 Kmeans"
echo "| method | dither | colours (mean) | ours: PSNR, mean dE2000 | pngquant | ImageMagick -colors |"
echo "|---|---|---|---|---|---|"
for method in $methods; do
    limit=()
    [[ $method == Popularity || $method == Adaptive || $method == Kmeans ]] && limit=(--limit 256)
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
echo
kmeansTable
