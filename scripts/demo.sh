#!/usr/bin/env bash
# Installs what building and running need, builds VORTELAN (Release) in a
# folder of its own (build-demo) and runs it in the caller's current folder, as
# if started there: a vortelan.ini there is read. Extra arguments are passed to
# the program, e.g.  scripts/demo.sh /FULLSCREEN 0 /WIDTH 800 /HEIGHT 600
# Where no display is reachable, records the whole show into vortelan.mp4 in the
# current folder instead, with vortelan-capture.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-demo"
"$root/scripts/install-deps.sh" run
# Only what the demo needs: no tests, no benchmarks, and no other build touched.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORTELAN_SANITIZE=OFF -DVORTELAN_TESTS=OFF \
  -DVORTELAN_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vortelan vortelan-capture

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
  exec "$build/tools/capture/vortelan-capture" -o vortelan.mp4
fi
exec "$build/vortelan" "$@"
