#!/usr/bin/env bash
# scripts/install-deps.sh: the two package sets as --list prints them (the run
# set holds no test tool; the test set holds the run set and is installed
# here; clang and its runtimes are one version), and what it does when a
# package is missing, for an unprivileged user through the real dpkg-query:
# with sudo, apt gets the frontend setting and only the missing package;
# without sudo, one line says what is missing and that root or sudo is needed.
# Argument: the source directory.
set -uo pipefail
source_dir="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

script="$source_dir/scripts/install-deps.sh"
bash "$script" --list run >"$work/run" 2>"$work/err" || fail "--list run: $(cat "$work/err")"
bash "$script" --list test >"$work/test" 2>"$work/err" || fail "--list test: $(cat "$work/err")"
for set in run test; do
  [ "$(wc -l <"$work/$set")" -ge 10 ] || fail "the $set set is almost empty: $(cat "$work/$set")"
  bad="$(grep -v -x -E '[a-z0-9][a-z0-9+.-]+' "$work/$set")"
  [ -z "$bad" ] || fail "--list $set prints more than package names: $bad"
  dup="$(sort "$work/$set" | uniq -d)"
  [ -z "$dup" ] || fail "the $set set names $dup twice"
done
missing="$(comm -23 <(sort "$work/run") <(sort "$work/test") | tr '\n' ' ')"
[ -z "$missing" ] || fail "the test set lacks $missing of the run set"

# What building and running need, and nothing the checks alone use.
for p in build-essential cmake pkg-config libsdl2-dev libopenmpt-dev libgl1-mesa-dev libgl1-mesa-dri libpng-dev \
         libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev libfreetype-dev \
         fonts-dejavu-core x11-utils; do
  grep -q -x -F "$p" "$work/run" || fail "the run set lacks $p"
done
tools='^(libgtest-dev|libgmock-dev|googletest|libbenchmark-dev|xvfb|xauth|xdotool|ffmpeg|sox|clang.*|libclang.*|llvm.*|'
tools+='lintian|appstream|man-db|groff-base|desktop-file-utils|dpkg-dev|file|python3|chromium|emscripten|nodejs)$'
found="$(grep -E "$tools" "$work/run" | tr '\n' ' ')"
[ -z "$found" ] || fail "the run set holds test tools: $found"

# The test set is what this machine ran the stages with: all of it installed.
while IFS= read -r p; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || fail "$p of the test set is not installed"
done <"$work/test"
# clang and the runtimes from the default version, not a pinned one, and a
# fuzzer built with that clang links and runs.
pinned="$(grep -E '^(clang|libclang-rt|llvm)-[0-9]' "$work/test" | tr '\n' ' ')"
[ -z "$pinned" ] || fail "the test set pins an LLVM version: $pinned"
printf '%s\n' 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' >"$work/f.cpp"
clang++ -fsanitize=fuzzer,address,undefined -o "$work/f" "$work/f.cpp" >"$work/clang.log" 2>&1 ||
  fail "clang++ cannot build a fuzzer with its runtimes: $(cat "$work/clang.log")"
"$work/f" -runs=10 >"$work/f.log" 2>&1 || fail "a fuzzer built with clang does not run: $(tail -5 "$work/f.log")"

# An unprivileged user whose PATH lacks sudo (every other command is there),
# with one package missing: dpkg-query finds it missing for real.
chmod 755 "$work"
cp "$script" "$work/install-deps.sh"
mkdir "$work/bin"
for tool in /usr/bin/* /usr/sbin/* /bin/* /sbin/*; do
  name="${tool##*/}"
  [ "$name" = sudo ] || [ -e "$work/bin/$name" ] || ln -s "$tool" "$work/bin/$name"
done
# apt-get and sudo stand-ins that only write down how they were called; sudo
# clears the environment as the real one does.
rm -f "$work/bin/apt-get"
cat >"$work/bin/apt-get" <<'EOF'
#!/bin/sh
echo "apt-get $* [DEBIAN_FRONTEND=${DEBIAN_FRONTEND:-}]" >>"$CALLS"
EOF
mkdir "$work/sudo"
cat >"$work/sudo/sudo" <<EOF
#!/bin/sh
echo "sudo \$*" >>"$work/calls"
exec env -i PATH="$work/bin" CALLS="$work/calls" "\$@"
EOF
chmod 755 "$work/bin/apt-get" "$work/sudo/sudo"
touch "$work/calls"
chmod 666 "$work/calls"

if [ "$(id -u)" = 0 ]; then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
else
  as_user=()
fi
# deps <PATH> <extra packages> <set>: runs the copy as that user.
deps() {
  : >"$work/calls"
  "${as_user[@]}" env -i PATH="$1" CALLS="$work/calls" VORTELAN_EXTRA_PACKAGES="$2" HOME=/ \
    bash "$work/install-deps.sh" "$3" >"$work/out" 2>"$work/err"
}
absent=vortelan-no-such-package

# Nothing missing: done at once, without root.
deps "$work/bin" "" run
rc=$?
[ "$rc" = 0 ] && [ ! -s "$work/out" ] && [ ! -s "$work/err" ] && [ ! -s "$work/calls" ] ||
  fail "with nothing missing: exit code $rc, output '$(cat "$work/out" "$work/err")', calls '$(cat "$work/calls")'"

# Missing, no sudo: one line, exit code 1, apt never started.
deps "$work/bin" "$absent" run
rc=$?
[ "$rc" = 1 ] || fail "without root or sudo: exit code $rc, expected 1"
[ ! -s "$work/out" ] && [ "$(wc -l <"$work/err")" = 1 ] && grep -q -F "$absent" "$work/err" &&
  grep -q "root or sudo" "$work/err" || fail "without root or sudo the message is '$(cat "$work/out" "$work/err")'"
grep -q -E 'not found|command' "$work/err" && fail "without sudo: $(cat "$work/err")"
[ -s "$work/calls" ] && fail "without root or sudo apt-get was started: $(cat "$work/calls")"

# Missing, with sudo: apt through sudo, non-interactive, only what is missing.
deps "$work/sudo:$work/bin" "$absent" test
rc=$?
[ "$rc" = 0 ] || fail "with sudo: exit code $rc: $(cat "$work/err")"
expected="sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
apt-get update -qq [DEBIAN_FRONTEND=noninteractive]
sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $absent
apt-get install -y -qq --no-install-recommends $absent [DEBIAN_FRONTEND=noninteractive]"
[ "$(cat "$work/calls")" = "$expected" ] || fail "with sudo the calls were
$(cat "$work/calls")
expected
$expected"

# Usage errors.
for args in "" "all" "--list" "--list all" "run test"; do
  # shellcheck disable=SC2086
  bash "$script" $args >"$work/out" 2>"$work/err"
  rc=$?
  [ "$rc" = 2 ] && grep -q usage "$work/err" || fail "'install-deps.sh $args': exit code $rc, '$(cat "$work/err")'"
done

[ "$failures" = 0 ] || exit 1
echo "ok: run set $(wc -l <"$work/run") packages, test set $(wc -l <"$work/test"); missing packages without root or sudo, and with sudo"
