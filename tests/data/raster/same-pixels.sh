# Compares the picture a raster softkey record file carries with a picture
# file, both read by outside tools: srec_cat reads the records, netpbm builds
# the 77 x 48 picture from the two blocks (a set bit black), and netpbm reads
# the picture (any portable map; make it with the reader the case trusts).
# Prints one verdict; where the pictures differ, the rows that differ.
#
# usage: sh same-pixels.sh KEY.PIC PICTURE.pnm
set -e
# srec_cat warns that the file has no start address (S7 record): it needs none.
srec_cat "$1" -Motorola -o softkey.bin -Binary 2> srec.txt || { cat srec.txt; exit 1; }
grep -v 'no execution start address' srec.txt || true
{ printf 'P4\n48 48\n'; tail -c +27 softkey.bin | head -c 288; } > left.pbm
{ printf 'P4\n32 48\n'; tail -c +319 softkey.bin | head -c 192; } > right.pbm
# Rows of 0 and 1 (1 black), one text line per pixel row.
rows() { ppmtopgm | pgmtopbm -threshold | pnmtopnm -plain | tail -n +3 | tr -d ' \n' | fold -w 77; echo; }
pnmcat -lr left.pbm right.pbm | pamcut -width 77 | rows > softkey.txt
rows < "$2" > picture.txt
tr 01 10 < picture.txt > inverted.txt
if cmp -s softkey.txt picture.txt; then
  echo "the softkey shows the picture"
elif cmp -s softkey.txt inverted.txt; then
  echo "the softkey shows the picture inverted"
else
  echo "the softkey differs from the picture (< softkey, > picture):"
  diff softkey.txt picture.txt | tr 01 '.#' || true
fi
