#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs each for FUZZ_SECONDS seconds (default 60), FUZZ_JOBS at a time (default one
# per core), starting from the seed corpus in fuzz/corpus/. Inputs the fuzzer finds go
# to $FUZZ_BUILD_DIR/corpus, never into the repository; an input that breaks a target
# is saved in $FUZZ_BUILD_DIR/artifacts and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."

[[ -n "${RENAMER_SKIP_DEPS:-}" ]] || bash scripts/install-deps.sh
build="${FUZZ_BUILD_DIR:-build-fuzz}"
seconds="${FUZZ_SECONDS:-60}"
targets=(ext_len_fuzzer time_key_fuzzer new_name_fuzzer file_names_fuzzer run_fuzzer sort_fuzzer
  journal_decode_fuzzer capture_time_fuzzer)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DRENAMER_WERROR=ON \
  -DRENAMER_FUZZ=ON -DRENAMER_BUILD_UI=OFF -DRENAMER_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzzers

mkdir -p "$build/artifacts"
# One target per core at a time; each gets the whole of its core for its time.
run_target() {
  local target=$1 log="$build/$1.log"
  mkdir -p "$build/corpus/$target"
  "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$build/artifacts/$target-" "$build/corpus/$target" \
    "fuzz/corpus/$target" >"$log" 2>&1
}
parallel="${FUZZ_JOBS:-$(nproc)}"
declare -A pids
for target in "${targets[@]}"; do
  while (($(jobs -rp | wc -l) >= parallel)); do wait -n || true; done
  run_target "$target" &
  pids[$target]=$!
done

failed=0
for target in "${targets[@]}"; do
  if ! wait "${pids[$target]}"; then
    tail -n 60 "$build/$target.log"
    echo "$target: failed; the input is in $build/artifacts/" >&2
    failed=1
    continue
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$build/$target.log")
  echo "$target: ${runs:-?} inputs in ${seconds} s, none failed"
done
exit "$failed"
