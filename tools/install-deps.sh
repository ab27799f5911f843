#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need.
# Safe to run again: only missing packages are installed.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang clang-format libclang-rt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libgl-dev libgl1-mesa-dri libglx-mesa0 mesa-utils
  libopenal-dev libopenal1 libmpv-dev
  libpng-dev libjpeg62-turbo-dev zlib1g-dev liblzo2-dev
  xvfb xauth xdotool x11-utils xfonts-base
  python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
