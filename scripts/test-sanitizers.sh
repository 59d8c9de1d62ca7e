#!/usr/bin/env bash
# Builds the program and its tests with AddressSanitizer and UndefinedBehaviorSanitizer
# (float-cast-overflow included, which GCC leaves out of "undefined") into build-asan/, and runs
# the whole test suite there. Any finding aborts the test that made it, so the run fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
# Optimised lightly (-O1, as the sanitizers recommend) with line tables for the reports, and with
# the assertions kept like the normal build. The Python module is left out: a sanitized extension
# cannot load into the system's Python, and the core it wraps is tested here through the C++ tests.
flags="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all"
flags="$flags -fno-omit-frame-pointer -g1"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-O1 \
    -DGYRO_BUILD_TESTS=ON -DGYRO_BUILD_BENCH=OFF -DGYRO_BUILD_PYTHON=OFF -DGYRO_WERROR=ON \
    "-DCMAKE_CXX_FLAGS=$flags" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined,float-cast-overflow" >/dev/null
cmake --build build-asan -j"$(nproc)"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd build-asan
# The window tests that read workbooks fork the reading child from a process whose Qt threads may
# be allocating at that moment. The sanitizers' allocator is not fork-safe (glibc's is): such a
# child can wait forever on a lock no thread of it will free. Those tests run in the plain build;
# the reading code itself runs here through the reader's and the command line's tests.
ctest --output-on-failure -j"$(nproc)" --timeout 1200 -E "^(ui_graphwindow_test|ui_sheetpanel_test|dataplot_sheetlink_test)$"
