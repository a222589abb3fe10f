#!/usr/bin/env bash
# Builds the program (release) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOLVANE_TESTS=OFF >/dev/null
cmake --build build/release --target tolvane
exec build/release/src/tolvane "$@"
