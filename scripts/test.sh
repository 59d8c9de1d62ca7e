#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test (GoogleTest and QtTest, offscreen).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600
