#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine still lacks to build and test Quorvel.
# Idempotent: when everything is present it only asks dpkg and returns.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-qpa-plugins libgl-dev qt6-svg-dev
  libqcustomplot-dev
  libbenchmark-dev
  fonts-dejavu-core fonts-dejavu-extra
  xvfb xauth imagemagick xdotool python3
  dpkg-dev file desktop-file-utils
  ngspice poppler-utils hyperfine e2fsprogs
  libgsl-dev clang libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=()
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
      echo "Missing packages, and no sudo to install them. As root, run:" >&2
      echo "  apt-get update && apt-get install --no-install-recommends ${missing[*]}" >&2
      exit 1
    fi
    sudo=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -q
  "${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
