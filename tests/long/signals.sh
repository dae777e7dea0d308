#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP end the warning screen and the show at once, with
# the teardown and exit code 0; Escape during the warning screen still takes
# effect only when it ends. Throughout, the environment must not change while a
# second thread runs (env_guard reports it).
# Arguments: the vortelan binary and libenv_guard.so.
set -uo pipefail
set -m  # background jobs keep SIGINT: without job control bash makes them ignore it
bin="$1"
guard="$2"
source "$(dirname "$0")/../support/x_session.sh"

[ -f "$guard" ] || fail "no $guard"
# A display of its own: key presses must not reach the windows of other tests.
start_xvfb 1280x1024

count() { grep -c -F -- "$1" "$work/out" 2>/dev/null || true; }
alive() { kill -0 "$pid" 2>/dev/null; }

start() {
  : >"$work/out"
  (cd "$work" && exec env LD_PRELOAD="$guard" ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
    VORTELAN_MESSAGES=stderr SDL_AUDIODRIVER=dummy \
    "$bin" /FULLSCREEN 0 /WIDTH 320 /HEIGHT 240 "$@" >"$work/out" 2>"$work/err") &
  pid=$!
  wait_for 20 '[ "$(count "</video>")" = 1 ]' || fail "no window with $*"
}

# Waits (up to $1 seconds) for the program to end and checks its exit code,
# its console record and that the environment stayed put.
finish() {
  wait_for "$1" '! alive' || fail "still running $1 s after $2"
  wait "$pid"
  local rc=$?
  pid=""
  [ "$rc" = 0 ] || fail "exit code $rc after $2"
  [ "$(cat "$work/out"; echo x)" = "${3}x" ] || {
    echo "--- expected"; printf '%s' "$3" | cat -A
    fail "console record after $2"
  }
  grep -q "environment changed" "$work/err" && fail "the environment changed while threads ran"
  return 0
}

video=$'<video setup=1>\n<window created=true ></window>\n<openGL setup=1 ></openGL>\n'
video+=$'\n[img: 640x480 24]\n[img: 640x480 24]\n[img: 640x480 24]</video>\n'
teardown=$'<video setup=1>\n</video>\n'

# A warning screen that would never end by itself: the signal ends it, and the
# program, without starting the show.
for signal in TERM INT; do
  start /WARNING -1
  sleep 0.3
  kill -"$signal" "$pid"
  finish 5 "SIG$signal in the warning screen" "${video}${teardown}"
done

# In the show.
start /WARNING 0
wait_for 10 '[ "$(count "entering loop..")" = 1 ]' || fail "the show did not start"
kill -HUP "$pid"
finish 5 "SIGHUP in the show" "${video}entering loop.."$'\n'"${teardown}"

# Escape in a warning screen of 2 s: the program stays until the screen ends.
start /WARNING 2
wid="$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" --class DEVURUZIDOZORADEVOZ | head -n1)"
wait_for 5 '[ "$(xdotool getwindowfocus)" = "$wid" ]' || fail "the window did not take the focus"
xdotool key Escape
sleep 0.5
[ "$(count "entering loop..")" = 0 ] && alive || fail "Escape cut the warning screen short"
finish 10 "Escape in the warning screen" "${video}entering loop.."$'\n'"${teardown}"
echo "ok: SIGTERM, SIGINT in the warning screen, SIGHUP in the show, Escape deferred"
