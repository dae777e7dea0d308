#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing VORTELAN need,
# but only those that are missing. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev libopenmpt-dev
  libgl1-mesa-dev libgl1-mesa-dri
  libfreetype-dev fonts-dejavu-core libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils
  ffmpeg sox
  python3 file gzip man-db groff-base desktop-file-utils dpkg-dev binutils
  clang libclang-rt-14-dev
  # vortelan-capture: FFmpeg's libraries (they bring the runtime libraries,
  # libavcodec with libx264 among them).
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
