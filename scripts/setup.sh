#!/usr/bin/env bash
# Installs the Debian packages Gyrotrace needs to build, test and run (only those missing).
set -euo pipefail
packages=(g++ cmake make pkg-config qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev
          libboost-dev fonts-dejavu-core xvfb xauth liborcus-dev libixion-dev libxlsxwriter-dev zip poppler-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=""
    [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
