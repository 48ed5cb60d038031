#!/usr/bin/env bash
# The engine's rooms depend on each other one way only: a file may include headers of
# its own room and of the rooms below it, never of a room above. Fails on the first
# include that points upwards.
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A rank=([photo]=0 [disk]=1 [rules]=2 [run]=3 [preview]=4 [undo]=4)
status=0
for file in engine/*/*.h engine/*/*.cpp; do
  from=$(basename "$(dirname "$file")")
  while IFS= read -r to; do
    if [[ -z "${rank[$to]:-}" ]] || ((rank[$to] > rank[$from])) ||
      { ((rank[$to] == rank[$from])) && [[ $to != "$from" ]]; }; then
      echo "$file includes a header of engine/$to/, which is not below engine/$from/" >&2
      status=1
    fi
  done < <(grep -oE '#include "engine/[a-z_]+(/|\.h)' "$file" | sed -E 's#.*engine/([a-z_]+)(/|\.h)#\1#')
done
exit $status
