#!/usr/bin/env bash
# Adds to the seed corpora of fuzz/corpus/ the tests' own inputs (seeds
# written by hand, such as reader/menus.spm and catalogue/labels.err, stay): the
# example project, the catalogue, the files the case tables set up (projects,
# define files, catalogues, text sources, BMX projects, language files),
# the drawings the DXF tests write with ezdxf, pictures written by netpbm and
# ImageMagick as the raster tests write them; the PLC project files stay as
# committed.
#
# usage: fuzz/seeds/make_corpus.sh [build directory with the tests, default build]
# Needs python3 with ezdxf (Debian: python3-ezdxf), netpbm and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
corpus=fuzz/corpus
python=/usr/bin/python3
[ -x "$python" ] || python=python3

# The files the case tables set up, as the case runner writes them: the
# runner keeps its case directories, and each file whose name matches a
# pattern becomes one seed (once).  With a header, each seed starts with it.
cases=$(mktemp -d)
trap 'rm -rf "$cases" "${tmp:-}"' EXIT
Q32_KEEP_TEMP=1 TMPDIR="$cases" ctest --test-dir "$build" -R '^Cases\.' -j2 >/dev/null || true
casefiles() {  # <name pattern> <corpus> <prefix> [header]
  find "$cases" -type f -size +0 -regextype posix-extended -regex ".*/[^/]*$1" | while read -r f; do
    seed=$(mktemp)
    { [ -n "${4:-}" ] && ! head -n1 "$f" | grep -qF "$4" && echo "$4"; cat "$f"; } >"$seed"
    mv "$seed" "$2/$3-$(sha1sum "$seed" | cut -c1-10)"
  done
}

# Project lines, the tokenizer and the whole reader.
for target in tokenizer reader; do cp examples/mill/mill.spm "$corpus/$target/mill.spm"; done
casefiles '\.(spm|spi|spj)$' "$corpus/tokenizer" tok
casefiles '\.(spm|spj)$' "$corpus/reader" reader "QUILLON Project File - Version 1.0"
# The message catalogue.
cp Quillon32.err "$corpus/catalogue/Quillon32.err"
casefiles '\.err$' "$corpus/catalogue" cat "QUILLON error messages file  Version 1.0"

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
"$python" tests/dxf/make_drawings.py "$tmp"
# Only the small ones (64 KiB at most): the fuzzer mutates better on short inputs.
find "$tmp" -name '*.dxf' -size -65537c -exec cp {} "$corpus/dxf/" \;

# Pictures as the raster tests make them: name, size, and which pixels are
# black (ImageMagick's -fx over column i and row j).
for picture in "checker-77x48 77x48 (floor(i/4)+floor(j/4))%2" "frame-77x48 77x48 i==0||i==76||j==0||j==47" \
            "small-16x10 16x10 i==j" "tall-77x60 77x60 (i*j)%7==0"; do
  read -r n size black <<<"$picture"
  convert -size "$size" xc: -fx "1-($black)" -type bilevel "$tmp/$n.pbm"
  convert "$tmp/$n.pbm" -type bilevel "BMP3:$corpus/bitmap/$n.bmp"
  ppmtopcx "$tmp/$n.pbm" > "$corpus/pcx/$n.pcx" 2>/dev/null
done
convert "$tmp/small-16x10.pbm" "BMP3:$corpus/bitmap/small-16x10-24bit.bmp"

# BMX projects and language files: the example's, and the tests' texts.
cp examples/mill/bmx/spindle.bpj "$corpus/bmx/"
casefiles '\.bpj$' "$corpus/bmx" project "; BMX Project File - Version 2.0"
cp examples/mill/bmx/lang/* "$corpus/language/"
casefiles '(\.inc|\.po|lang/[^/]*\.txt)$' "$corpus/language" lang

# PLC project information files: the committed ones stay (small.pj is also
# the fixed PLC file of the reader and condition targets); new ones come from
# tools/make_plc_project.py.

du -sh "$corpus"
