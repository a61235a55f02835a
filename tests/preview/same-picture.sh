# Compares a picture of the preview's site with the source picture of its
# softkey, both read by ImageMagick as black and white pixels, one text row
# per pixel row.  Prints one verdict; where they differ, the rows that differ.
#
# usage: sh same-picture.sh SITE.png SOURCE
set -e
rows() { convert "$1" -colorspace Gray -threshold 50% -compress none pbm:- | tail -n +3 | tr -d ' \n' | fold -w 77; echo; }
rows "$1" > preview.txt
rows "$2" > source.txt
tr 01 10 < source.txt > inverted.txt
if cmp -s preview.txt source.txt; then
  echo "the preview shows $2"
elif cmp -s preview.txt inverted.txt; then
  echo "the preview shows $2 with black and white swapped"
else
  echo "the preview differs from $2 (< preview, > source):"
  diff preview.txt source.txt | tr 01 '.#' || true
fi
