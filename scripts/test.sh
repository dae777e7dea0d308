#!/usr/bin/env bash
# Every check of the project, stage by stage, each timed:
#   unit  the test suite built with AddressSanitizer and UndefinedBehaviorSanitizer,
#         under CTest on a virtual X display with SDL's silent audio driver;
#         extra arguments go to ctest (e.g. -R Sweep);
#   capture  the whole show through vortelan-capture, in the unit stage's build;
#   race  the playback tests and a few seconds of the real program, built with
#         ThreadSanitizer;
#   fuzz  every fuzz target for VORTELAN_FUZZ_SECONDS (default 60) seconds;
#   long  termination signals, and the whole show with 50 fullscreen toggles,
#         in a Release build;
#   install  that Release build installed into a scratch folder and packaged
#         as a .deb, with the checks of both (CTest label "install");
#   web   the browser build (scripts/web.sh --build-only) in headless Chromium
#         against the native program's frames and syncs (tests/web/).
# VORTELAN_STAGES picks the stages: all by default, only "unit" when ctest
# arguments are given.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VORTELAN_TEST_BUILD:-$root/build-tests}"
if [ $# -gt 0 ]; then default_stages="unit"; else default_stages="unit capture race fuzz long install web"; fi
stages="${VORTELAN_STAGES:-$default_stages}"

export SDL_AUDIODRIVER=dummy
export VORTELAN_MESSAGES=stderr
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# A display of our own, so the tests neither need nor disturb a desktop.
xvfb=(xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp")

unit() {
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTELAN_SANITIZE=ON >/dev/null
  cmake --build "$build" -j"$(nproc)"
  (cd "$build" && "${xvfb[@]}" ctest --output-on-failure -j"$(nproc)" "$@")
}

race() {
  local tsan="$root/build-tsan"
  cmake -S "$root" -B "$tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTELAN_TSAN=ON -DVORTELAN_BENCH=OFF >/dev/null
  cmake --build "$tsan" -j"$(nproc)" --target vortelan_tests vortelan
  # Any report makes the run fail (exit code 66).
  export TSAN_OPTIONS="second_deadlock_stack=1:suppressions=$root/tests/tsan.supp"
  "$tsan/tests/vortelan_tests" --gtest_repeat=3 \
    --gtest_filter='PlaybackRace.*:PlayerRealTime.*:PlayerOffline.*:PlayerSafety.*:MusicInit.*:MusicSync.*'
  # The real program: the show's loop against the player's thread for a few
  # seconds, then SIGTERM; it must end by itself, with no report.
  (cd "$tsan" && "${xvfb[@]}" bash -c './vortelan /WARNING 0 /FULLSCREEN 0 /WIDTH 320 /HEIGHT 240 >/dev/null &
    p=$!; sleep 8; kill -TERM $p
    for i in $(seq 200); do kill -0 $p 2>/dev/null || break; sleep 0.1; done
    kill -KILL $p 2>/dev/null && { echo "the program did not end on SIGTERM"; exit 1; }
    wait $p')
}

# The whole show through vortelan-capture, in the unit stage's build: a minute
# or more, so it stays out of plain ctest.
capture() {
  "$build/tests/capture/vortelan_capture_tests" --gtest_filter='CaptureWholeShow.*'
}

fuzz() { "$root/fuzz/run.sh" "${VORTELAN_FUZZ_SECONDS:-60}"; }

# The long run and the package share one Release build without sanitizers.
release="$root/build-release"
configure_release() {
  cmake -S "$root" -B "$release" -DCMAKE_BUILD_TYPE=Release -DVORTELAN_SANITIZE=OFF -DVORTELAN_BENCH=OFF \
    -DVORTELAN_INSTALL_TESTS=ON >/dev/null
}

long() {
  configure_release
  cmake --build "$release" -j"$(nproc)" --target vortelan bare_toggle env_guard render_module
  bash "$root/tests/long/signals.sh" "$release/vortelan" "$release/tests/libenv_guard.so"
  bash "$root/tests/long/whole_show.sh" "$release/vortelan" "$release/tests/bare_toggle" "$release/assets/music.it"
}

install_stage() {
  configure_release
  cmake --build "$release" -j"$(nproc)" --target vortelan_install_files
  (cd "$release" && ctest --output-on-failure -L install)
}

# The browser build and its native reference from the same build folder, in
# headless Chromium.
web() {
  local site
  site="$("$root/scripts/web.sh" --build-only | tail -n 1)"
  local webbuild
  webbuild="$(dirname "$(dirname "$site")")"
  cmake --build "$webbuild" -j"$(nproc)" --target web_reference
  node "$root/tests/web/web_test.mjs" "$site" "$webbuild/tools/web_reference/web_reference"
}

times=()
current=""
began=0
summary() {
  local rc=$?
  [ -n "$current" ] && times+=("$current $((SECONDS - began)) s, FAILED")
  echo "=== stage times"
  printf '  %s\n' "${times[@]}"
  exit "$rc"
}
trap summary EXIT
# stage <name> <command...>
stage() {
  current="$1"
  shift
  began=$SECONDS
  echo "=== stage $current"
  "$@"
  times+=("$current $((SECONDS - began)) s")
  current=""
}

# Every package any stage needs (the test set), only those that are missing.
stage deps "$root/scripts/install-deps.sh" test
for name in $stages; do
  case "$name" in
    unit) stage unit unit "$@" ;;
    capture | race | fuzz | long | web) stage "$name" "$name" ;;
    install) stage install install_stage ;;
    *) echo "unknown stage $name" >&2; exit 2 ;;
  esac
done
