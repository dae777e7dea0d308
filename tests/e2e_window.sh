#!/usr/bin/env bash
# The real program on an X display: a 640x480 window, a click that ends the
# warning screen, F4 twice, then Escape, all as X input events. Checks the exit
# code, the console record, the refused fullscreen messages, the window's size,
# place and title, and a screenshot.
# Arguments: the vortelan binary and the build directory.
set -uo pipefail
bin="$1"
build="$2"
class=DEVURUZIDOZORADEVOZ
source "$(dirname "$0")/support/x_session.sh"

# CTest runs under xvfb-run; on its own the script brings its own display.
[ -n "${DISPLAY:-}" ] || start_xvfb 1280x1024

count() { grep -c -F -- "$1" "$2" 2>/dev/null || true; }

cd "$work"
VORTELAN_MESSAGES=stderr SDL_AUDIODRIVER=dummy \
  "$bin" /FULLSCREEN 0 /WIDTH 640 /HEIGHT 480 /WARNING 60 >"$work/out" 2>"$work/err" &
pid=$!

# Only this process's windows count: other tests may share the display.
wid="$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" --class "$class" | head -n1)"
[ -n "$wid" ] || fail "no window of class $class appeared"
wait_for 20 '[ "$(count "</video>" "$work/out")" = 1 ]' || fail "the start-up did not finish"
wait_for 5 focused_is_ours || fail "the window did not take the input focus"

# The warning screen lasts its minute, unless the left button ends it.
sleep 0.2
[ "$(count "entering loop.." "$work/out")" = 0 ] || fail "the warning screen ended by itself"
xdotool mousemove --window "$wid" 320 240 click 1
wait_for 20 '[ "$(count "entering loop.." "$work/out")" = 1 ]' || fail "the left button did not end the warning screen"

# The window: client area 640x480, centred on the screen (there is no window
# manager to move it), titled.
eval "$(xdotool getwindowgeometry --shell "$wid")"
read -r sw sh < <(xdotool getdisplaygeometry)
[ "$WIDTH" = 640 ] && [ "$HEIGHT" = 480 ] || fail "window is ${WIDTH}x${HEIGHT}, not 640x480"
[ "$X,$Y" = "$(((sw - 640) / 2)),$(((sh - 480) / 2))" ] || fail "window at $X,$Y is not centred on the ${sw}x${sh} screen"
title="$(xdotool getwindowname "$wid")"
[[ "$title" =~ ^VORTELAN\ [1-5][0-9]{3}:\ \ [a-z]+ ]] || fail "window title '$title'"

# A look at the show: the grid of empty cells, light cells with grey gaps.
shot="$build/e2e_window.png"
ffmpeg -loglevel error -y -f x11grab -video_size 640x480 -i "$DISPLAY+$X,$Y" -frames:v 1 "$shot" ||
  fail "no screenshot"
ffmpeg -loglevel error -y -i "$shot" -f rawvideo -pix_fmt rgb24 "$work/shot.rgb" || fail "screenshot unreadable"
od -An -v -tx1 -w3 "$work/shot.rgb" | sort | uniq -c | sort -rn >"$work/colours"
colours=$(wc -l <"$work/colours")
top=$(head -n1 "$work/colours" | awk '{print $1}')
echo "screenshot $shot: $colours colours, the most frequent on $top of 307200 pixels"
[ "$colours" -ge 2 ] || fail "the window is all one colour"
[ "$top" -le 304128 ] || fail "the window is almost all one colour (no grid)"

# F4 twice: each rebuilds window, context and graphics; then Escape.
for toggle in 1 2; do
  xdotool key F4
  wait_for 20 '[ "$(count "<window created=true ></window>" "$work/out")" = $((toggle + 1)) ] &&
               [ "$(count "</video>" "$work/out")" = $((toggle + 1)) ]' || fail "toggle $toggle did not finish"
  wait_for 5 focused_is_ours || fail "the window after toggle $toggle did not take the focus"
done
xdotool key Escape
wait_for 20 '! kill -0 "$pid" 2>/dev/null' || fail "the program did not quit after Escape"
wait "$pid"
rc=$?
pid=""
[ "$rc" = 0 ] || fail "exit code $rc"

video=$'<video setup=1>\n<window created=true ></window>\n<openGL setup=1 ></openGL>\n'
video+=$'\n[img: 640x480 24]\n[img: 640x480 24]\n[img: 640x480 24]</video>\n'
expected="${video}"$'entering loop..\n'"${video}${video}"$'<video setup=1>\n</video>\n'
[ "$(cat "$work/out"; echo x)" = "${expected}x" ] || {
  echo "--- expected"; printf '%s' "$expected" | cat -A
  fail "console record differs"
}

# The screen offers only its own size, so both toggles into fullscreen are
# refused and a window is made instead; nothing else is reported.
refused=$'please note: failure:\n ChangeDisplaySettings[(]0x[0-9A-F]+,0x4[)]\n returned -2\nno 640x480 fullscreen for you'
if [ "$sw $sh" = "640 480" ]; then
  [ "$(count "please note:" "$work/err")" = 0 ] || fail "messages where fullscreen was possible"
else
  [ "$(count "please note:" "$work/err")" = 2 ] || fail "expected the two refused fullscreen modes and no other message"
  [[ "$(cat "$work/err")" =~ ${refused}.*${refused} ]] || fail "refused-mode message text"
fi
echo "ok: window, title, screenshot, two toggles, Escape, console record"
