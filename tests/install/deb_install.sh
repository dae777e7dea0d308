#!/usr/bin/env bash
# Installs the demo's package alone on this machine, as a user would with apt,
# and checks that it brings nothing but itself, that `vortelan --version` works
# from the PATH and that the recorder is not there; then puts the machine back
# as it was: the packages of ours it had before are there again (from this
# build), the others and anything apt brought along are purged. Needs root (skipped, exit 77, without it).
# Argument: the build directory, whose packages deb_package.sh has made.
set -uo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

[ "$(id -u)" = 0 ] || { echo "skipped: installing a package needs root"; exit 77; }
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
arch="$(dpkg --print-architecture)"
demo="$build/vortelan_${version}_${arch}.deb"
capture="$build/vortelan-capture_${version}_${arch}.deb"
[ -f "$demo" ] && [ -f "$capture" ] || { echo "FAIL: no packages in $build (deb_package.sh makes them)"; exit 1; }

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
export DEBIAN_FRONTEND=noninteractive
had=()
for package in vortelan vortelan-capture; do installed "$package" && had+=("$package"); done
added=""
restore() {
  # shellcheck disable=SC2086  # one name a word
  dpkg --purge vortelan vortelan-capture $added >/dev/null 2>&1
  local package
  for package in "${had[@]}"; do
    dpkg -i "$build/${package}_${version}_${arch}.deb" >/dev/null 2>&1 || echo "FAIL: could not put $package back"
  done
  rm -rf "$work"
}
trap restore EXIT
# From a clean start, also when an earlier run or a user left them installed.
[ ${#had[@]} = 0 ] || dpkg --purge "${had[@]}" >/dev/null 2>&1 || fail "could not purge ${had[*]}"

installed_list() { dpkg-query -W -f='${Status} ${Package}\n' | awk '$3 == "installed" {print $4}' | sort; }
installed_list >"$work/before"
# A path with a slash makes apt take the file; dependencies come from this
# machine's packages.
cp "$demo" "$work/"
apt-get install -y -qq --no-install-recommends "$work/$(basename "$demo")" >"$work/apt.log" 2>&1 ||
  fail "apt-get install ./$(basename "$demo"): $(cat "$work/apt.log")"
installed_list >"$work/after"
added="$(comm -13 "$work/before" "$work/after" | tr '\n' ' ')"
[ "$added" = "vortelan " ] || fail "installing the demo's package brought '$added', expected vortelan alone"
installed vortelan || fail "vortelan is not installed"
installed vortelan-capture && fail "vortelan-capture came with vortelan"

# The installed program answers from any folder, display or not.
mkdir "$work/elsewhere"
cd "$work/elsewhere"
[ "$(command -v vortelan)" = /usr/bin/vortelan ] || fail "vortelan is not /usr/bin/vortelan on the PATH: '$(command -v vortelan)'"
out="$(env -u DISPLAY -u WAYLAND_DISPLAY vortelan --version 2>&1)"
rc=$?
[ "$rc" = 0 ] || fail "vortelan --version: exit code $rc: $out"
[ "$(head -1 <<<"$out")" = "vortelan $version" ] && grep -q '^SDL ' <<<"$out" && grep -q '^libopenmpt ' <<<"$out" ||
  fail "vortelan --version says '$out'"
command -v vortelan-capture >/dev/null && fail "vortelan-capture is on the PATH: $(command -v vortelan-capture)"
[ -e /usr/bin/vortelan-capture ] && fail "/usr/bin/vortelan-capture exists"
while IFS= read -r path; do
  [ -e "$path" ] || fail "dpkg lists $path for vortelan, but it is not there"
done < <(dpkg -L vortelan)

# Purged, it leaves nothing behind.
dpkg --purge vortelan >/dev/null 2>&1 || fail "dpkg --purge vortelan"
for path in /usr/bin/vortelan /usr/share/applications/org.example.vortelan.desktop /usr/share/doc/vortelan; do
  [ -e "$path" ] && fail "$path is left after purging vortelan"
done

[ "$failures" = 0 ] || exit 1
echo "ok: vortelan $version installed alone brought nothing else, --version works, vortelan-capture absent; purged"
