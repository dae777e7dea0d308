#!/usr/bin/env bash
# Builds the Debian package of a finished build with cpack and checks it: its
# name, version and section; that it holds exactly what `cmake --install`
# installs, under /usr; that its Depends name the package of every library the
# programs load and no development package; and that the packaged (stripped)
# demo runs from the unpacked tree.
# Argument: the build directory (a Release build, already built).
set -uo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
arch="$(dpkg --print-architecture)"
deb="$build/vortelan_${version}_${arch}.deb"
rm -f "$deb"
(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
}
[ -f "$deb" ] || { cat "$work/cpack.log"; echo "FAIL: no $(basename "$deb")"; exit 1; }

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vortelan ] || fail "Package is '$(field Package)'"
[ "$(field Version)" = "$version" ] || fail "Version is '$(field Version)', the project's is $version"
[ "$(field Section)" = games ] || fail "Section is '$(field Section)'"
[ "$(field Architecture)" = "$arch" ] || fail "Architecture is '$(field Architecture)'"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ "$(dpkg-deb -f "$deb" Description | wc -l)" -ge 3 ] || fail "no long description"

# Exactly the files of the install rules, with the package's prefix /usr.
cmake --install "$build" --prefix "$work/tree" >/dev/null 2>&1 || fail "cmake --install"
(cd "$work/tree" && find . -type f | sed 's|^\./|/usr/|' | sort) >"$work/expected"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort >"$work/packaged"
diff -u "$work/expected" "$work/packaged" >"$work/diff" || fail "files differ from the install rules: $(cat "$work/diff")"
for path in /usr/bin/vortelan /usr/share/applications/vortelan.desktop /usr/share/man/man6/vortelan.6.gz \
            /usr/share/icons/hicolor/48x48/apps/vortelan.png /usr/share/doc/vortelan/README.md; do
  grep -q -x -F "$path" "$work/packaged" || fail "$path is not in the package"
done

# Depends: the Debian package of every library a packaged program needs, and
# GL, which SDL opens only at run time.
dpkg-deb -x "$deb" "$work/root"
depends="$(field Depends)"
needs_package() {
  [[ ", $depends," == *", $1 ("* || ", $depends," == *", $1,"* ]] || fail "Depends lacks $1 ($2): $depends"
}
for program in "$work"/root/usr/bin/*; do
  file -b "$program" | grep -q 'ELF.*, stripped' || fail "$(basename "$program") is not a stripped ELF program"
  for library in $(objdump -p "$program" | awk '$1 == "NEEDED" {print $2}'); do
    path="$(ldconfig -p | awk -v lib="$library" '$1 == lib && $NF ~ /^\// {print $NF; exit}')"
    [ -n "$path" ] || { fail "$library is not found on this machine"; continue; }
    owner="$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -1 | cut -d: -f1)"
    [ -n "$owner" ] || owner="$(dpkg -S "$path" 2>/dev/null | head -1 | cut -d: -f1)"
    [ -n "$owner" ] || { fail "no package owns $path"; continue; }
    needs_package "$owner" "$library"
  done
done
needs_package libgl1 "opened by SDL"
[[ "$depends" == *-dev* || "$depends" == *libasan* || "$depends" == *libubsan* ]] &&
  fail "Depends names a development or sanitizer package: $depends"

# The packaged demo runs, from the unpacked tree and another folder.
out="$(cd "$work" && env -u DISPLAY "$work/root/usr/bin/vortelan" --version 2>&1)" ||
  fail "packaged vortelan --version failed: $out"
[ "$(head -1 <<<"$out")" = "vortelan $version" ] || fail "packaged vortelan --version says '$out'"

[ "$failures" = 0 ] || exit 1
echo "ok: $(basename "$deb"), $(wc -l <"$work/packaged") files, Depends: $depends"
