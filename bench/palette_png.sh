#!/bin/sh
# File sizes of quantized photos saved as palette PNG files, against the same pixels saved in
# true colour and against pngquant's own files, with the time of each whole command.
#
#   bench/palette_png.sh [BUILD_DIR]
#
# BUILD_DIR holds the vandrell-cli to measure (default build-release). The true-colour files
# come from TRUECOLOR_CLI, a vandrell-cli that writes 8-bit RGB: one built before palette
# files, or the same program when its quantize command takes --truecolor (then used by
# default). PNGQUANT (default /usr/bin/pngquant) is run with its defaults, which dither.
# Prints Markdown tables: one row per photo for each setting, then the totals.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build-release}
cli=$build/vandrell-cli
pngquant=${PNGQUANT:-/usr/bin/pngquant}
photos=${PHOTOS:-$here/../shared/testdata/photos}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

truecolor_flag=
if [ -z "${TRUECOLOR_CLI:-}" ]; then
    if "$cli" --help 2>&1 | grep -q -- --truecolor; then
        TRUECOLOR_CLI=$cli
        truecolor_flag=--truecolor
    else
        echo "set TRUECOLOR_CLI to a vandrell-cli that writes true colour" >&2
        exit 2
    fi
fi

# Seconds the command took, wall clock; its output is discarded.
timed() {
    /usr/bin/time -f %e -o "$work/time" "$@" >/dev/null 2>&1
    cat "$work/time"
}

size() { stat -c %s "$1"; }

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# name, pngquant colours, then the quantize arguments
run_setting() {
    name=$1
    colors=$2
    shift 2
    : >"$work/rows"
    for photo in "$photos"/kodim[0-9][0-9].png; do
        base=$(basename "$photo" .png)
        ours=$work/$name-$base.png
        old=$work/$name-$base-truecolor.png
        theirs=$work/$name-$base-pngquant.png
        t_ours=$(timed "$cli" quantize "$@" "$photo" "$ours")
        t_old=$(timed "$TRUECOLOR_CLI" quantize "$@" $truecolor_flag "$photo" "$old")
        t_theirs=$(timed "$pngquant" --force --output "$theirs" "$colors" "$photo")
        echo "$base $(size "$ours") $(size "$old") $(size "$theirs") $t_ours $t_old $t_theirs" \
            >>"$work/rows"
    done

    echo
    echo "#### $name"
    echo
    echo "| photo | palette file | true colour | pngquant | palette / true colour | ours, s | true colour, s | pngquant, s |"
    echo "|---|---:|---:|---:|---:|---:|---:|---:|"
    awk '{ printf "| %s | %.1f KB | %.1f KB | %.1f KB | %.3f | %.2f | %.2f | %.2f |\n",
                  $1, $2 / 1000, $3 / 1000, $4 / 1000, $2 / $3, $5, $6, $7 }' "$work/rows"
    awk -v name="$name" \
        -v t1="$(cut -d' ' -f5 "$work/rows" | median)" \
        -v t2="$(cut -d' ' -f6 "$work/rows" | median)" \
        -v t3="$(cut -d' ' -f7 "$work/rows" | median)" '
        { a += $2; b += $3; c += $4; if ($2 < $3) smaller++; n++ }
        END { printf "| %s | %.1f KB | %.1f KB | %.1f KB | %d of %d | %.2f | %.2f | %.2f |\n",
                     name, a / n / 1000, b / n / 1000, c / n / 1000, smaller, n, t1, t2, t3 }' \
        "$work/rows" >>"$work/summary"
}

: >"$work/summary"
run_setting "Popularity_256_dither" 256 --method Popularity --limit 256 --dither
run_setting "Popularity_32_dither" 32 --method Popularity --limit 32 --dither
run_setting "Neuquant_256" 256 --method Neuquant_256

echo
echo "#### Means over the photos (times: medians)"
echo
echo "| setting | palette file | true colour | pngquant | palette smaller | ours, s | true colour, s | pngquant, s |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|"
cat "$work/summary"
