#!/usr/bin/env bash
# The install and package stage: a Release build of its own without sanitizers,
# as a package is made from, then the checks of the installed tree and of the
# Debian package (CTest label "install"). Prints how long the stage took.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VORTELAN_PACKAGE_BUILD:-$root/build-package}"
start=$(date +%s)
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVORTELAN_SANITIZE=OFF \
  -DVORTELAN_TESTS=OFF -DVORTELAN_BENCH=OFF -DVORTELAN_INSTALL_TESTS=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
cd "$build"
status=0
ctest --output-on-failure -L install || status=$?
echo "install and package stage: $(($(date +%s) - start)) s"
exit "$status"
