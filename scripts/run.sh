#!/usr/bin/env bash
# Installs what is missing, builds Vandrell and starts the editor.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j"$(nproc)"
if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]]; then
    echo "No display: run the editor as  xvfb-run -a $root/build/vandrell" >&2
    exit 1
fi
exec "$root/build/vandrell"
