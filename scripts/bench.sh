#!/usr/bin/env bash
# Installs what is missing, builds the benchmark in Release mode in its own build
# directory and runs it: a table, then one "RESULT ..." line per measurement. The
# output is kept in bench/results/latest.tmp and drawn into docs/bench.png.
# Arguments go to the benchmark (for example --sizes 1000,10000 --reps 7 --dir /dev/shm).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
# The plot only: matplotlib for the system's python3.
if ! /usr/bin/python3 -c 'import matplotlib' 2>/dev/null; then
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    python3-matplotlib || echo "python3-matplotlib is not available; no plot will be drawn"
fi

export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
build="${BENCH_BUILD_DIR:-build-bench}"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRENAMER_BUILD_BENCH=ON >/dev/null
cmake --build "$build" --target renamer_bench -j 2

mkdir -p bench/results
out=bench/results/latest.tmp
tmp_dir="${TMPDIR:-/tmp}"
{
  echo "Machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //')," \
    "kernel $(uname -r), $tmp_dir on $(df -T "$tmp_dir" | awk 'NR==2 {print $2}')"
  "./$build/bench/renamer_bench" "$@"
} | tee "$out"

if /usr/bin/python3 -c 'import matplotlib' 2>/dev/null; then
  /usr/bin/python3 scripts/plot_bench.py "$out" docs/bench.png
fi
