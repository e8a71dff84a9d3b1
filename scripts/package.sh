#!/usr/bin/env bash
# Builds the Debian package build-package/kalumet_<version>_<arch>.deb
# (install it with: sudo apt install ./build-package/kalumet_*.deb).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DKALUMET_BUILD_TESTS=OFF -DKALUMET_BUILD_BENCHMARKS=OFF -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build-package --parallel "$(nproc)"
(cd build-package && cpack -G DEB)
ls build-package/kalumet_*.deb
