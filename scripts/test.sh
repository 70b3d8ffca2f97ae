#!/usr/bin/env bash
# Installs what is missing, builds Vandrell and runs every test, then builds and runs the same
# tests under AddressSanitizer and UndefinedBehaviorSanitizer. Ends with ctest's summary.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
jobs=$(nproc)
werror=OFF
[[ -n "${CI:-}" ]] && werror=ON

echo "== Build and test"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVD_WERROR=$werror >/dev/null
cmake --build "$root/build" -j"$jobs"
(cd "$root/build" && ctest --output-on-failure -j"$jobs" --timeout 600)

echo "== Build and test under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build-asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVD_SANITIZE=ON \
    -DVD_BENCH=OFF -DVD_WERROR=$werror >/dev/null
cmake --build "$root/build-asan" -j"$jobs"
# A decoder must never allocate what a file cannot justify: fail any single allocation over 1 GiB.
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:max_allocation_size_mb=1024
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$root/build-asan" && ctest --output-on-failure -j"$jobs" --timeout 1200)
