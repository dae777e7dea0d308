#!/usr/bin/env bash
# The whole show on a 320x240 X screen with SDL's silent audio driver: a
# one-second warning, all of the music, 50 F4 toggles spread over it
# (fullscreen and windowed in turn), a few seconds of the ending, then Escape.
# Checks the exit code, the console record (one video record per window) and
# the resident size: from the first toggle to the last it may grow by what
# SDL2 and Mesa alone keep over as many re-creations (bare_toggle, measured
# here and now), plus 3 MiB: the same program's growth varies by over 2 MiB
# from run to run as the frames at the toggles differ.
#
# Resident size is a high-water mark of the allocator unless freed memory goes
# back to the system: Mesa's buffers grow and shrink with the cells of each
# frame, and a toggle in a heavy scene would leave the heap larger for good.
# So both programs run with glibc's mmap and trim thresholds fixed at 64 KiB
# (large buffers come from and go back to the system) and one heap for all
# threads (each new GL context starts threads of its own, and a fresh per-
# thread heap would keep its high-water mark), and the size after a toggle is
# the least of 20 readings over a second, between frames' buffers.
# Arguments: the vortelan binary, bare_toggle, the module (for its length).
set -uo pipefail
bin="$1"
bare="$2"
module="$3"
render_module="$(dirname "$bin")/tools/make_module/render_module"
toggles=50
slack_kib=3072
class=DEVURUZIDOZORADEVOZ
source "$(dirname "$0")/../support/x_session.sh"
export GLIBC_TUNABLES=glibc.malloc.mmap_threshold=65536:glibc.malloc.trim_threshold=65536:glibc.malloc.arena_max=1

count() { grep -c -F -- "$1" "$work/out" 2>/dev/null || true; }
least_resident() {
  local least="" kib i
  for i in $(seq 20); do
    kib=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status")
    [ -z "$least" ] || [ "$kib" -lt "$least" ] && least=$kib
    sleep 0.05
  done
  echo "$least"
}
sleep_until() {
  local now
  now=$(date +%s%3N)
  [ "$now" -lt "$1" ] && sleep "$(awk -v ms=$(($1 - now)) 'BEGIN { print ms / 1000 }')"
  return 0
}

# The song's length, as libopenmpt plays it.
length="$("$render_module" "$module" "$work/song.wav" | sed -n 's/^length \([0-9.]*\) s.*/\1/p')"
rm -f "$work/song.wav"
[ -n "$length" ] || fail "cannot tell the length of $module"
song_ms=$(awk -v s="$length" 'BEGIN { printf "%d", s * 1000 }')

# A screen of exactly 320x240, so the fullscreen mode is offered and F4 really
# switches between fullscreen and a window.
start_xvfb 320x240

bare_line="$(SDL_AUDIODRIVER=dummy "$bare" $((toggles + 1)) 320 240 0)" || fail "bare_toggle failed"
read -r bare_first bare_last < <(echo "$bare_line" | sed -n 's/.*toggle \([0-9]*\) KiB, after the last \([0-9]*\) KiB/\1 \2/p')
[ -n "${bare_last:-}" ] || fail "bare_toggle said: $bare_line"
bare_growth=$((bare_last - bare_first))
bound=$(((bare_growth > 0 ? bare_growth : 0) + slack_kib))

cd "$work"
VORTELAN_MESSAGES=stderr SDL_AUDIODRIVER=dummy \
  "$bin" /FULLSCREEN 0 /WIDTH 320 /HEIGHT 240 /WARNING 1 >"$work/out" 2>"$work/err" &
pid=$!
wait_for 30 '[ "$(count "entering loop..")" = 1 ]' || fail "the show did not start"
started=$(date +%s%3N)

series=""
for ((k = 1; k <= toggles; k++)); do
  # Spread over the music: toggle k at k/(toggles+1) of the song.
  sleep_until $((started + song_ms * k / (toggles + 1)))
  wait_for 10 focused_is_ours || fail "no focus before toggle $k"
  xdotool key F4
  wait_for 30 '[ "$(count "</video>")" = $((k + 1)) ]' || fail "toggle $k did not finish"
  if [ "$k" = 1 ] || [ $((k % 10)) = 0 ]; then
    rss[$k]=$(least_resident)
    series+=" $k:${rss[$k]}"
  fi
done

# Past the end of the music: the ending plays for a few seconds.
sleep_until $((started + song_ms + 4000))
kill -0 "$pid" 2>/dev/null || fail "the program ended by itself"
wait_for 10 focused_is_ours || fail "no focus for Escape"
xdotool key Escape
wait_for 20 '! kill -0 "$pid" 2>/dev/null' || fail "the program did not quit after Escape"
wait "$pid"
rc=$?
pid=""
[ "$rc" = 0 ] || fail "exit code $rc"

video=$'<video setup=1>\n<window created=true ></window>\n<openGL setup=1 ></openGL>\n'
video+=$'\n[img: 640x480 24]\n[img: 640x480 24]\n[img: 640x480 24]</video>\n'
expected="${video}"$'entering loop..\n'
for ((k = 1; k <= toggles; k++)); do expected+="$video"; done
expected+=$'<video setup=1>\n</video>\n'
[ "$(cat "$work/out"; echo x)" = "${expected}x" ] || fail "console record differs"

growth=$((rss[toggles] - rss[1]))
echo "song ${length} s; resident KiB after toggle:${series}; growth from the first toggle to the last ${growth} KiB"
echo "bare SDL2+Mesa over as many re-creations: ${bare_first} -> ${bare_last} KiB (${bare_growth} KiB); bound ${bound} KiB"
[ "$growth" -le "$bound" ] || fail "resident size grew by ${growth} KiB over ${toggles} toggles, more than ${bound} KiB"
echo "ok: whole show, ${toggles} toggles, Escape, console record, resident size"
