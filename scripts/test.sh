#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite (then the fuzz targets,
# for a bounded time, when clang is there).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --parallel "$(nproc)"
(cd build && ctest --output-on-failure --parallel "$(nproc)")

if [ -x scripts/run-fuzzers.sh ] && command -v clang++ >/dev/null 2>&1; then
    scripts/run-fuzzers.sh
fi
