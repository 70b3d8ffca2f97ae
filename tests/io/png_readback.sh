#!/usr/bin/env bash
# The PNG files the program writes, as other programs see them: pngcheck finds nothing wrong,
# and Pillow and ImageMagick read the pixels the program meant (the input's pixels for a
# lossless convert, the program's own BMP of the same result for a quantized picture).
# Exits 77 (skipped) when pngcheck, Pillow or ImageMagick is not installed.
#
#   tests/io/png_readback.sh VANDRELL_CLI TESTDATA_DIR
set -euo pipefail
cli=$1
testdata=$2
magick=/usr/bin/convert  # ImageMagick's own, not a wrapper earlier on PATH
python=/usr/bin/python3  # Debian's, which python3-pil installs Pillow for

if ! command -v pngcheck >/dev/null || [[ ! -x $magick ]] || ! "$python" -c 'import PIL' 2>/dev/null; then
    echo "pngcheck, ImageMagick or Pillow is not installed: skipped"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# RGBA bytes of a file: "pillow FILE" or "magick FILE", printed as one hex digest.
cat >"$work/rgba.py" <<'PY'
import hashlib, subprocess, sys
from PIL import Image
reader, path, magick = sys.argv[1], sys.argv[2], sys.argv[3]
if reader == "pillow":
    with Image.open(path) as picture:
        data = picture.convert("RGBA").tobytes()
else:
    data = subprocess.run([magick, path, "-depth", "8", "rgba:-"], check=True,
                          capture_output=True).stdout
print(hashlib.sha256(data).hexdigest())
PY
rgba() { "$python" "$work/rgba.py" "$1" "$2" "$magick"; }

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# A written file: pngcheck clean, and both readers give `expected` (a digest).
check_written() {
    local file=$1 expected=$2
    pngcheck -q "$file" >/dev/null || fail "pngcheck: $(pngcheck "$file" 2>&1 | tail -1)"
    [[ $(rgba pillow "$file") == "$expected" ]] || fail "Pillow reads $(basename "$file") differently"
    [[ $(rgba magick "$file") == "$expected" ]] || fail "ImageMagick reads $(basename "$file") differently"
}

# Lossless: the written file holds the input's pixels, in a palette where they fit and in
# true colour with --truecolor. RGB, grey with alpha, RGB with a transparent colour, 1-bit grey.
for input in photos/kodim01.png codecs/png/images/basn4a08.png codecs/png/images/tbrn2c08.png \
    codecs/png/images/basn0g01.png codecs/png/images/bgan6a08.png; do
    name=$(basename "$input" .png)
    expected=$(rgba pillow "$testdata/$input")
    "$cli" convert "$testdata/$input" "$work/$name.png"
    check_written "$work/$name.png" "$expected"
    "$cli" convert --truecolor "$testdata/$input" "$work/$name-truecolor.png"
    check_written "$work/$name-truecolor.png" "$expected"
    echo "checked $name"
done

# Quantized: 256 and 32 colours dithered, and 8 colours (a 4-bit palette).
photo=$testdata/photos/kodim12.png
for setting in "Popularity 256" "Popularity 32" "Uniform 2"; do
    read -r method limit <<<"$setting"
    out=$work/$method-$limit
    "$cli" quantize --method "$method" --limit "$limit" --dither "$photo" "$out.png"
    "$cli" quantize --method "$method" --limit "$limit" --dither "$photo" "$out.bmp"
    "$cli" compare "$out.bmp" "$out.png" | grep -q ' 0 pixels differ' || fail "$out.png is not its BMP"
    check_written "$out.png" "$(rgba pillow "$out.bmp")"
    echo "checked $method $limit"
done

[[ $failures -eq 0 ]] || { echo "$failures failures"; exit 1; }
echo "all written files read back identically"
