#!/usr/bin/env bash
# Installs what is missing, builds, and starts Gyrotrace in its working folder (GYRO_WORKDIR,
# by default ~/Gyrotrace), where it keeps its settings and example files: the main window when a
# display is there, otherwise a run of the default case on the command line with the accuracy
# hint's proposal (said in one line), whose table and picture go to out/ in that folder.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
workdir="${GYRO_WORKDIR:-$HOME/Gyrotrace}"
bash "$source_dir/scripts/setup.sh"
bash "$source_dir/scripts/build.sh" --target gyrotrace
program="$source_dir/build/src/app/gyrotrace"
mkdir -p "$workdir"
cd "$workdir"
echo "Working folder: $workdir"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$program" "$@"
fi
echo "No display: running the default case on the command line (gyrotrace --batch)."
mkdir -p out
exec "$program" --batch --keep-going --use-hint --csv out/default-case.csv \
    --png out/default-case.png "$@"
