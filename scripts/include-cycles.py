#!/usr/bin/env python3
"""Fails when the project's own headers and sources include each other in a
circle, or when a layer includes one above it. Usage: include-cycles.py [root]"""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
include = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
# What each folder of src/ may include besides itself (cli/ sits beside window/).
allowed = {
    "core": set(),
    "engine": {"core"},
    "filemap": {"core", "engine"},
    "regmap": {"core", "engine"},
    "undo": {"core", "engine", "regmap"},
    "wiring": {"core", "engine", "filemap", "regmap", "undo"},
    "window": {"core", "engine", "filemap", "regmap", "undo", "wiring"},
}

files = [p for d in ("src", "cli") for p in (root / d).rglob("*") if p.suffix in (".h", ".cpp")]
edges = {}
for path in files:
    rel = path.relative_to(root).as_posix()
    targets = []
    for name in include.findall(path.read_text(encoding="utf-8", errors="replace")):
        for base in (root / "src", root, path.parent):
            if (base / name).is_file():
                targets.append((base / name).resolve().relative_to(root.resolve()).as_posix())
                break
    edges[rel] = targets

problems = []
for rel, targets in edges.items():
    parts = rel.split("/")
    if parts[0] != "src":
        continue
    for t in targets:
        tparts = t.split("/")
        if tparts[0] != "src" or tparts[1] == parts[1]:
            if tparts[0] != "src":
                problems.append(f"{rel} includes {t}, outside src/")
            continue
        if tparts[1] not in allowed.get(parts[1], set()):
            problems.append(f"{rel} includes {t}: {parts[1]}/ may not include {tparts[1]}/")

# A header and its .cpp are one unit: a circle is a path back to where it began.
def unit(rel):
    return rel.rsplit(".", 1)[0]

graph = {}
for rel, targets in edges.items():
    graph.setdefault(unit(rel), set()).update(unit(t) for t in targets if unit(t) != unit(rel))

state, stack = {}, []

def visit(node):
    state[node] = 1
    stack.append(node)
    for nxt in sorted(graph.get(node, ())):
        if state.get(nxt) == 1:
            problems.append("circle: " + " -> ".join(stack[stack.index(nxt):] + [nxt]))
        elif nxt not in state:
            visit(nxt)
    stack.pop()
    state[node] = 2

sys.setrecursionlimit(10000)
for node in sorted(graph):
    if node not in state:
        visit(node)

for p in problems:
    print(p)
print(f"{len(graph)} units, {sum(len(v) for v in graph.values())} includes between them: "
      + ("no circle, no include up a layer" if not problems else f"{len(problems)} problem(s)"))
sys.exit(1 if problems else 0)
