#!/usr/bin/env bash
# Rebuilds the seed corpora of fuzz/corpus/ from the tests' own inputs: the
# example project, the catalogue, the string literals of the unit tests
# (project lines, define lists, conditions, text sources, catalogue lines),
# the drawings the DXF tests write with ezdxf, pictures written by netpbm and
# ImageMagick as the raster tests write them, and the PLC project files of
# the PLC test builder (through make_seeds of the fuzz build).
#
# usage: fuzz/seeds/make_corpus.sh <fuzz build directory>
# Needs python3 with ezdxf (Debian: python3-ezdxf), netpbm and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:?usage: make_corpus.sh <fuzz build directory>}
corpus=fuzz/corpus
python=/usr/bin/python3
[ -x "$python" ] || python=python3

for t in tokenizer reader catalogue defines conditions plcfile bitmap pcx dxf textsoftkey bmx language; do
  mkdir -p "$corpus/$t"
done

# String literals of a test file, one seed each (escapes resolved).
# With a header, each seed starts with that line.
literals() {  # <test file> <corpus> <prefix> [minimum length] [header]
  "$python" - "$@" <<'PY'
import ast, hashlib, os, re, sys
path, corpus, prefix = sys.argv[1:4]
minimum = int(sys.argv[4]) if len(sys.argv) > 4 else 1
header = sys.argv[5].encode() + b"\n" if len(sys.argv) > 5 else b""
text = open(path, encoding="latin-1").read()
seen = set()
for m in re.finditer(r'"((?:[^"\\\n]|\\.)*)"', text):
    raw = m.group(1)
    try:
        value = ast.literal_eval('b"' + raw + '"')
    except Exception:
        continue
    if len(value) < minimum or value in seen:
        continue
    seen.add(value)
    if header and not value.startswith(header):
        value = header + value
    name = "%s-%s" % (prefix, hashlib.sha1(value).hexdigest()[:10])
    open(os.path.join(corpus, name), "wb").write(value)
PY
}

# Project lines, the tokenizer and the whole reader.
cp examples/mill/mill.spm "$corpus/tokenizer/mill.spm"
cp examples/mill/mill.spm "$corpus/reader/mill.spm"
literals tests/project/TokenizerTest.cpp "$corpus/tokenizer" tok 3
literals tests/project/SourceDispatchTest.cpp "$corpus/tokenizer" dispatch 3
project_header="QUILLON Project File - Version 1.0"
literals tests/project/ReaderTest.cpp "$corpus/reader" reader 40 "$project_header"
literals tests/e2e/ReaderE2ETest.cpp "$corpus/reader" e2e 40 "$project_header"
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
literals tests/diag/DiagnosticsTest.cpp "$corpus/catalogue" diag 3 "$catalogue_header"
literals tests/diag/CatalogueFileTest.cpp "$corpus/catalogue" cat 3 "$catalogue_header"
printf '%s\n' "QUILLON error messages file  Version 1.0" \
  'LABEL_ERROR "Fehler"' 'LABEL_WARNING "Warnung"' '8220 "E8220: Error opening file %s"' \
  '-8231 "W8231: %s is %d x %d %n %*d %.99999s"' '5 "Progress %s %s %ld %ld"' \
  > "$corpus/catalogue/labels.err"

# Configuration files and define lists.
literals tests/project/DefinesTest.cpp "$corpus/defines" def 2
# Conditions.
literals tests/plc/ConditionsTest.cpp "$corpus/conditions" cond 2
# Text softkeys.
cp examples/mill/start.txs examples/mill/feed.txm "$corpus/textsoftkey/"
literals tests/lang/TextSoftkeyTest.cpp "$corpus/textsoftkey" text 2

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
literals tests/bmx/BmxProjectTest.cpp "$corpus/bmx" project 20 "$bmx_header"
literals tests/bmx/BmxGenerateTest.cpp "$corpus/bmx" generate 20 "$bmx_header"
cp examples/mill/bmx/lang/* "$corpus/language/"
literals tests/lang/LanguageTextsTest.cpp "$corpus/language" lang 4

# PLC project information files.
"$build/fuzz/make_seeds" "$corpus/plcfile"

du -sh "$corpus"
