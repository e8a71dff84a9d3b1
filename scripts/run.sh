#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program (build/kalumet).
# The program keeps lastmeth.kmt in the current directory, so it starts in the directory this
# script was called from.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$root/build" --parallel "$(nproc)" --target kalumet

exec "$root/build/kalumet"
