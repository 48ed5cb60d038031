#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it (on the folder given, if any).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
build="${BUILD_DIR:-build}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" --target batch-renamer
exec "./$build/app/batch-renamer" "$@"
