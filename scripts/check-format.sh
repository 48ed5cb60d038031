#!/usr/bin/env bash
# Checks that our sources (*.h and *.cpp under engine, ui, app, tests, bench and fuzz)
# are formatted as .clang-format says, with clang-format --dry-run --Werror. Changes
# nothing; lists the files that differ and fails when there are any.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang-format >/dev/null; then
  echo "clang-format is missing; scripts/install-deps.sh installs it" >&2
  exit 2
fi

mapfile -t files < <(find engine ui app tests bench fuzz -type f \( -name '*.h' -o -name '*.cpp' \) |
  LC_ALL=C sort)
unformatted=()
for file in "${files[@]}"; do
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done

if ((${#unformatted[@]} > 0)); then
  echo "${#unformatted[@]} of ${#files[@]} files differ from .clang-format" \
    "(clang-format -i FILE formats one):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi
echo "all ${#files[@]} files formatted"
