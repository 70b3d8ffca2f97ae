#!/usr/bin/env bash
# Installs the Debian 12 packages Vandrell needs to build, test, fuzz, install and run; does
# nothing when they are all there. Uses sudo only when not already root.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libpng-dev libjpeg62-turbo-dev zlib1g-dev libdeflate-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    fonts-liberation xvfb xauth
    librsvg2-bin desktop-file-utils appstream man-db groff-base
    parallel
    pngcheck python3-pil imagemagick
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

as_root=()
[[ $(id -u) -eq 0 ]] || as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
