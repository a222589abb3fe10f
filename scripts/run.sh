#!/usr/bin/env bash
# Builds the program (release) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=OFF -DTOLVANE_FUZZ=OFF -DTOLVANE_SANITIZE=OFF >/dev/null
cmake --build build/release --target tolvane
exec build/release/src/tolvane "$@"
