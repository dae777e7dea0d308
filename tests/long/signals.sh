#!/usr/bin/env bash
# SIGTERM, SIGINT and SIGHUP end the warning screen, the show and an open
# message box at once, with the teardown and exit code 0; a second signal ends
# the program at once with 128 + that signal, closing the box too; Escape
# during the warning screen still takes effect only when it ends. Throughout,
# the environment must not change while a second thread runs (env_guard
# reports it).
# Arguments: the vortelan binary and libenv_guard.so.
set -uo pipefail
set -m  # background jobs keep SIGINT: without job control bash makes them ignore it
bin="$1"
guard="$2"
source "$(dirname "$0")/../support/x_session.sh"

[ -f "$guard" ] || fail "no $guard"
# A display of its own: key presses must not reach the windows of other tests.
start_xvfb 1280x1024

# The dialog helper SDL runs for a message box, as a stand-in that notes its
# process and text and stays until it is ended (or a minute has passed): a box
# nobody clicks.
mkdir -p "$work/bin"
cat >"$work/bin/zenity" <<EOF
#!/bin/sh
echo "\$\$ \$*" >>"$work/box"
exec sleep 60
EOF
chmod +x "$work/bin/zenity"

count() { grep -c -F -- "$1" "$work/out" 2>/dev/null || true; }
alive() { kill -0 "$pid" 2>/dev/null; }
# Gone, or dead and waiting for its new parent to reap it.
ended() { [ ! -e "/proc/$1" ] || grep -q ') Z' "/proc/$1/stat" 2>/dev/null; }

# start <messages> <options...>: messages "stderr" sends them there, "box"
# shows them through the stand-in.
start() {
  local messages="$1"
  shift
  : >"$work/out"
  : >"$work/box"
  (cd "$work" && exec env LD_PRELOAD="$guard" ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
    PATH="$work/bin:$PATH" VORTELAN_MESSAGES="$messages" SDL_AUDIODRIVER=dummy \
    "$bin" /FULLSCREEN 0 /WIDTH 320 /HEIGHT 240 "$@" >"$work/out" 2>"$work/err") &
  pid=$!
}

# Waits (up to $1 seconds) for the program to end and checks its exit code
# ($3), its console record ($4) and that the environment stayed put.
finish() {
  wait_for "$1" '! alive' || fail "still running $1 s after $2"
  wait "$pid"
  local rc=$?
  pid=""
  [ "$rc" = "$3" ] || fail "exit code $rc after $2"
  [ "$(cat "$work/out"; echo x)" = "${4}x" ] || {
    echo "--- expected"; printf '%s' "$4" | cat -A
    fail "console record after $2"
  }
  grep -q "environment changed" "$work/err" && fail "the environment changed while threads ran"
  return 0
}

video=$'<video setup=1>\n<window created=true ></window>\n<openGL setup=1 ></openGL>\n'
video+=$'\n[img: 640x480 24]\n[img: 640x480 24]\n[img: 640x480 24]</video>\n'
teardown=$'<video setup=1>\n</video>\n'
declare -A records=(
  [whole]="${video}${teardown}"
  [show]="${video}entering loop.."$'\n'"${teardown}"
  [none]=""
)

# Each case: where the signals come (the warning screen, the show, a message
# box at start-up), the options, the signals, the exit code and the record.
# The warning screen of -1 s would never end by itself; the refused
# fullscreen mode and /TEST show a box, which the first signal closes, and
# then the program ends as from the warning screen; a second signal ends it
# where it stands.
while IFS='|' read -r where options signals code record; do
  [ -n "$where" ] || continue
  what="SIG${signals// / then SIG} in the $where ($options)"
  # shellcheck disable=SC2086  # the options are words
  if [ "$where" = box ]; then start box $options; else start stderr $options; fi
  case "$where" in
    warning) wait_for 20 '[ "$(count "</video>")" = 1 ]' || fail "no window with $options"; sleep 0.3 ;;
    show) wait_for 20 '[ "$(count "entering loop..")" = 1 ]' || fail "the show did not start with $options" ;;
    box)
      wait_for 20 '[ -s "$work/box" ]' || fail "no message box with $options"
      sleep 0.3
      alive && [ "$(count "entering loop..")" = 0 ] || fail "the box did not hold the program ($options)"
      ;;
  esac
  for signal in $signals; do kill -"$signal" "$pid"; done
  finish 10 "$what" "$code" "${records[$record]}"
  if [ "$where" = box ]; then
    helper="$(head -n1 "$work/box" | cut -d' ' -f1)"
    wait_for 2 "ended $helper" || fail "the message box outlived $what"
    [ "$code" != 0 ] || grep -q "please note: " "$work/err" || fail "the closed box's text is lost after $what"
  fi
done <<'EOF'
warning|/WARNING -1|TERM|0|whole
warning|/WARNING -1|INT|0|whole
show|/WARNING 0|HUP|0|show
box|/TEST 5|TERM|0|whole
box|/FULLSCREEN 1 /WIDTH 1000 /HEIGHT 700|INT|0|whole
box|/TEST 5|TERM HUP|129|none
EOF

# Escape in a warning screen of 5 s (time enough for a busy machine to find
# the window and press the key): the program stays until the screen ends.
start stderr /WARNING 5
wait_for 20 '[ "$(count "</video>")" = 1 ]' || fail "no window with /WARNING 5"
wid="$(timeout 20 xdotool search --sync --onlyvisible --pid "$pid" --class DEVURUZIDOZORADEVOZ | head -n1)"
wait_for 5 '[ "$(xdotool getwindowfocus)" = "$wid" ]' || fail "the window did not take the focus"
xdotool key Escape
sleep 0.5
[ "$(count "entering loop..")" = 0 ] && alive || fail "Escape cut the warning screen short"
finish 10 "Escape in the warning screen" 0 "${records[show]}"
echo "ok: signals in the warning screen, the show and a message box, a second signal, Escape deferred"
