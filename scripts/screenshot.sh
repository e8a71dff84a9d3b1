#!/usr/bin/env bash
# Developer helper: takes docs/screenshot.png (the README's picture) from the program's own main
# window, offscreen: the sample document opened, the chart built, the derivative drawn.
#
#   scripts/screenshot.sh [--german] [build directory, default build]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

options=()
if [ "${1:-}" = "--german" ]; then
    options+=(--german)
    shift
fi
build="${1:-$root/build}"

cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target screenshot
mkdir -p "$root/docs"
QT_QPA_PLATFORM=offscreen QT_LOGGING_RULES='qt.qpa.*=false' \
    "$build/screenshot" "$root/docs/screenshot.png" \
    "$root/packaging/examples/titration-example.rtf" "${options[@]}"
echo "$root/docs/screenshot.png"
