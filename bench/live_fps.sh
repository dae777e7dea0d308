#!/usr/bin/env bash
# The live program's frame rate under Xvfb with Mesa's software renderer, from
# its own once-a-second console line (VORTELAN_FPS=1): for each size and each
# build given, the whole show windowed at detail 1, then the median fps, the
# worst second (with its second of the show), the processor cores the program
# kept busy and its processor time per frame (all threads; what a frame costs
# whatever else the machine is doing). Builds are run in turn at each size, so a before/after
# pair sees the same machine. This measures and prints; it never fails on a
# slow machine.
#
#   bench/live_fps.sh [-s "1280x960 1920x1080 3840x2160"] [-t SECONDS] [-e VAR=VALUE]... BUILD_DIR...
#
# -t stops each run after that many seconds of the show (default: the song and
# 3 s). -e passes a variable to every run (e.g. VORTELAN_DRAW=gl). A BUILD_DIR
# may be given as DIR:VAR=VALUE to pass one variable to that run alone. Each
# build folder holds vortelan, tools/make_module/render_module and
# assets/music.it. Needs Xvfb.
set -uo pipefail
sizes="1280x960 1920x1080 3840x2160"
seconds=""
extra=()
while getopts "s:t:e:" opt; do
  case $opt in
    s) sizes="$OPTARG" ;;
    t) seconds="$OPTARG" ;;
    e) extra+=("$OPTARG") ;;
    *) exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || { echo "usage: $0 [-s SIZES] [-t SECONDS] [-e VAR=VALUE]... BUILD_DIR[:VAR=VALUE]..."; exit 2; }
source "$(dirname "$0")/../tests/support/x_session.sh"

first="${1%%:*}"
if [ -z "$seconds" ]; then
  length="$("$first/tools/make_module/render_module" "$first/assets/music.it" "$work/song.wav" |
    sed -n 's/^length \([0-9.]*\) s.*/\1/p')"
  rm -f "$work/song.wav"
  [ -n "$length" ] || fail "cannot tell the length of the song"
  seconds=$(awk -v s="$length" 'BEGIN { printf "%d", s + 3 }')
fi
ticks=$(getconf CLK_TCK)

echo "uptime before: $(uptime)"
printf '%-10s %-40s %8s %8s %8s %6s %8s\n' size build median worst "at s" cores "cpu ms"
for size in $sizes; do
  width="${size%x*}" height="${size#*x}"
  rm -f "$work/display"  # start_xvfb waits for a fresh display number there
  start_xvfb "$size"
  for spec in "$@"; do
    dir="$(cd "${spec%%:*}" && pwd)"
    own=()
    [ "$spec" != "${spec%%:*}" ] && own=("${spec#*:}")
    : >"$work/out"
    (cd "$work" && exec env VORTELAN_FPS=1 VORTELAN_MESSAGES=stderr SDL_AUDIODRIVER=dummy \
      ${extra[@]+"${extra[@]}"} ${own[@]+"${own[@]}"} \
      "$dir/vortelan" /FULLSCREEN 0 /WIDTH "$width" /HEIGHT "$height" /WARNING 0 /DETAIL 1 \
      >"$work/out" 2>"$work/err") &
    pid=$!
    wait_for 30 'grep -q "entering loop.." "$work/out"' || fail "$dir did not start at $size"
    started=$(date +%s%N)
    read -r -a stat0 < <(cut -d' ' -f14,15 "/proc/$pid/stat")
    sleep "$seconds"
    read -r -a stat1 < <(cut -d' ' -f14,15 "/proc/$pid/stat")
    ended=$(date +%s%N)
    kill -TERM "$pid"
    wait "$pid"
    pid=""
    cpu=$(( (stat1[0] + stat1[1]) - (stat0[0] + stat0[1]) ))
    # The lines after the show began; the first covers part of the set-up.
    sed -n '/entering loop/,$p' "$work/out" | sed -n 's/^fps \([0-9]*\), worst frame.*/\1/p' | tail -n +2 >"$work/fps"
    if [ ! -s "$work/fps" ]; then
      printf '%-10s %-40s no console lines\n' "$size" "$spec"
    else
      median=$(sort -n "$work/fps" | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }')
      read -r worst at < <(awk 'NR == 1 || $1 < w { w = $1; at = NR } END { print w, at + 1 }' "$work/fps")
      cores=$(awk -v c="$cpu" -v t="$ticks" -v w=$(( (ended - started) / 1000000 )) 'BEGIN { printf "%.2f", c / t / (w / 1000) }')
      # Processor time per frame, all threads: what a frame costs whatever else runs.
      frames=$(awk '{ n += $1 } END { print n }' "$work/fps")
      per=$(awk -v c="$cpu" -v t="$ticks" -v f="$frames" 'BEGIN { printf "%.2f", c / t * 1000 / f }')
      printf '%-10s %-40s %8s %8s %8s %6s %8s\n' "$size" "$spec" "$median" "$worst" "$at" "$cores" "$per"
    fi
    cp "$work/fps" "${TMPDIR:-/tmp}/live_fps_${size}_$(echo "$spec" | tr '/:=' '___').txt"
  done
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  xvfb=""
done
echo "uptime after: $(uptime)"
