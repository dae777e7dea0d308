#!/usr/bin/env bash
# Builds the two Debian packages of a finished build with cpack and checks
# them: their fields; that each holds exactly what its install component
# installs, under /usr, and that together they hold everything; that Depends
# names the package of every library the programs load, no development
# package, and FFmpeg only for the capture; the copyright file, the changelog
# and the AppStream metadata; lintian; and that the packaged (stripped) demo
# runs from the unpacked tree.
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
rm -f "$build"/*.deb
(cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
}
made="$(cd "$build" && ls -- *.deb | sort | tr '\n' ' ')"
[ "$made" = "vortelan-capture_${version}_${arch}.deb vortelan_${version}_${arch}.deb " ] ||
  fail "cpack made '$made', expected vortelan and vortelan-capture $version for $arch"

cmake --install "$build" --prefix "$work/all" >/dev/null 2>&1 || fail "cmake --install"
(cd "$work/all" && find . -type f | sed 's|^\./|/usr/|' | sort) >"$work/all.files"
: >"$work/packaged.all"

# check_package <package> <install component> <section> <paths it must hold...>
check_package() {
  local package="$1" component="$2" section="$3"
  shift 3
  local deb="$build/${package}_${version}_${arch}.deb" root="$work/root-$package"
  [ -f "$deb" ] || { fail "no $(basename "$deb")"; return; }
  field() { dpkg-deb -f "$deb" "$1"; }
  [ "$(field Package)" = "$package" ] || fail "$package: Package is '$(field Package)'"
  [ "$(field Source)" = vortelan ] || fail "$package: Source is '$(field Source)'"
  [ "$(field Version)" = "$version" ] || fail "$package: Version is '$(field Version)', the project's is $version"
  [ "$(field Section)" = "$section" ] || fail "$package: Section is '$(field Section)', expected $section"
  [ "$(field Architecture)" = "$arch" ] || fail "$package: Architecture is '$(field Architecture)'"
  [[ "$(field Maintainer)" == VORTELAN*" <"*@*">" ]] || fail "$package: Maintainer '$(field Maintainer)' does not name the project"
  [ "$(field Description | wc -l)" -ge 3 ] || fail "$package: no long description"

  # Exactly the files of the component's install rules, with the prefix /usr.
  cmake --install "$build" --component "$component" --prefix "$work/tree-$package" >/dev/null 2>&1 ||
    fail "cmake --install --component $component"
  (cd "$work/tree-$package" && find . -type f | sed 's|^\./|/usr/|' | sort) >"$work/expected"
  dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./|/|' | sort >"$work/packaged"
  diff -u "$work/expected" "$work/packaged" >"$work/diff" ||
    fail "$package: files differ from the install rules of '$component': $(cat "$work/diff")"
  cat "$work/packaged" >>"$work/packaged.all"
  local path
  for path in "$@" "/usr/share/doc/$package/copyright" "/usr/share/doc/$package/changelog.gz"; do
    grep -q -x -F "$path" "$work/packaged" || fail "$path is not in $package"
  done

  # Depends: the Debian package of every library a packaged program needs,
  # and no development or sanitizer package.
  dpkg-deb -x "$deb" "$root"
  depends="$(field Depends)"
  local program library owner
  for program in "$root"/usr/bin/*; do
    file -b "$program" | grep -q 'ELF.*, stripped' || fail "$(basename "$program") is not a stripped ELF program"
    for library in $(objdump -p "$program" | awk '$1 == "NEEDED" {print $2}'); do
      path="$(ldconfig -p | awk -v lib="$library" '$1 == lib && $NF ~ /^\// {print $NF; exit}')"
      [ -n "$path" ] || { fail "$library is not found on this machine"; continue; }
      owner="$(dpkg -S "$(readlink -f "$path")" 2>/dev/null | head -1 | cut -d: -f1)"
      [ -n "$owner" ] || owner="$(dpkg -S "$path" 2>/dev/null | head -1 | cut -d: -f1)"
      [ -n "$owner" ] || { fail "no package owns $path"; continue; }
      depends_on "$owner" || fail "$package: Depends lacks $owner ($library): $depends"
    done
  done
  [[ "$depends" == *-dev* || "$depends" == *libasan* || "$depends" == *libubsan* ]] &&
    fail "$package: Depends names a development or sanitizer package: $depends"

  # The copyright file in Debian's machine-readable format: the project's
  # licence for every file, and a text for every licence it names.
  local copyright="$root/usr/share/doc/$package/copyright"
  python3 - "$copyright" <<'EOF' || fail "$package: copyright file"
import sys
paragraphs, current, key = [], {}, None
for line in open(sys.argv[1]).read().splitlines() + [""]:
    if not line.strip():
        if current:
            paragraphs.append(current)
        current, key = {}, None
    elif line[0] in " \t":
        current[key] += "\n" + line.strip()
    else:
        key, value = line.split(":", 1)
        current[key] = value.strip()
header, rest = paragraphs[0], paragraphs[1:]
problems = []
if header.get("Format") != "https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/":
    problems.append("not in the machine-readable format")
if header.get("Upstream-Name") != "VORTELAN":
    problems.append("Upstream-Name is not VORTELAN")
files = [p for p in rest if "Files" in p]
if not files or files[0]["Files"] != "*" or files[0].get("License") != "MIT" or not files[0].get("Copyright"):
    problems.append("the first Files paragraph does not give every file a copyright and the MIT licence")
texts = {p["License"].split("\n")[0]: p["License"] for p in rest if "Files" not in p and "License" in p}
for p in files:
    name = p.get("License", "").split("\n")[0]
    if "\n" not in p.get("License", "") and "\n" not in texts.get(name, ""):
        problems.append(f"the licence {name!r} of {p['Files']} has no text")
if problems:
    sys.exit("; ".join(problems))
EOF
  cmp -s "$copyright" "$(dirname "$0")/../../packaging/copyright" || fail "$package: the copyright file is not packaging/copyright"

  # The changelog: compressed without a time stamp or name, for this version.
  local changelog="$root/usr/share/doc/$package/changelog.gz"
  gzip -lv "$changelog" >/dev/null 2>&1 || fail "$package: changelog.gz is not gzip"
  [ "$(od -An -tu4 -j4 -N4 "$changelog" | tr -d ' ')" = 0 ] || fail "$package: changelog.gz carries a time stamp"
  zcat "$changelog" >"$work/changelog"
  [ "$(dpkg-parsechangelog -l "$work/changelog" -S Version 2>&1)" = "$version" ] ||
    fail "$package: the changelog's last entry is not version $version"
  [ "$(dpkg-parsechangelog -l "$work/changelog" -S Source 2>&1)" = vortelan ] ||
    fail "$package: the changelog is not vortelan's"

  # Lintian overrides, if any, each with a comment saying why.
  local overrides="$root/usr/share/lintian/overrides/$package"
  if [ -f "$overrides" ]; then
    awk '/^#/ {c = 1; next} /^[[:space:]]*$/ {c = 0; next} !c {bad = 1; print} {c = 0} END {exit bad}' "$overrides" >"$work/bare" ||
      fail "$package: lintian overrides without a comment: $(cat "$work/bare")"
  fi
}
depends_on() { [[ ", $depends," == *", $1 ("* || ", $depends," == *", $1,"* ]]; }

check_package vortelan demo video /usr/bin/vortelan /usr/share/applications/org.example.vortelan.desktop \
  /usr/share/metainfo/org.example.vortelan.metainfo.xml /usr/share/man/man6/vortelan.6.gz \
  /usr/share/icons/hicolor/48x48/apps/vortelan.png /usr/share/doc/vortelan/README.md
# GL and EGL, which SDL opens only at run time; nothing of FFmpeg.
for needed in libgl1 libegl1; do depends_on "$needed" || fail "vortelan: Depends lacks $needed: $depends"; done
grep -q -E '(^|[ ,])(ffmpeg|libav[a-z]*[0-9]+|libsw[a-z]+[0-9]+|libpostproc[0-9]+)[ ,(]' <<<"$depends, " &&
  fail "vortelan depends on FFmpeg: $depends"

check_package vortelan-capture capture video /usr/bin/vortelan-capture /usr/share/man/man1/vortelan-capture.1.gz
depends_on fonts-dejavu-core || fail "vortelan-capture: Depends lacks fonts-dejavu-core: $depends"
[[ "$depends" == *libavcodec* ]] || fail "vortelan-capture: Depends lacks libavcodec: $depends"

# Between them the packages hold everything that is installed, each file once.
sort "$work/packaged.all" >"$work/packaged.sorted"
diff -u "$work/all.files" "$work/packaged.sorted" >"$work/diff" ||
  fail "the packages together do not hold exactly what cmake --install installs: $(cat "$work/diff")"

# AppStream: the metadata validates, its id is the desktop entry's, and its
# release and licences agree with the changelog and the copyright file.
root="$work/root-vortelan"
metainfo="$root/usr/share/metainfo/org.example.vortelan.metainfo.xml"
if [ -f "$metainfo" ]; then
  appstreamcli validate --no-net "$metainfo" >"$work/appstream" 2>&1 ||
    fail "appstreamcli validate --no-net: $(cat "$work/appstream")"
  python3 - "$metainfo" "$root" "$version" "$work/changelog" <<'EOF' || fail "AppStream metadata"
import email.utils, os, sys, xml.etree.ElementTree as ET
path, root, version, changelog = sys.argv[1:]
c = ET.parse(path).getroot()
problems = []
cid = c.findtext("id")
if os.path.basename(path) != f"{cid}.metainfo.xml":
    problems.append(f"file name {os.path.basename(path)} for id {cid}")
launch = c.findtext("launchable[@type='desktop-id']")
if launch != f"{cid}.desktop" or not os.path.isfile(f"{root}/usr/share/applications/{launch}"):
    problems.append(f"launchable {launch} is not the packaged desktop entry {cid}.desktop")
for tag in ("name", "summary", "description", "categories/category", "content_rating"):
    if c.find(tag) is None:
        problems.append(f"no {tag}")
if c.findtext("metadata_license") != "CC0-1.0" or c.findtext("project_license") != "MIT":
    problems.append("licences are not CC0-1.0 (metadata) and MIT (project), as in the copyright file")
release = c.find("releases/release")
date = next((l[4:].strip() for l in open(changelog) if l.startswith(" -- ")), "")
date = email.utils.parsedate_to_datetime(date.split(">", 1)[1].strip()).date().isoformat() if date else ""
if release is None or release.get("version") != version or release.get("date") != date:
    problems.append(f"newest release {None if release is None else release.attrib}, expected {version} of {date}, as the changelog")
if problems:
    sys.exit("; ".join(problems))
EOF
fi

# Lintian: neither errors nor warnings.
lintian --fail-on error,warning "$build/vortelan_${version}_${arch}.deb" \
  "$build/vortelan-capture_${version}_${arch}.deb" >"$work/lintian" 2>&1 ||
  fail "lintian: $(grep -v 'running with root privileges' "$work/lintian")"

# The packaged demo runs, from the unpacked tree and another folder.
out="$(cd "$work" && env -u DISPLAY "$root/usr/bin/vortelan" --version 2>&1)" ||
  fail "packaged vortelan --version failed: $out"
[ "$(head -1 <<<"$out")" = "vortelan $version" ] || fail "packaged vortelan --version says '$out'"

[ "$failures" = 0 ] || exit 1
for deb in "$build"/*.deb; do
  echo "ok: $(basename "$deb"), $(stat -c %s "$deb") bytes, Depends: $(dpkg-deb -f "$deb" Depends)"
done
