#!/usr/bin/env bash
# Builds the whole test suite with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs it under CTest, on a virtual X display, with SDL's silent audio driver.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VORTELAN_TEST_BUILD:-$root/build-tests}"
"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTELAN_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

export SDL_AUDIODRIVER=dummy
export VORTELAN_MESSAGES=stderr
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cd "$build"
# A display of our own, so the tests neither need nor disturb a desktop.
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  ctest --output-on-failure -j"$(nproc)" "$@"

# Installing and packaging, from a Release build of their own; a run that picks
# tests with ctest arguments leaves this stage out.
if [ $# -eq 0 ]; then
  "$root/scripts/test-install.sh"
fi
