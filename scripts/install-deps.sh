#!/usr/bin/env bash
# Installs, with apt-get, only the Debian 12 packages this project needs and the machine lacks.
# postgresql gives the tests initdb and pg_ctl for a server of their own; a system cluster that its
# installation may start is never used.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-serialport-dev qt6-charts-dev libqt6opengl6-dev qt6-svg-dev
    qt6-tools-dev qt6-l10n-tools
    qt6-qpa-plugins fonts-dejavu-core fonts-liberation
    libbenchmark-dev
    libqt6sql6-sqlite libqt6sql6-psql
    postgresql sqlite3
    dpkg-dev file
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
