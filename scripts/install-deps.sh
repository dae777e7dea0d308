#!/usr/bin/env bash
# Installs the Debian packages VORTELAN needs, only those that are missing, so
# running it again costs nothing:
#   scripts/install-deps.sh run             building and running the demo and the capture
#   scripts/install-deps.sh test            that, and everything scripts/test.sh runs
#   scripts/install-deps.sh --list run|test prints the set, one package a line, and
#                                           installs nothing (for packagers and CI)
# VORTELAN_EXTRA_PACKAGES (blank-separated names) adds to the set.
set -euo pipefail

run_set=(
  build-essential cmake pkg-config gzip
  libsdl2-dev libopenmpt-dev libgl1-mesa-dev libgl1-mesa-dri libpng-dev
  # vortelan-capture: FFmpeg's libraries (they bring libx264), FreeType, and the
  # fonts of its contact sheet.
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  libfreetype-dev fonts-dejavu-core
  # demo.sh asks the X server whether it answers (xdpyinfo).
  x11-utils
)

test_set=(
  "${run_set[@]}"
  # unit: the suite and the benchmarks; a virtual display and keys sent to it.
  libgtest-dev libgmock-dev libbenchmark-dev xvfb xauth xdotool
  # capture: its files are read back with ffmpeg/ffprobe and measured with sox.
  ffmpeg sox
  # fuzz: libFuzzer. The default clang and libclang-rt-dev come from one LLVM
  # version; a versioned runtime could sit beside another default clang.
  clang libclang-rt-dev
  # install: the installed tree and the packages.
  python3 file man-db groff-base desktop-file-utils dpkg-dev binutils lintian appstream
  # web: emscripten (with its clang and node) builds the browser version;
  # headless Chromium runs its checks.
  emscripten nodejs chromium
)

usage() {
  echo "usage: scripts/install-deps.sh run|test  |  scripts/install-deps.sh --list run|test" >&2
  exit 2
}

list_only=0
if [ "${1:-}" = --list ]; then
  list_only=1
  shift
fi
[ $# -eq 1 ] || usage
case "$1" in
  run) packages=("${run_set[@]}") ;;
  test) packages=("${test_set[@]}") ;;
  *) usage ;;
esac
# shellcheck disable=SC2206  # the extra names are split on blanks on purpose
packages+=(${VORTELAN_EXTRA_PACKAGES:-})

if [ "$list_only" = 1 ]; then
  printf '%s\n' "${packages[@]}"
  exit 0
fi

command -v dpkg-query >/dev/null || {
  echo "install-deps.sh: no dpkg-query here; these are Debian packages: ${packages[*]}" >&2
  exit 1
}
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

# sudo starts apt with a clean environment: the frontend setting has to be
# handed over in the command itself.
if [ "$(id -u)" -eq 0 ]; then
  as_root=(env)
elif command -v sudo >/dev/null; then
  as_root=(sudo env)
else
  echo "install-deps.sh: missing packages: ${missing[*]}; installing them needs root or sudo" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
"${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
