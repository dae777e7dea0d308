#!/usr/bin/env bash
# scripts/demo.sh as a user runs it, from a folder of their own that holds a
# vortelan.ini, on an X display: it builds in build-demo (and leaves every
# other build as it was), the program runs in that folder and shows the
# file's settings (a 400 x 300 window, straight into the show, the message
# of /TEST), and SIGTERM ends it with its usual teardown.
# Argument: the source directory.
set -uo pipefail
root="$(cd "$1" && pwd)"
source "$root/tests/support/x_session.sh"
class=DEVURUZIDOZORADEVOZ
start_xvfb 1280x1024

mkdir "$work/mine"
cat >"$work/mine/vortelan.ini" <<'EOF'
# a small window, no warning screen, no sound, and a message with a number
width = 400
height = 300
fullscreen = 0
warning = 0
music = 0
test = 4711
EOF
caches() {
  local cache
  for cache in "$root"/build*/CMakeCache.txt; do
    [ "$cache" = "$root/build-demo/CMakeCache.txt" ] || stat -c '%n %Y %s' "$cache" 2>/dev/null
  done
}
caches >"$work/caches.before"

(cd "$work/mine" && exec env SDL_AUDIODRIVER=dummy VORTELAN_MESSAGES=stderr bash "$root/scripts/demo.sh" \
  >"$work/out" 2>"$work/err") &
pid=$!
# The build comes first: minutes on a fresh clone.
wait_for 1500 'grep -q "^entering loop\.\.$" "$work/out" || ! kill -0 "$pid" 2>/dev/null'
kill -0 "$pid" 2>/dev/null || { wait "$pid"; fail "demo.sh ended (exit code $?) before the show"; }
grep -q "^entering loop\.\.$" "$work/out" || fail "no show 1500 s after demo.sh started"

[ "$(readlink "/proc/$pid/exe")" = "$root/build-demo/vortelan" ] ||
  fail "demo.sh runs $(readlink "/proc/$pid/exe"), not build-demo/vortelan"
[ "$(readlink "/proc/$pid/cwd")" = "$work/mine" ] || fail "the program runs in $(readlink "/proc/$pid/cwd"), not the caller's folder"
grep -q -F 'file `vortelan.ini` is missing..' "$work/out" && fail "the program did not find the caller's vortelan.ini"
grep -q -x -F "please note: number 4711" "$work/err" || fail "no message of test = 4711 from vortelan.ini"
wid="$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" --class "$class" | head -n1)"
[ -n "$wid" ] || fail "no window of the program"
size="$(xdotool getwindowgeometry --shell "$wid" | grep -E '^(WIDTH|HEIGHT)=' | tr '\n' ' ')"
[ "$size" = "WIDTH=400 HEIGHT=300 " ] || fail "the window is $size, not the 400 x 300 of vortelan.ini"

kill -TERM "$pid"
wait_for 5 '! kill -0 "$pid" 2>/dev/null' || fail "still running 5 s after SIGTERM"
wait "$pid"
rc=$?
pid=""
[ "$rc" = 0 ] || fail "exit code $rc after SIGTERM"
[ "$(tail -n 3 "$work/out")" = $'entering loop..\n<video setup=1>\n</video>' ] || fail "no teardown after SIGTERM"

caches | diff "$work/caches.before" - >"$work/diff" || fail "demo.sh touched another build: $(cat "$work/diff")"
[ "$(ls -A "$work/mine")" = vortelan.ini ] || fail "the program left files in the caller's folder: $(ls -A "$work/mine")"
echo "ok: scripts/demo.sh from another folder read its vortelan.ini (400 x 300, no warning, test = 4711); SIGTERM ended it"
