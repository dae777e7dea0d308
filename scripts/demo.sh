#!/usr/bin/env bash
# Builds VORTELAN (Release) and runs it with its defaults. Extra arguments are
# passed to the program, e.g.  scripts/demo.sh /FULLSCREEN 0 /WIDTH 800 /HEIGHT 600
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DVORTELAN_TESTS=OFF >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target vortelan
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "vortelan: no display reachable (DISPLAY is not set); run it on a desktop or under xvfb-run"
  exit 1
fi
cd "$root"
exec "$root/build/vortelan" "$@"
