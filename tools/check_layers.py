#!/usr/bin/env python3
"""Fails when a folder of src/ includes a folder the layer map does not allow.

usage: check_layers.py <source directory>

The map is the list under "## Layers" in docs/DESIGN.md: floors ("- Floor N"),
and on each floor its folders ("- `folder` (stands on `a`, `b`)" or "(stands
on nothing)").  A file in src/<folder>/ may include headers of its own
folder, of the folders it stands on and of everything those stand on.
Reported: every other #include "<folder>/..." with its file and line, a folder
of src/ the map does not name (a new folder takes its place in the map before
it is used), and a folder that stands on one of its own floor or above (the
map would not be a drawing of floors then).
"""

import os
import re
import sys


def read_map(design):
    text = open(design, encoding="utf-8").read()
    section = text.split("\n## Layers\n", 1)[1].split("\n## ", 1)[0]
    floors, stands, floor = {}, {}, None
    for line in section.split("\n"):
        m = re.match(r"- Floor (\d+)$", line)
        if m:
            floor = int(m.group(1))
            continue
        m = re.match(r"  - `([a-z]+)` \(stands on ([^)]*)\)", line)
        if m and floor is not None:
            floors[m.group(1)] = floor
            stands[m.group(1)] = re.findall(r"`([a-z]+)`", m.group(2))
    return floors, stands


def allowed(folder, stands, seen=None):
    seen = set() if seen is None else seen
    for below in stands.get(folder, []):
        if below not in seen:
            seen.add(below)
            allowed(below, stands, seen)
    return seen


def main():
    root = sys.argv[1]
    floors, stands = read_map(os.path.join(root, "docs", "DESIGN.md"))
    problems = []
    for folder, below in stands.items():
        for b in below:
            if b not in floors:
                problems.append(f"docs/DESIGN.md: {folder} stands on {b}, which the map does not name")
            elif floors[b] >= floors[folder]:
                problems.append(f"docs/DESIGN.md: {folder} (floor {floors[folder]}) stands on {b} (floor {floors[b]})")
    src = os.path.join(root, "src")
    for folder in sorted(os.listdir(src)):
        if not os.path.isdir(os.path.join(src, folder)):
            continue
        if folder not in floors:
            problems.append(f"src/{folder}/ is not in the layer map of docs/DESIGN.md")
            continue
        may = allowed(folder, stands) | {folder}
        for base, _, files in os.walk(os.path.join(src, folder)):
            for name in sorted(files):
                path = os.path.join(base, name)
                shown = os.path.relpath(path, root)
                for number, line in enumerate(open(path, encoding="utf-8", errors="replace"), 1):
                    m = re.match(r'\s*#\s*include\s+"([a-z]+)/', line)
                    if m and m.group(1) not in may:
                        problems.append(f"{shown}:{number}: {folder}/ includes {m.group(1)}/, "
                                        "which it does not stand on")
    for problem in problems:
        print(problem)
    print(f"{len(floors)} folders on {len(set(floors.values()))} floors, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
