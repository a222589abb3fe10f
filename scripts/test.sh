#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer,
# runs every fuzz target briefly, then runs every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
# ccache keeps its default, per-user cache so that later builds on this machine reuse it.
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_SANITIZE=ON -DTOLVANE_TESTS=ON -DTOLVANE_BENCH=ON
cmake --build build/test

# Every fuzz target runs briefly under libFuzzer (clang only); a crash fails the run.
fuzz_seconds="${TOLVANE_FUZZ_SECONDS:-20}"
fuzzers=()
for source in fuzz/*_fuzz.cpp; do
  if [[ -e $source ]]; then fuzzers+=("$(basename "$source" .cpp)"); fi
done
if ! command -v clang++ >/dev/null; then
  echo "clang++ not found: fuzz targets skipped"
elif ((${#fuzzers[@]})); then
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DTOLVANE_SANITIZE=ON -DTOLVANE_FUZZ=ON -DTOLVANE_TESTS=OFF -DTOLVANE_BENCH=OFF >/dev/null
  cmake --build build/fuzz --target "${fuzzers[@]}"
  for fuzzer in "${fuzzers[@]}"; do
    echo "Fuzzing $fuzzer for $fuzz_seconds s"
    mkdir -p "build/fuzz/corpus/$fuzzer"
    if ! ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
      "build/fuzz/fuzz/$fuzzer" -max_total_time="$fuzz_seconds" -artifact_prefix="build/fuzz/$fuzzer-" \
      "build/fuzz/corpus/$fuzzer" 2>"build/fuzz/$fuzzer.log"; then
      tail -n 60 "build/fuzz/$fuzzer.log"
      echo "FAILED: fuzz target $fuzzer (full log: build/fuzz/$fuzzer.log)"
      exit 1
    fi
  done
fi

ctest --test-dir build/test --output-on-failure -j "$(nproc)"
