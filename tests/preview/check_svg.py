#!/usr/bin/env python3
"""Checks a vector softkey's SVG from the preview against the records that
the generator's listing says it wrote: every line, circle, arc and text of
the ENTITIES section, and the contents of a block once more for every
INSERT that calls it, with the same softkey coordinates.

usage: check_svg.py LISTING N SVG
LISTING is the console of a -gensys run, N the drawing's place among the
drawings it lists (from 0).
"""
import re
import sys
import xml.etree.ElementTree as ET
from collections import Counter


def signed(v):
    v = int(v)
    return v - 65536 if v >= 32768 else v


def listing_elements(text):
    blocks, entities, current, section = {}, [], None, None
    for line in text.splitlines():
        if line.startswith("Write Blocks:"):
            section = "blocks"
        elif line.startswith("Write Entities:"):
            section = "entities"
        elif line.endswith(":") and not line.startswith(" "):
            section = None
        if section is None:
            continue
        m = re.match(r"\d+\s+BLOCK (\S+)", line)
        if m and section == "blocks":
            current = blocks.setdefault(m.group(1), [])
            continue
        m = re.match(r"\d+\s+INSERT (\S+)", line)
        if m:
            (current if section == "blocks" else entities).append(("call", m.group(1)))
            continue
        element = None
        m = re.match(r"\d+\s+LIN \((\d+),(\d+)\)-\((\d+),(\d+)\)", line)
        if m:
            element = ("line",) + tuple(signed(v) for v in m.groups())
        m = m or re.match(r"\d+\s+CIR \((\d+), (\d+)\) Rad:(\d+)", line)
        if m and not element:
            element = ("circle",) + tuple(signed(v) for v in m.groups())
        m2 = re.match(r"\d+\s+ARC 1:\((\d+), (\d+)\) 2:\((\d+), (\d+)\)", line)
        if m2:
            element = ("arc",) + tuple(signed(v) for v in m2.groups())
        m3 = re.match(r'\d+\s+PRN \((\d+), (\d+)\) "(.*)"', line)
        if m3:
            element = ("text", signed(m3.group(1)), signed(m3.group(2)), m3.group(3))
        if element:
            (current if section == "blocks" else entities).append(element)
    drawn, calls = [], 0

    def draw(elements, depth):
        nonlocal calls
        for e in elements:
            if e[0] != "call":
                drawn.append(e)
            elif depth < 8:
                calls += 1
                draw(blocks.get(e[1], []), depth + 1)

    draw(entities, 0)
    return Counter(drawn), calls


def svg_elements(path):
    ns = "{http://www.w3.org/2000/svg}"
    x = lambda v: round(float(v) - 0.5)
    y = lambda v: round(47.5 - float(v))
    found = []
    for el in ET.parse(path).getroot():
        tag, a = el.tag.replace(ns, ""), el.attrib
        if tag == "line":
            found.append(("line", x(a["x1"]), y(a["y1"]), x(a["x2"]), y(a["y2"])))
        elif tag == "circle" and a.get("fill") == "none":
            found.append(("circle", x(a["cx"]), y(a["cy"]), round(float(a["r"]))))
        elif tag == "path":
            n = a["d"].replace("M", "").replace("A", "").split()
            found.append(("arc", x(n[0]), y(n[1]), x(n[-2]), y(n[-1])))
        elif tag == "text":
            size = float(a["font-size"])
            found.append(("text", round(float(a["x"])), round(48 - float(a["y"]) - size * 0.15), el.text or ""))
    return Counter(found)


def main():
    drawings = open(sys.argv[1], encoding="latin-1").read().split("Header 'HV02'")[1:]
    expected, calls = listing_elements(drawings[int(sys.argv[2])])
    found = svg_elements(sys.argv[3])
    kinds = Counter(e[0] for e in expected.elements())
    if expected == found:
        print("as the records hold: " + ", ".join(f"{n} {k}" for k, n in sorted(kinds.items()))
              + f"; {calls} block calls followed")
    else:
        for e in sorted((expected - found).elements(), key=str):
            print("missing in the SVG:", e)
        for e in sorted((found - expected).elements(), key=str):
            print("not in the records:", e)


if __name__ == "__main__":
    main()
