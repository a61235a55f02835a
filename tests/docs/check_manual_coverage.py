#!/usr/bin/env python3
"""usage: check_manual_coverage.py <source directory>

Fails when a name of the program's tables (keywords, item kinds and
parameters, options; each table must yield the count the program states) or a
key of Quillon32.err is not written as code in the manual: `NAME`, or `NAME`
going on with no word character (`ENABLE:M100`, `-t<model>`).
"""

import glob
import os
import re
import sys


def table(src, path, start, entry):
    text = open(os.path.join(src, path), encoding="utf-8").read()
    body = text[text.index(start):]
    body = body[:body.index("};")]
    return re.findall(entry, body)


def number(src, path, pattern):
    return int(re.search(pattern, open(os.path.join(src, path), encoding="utf-8").read()).group(1))


def main():
    src = sys.argv[1]
    manual = "".join(open(p, encoding="utf-8").read() for p in glob.glob(os.path.join(src, "docs/manual/*.md")))
    failures = []

    project = table(src, "src/project/ProjectKeywords.cpp", "kKeywords[]", r'\{"([^"]+)", K::(\w+)')
    bmx = table(src, "src/bmx/BmxProject.cpp", "kBmxKeywords[]", r'\{"([^"]+)", \d+,')
    params = table(src, "src/output/MenuItems.cpp", "kParamDefs{", r'\{P::\w+, "([^"]+)"\}')
    items = table(src, "src/output/MenuItems.cpp", "kItemDefs[]", r'\{MenuItemKind::\w+, "([^"]+)",')
    options = table(src, "src/run/CommandLine.cpp", "kOptions[]", r'\{O::(\w+), "([^"]+)",')
    option_ids = re.findall(r"\b([A-Z]\w*)\b", table(src, "src/run/CommandLine.h", "enum class OptionId", r"[^{]+$")[0])

    counts = [
        ("project keywords", len(project), number(src, "src/project/ProjectKeywords.h", r"kProjectKeywordCount = (\d+)")),
        ("BMX keywords", len(bmx), number(src, "src/bmx/BmxProject.cpp", r"std::size\(kBmxKeywords\) == (\d+)")),
        ("item parameters", len(params), number(src, "src/output/MenuItems.h", r"kItemParamCount = (\d+)")),
        ("item kinds", len(items), sum(1 for p in project if p[1] == "MenuItem")),
        ("option kinds", len({o[0] for o in options}), len(option_ids)),
    ]
    failures += [f"read {got} {what} from the sources, the program has {want}" for what, got, want in counts if got != want]

    names = [p[0] for p in project] + bmx + params + items + ["-" + o[1] for o in options]
    for line in open(os.path.join(src, "Quillon32.err"), encoding="latin-1"):
        key = line.split()[0] if line.split() else ""
        if re.fullmatch(r"-?\d+", key):
            names.append(key)

    for name in dict.fromkeys(names):
        pattern = re.escape("`" + name) + ("" if name.endswith(":") else r"(?![A-Za-z0-9_])")
        if not re.search(pattern, manual):
            failures.append(f"`{name}` has no entry in the manual")
    for failure in failures:
        print(failure)
    print(f"{len(dict.fromkeys(names))} names checked, {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
