#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the window and the tests need and the
# machine does not have yet. Safe to run again: it installs nothing already present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev
  libicu-dev
  libexiv2-dev
  libgtest-dev libgmock-dev
  clang libclang-rt-14-dev clang-format
  mold
  fonts-wqy-microhei fonts-arphic-uming
  python3
  tmux
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done

if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
fi
