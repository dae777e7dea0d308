#!/usr/bin/env bash
# Builds the fuzz targets with clang (everything instrumented, see
# fuzz/CMakeLists.txt) and runs each for a while from the seed corpus. Prints
# executions per second and per run; a crash, hang or failed property fails
# the run and leaves the reproducer in the log (base64) and in the build folder.
# Usage: fuzz/run.sh [seconds per target, default 60]
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VORTELAN_FUZZ_BUILD:-$root/build-fuzz}"
seconds="${1:-60}"
targets=(fuzz_options fuzz_ini fuzz_pcx fuzz_player)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORTELAN_FUZZ=ON \
  -DVORTELAN_TESTS=OFF -DVORTELAN_BENCH=OFF >/dev/null || exit 1
cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" fuzz_seeds >/dev/null || {
  cmake --build "$build" -j1 --target "${targets[@]}" fuzz_seeds 2>&1 | tail -n 40
  exit 1
}

export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
rm -rf "$build/corpus" "$build/artifacts" "$build/logs"
mkdir -p "$build/artifacts" "$build/logs"
failed=0
printf '%-14s %10s %10s %8s\n' target executions "exec/s" corpus
for target in "${targets[@]}"; do
  name="${target#fuzz_}"
  corpus="$build/corpus/$name"
  log="$build/logs/$name.log"
  mkdir -p "$corpus"
  dict=()
  [ "$name" = options ] || [ "$name" = ini ] && dict=(-dict="$root/fuzz/options.dict")
  # -close_fd_mask=3 keeps the program's console lines and messages out of
  # the log; libFuzzer and the sanitizers still report.
  "$build/fuzz/$target" -max_total_time="$seconds" -close_fd_mask=3 -print_final_stats=1 -timeout=25 \
    -artifact_prefix="$build/artifacts/$name-" "${dict[@]}" "$corpus" "$build/fuzz/seeds/$name" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  printf '%-14s %10s %10s %8s\n' "$target" "${runs:-?}" "${rate:-?}" "$(ls "$corpus" | wc -l)"
  if [ "$rc" != 0 ]; then
    failed=1
    echo "--- $target failed (exit code $rc); the end of its log:"
    grep -v -E '^#[0-9]+[[:space:]]+(NEW|REDUCE|pulse|INITED)' "$log" | tail -n 60
    for artifact in "$build/artifacts/$name-"*; do
      [ -f "$artifact" ] || continue
      size=$(stat -c %s "$artifact")
      echo "--- reproducer $artifact ($size bytes); to replay: $build/fuzz/$target <file>"
      echo "--- base64 (first 64 KiB; decode with base64 -d):"
      head -c 65536 "$artifact" | base64 -w 100
    done
  fi
done
exit "$failed"
