#!/usr/bin/env bash
# Installs what is missing, builds, and starts Brindlemoor. Without a display
# it shows the engine at work instead: the sample spreadsheets are converted
# by the command-line converter into a temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
ensure_packages "${build_packages[@]}"

cmake -S . -B build -DBRINDLEMOOR_TESTS=OFF -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j"$(nproc)"

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/app/brindlemoor
fi
results=$(mktemp -d)
echo "No display found, so the window cannot open. Converting the sample spreadsheets instead:"
build/cli/brindlemoor-convert Samples/*.ods -o "$results"
echo "The results are in $results"
