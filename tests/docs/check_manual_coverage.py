#!/usr/bin/env python3
# usage: check_manual_coverage.py <source directory> <vocabulary printer>
#
# Fails when a word of the program's vocabulary (as the printer, a program
# linked with it, lists them) or a key of Quillon32.err is not written as code
# in the manual: `NAME`, or `NAME` going on with no word character
# (`ENABLE:M100`, `-t<model>`).

import glob
import os
import re
import subprocess
import sys


def main():
    src, printer = sys.argv[1], sys.argv[2]
    manual = "".join(open(p, encoding="utf-8").read() for p in glob.glob(os.path.join(src, "docs/manual/*.md")))
    names = [line.split("\t")[1] for line in subprocess.run([printer], capture_output=True, text=True, check=True).stdout.splitlines()]
    for line in open(os.path.join(src, "Quillon32.err"), encoding="latin-1"):
        key = line.split()[0] if line.split() else ""
        if re.fullmatch(r"-?\d+", key):
            names.append(key)

    failures = 0
    for name in dict.fromkeys(names):
        if not re.search(re.escape("`" + name) + ("" if name.endswith(":") else r"(?![A-Za-z0-9_])"), manual):
            print(f"`{name}` has no entry in the manual")
            failures += 1
    print(f"{len(dict.fromkeys(names))} names checked, {failures} failures")
    return 1 if failures else 0 if names else 1


if __name__ == "__main__":
    sys.exit(main())
