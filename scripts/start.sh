#!/usr/bin/env bash
# Installs what is missing, builds, and starts Gyrotrace: the main window when a display is
# there, otherwise a run of the default case on the command line, whose table and picture go to
# out/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh --target gyrotrace
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec ./build/src/app/gyrotrace "$@"
fi
echo "No display: running the default case on the command line (gyrotrace --batch)."
mkdir -p out
exec ./build/src/app/gyrotrace --batch --keep-going --csv out/default-case.csv \
    --png out/default-case.png "$@"
