#!/usr/bin/env bash
# Adds to the seed corpora of fuzz/corpus/ the tests' own inputs (seeds
# written by hand, such as reader/menus.spm and catalogue/labels.err, stay): the
# example project, the catalogue, the files the case tables set up (projects,
# define files, catalogues, text sources, BMX projects, language files),
# the drawings the DXF tests write with ezdxf, pictures written by netpbm and
# ImageMagick as the raster tests write them; the PLC project files stay as
# committed.
#
# usage: fuzz/seeds/make_corpus.sh
# Needs python3 with ezdxf (Debian: python3-ezdxf), netpbm and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/../.."
corpus=fuzz/corpus
python=/usr/bin/python3
[ -x "$python" ] || python=python3

# The files the case tables set up ("--- file" steps of tests/**/*.case)
# whose names match a pattern, one seed each.  With a header, each seed
# starts with that line.
casefiles() {  # <name pattern> <corpus> <prefix> [header]
  "$python" - "$@" <<'PY'
import glob, hashlib, os, re, sys
pattern, corpus, prefix = sys.argv[1:4]
header = sys.argv[4].encode() + b"\n" if len(sys.argv) > 4 else b""
def decode(lines, flags):
    if "hex" in flags:
        return bytes.fromhex("".join(lines))
    out = b""
    for i, line in enumerate(lines):
        b = line.encode("latin-1")
        if "esc" in flags:
            b = re.sub(rb"\\\\|\\x([0-9A-Fa-f]{2})",
                       lambda m: b"\\" if m.group(1) is None else bytes([int(m.group(1), 16)]), b)
        out += b
        if i + 1 < len(lines) or "nonl" not in flags:
            out += b"\r\n" if "crlf" in flags else b"\n"
    return out
seen = set()
for path in sorted(glob.glob("tests/**/*.case", recursive=True)):
    lines = open(path, encoding="latin-1").read().split("\n")
    i = 0
    while i < len(lines):
        if not lines[i].startswith("--- file "):
            i += 1
            continue
        words = lines[i][9:].split()
        j = i + 1
        while j < len(lines) and not lines[j].startswith("--- "):
            j += 1
        if words and re.search(pattern, words[0]):
            value = decode(lines[i + 1:j], words[1:])
            if value and value not in seen:
                seen.add(value)
                if header and not value.startswith(header):
                    value = header + value
                name = "%s-%s" % (prefix, hashlib.sha1(value).hexdigest()[:10])
                open(os.path.join(corpus, name), "wb").write(value)
        i = j
PY
}

# Project lines, the tokenizer and the whole reader.
cp examples/mill/mill.spm "$corpus/tokenizer/mill.spm"
cp examples/mill/mill.spm "$corpus/reader/mill.spm"
casefiles '\.(spm|spi|spj)$' "$corpus/tokenizer" tok
project_header="QUILLON Project File - Version 1.0"
casefiles '\.(spm|spj)$' "$corpus/reader" reader "$project_header"
# The message catalogue.
cp Quillon32.err "$corpus/catalogue/Quillon32.err"
catalogue_header="QUILLON error messages file  Version 1.0"
casefiles '\.err$' "$corpus/catalogue" cat "$catalogue_header"

# Configuration files and define lists.
casefiles '\.cfg$' "$corpus/defines" def
# Conditions.
casefiles 'p\.spm$' "$corpus/conditions" cond
# Text softkeys.
cp examples/mill/start.txs examples/mill/feed.txm "$corpus/textsoftkey/"
casefiles '\.tx[smb]$' "$corpus/textsoftkey" text

# DXF drawings: the example, and the drawings of the DXF tests.
cp examples/mill/spindle.dxf "$corpus/dxf/"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
"$python" tests/dxf/make_drawings.py "$tmp"
for f in "$tmp"/*.dxf; do
  # Only the small ones: the fuzzer mutates better on short inputs.
  [ "$(stat -c %s "$f")" -le 65536 ] && cp "$f" "$corpus/dxf/"
done

# Pictures as the raster tests make them.
"$python" - "$tmp" <<'PY'
import sys
d = sys.argv[1]
def pbm(name, w, h, pixel):
    rows = bytearray()
    for y in range(h):
        row = bytearray((w + 7) // 8)
        for x in range(w):
            if pixel(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        rows += row
    open("%s/%s.pbm" % (d, name), "wb").write(b"P4\n%d %d\n" % (w, h) + bytes(rows))
pbm("checker-77x48", 77, 48, lambda x, y: (x // 4 + y // 4) % 2)
pbm("frame-77x48", 77, 48, lambda x, y: x in (0, 76) or y in (0, 47))
pbm("small-16x10", 16, 10, lambda x, y: x == y)
pbm("tall-77x60", 77, 60, lambda x, y: (x * y) % 7 == 0)
PY
for p in "$tmp"/*.pbm; do
  n=$(basename "$p" .pbm)
  convert "$p" -type bilevel "BMP3:$corpus/bitmap/$n.bmp"
  ppmtopcx "$p" > "$corpus/pcx/$n.pcx" 2>/dev/null
done
convert "$tmp/small-16x10.pbm" "BMP3:$corpus/bitmap/small-16x10-24bit.bmp"

# BMX projects and language files: the example's, and the tests' texts.
cp examples/mill/bmx/spindle.bpj "$corpus/bmx/"
bmx_header="; BMX Project File - Version 2.0"
casefiles '\.bpj$' "$corpus/bmx" project "$bmx_header"
cp examples/mill/bmx/lang/* "$corpus/language/"
casefiles '\.(inc|txt|po)$' "$corpus/language" lang

# PLC project information files: the committed ones stay (small.pj is also
# the fixed PLC file of the reader and condition targets); new ones come from
# tools/make_plc_project.py.

du -sh "$corpus"
