# Sourced by the scripts that drive the real program on an X display: a
# scratch folder, the program ($pid) and the X server ($xvfb) they start, both
# ended on exit, polling, and an X server of their own. Scripts that look for
# the program's windows set class first.
work="$(mktemp -d)"
pid=""
xvfb=""

cleanup() {
  [ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# The program's console record and messages end the report.
fail() {
  echo "FAIL: $*"
  echo "--- stdout (end)"; tail -n 40 "$work/out" 2>/dev/null | cat -A
  echo "--- stderr (end)"; tail -n 40 "$work/err" 2>/dev/null
  exit 1
}

# Polls a condition (a shell command) every 50 ms for up to $1 seconds.
wait_for() {
  local tries=$(($1 * 20)); shift
  while ! eval "$@"; do
    tries=$((tries - 1))
    [ "$tries" -le 0 ] && return 1
    sleep 0.05
  done
}

# An X server with one screen of $1 (WIDTHxHEIGHT), for this script alone.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp 3>"$work/display" 2>/dev/null &
  xvfb=$!
  wait_for 10 '[ -s "$work/display" ]' || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$work/display")"
}

# The window with the input focus is one of the program's.
focused_is_ours() {
  local focus
  focus="$(xdotool getwindowfocus 2>/dev/null)" || return 1
  xdotool search --onlyvisible --pid "$pid" --class "$class" 2>/dev/null | grep -qx "$focus"
}
