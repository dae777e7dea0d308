#!/usr/bin/env bash
# Installs a finished build into a scratch prefix and checks what a user gets:
# every program answers --version with the project's version, the demo runs
# from an empty folder, the desktop entry validates and points at a program
# and an icon that exist, every manual page sits in its section's folder,
# renders without warnings and names every option the program knows, and
# the icons are RGBA PNGs of their stated size with transparent corners.
# Argument: the build directory (a Release build, already built).
set -uo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
failures=0

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")"
[ -n "$version" ] || { echo "FAIL: no project version in $build/CMakeCache.txt"; exit 1; }
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
  cat "$work/install.log"
  echo "FAIL: cmake --install"
  exit 1
}

# --- Programs ------------------------------------------------------------------
mkdir "$work/elsewhere"
cd "$work/elsewhere"
[ -x "$prefix/bin/vortelan" ] || fail "bin/vortelan is missing"
for program in "$prefix"/bin/*; do
  name="$(basename "$program")"
  case "$name" in vortelan | vortelan-capture) ;; *) fail "bin/$name is installed, but is no program of ours" ;; esac
  for flag in --version -V; do
    env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$program" $flag >"$work/out" 2>"$work/err"
    rc=$?
    [ "$rc" = 0 ] || fail "$name $flag exit code $rc"
    [ -s "$work/err" ] && fail "$name $flag wrote to stderr: $(cat "$work/err")"
    grep -q -F -- "$version" "$work/out" || fail "$name $flag does not say $version"
  done
done
# The demo's own version lines: the libraries it runs with, as installed here.
if [ -x "$prefix/bin/vortelan" ]; then
  "$prefix/bin/vortelan" --version >"$work/out" 2>&1
  sdl="$(pkg-config --modversion sdl2)"
  mpt="$(pkg-config --modversion libopenmpt)"
  mpt="${mpt%%+*}"  # the run-time text may carry another build suffix
  expected=$'vortelan '"$version"$'\nSDL '"$sdl"
  [[ "$(cat "$work/out")" == "$expected"$'\nlibopenmpt '"$mpt"* ]] ||
    fail "vortelan --version says '$(cat "$work/out")', expected vortelan $version, SDL $sdl, libopenmpt $mpt"
  [ "$(wc -l <"$work/out")" = 3 ] || fail "vortelan --version is not three lines"

  # Everything the show needs is inside the binary: it starts from an empty
  # folder (with no vortelan.ini) on SDL's windowless GL driver, silent.
  SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy VORTELAN_MESSAGES=stderr \
    timeout -s INT 4 "$prefix/bin/vortelan" /FULLSCREEN 0 /WIDTH 320 /HEIGHT 240 /WARNING 0 /MUSIC 0 \
    >"$work/out" 2>"$work/err"
  [ "$(grep -c '^\[img: 640x480 24\]' "$work/out")" = 3 ] || fail "the installed demo did not decode its three pictures"
  grep -q '^entering loop\.\.$' "$work/out" || fail "the installed demo did not start the show"
  grep -q 'please note' "$work/err" && fail "the installed demo showed a message: $(cat "$work/err")"
  [ -z "$(ls -A "$work/elsewhere")" ] || fail "the demo left files in its current folder"
fi

# --- Desktop entries -------------------------------------------------------------
entries=("$prefix"/share/applications/*.desktop)
[ -f "$prefix/share/applications/org.example.vortelan.desktop" ] ||
  fail "share/applications/org.example.vortelan.desktop is missing"
for entry in "${entries[@]}"; do
  [ -f "$entry" ] || continue
  # Hints and warnings count too: the tool exits 0 on those.
  out="$(desktop-file-validate "$entry" 2>&1)"
  [ $? = 0 ] && [ -z "$out" ] || fail "$(basename "$entry") does not validate: $out"
  exec_program="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")"
  [ -x "$prefix/bin/$exec_program" ] || fail "$(basename "$entry") starts '$exec_program', which is not installed"
  icon="$(sed -n 's/^Icon=//p' "$entry")"
  [ -n "$icon" ] && [ -n "$(find "$prefix/share/icons/hicolor" -name "$icon.png" 2>/dev/null)" ] ||
    fail "$(basename "$entry") names icon '$icon', which is not installed"
done

# --- Manual pages ------------------------------------------------------------------
[ -f "$prefix/share/man/man6/vortelan.6.gz" ] || fail "share/man/man6/vortelan.6.gz is missing"
[ ! -x "$prefix/bin/vortelan-capture" ] || [ -f "$prefix/share/man/man1/vortelan-capture.1.gz" ] ||
  fail "vortelan-capture is installed without share/man/man1/vortelan-capture.1.gz"
pages=0
while IFS= read -r page; do
  pages=$((pages + 1))
  name="$(basename "$page" .gz)"
  folder="$(basename "$(dirname "$page")")"
  [ "$folder" = "man${name##*.}" ] || fail "$name sits in $folder"
  LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" >"$work/page" 2>"$work/warnings"
  [ -s "$work/warnings" ] && fail "$name renders with warnings: $(cat "$work/warnings")"
  [ "$(wc -l <"$work/page")" -gt 20 ] || fail "$name renders to almost nothing"
  grep -q '@[A-Z_]*@' "$work/page" && fail "$name has a placeholder left: $(grep -o '@[A-Z_]*@' "$work/page" | head -1)"
  # A program's page tells every option and every variable the program knows.
  program="${name%.*}"
  if [ "$program" = vortelan ]; then
    words="$("$prefix/bin/vortelan" --help | grep -o -E -- '(^| )(/[A-Z]+|--[a-z]+)' | sort -u)"
    words+=$'\nVORTELAN_MESSAGES\nSDL_AUDIODRIVER\nSDL_VIDEODRIVER\nvortelan.ini\nEscape\nF4'
    for word in $words; do
      grep -q -w -F -- "$word" "$work/page" || fail "$name does not mention $word"
    done
  fi
done < <(find "$prefix/share/man" -type f)
[ "$pages" -gt 0 ] || fail "no manual page is installed"

# --- Icons -----------------------------------------------------------------------------
# Every size desktops ask for; each an 8-bit RGBA PNG of that size whose
# corners are transparent and whose middle is opaque.
for size in 16 22 24 32 48 64 128 256; do
  icon="$prefix/share/icons/hicolor/${size}x${size}/apps/vortelan.png"
  [ -f "$icon" ] || { fail "no ${size}x${size} icon"; continue; }
  python3 - "$icon" "$size" <<'EOF' || fail "icon ${size}x${size}"
import struct, sys, zlib
path, size = sys.argv[1], int(sys.argv[2])
data = open(path, "rb").read()
if data[:8] != b"\x89PNG\r\n\x1a\n":
    sys.exit(f"{path}: not a PNG")
pos, chunks = 8, {}
while pos < len(data):
    length, kind = struct.unpack(">I4s", data[pos:pos + 8])
    chunks.setdefault(kind, b"")
    chunks[kind] += data[pos + 8:pos + 8 + length]
    pos += 12 + length
width, height, depth, colour = struct.unpack(">IIBB", chunks[b"IHDR"][:10])
if (width, height, depth, colour) != (size, size, 8, 6):
    sys.exit(f"{path}: {width}x{height}, depth {depth}, colour type {colour}; expected {size}x{size} RGBA 8-bit")
raw, stride, rows, prev = zlib.decompress(chunks[b"IDAT"]), width * 4, [], bytearray(width * 4)
for y in range(height):
    kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
    for i in range(stride):
        a = line[i - 4] if i >= 4 else 0
        b, c = prev[i], prev[i - 4] if i >= 4 else 0
        p = a + b - c
        pred = [0, a, b, (a + b) // 2,
                a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c][kind]
        line[i] = (line[i] + pred) & 255
    rows.append(line)
    prev = line
alpha = lambda x, y: rows[y][x * 4 + 3]
corners = [alpha(0, 0), alpha(size - 1, 0), alpha(0, size - 1), alpha(size - 1, size - 1)]
if any(corners) or alpha(size // 2, size // 2) != 255:
    sys.exit(f"{path}: corner alphas {corners}, middle {alpha(size // 2, size // 2)}: not a shape on a transparent ground")
EOF
done
extra="$(find "$prefix/share/icons" -name '*.png' | grep -v -E '/(16|22|24|32|48|64|128|256)x\1/apps/vortelan\.png$')"
[ -z "$extra" ] || fail "icons of unexpected sizes: $extra"

[ -f "$prefix/share/doc/vortelan/README.md" ] || fail "share/doc/vortelan/README.md is missing"

[ "$failures" = 0 ] || exit 1
echo "ok: installed tree under a scratch prefix (version $version, $pages manual page(s))"
