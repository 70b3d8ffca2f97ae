#!/usr/bin/env bash
# The README's GNU parallel line for a batch across machines, run here on two local jobs in
# place of the remote hosts: it must write exactly what the tool's own batch writes.
#   parallel_test.sh VANDRELL_CLI PHOTOS_DIR
set -euo pipefail
cli=$1
photos=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/photos" "$work/serial"
cp "$photos"/kodim0[1-6].png "$work/photos/"
cd "$work"

parallel -j2 --will-cite "$cli" quantize --method Popularity --limit 64 --dither {} {.}_vd.png \
    ::: photos/*.png
"$cli" quantize --method Popularity --limit 64 --dither --output-dir serial --jobs 1 photos/*.png

status=0
for photo in photos/kodim0[1-6].png; do
    name=$(basename "$photo" .png)
    if ! cmp -s "photos/${name}_vd.png" "serial/$name.png"; then
        echo "FAIL: $name differs between GNU parallel and the tool's own batch"
        status=1
    fi
done
[[ $status == 0 ]] && echo "6 files identical"
exit $status
