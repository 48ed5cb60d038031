#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for FUZZ_SECONDS seconds (default 60), starting from the seed corpus in
# fuzz/corpus/. Inputs the fuzzer finds go to $FUZZ_BUILD_DIR/corpus, never into the
# repository; an input that breaks a target is saved in $FUZZ_BUILD_DIR/artifacts and
# the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."

[[ -n "${RENAMER_SKIP_DEPS:-}" ]] || bash scripts/install-deps.sh
build="${FUZZ_BUILD_DIR:-build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
targets=(ext_len_fuzzer time_key_fuzzer new_name_fuzzer file_names_fuzzer run_fuzzer)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DRENAMER_WERROR=ON \
  -DRENAMER_FUZZ=ON -DRENAMER_BUILD_UI=OFF -DRENAMER_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzzers

mkdir -p "$build/artifacts"
for target in "${targets[@]}"; do
  mkdir -p "$build/corpus/$target"
  log="$build/$target.log"
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$target-" "$build/corpus/$target" \
      "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target: failed; the input is in $build/artifacts/" >&2
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "$target: ${runs:-?} inputs in ${seconds} s, none failed"
done
