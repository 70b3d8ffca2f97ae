#!/usr/bin/env bash
# PNG files written by two builds of vandrell-cli, side by side: per photo the sizes of the
# true-colour file (convert) and of the palette files (quantize Popularity 256 and 32 with
# dither) for the 12 Kodak photos and the 12 MP photo, then the sums, and the wall seconds of
# the twelve Kodak commands of each kind run one after another (median of three rounds, the
# two builds taking turns). Prints Markdown.
#
#   bench/png_files.sh BEFORE_CLI AFTER_CLI
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
before=${1:?usage: png_files.sh BEFORE_CLI AFTER_CLI}
after=${2:?usage: png_files.sh BEFORE_CLI AFTER_CLI}
shared=$root/../shared/testdata
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
photos=("$shared"/photos/kodim[0-9][0-9].png)

# kind cli photo out: writes one file
write() {
    case $1 in
        truecolor) "$2" convert "$3" "$4" ;;
        p256) "$2" quantize --method Popularity --limit 256 --dither "$3" "$4" ;;
        p32) "$2" quantize --method Popularity --limit 32 --dither "$3" "$4" ;;
    esac
}

kinds=(truecolor p256 p32)
echo "| photo | true colour before | after | 256 colours before | after | 32 colours before | after |"
echo "|---|---:|---:|---:|---:|---:|---:|"
declare -A sum
for photo in "${photos[@]}" "$shared/bench/photo-12mp.png"; do
    name=$(basename "$photo" .png)
    line="| $name"
    for kind in "${kinds[@]}"; do
        for build in before after; do
            cli=$before
            [[ $build == after ]] && cli=$after
            write "$kind" "$cli" "$photo" "$work/$build.png"
            size=$(stat -c %s "$work/$build.png")
            [[ $name == kodim* ]] && sum[$kind-$build]=$((${sum[$kind-$build]:-0} + size))
            line+=" | $size"
        done
    done
    echo "$line |"
done
line="| Kodak sum"
for kind in "${kinds[@]}"; do line+=" | ${sum[$kind-before]} | ${sum[$kind-after]}"; done
echo "$line |"

echo
echo "| twelve Kodak photos, one after another | before | after |"
echo "|---|---:|---:|"
for kind in "${kinds[@]}"; do
    declare -A runs=()
    for round in 1 2 3; do
        for build in before after; do
            cli=$before
            [[ $build == after ]] && cli=$after
            start=$(date +%s.%N)
            for photo in "${photos[@]}"; do write "$kind" "$cli" "$photo" "$work/out.png"; done
            runs[$build]+="$(echo "$(date +%s.%N) - $start" | bc) "
        done
    done
    median() { tr ' ' '\n' | grep . | sort -n | sed -n 2p; }
    printf '| %s | %.2f s | %.2f s |\n' "$kind" "$(echo "${runs[before]}" | median)" \
        "$(echo "${runs[after]}" | median)"
done
