#!/usr/bin/env bash
# Builds the plain C++ core and its tests with ThreadSanitizer into build-tsan/ and runs the tests
# of runs side by side in two threads there, and those of the scene's thread that stores arrows. Only the Qt-free libraries are compiled, so this
# stays short; any data race aborts the test that made it, so the run fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
flags="-fsanitize=thread -fno-omit-frame-pointer -g1"
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 \
    -DGYRO_BUILD_TESTS=ON -DGYRO_BUILD_BENCH=OFF -DGYRO_WERROR=ON "-DCMAKE_CXX_FLAGS=$flags" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread" >/dev/null
cmake --build build-tsan -j"$(nproc)" --target simulation_tests scene_tests
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
# Some kernels randomise the address space more than ThreadSanitizer's memory layout allows:
# run it without that randomisation where the machine lets us.
for run in "build-tsan/tests/simulation/simulation_tests --gtest_filter=SideBySide.*" \
    "build-tsan/tests/scene/scene_tests --gtest_filter=SceneArrows.*"; do
    read -ra command <<<"$run"
    if setarch "$(uname -m)" -R true 2>/dev/null; then
        setarch "$(uname -m)" -R "${command[@]}"
    else
        "${command[@]}"
    fi
done
