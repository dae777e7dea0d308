#!/usr/bin/env bash
# Without a display the program says so and ends at once with exit code 0;
# --help (-h) prints the usage and --version (-V) the versions, and neither
# opens a window, display or not.
# Arguments: the vortelan binary and the build directory.
set -uo pipefail
bin="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*"
  echo "--- stdout"; cat -A "$work/out" 2>/dev/null
  echo "--- stderr"; cat "$work/err" 2>/dev/null
  exit 1
}

cd "$work"
# The message boxes have no display to show on either: they fall back to
# standard error.
run_headless() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u VORTELAN_MESSAGES SDL_AUDIODRIVER=dummy \
    timeout 20 "$bin" "$@" >"$work/out" 2>"$work/err"
}

# Settings from the command line, and with none from vortelan.ini here: a FIFO
# of that name counts as missing and must not hold up start-up.
mkfifo vortelan.ini
for args in "/FULLSCREEN 0 /WIDTH 640 /HEIGHT 480" ""; do
  start=$(date +%s)
  # shellcheck disable=SC2086
  run_headless $args
  rc=$?
  took=$(($(date +%s) - start))
  [ "$rc" = 0 ] || fail "exit code $rc with '$args'"
  [ "$took" -le 10 ] || fail "took ${took}s to give up"
  err="$(cat "$work/err")"
  expected=$'please note: RegisterClass() failed\n'
  expected+=$'please note: window creation failed \n exiting now -1\n'
  expected+=$'please note: demo attempt was a complete failure.. \n bye'
  [[ "$err" == *"$expected"* ]] || { printf 'expected on stderr:\n%s' "$expected"; fail "messages with '$args'"; }
  grep -q "no display" "$work/err" || fail "no line saying that no display is reachable"
  console="<video setup=1>"
  [ -z "$args" ] && console="file \`vortelan.ini\` is missing..$console"
  [ "$(cat "$work/out")" = "$console" ] || fail "console with '$args'"
done

for flag in --help -h "/WIDTH 800 --help"; do
  # With a display too: no window may open.
  # shellcheck disable=SC2086
  VORTELAN_MESSAGES=stderr SDL_AUDIODRIVER=dummy timeout 10 "$bin" $flag >"$work/out" 2>"$work/err"
  rc=$?
  [ "$rc" = 0 ] || fail "exit code $rc for $flag"
  grep -q "^usage: vortelan" "$work/out" || fail "no usage for $flag"
  for word in /WIDTH /HEIGHT /DETAIL /FULLSCREEN /WARNING /MUSIC /TEST Escape F4 vortelan.ini; do
    grep -q -F -- "$word" "$work/out" || fail "usage does not mention $word"
  done
  grep -q "video setup" "$work/out" && fail "$flag started the show"
  [ -s "$work/err" ] && fail "$flag wrote to stderr"
done
# --version (or -V) anywhere: the project's version and the libraries in use.
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$2/CMakeCache.txt")"
for flag in --version -V "/WIDTH 800 -V --help"; do
  # shellcheck disable=SC2086
  VORTELAN_MESSAGES=stderr SDL_AUDIODRIVER=dummy timeout 10 "$bin" $flag >"$work/out" 2>"$work/err"
  rc=$?
  [ "$rc" = 0 ] || fail "exit code $rc for $flag"
  [ "$(head -1 "$work/out")" = "vortelan $version" ] || fail "first line for $flag, expected 'vortelan $version'"
  grep -q -E '^SDL 2\.[0-9]+\.[0-9]+$' "$work/out" || fail "no SDL version for $flag"
  grep -q -E '^libopenmpt [0-9]+\.[0-9]+\.[0-9]+' "$work/out" || fail "no libopenmpt version for $flag"
  [ "$(wc -l <"$work/out")" = 3 ] || fail "$flag printed more than the versions"
  [ -s "$work/err" ] && fail "$flag wrote to stderr"
done
echo "ok: no display, --help, --version"
