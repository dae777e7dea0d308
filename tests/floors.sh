#!/usr/bin/env bash
# The source tree keeps its floors: every project include points to the same
# floor or a lower one, no files include each other in a circle, SDL, OpenGL
# and FFmpeg appear only where they belong, and no source file grows past
# about 400 lines (the song's composition data aside).
# Arguments (unused here): the vortelan binary and the build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
exec python3 - <<'PY'
import os, re, sys

FLOORS = {"core": 0, "assets": 0, "platform": 1, "audio": 1, "shapes": 2, "timeline": 3,
          "render": 4, "show": 5, "tools": 6}
# Where the libraries underneath may be named, by path prefix.
LIBRARIES = {
    "SDL": (re.compile(r"<SDL"), ("platform/", "audio/")),
    "OpenGL": (re.compile(r"<GL/"), ("render/draw_gl.cpp",)),
    "FFmpeg": (re.compile(r"<lib(av|sw)[a-z]*/"), ("tools/capture/",)),
}
LONG_FILES = {"tools/make_module/song.cpp"}  # the song's composition data
LIMIT = 420

problems = []
graph = {}
for top in FLOORS:
    for folder, _, names in os.walk(top):
        for name in names:
            if not name.endswith((".h", ".cpp", ".c")):
                continue
            path = os.path.join(folder, name)
            lines = open(path, encoding="utf-8").read().splitlines()
            if len(lines) > LIMIT and path not in LONG_FILES:
                problems.append(f"{path}: {len(lines)} lines; split it by concern")
            unit = os.path.splitext(path)[0]  # a header and its source are one unit
            graph.setdefault(unit, [])
            for n, line in enumerate(lines, 1):
                m = re.match(r'\s*#\s*include\s+"([^"]+)"', line)
                if m:
                    target = m.group(1)
                    graph[unit].append(os.path.splitext(target)[0])
                    floor = target.split("/")[0]
                    if floor in FLOORS and FLOORS[floor] > FLOORS[top]:
                        problems.append(f"{path}:{n}: includes {target}, a floor above {top}/")
                for library, (pattern, places) in LIBRARIES.items():
                    if re.match(r"\s*#\s*include\s+" + pattern.pattern, line) and not path.startswith(places):
                        problems.append(f"{path}:{n}: {library} belongs in {', '.join(places)}")

# Circles between units: a depth-first walk over the project's own includes.
state = {}
def visit(node, trail):
    state[node] = "open"
    for target in graph.get(node, []):
        if target not in graph or target == node:
            continue
        if state.get(target) == "open":
            circle = trail[trail.index(target):] + [target]
            problems.append("circle: " + " -> ".join(circle))
        elif target not in state:
            visit(target, trail + [target])
    state[node] = "done"
for node in sorted(graph):
    if node not in state:
        visit(node, [node])

if not graph:
    problems.append("no sources found")
for p in problems:
    print("FAIL:", p)
sys.exit(1 if problems else 0)
PY
