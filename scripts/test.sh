#!/usr/bin/env bash
# Installs what is missing, builds the program, its tests and its benchmarks (a compiler warning
# fails the build), and runs every test (GoogleTest and QtTest, offscreen).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
GYRO_CMAKE_OPTIONS="-DGYRO_BUILD_TESTS=ON -DGYRO_BUILD_BENCH=ON -DGYRO_WERROR=ON" bash scripts/build.sh
cd build
ctest --output-on-failure -j"$(nproc)" --timeout 600
