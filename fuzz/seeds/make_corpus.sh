#!/usr/bin/env bash
# Rebuilds the seed corpora of fuzz/corpus/ from the tests' own inputs: the
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

for t in tokenizer reader catalogue defines conditions plcfile bitmap pcx dxf textsoftkey bmx language lsp; do
  mkdir -p "$corpus/$t"
done

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
cat > "$corpus/reader/menus.spm" <<'SPM'
QUILLON Project File - Version 1.0
; A menu tree over the fixed sources of the fuzz target.
#INCLUDE common.inc
SKPATH PLC:\SOFTKEYS
HELPFILE mill.hlp
#IFDEF A
SKMENU MAIN VROOT MENUNR:1 TITLE:Main IDENT:M1
TXS start.txs START
TXM feed.txm FEED
DXF spindle.dxf SPINDLE
BMP logo.bmp LOGO
PCX logo.pcx LOGO2
NODE SUB
ACTION START FLAG
ENDSKMENU
#ELSE
SKMENU OTHER HROOT
BLANK
ENDSKMENU
#ENDIF
#IF (B = $1F) AND (MACHINE = "Mill")
SKMENU SUB HRMENU TITLE:"Sub menu"
ROWDEF 2
CHECK SPINDLE KSEVEN
RADIO LOGO AXES[1].POS
BACK
ENDSKMENU
#ENDIF
SPM
cat > "$corpus/reader/continued.spm" <<'SPM'
QUILLON Project File - Version 1.0
TREEFILE other.sys
SKMENU MAIN \
  VROOT \
  MMODE
#IFEXIST logo.bmp
BMP logo.bmp LOGO
#ENDIF
#IFNDEF NOPE, A OR B AND NOT C
TXS start.txs START
#ENDIF
ENDSKMENU
SPM

# The message catalogue.
cp Quillon32.err "$corpus/catalogue/Quillon32.err"
catalogue_header="QUILLON error messages file  Version 1.0"
casefiles '\.err$' "$corpus/catalogue" cat "$catalogue_header"
printf '%s\n' "QUILLON error messages file  Version 1.0" \
  'LABEL_ERROR "Fehler"' 'LABEL_WARNING "Warnung"' '8220 "E8220: Error opening file %s"' \
  '-8231 "W8231: %s is %d x %d %n %*d %.99999s"' '5 "Progress %s %s %ld %ld"' \
  > "$corpus/catalogue/labels.err"

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

# The language server: an editor's session on the example (the fuzz
# target serves it under /work/proj), and one that breaks the protocol's
# rules.
"$python" - "$corpus/lsp" <<'PY'
import json, sys
out = sys.argv[1]
uri = "file:///work/proj/mill.spm"
text = open("examples/mill/mill.spm", encoding="latin-1").read()
lines = text.split("\n")
def frames(messages):
    b = b""
    for n, m in enumerate(messages):
        if "method" in m and not m["method"].startswith("textDocument/did") and m["method"] not in ("initialized", "exit"):
            m = {"id": n, **m}
        body = json.dumps({"jsonrpc": "2.0", **m}).encode()
        b += b"Content-Length: %d\r\n\r\n" % len(body) + body
    return b
def at(line, character):
    return {"textDocument": {"uri": uri}, "position": {"line": line, "character": character}}
node = next(i for i, l in enumerate(lines) if l.startswith("NODE COOLANT"))
session = [
    {"method": "initialize", "params": {"rootUri": "file:///work/proj", "capabilities": {},
                                        "initializationOptions": {"arguments": ["-pjmill.pj", "-rmill4.cfg"]}}},
    {"method": "initialized", "params": {}},
    {"method": "textDocument/didOpen", "params": {"textDocument": {"uri": uri, "languageId": "quillon32-project",
                                                                   "version": 1, "text": text}}},
    {"method": "textDocument/completion", "params": at(node, 5)},
    {"method": "textDocument/completion", "params": at(node, 13)},
    {"method": "textDocument/hover", "params": at(node, 15)},
    {"method": "textDocument/definition", "params": at(node, 15)},
    {"method": "textDocument/references", "params": {**at(node, 15), "context": {"includeDeclaration": True}}},
    {"method": "textDocument/documentSymbol", "params": {"textDocument": {"uri": uri}}},
    {"method": "textDocument/didChange", "params": {"textDocument": {"uri": uri, "version": 2},
                                                    "contentChanges": [{"text": text.replace("SKNEXTDEF", "SKNEXDEF")}]}},
    {"method": "textDocument/didClose", "params": {"textDocument": {"uri": uri}}},
    {"method": "shutdown"},
    {"method": "exit"},
]
open(out + "/session.lsp", "wb").write(frames(session))
broken = frames([{"method": "textDocument/hover", "params": at(0, 0)}]) + b"Content-Length: 5\r\n\r\n{bad}" + \
    b"Content-Length: 2\r\n\r\n[]" + frames([{"method": "initialize", "params": {}}, {"method": "initialize", "params": {}},
                                             {"id": 9}, {"method": "no/such"}, {"method": "shutdown"},
                                             {"method": "textDocument/hover", "params": at(0, 0)}]) + \
    b"Content-Length: 99999999999\r\n\r\n"
open(out + "/lifecycle.lsp", "wb").write(broken)
PY

# PLC project information files: the committed ones stay (small.pj is also
# the fixed PLC file of the reader and condition targets); new ones come from
# tools/make_plc_project.py.

du -sh "$corpus"
