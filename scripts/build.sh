#!/usr/bin/env bash
# Configures and builds Gyrotrace (optimised, assertions kept) into build/. Extra arguments go to
# the build (for example --target gyrotrace); CMake options can be given in GYRO_CMAKE_OPTIONS.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck disable=SC2086
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release ${GYRO_CMAKE_OPTIONS:-} >/dev/null
cmake --build build -j"$(nproc)" "$@"
# The Python module: a gyrotrace.pth in the system Python's site folder names build/python, so
# that `import gyrotrace` works from any folder (the last build folder written wins).
if compgen -G "build/python/gyrotrace/_core*.so" >/dev/null && [ -x /usr/bin/python3 ]; then
    site=$(/usr/bin/python3 -c 'import site; print(site.getsitepackages()[0])')
    if mkdir -p "$site" 2>/dev/null && [ -w "$site" ]; then
        echo "$PWD/build/python" >"$site/gyrotrace.pth"
    else
        echo "Python module built; to import it, add $PWD/build/python to $site/gyrotrace.pth"
    fi
fi
