#!/usr/bin/env bash
# Builds VORTELAN (Release) and runs it with its defaults. Extra arguments are
# passed to the program, e.g.  scripts/demo.sh /FULLSCREEN 0 /WIDTH 800 /HEIGHT 600
# Where no display is reachable, records the whole show into vortelan.mp4 in the
# current folder instead, with vortelan-capture.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DVORTELAN_TESTS=OFF >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target vortelan vortelan-capture

display_reachable() {
  if [ -n "${WAYLAND_DISPLAY:-}" ]; then
    local socket="$WAYLAND_DISPLAY"
    [ "${socket#/}" != "$socket" ] || socket="${XDG_RUNTIME_DIR:-/nonexistent}/$socket"
    [ -S "$socket" ] && return 0
  fi
  [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1
}

if ! display_reachable; then
  why="DISPLAY is not set"
  [ -z "${DISPLAY:-}" ] || why="nothing answers on DISPLAY $DISPLAY"
  echo "vortelan: no display reachable ($why); recording the show into vortelan.mp4 instead"
  exec "$root/build/tools/capture/vortelan-capture" -o vortelan.mp4
fi
cd "$root"
exec "$root/build/vortelan" "$@"
