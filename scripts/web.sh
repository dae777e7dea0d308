#!/usr/bin/env bash
# The show in a web browser. Installs what is missing, builds the browser
# folder (index.html, page.js, vortelan.js, vortelan.wasm and the music) and
# serves it on 127.0.0.1 at a free port, printing the address, until Ctrl-C:
#   scripts/web.sh
#   scripts/web.sh --build-only   builds and prints the folder's path as the last line
# The folder works from any static web server (see the README).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VORTELAN_WEB_BUILD:-$root/build-web}"
case "${1:-}" in
  "" | --build-only) ;;
  *) echo "usage: scripts/web.sh [--build-only]" >&2; exit 2 ;;
esac

# What running needs, and the browser build's own tools: emscripten (with its
# clang and node) and ffmpeg for the music's Opus and Vorbis files.
VORTELAN_EXTRA_PACKAGES="emscripten nodejs ffmpeg ${VORTELAN_EXTRA_PACKAGES:-}" "$root/scripts/install-deps.sh" run
# Debian's emscripten runs its tools with this node only where it finds
# Debian's node modules.
export NODE_PATH=/usr/share/nodejs

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORTELAN_TESTS=OFF -DVORTELAN_BENCH=OFF \
  -DVORTELAN_WEB=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target web >&2
site="$build/web/site"
du -b "$site"/* | awk '{printf "  %9d  %s\n", $1, $2}' >&2
if [ "${1:-}" = --build-only ]; then
  echo "$site"
  exit 0
fi
echo "serving $site (Ctrl-C ends it)"
exec node "$root/scripts/web_serve.mjs" "$site"
