#!/usr/bin/env bash
# Configures and builds Gyrotrace (optimised, assertions kept) into build/. Extra arguments go to
# the build (for example --target gyrotrace); CMake options can be given in GYRO_CMAKE_OPTIONS.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck disable=SC2086
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release ${GYRO_CMAKE_OPTIONS:-} >/dev/null
cmake --build build -j"$(nproc)" "$@"
