#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer, runs
# every fuzz target briefly, then runs every test headless and every benchmark
# once at its shortest.
#
# With clang (installed by deps.sh) one build serves both: the code is built
# once with fuzzing coverage, the tests and the libFuzzer targets link it.
# Without clang the tests are built with the default compiler and fuzzing is
# skipped.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
export QT_QPA_PLATFORM=offscreen
# ccache keeps its default, per-user cache so that later builds on this machine reuse it.

fuzz_seconds="${TOLVANE_FUZZ_SECONDS:-10}"
# A sanitizer's finding ends the process that made it, with a stack.
sanitized=(ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1)
build=build/test
if command -v clang++ >/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DTOLVANE_SANITIZE=ON -DTOLVANE_FUZZ=ON -DTOLVANE_TESTS=ON -DTOLVANE_BENCH=ON
  fuzzing=1
else
  echo "clang++ not found: fuzz targets skipped"
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_SANITIZE=ON -DTOLVANE_TESTS=ON -DTOLVANE_BENCH=ON
  fuzzing=0
fi
cmake --build "$build"

# Every fuzz target runs briefly under libFuzzer; a crash fails the run. Its
# Qt wants a runtime folder: a throw-away one, not one it makes in the
# temporary folder for want of it.
if ((fuzzing)); then
  fuzz_runtime="$(mktemp -d)"
  trap 'rm -rf "$fuzz_runtime"' EXIT
  for source in fuzz/*_fuzz.cpp; do
    [[ -e $source ]] || continue
    fuzzer="$(basename "$source" .cpp)"
    echo "Fuzzing $fuzzer for $fuzz_seconds s"
    mkdir -p "$build/corpus/$fuzzer"
    if ! env "${sanitized[@]}" XDG_RUNTIME_DIR="$fuzz_runtime" "$build/fuzz/$fuzzer" -max_total_time="$fuzz_seconds" -artifact_prefix="$build/$fuzzer-" \
      "$build/corpus/$fuzzer" 2>"$build/$fuzzer.log"; then
      tail -n 60 "$build/$fuzzer.log"
      echo "FAILED: fuzz target $fuzzer (full log: $build/$fuzzer.log)"
      exit 1
    fi
  done
fi

ctest --test-dir "$build" --output-on-failure -j "$(nproc)"

# Every benchmark runs once at its shortest, each in a process of its own, so
# that one that crashes, hangs or reports an error is named and fails the run:
# a benchmark that no longer ends hides every figure after it.
export TOLVANE_BENCH_SHORT=1
bench="$build/bench/tolvane_bench"
bench_seconds="${TOLVANE_BENCH_SECONDS:-120}"
names="$(env "${sanitized[@]}" "$bench" --benchmark_list_tests)"
started=$SECONDS
while read -r name; do
  log="$build/bench-${name//[\/:]/_}.log"
  status=0
  env "${sanitized[@]}" timeout -k 10 "$bench_seconds" "$bench" --benchmark_filter="^$name\$" \
    </dev/null >"$log" 2>&1 || status=$?
  if ((status == 124 || status == 137)); then
    why="did not end within $bench_seconds s"
  elif ((status > 128)); then
    why="crashed (signal $((status - 128)))"
  elif ((status != 0)); then
    why="ended with status $status"
  elif grep -q 'ERROR OCCURRED' "$log"; then
    why="reported an error"
  else
    continue
  fi
  tail -n 60 "$log"
  echo "FAILED: benchmark $name $why (full log: $log)"
  exit 1
done <<<"$names"
echo "Every benchmark ran to its end at its shortest in $((SECONDS - started)) s"
