#!/usr/bin/env python3
"""Random drawings with nested blocks for the vector softkey walk test.

usage: random_drawings.py <Quillon32> [count] [seed]

Writes <count> drawings into le/ and be/ of the current directory (blocks
calling blocks in random order, defined or not, of one name twice or without
a name; sections in random order, sometimes twice; entities out of place now
and then; sizes from a few records to beyond 64 KiB of softkey), converts
le/ in the little-endian and be/ in the big-endian byte order, and checks
that every drawing either left its softkey or was refused with a drawing
error and left none.  The softkeys left are moved to walk/ for the caller
to walk.
"""
import os
import random
import re
import subprocess
import sys

REFUSALS = {8250, 8251, 8252, 8254, 8255}
NAMES = ["A", "B", "C", "D", "E", "F", "LONGBLOCKNAME0123456789X", "LONGBLOCKNAME0123456789Y"]


def pairs(kind, *groups):
    out = ["  0", kind]
    for code, value in groups:
        out += ["%3d" % code, str(value)]
    return out


def layer(rng):
    return rng.choice(["0", "0", "1", "2", "L3", "DASH5"])


def coordinate(rng):
    return "%.3f" % rng.uniform(-5, 30)


def entity(rng, names):
    kind = rng.choice(["LINE", "CIRCLE", "ARC", "TEXT", "POINT", "SOLID", "POLYLINE",
                       "LWPOLYLINE", "HATCH", "DIMENSION", "INSERT", "INSERT"])
    c = lambda: coordinate(rng)
    if kind == "LINE":
        return pairs(kind, (8, layer(rng)), (10, c()), (20, c()), (11, c()), (21, c()))
    if kind == "CIRCLE":
        return pairs(kind, (8, layer(rng)), (10, c()), (20, c()), (40, rng.uniform(0, 9)))
    if kind == "ARC":
        return pairs(kind, (8, layer(rng)), (10, c()), (20, c()), (40, 3), (50, rng.randint(0, 359)),
                     (51, rng.randint(0, 359)))
    if kind == "TEXT":
        return text(rng, rng.randint(1, 20))
    if kind == "POINT":
        return pairs(kind, (8, layer(rng)), (10, c()), (20, c()))
    if kind == "SOLID":
        return pairs(kind, (8, layer(rng)), *[(g, c()) for g in (10, 20, 11, 21, 12, 22, 13, 23)])
    if kind == "POLYLINE":
        out = pairs(kind, (8, layer(rng)), (66, 1), (70, rng.choice([0, 1])))
        for _ in range(rng.randint(1, 4)):
            out += pairs("VERTEX", (8, "0"), (10, c()), (20, c()))
        return out + pairs("SEQEND", (8, "0"))
    if kind == "LWPOLYLINE":
        out = pairs(kind, (8, layer(rng)), (90, 3))
        for _ in range(rng.randint(0, 4)):
            out += ["%3d" % 10, c(), "%3d" % 20, c()]
        return out
    if kind == "HATCH":
        return pairs(kind, (8, layer(rng)), (2, "SOLID"))
    if kind == "DIMENSION":
        return pairs(kind, (8, "0"), (1, "12"))
    return pairs("INSERT", (8, "0"), (2, rng.choice(names + ["NOWHERE"])), (10, c()), (20, c()))


def text(rng, length):
    return pairs("TEXT", (8, layer(rng)), (10, coordinate(rng)), (20, coordinate(rng)),
                 (40, rng.choice([3, 7.5, 11])), (1, "T" * length))


def drawing(rng):
    """A drawing as a list of lines; its blocks in random order."""
    big = rng.random() < 0.35
    names = rng.sample(NAMES, rng.randint(0, len(NAMES)))
    blocks = []
    for name in names + ([rng.choice(names)] if names and rng.random() < 0.2 else []):
        body = [entity(rng, names) for _ in range(rng.randint(0, 5))]
        if big and rng.random() < 0.5:
            body += [text(rng, 78) for _ in range(rng.randint(50, 300))]
        blocks.append((name, body))
    if rng.random() < 0.1:
        blocks.append((None, [entity(rng, names)]))
    rng.shuffle(blocks)
    lines = []
    for name, body in blocks:
        lines += pairs("BLOCK", (8, "0"), *([(2, name)] if name else []), (70, 0), (10, 0), (20, 0))
        for e in body:
            lines += e
        if rng.random() < 0.97:
            lines += pairs("ENDBLK", (8, "0"))
        if rng.random() < 0.03:
            lines += entity(rng, names)
    sections = []
    if blocks or rng.random() < 0.5:
        sections.append(["  0", "SECTION", "  2", "BLOCKS"] + lines + ["  0", "ENDSEC"])
    ents = [entity(rng, names) for _ in range(rng.randint(1, 8))]
    if big:
        ents += [text(rng, 78) for _ in range(rng.randint(0, 500))]
    if rng.random() < 0.05:
        ents.insert(0, pairs("ENDBLK", (8, "0")))
    if names and rng.random() < 0.1:
        ents.insert(0, pairs("BLOCK", (8, "0"), (2, rng.choice(names))))
    rng.shuffle(ents)
    sections.append(["  0", "SECTION", "  2", "ENTITIES"] + sum(ents, []) + ["  0", "ENDSEC"])
    if rng.random() < 0.1:
        sections.append(["  0", "SECTION", "  2", "ENTITIES"] + entity(rng, names) + ["  0", "ENDSEC"])
    if rng.random() < 0.1:
        rng.shuffle(sections)
    header = ["  0", "SECTION", "  2", "HEADER", "  9", "$ACADVER", "  1", "AC1009", "  0", "ENDSEC"]
    return (header if rng.random() < 0.5 else []) + sum(sections, []) + ["  0", "EOF"]


def data_bytes(path):
    with open(path) as f:
        return sum(int(line[2:4], 16) - 5 for line in f if line.startswith("S3"))


def main():
    program = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    rng = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 2026)
    folders = {"le": [], "be": []}
    os.makedirs("walk")
    for i in range(count):
        folder = "le" if i % 2 == 0 else "be"
        os.makedirs(folder, exist_ok=True)
        name = "r%03d" % i
        with open(os.path.join(folder, name + ".dxf"), "w") as f:
            f.write("\n".join(drawing(rng)) + "\n")
        folders[folder].append(name)
    accepted, refused, largest = 0, {}, 0
    for folder, names in folders.items():
        with open(os.path.join(folder, "p.spm"), "w") as f:
            f.write("QUILLON Project File - Version 1.0\nSKMENU ROOT HROOT\n")
            f.writelines("DXF %s.dxf\n" % n for n in names)
            f.write("ACTION X\nENDSKMENU\n")
        args = [program, os.path.join(folder, "p.spm"), "-gensys"] + (["-tZeta300"] if folder == "be" else [])
        run = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        codes = {}
        for m in re.finditer(r"p\.spm\((\d+)\): E(\d+):", run.stdout.decode("latin-1")):
            codes[int(m.group(1)) - 3] = int(m.group(2))
        for i, name in enumerate(names):
            softkey = os.path.join(folder, name + ".PIC")
            code = codes.get(i)
            if code is None:
                assert os.path.exists(softkey), "%s/%s: no softkey and no error" % (folder, name)
                accepted += 1
                largest = max(largest, data_bytes(softkey))
                os.rename(softkey, os.path.join("walk", "%s-%s.PIC" % (folder, name)))
            else:
                assert code in REFUSALS, "%s/%s: error %d" % (folder, name, code)
                assert not os.path.exists(softkey), "%s/%s: refused (%d) but left" % (folder, name, code)
                refused[code] = refused.get(code, 0) + 1
    print("%d drawings, %d converted (largest %d bytes), refused: %s"
          % (count, accepted, largest, " ".join("%d x%d" % kv for kv in sorted(refused.items()))))
    assert accepted >= count // 3 and largest > 60000 and refused.get(8255), "too few kinds of drawing"


if __name__ == "__main__":
    main()
