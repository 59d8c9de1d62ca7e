#!/usr/bin/env bash
# Fails when a C++ file of src/, tests/ or bench/ is not formatted with the project's
# .clang-format (clang-format 14); lists the files and lines to reformat.
set -euo pipefail
cd "$(dirname "$0")/.."
format=clang-format-14
command -v "$format" >/dev/null || format=clang-format
mapfile -t files < <(find src tests bench -name '*.h' -o -name '*.cpp' | sort)
"$format" --dry-run --Werror "${files[@]}"
echo "Format: ${#files[@]} files checked."
