#!/usr/bin/env python3
"""Fails when a folder of src/ includes a folder above it.

usage: check_layers.py <source directory>

The layers are the numbered list under "## Layers" in docs/DESIGN.md, bottom
to top, each item naming its folder first (as `folder`).  A file in
src/<folder>/ may include headers of its own folder and of the folders listed
before it; every other #include "<folder>/..." is reported with its file and
line.  A folder of src/ that the list does not name is reported too, so that a
new folder takes its place in the map before it is used.
"""

import os
import re
import sys


def layers(design):
    text = open(design, encoding="utf-8").read()
    section = text.split("\n## Layers\n", 1)[1].split("\n## ", 1)[0]
    return re.findall(r"^\d+\. `([a-z]+)`", section, re.M)


def main():
    root = sys.argv[1]
    order = layers(os.path.join(root, "docs", "DESIGN.md"))
    rank = {folder: i for i, folder in enumerate(order)}
    problems = []
    src = os.path.join(root, "src")
    for folder in sorted(os.listdir(src)):
        if not os.path.isdir(os.path.join(src, folder)):
            continue
        if folder not in rank:
            problems.append(f"src/{folder}/ is not in the layer list of docs/DESIGN.md")
            continue
        for base, _, files in os.walk(os.path.join(src, folder)):
            for name in sorted(files):
                path = os.path.join(base, name)
                shown = os.path.relpath(path, root)
                for number, line in enumerate(open(path, encoding="utf-8", errors="replace"), 1):
                    m = re.match(r'\s*#\s*include\s+"([a-z]+)/', line)
                    if not m:
                        continue
                    target = m.group(1)
                    if target not in rank:
                        problems.append(f"{shown}:{number}: includes {target}/, which is no layer")
                    elif rank[target] > rank[folder]:
                        problems.append(f"{shown}:{number}: {folder}/ includes {target}/, a layer above it")
    for problem in problems:
        print(problem)
    print(f"{len(order)} layers, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
