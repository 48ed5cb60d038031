#!/usr/bin/env bash
# Installs what is missing, checks that our sources are formatted, builds everything with
# warnings as errors and runs every test: first the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer (in $build-asan), then each fuzz target for FUZZ_SECONDS seconds (default 20, in
# $build-fuzz), then the normal suite. The last lines are ctest's summary of the normal
# suite. RENAMER_QUICK=1 runs the normal suite only.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
bash scripts/check-format.sh
bash scripts/check-rooms.sh
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
jobs=$(nproc)

build="${BUILD_DIR:-build}"
if [[ -z "${RENAMER_QUICK:-}" ]]; then
  asan="${ASAN_BUILD_DIR:-$build-asan}"
  # -O1 as the sanitizers advise, and line tables only: a full -O2 -g build of the tests
  # takes three times as long to compile and finds nothing more.
  cmake -S . -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRENAMER_WERROR=ON \
    -DRENAMER_SANITIZE=ON -DRENAMER_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG"
  cmake --build "$asan" -j "$jobs"
  ASAN_OPTIONS="detect_stack_use_after_return=1:strict_string_checks=1" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --test-dir "$asan" --output-on-failure -j "$jobs"
  RENAMER_SKIP_DEPS=1 FUZZ_BUILD_DIR="${FUZZ_BUILD_DIR:-$build-fuzz}" \
    FUZZ_SECONDS="${FUZZ_SECONDS:-20}" bash scripts/fuzz.sh
fi

# Line tables are enough for a backtrace and halve the compile time of full debug info.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRENAMER_WERROR=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG"
cmake --build "$build" -j "$jobs"
ctest --test-dir "$build" --output-on-failure -j "$jobs"
