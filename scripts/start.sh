#!/usr/bin/env bash
# Installs what is missing, builds, and starts Gyrotrace: the main window when a display is
# there, otherwise a run of the default case on the command line.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh --target gyrotrace
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec ./build/src/app/gyrotrace "$@"
fi
exec ./build/src/app/gyrotrace --batch "$@"
