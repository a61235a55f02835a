# spm.sh PROJECT LINE...: a softkey project of one root menu (ROOT, or $MENU)
# holding the softkey LINEs as given ("DXF in.dxf IN"), then an ACTION item
# for each softkey that a line names, in the order of the lines.
mkdir -p "$(dirname "$1")" && out=$1 && shift
{ printf '%s\n' 'QUILLON Project File - Version 1.0' "SKMENU ${MENU:-ROOT} HROOT" "$@"
  for l in "$@"; do set -- $l; [ -z "$3" ] || printf 'ACTION %s\n' "$3"; done
  echo ENDSKMENU; } > "$out"
