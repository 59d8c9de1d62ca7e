#!/usr/bin/env bash
# Installs the Debian packages Gyrotrace needs to build, test and run (only those missing), and
# a comma-decimal locale for the tests that check number text whatever the user's locale.
set -euo pipefail
packages=(g++ cmake make pkg-config qt6-base-dev libgtest-dev libgmock-dev libbenchmark-dev
          libboost-dev fonts-dejavu-core locales clang-format-14
          poppler-utils liborcus-dev libixion-dev zlib1g-dev
          python3-dev pybind11-dev python3-numpy python3-pytest python3-distributed python3-tqdm
          python3-matplotlib)
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# German uses a comma as decimal separator: generated once, kept for later runs.
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
    echo "Generating the locale de_DE.UTF-8"
    $SUDO sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^de_DE\.UTF-8 UTF-8' /etc/locale.gen ||
        echo 'de_DE.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
fi
