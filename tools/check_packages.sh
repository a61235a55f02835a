#!/usr/bin/env bash
# Makes a package with CPack in a build directory and checks it unpacked.
#
#   check_packages.sh deb <build dir> [program...]   the Debian package,
#       unpacked with dpkg-deb -x into a temporary root: its /usr/bin/Quillon32
#       runs the example project and finds its catalogue in /usr/lib/quillon32,
#       and so do the preview and the language server; its
#       /usr/bin/Quillon32PlcProject makes the example's PLC project file
#   check_packages.sh zip <build dir> [program...]   the Windows zip holds
#       exactly the programs, the helper Quillon32PlcProject.py, their
#       catalogue, the README and the example
# The programs the build packs: Quillon32 and Quillon32Preview unless named
# (a build without stb has no preview).
set -euo pipefail
kind=$1
build=$(realpath "$2")
shift 2
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=(Quillon32 Quillon32Preview)
preview=no
case " ${programs[*]} " in *" Quillon32Preview "*) preview=yes ;; esac
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/q32pkg.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.txt") ||
  { cat "$work/cpack.txt"; fail "cpack"; }
examples=$(cd "$src/examples" && find mill -type f | sort)

case $kind in
deb)
  deb=$(ls "$work"/out/*.deb)
  echo "package: $(basename "$deb")"
  dpkg-deb -x "$deb" "$work/root"
  root=$work/root
  for p in "${programs[@]}" Quillon32PlcProject; do
    [ -L "$root/usr/bin/$p" ] || fail "/usr/bin/$p is no link"
    [ -f "$root/usr/lib/quillon32/$p" ] || fail "no /usr/lib/quillon32/$p"
  done
  for f in usr/lib/quillon32/Quillon32.err usr/share/doc/quillon32/README.md usr/share/man/man1/Quillon32.1; do
    [ -f "$root/$f" ] || fail "no /$f"
  done
  if [ $preview = no ]; then
    [ ! -e "$root/usr/bin/Quillon32Preview" ] || fail "a preview in a package built without it"
  fi
  for f in $examples; do
    [ -f "$root/usr/share/doc/quillon32/examples/$f" ] || fail "no example file $f"
  done
  # The installed command on the installed example: the catalogue is found
  # (no fatal text) and the run is clean.
  cp -r "$root/usr/share/doc/quillon32/examples/mill" "$work/mill"
  status=0
  (cd "$work" && SOURCE_DATE_EPOCH=0 "$root/usr/bin/Quillon32" mill/mill.spm -gensys) >"$work/console.txt" 2>&1 ||
    status=$?
  cat "$work/console.txt"
  grep -q "Fatal" "$work/console.txt" && fail "the installed program did not find its catalogue"
  [ $status = 0 ] || fail "exit status $status"
  [ -f "$work/mill/QUILLONK.SYS" ] || fail "no QUILLONK.SYS written"
  echo "installed program ran the example: status 0"
  # The installed helper gives its usage on standard output and makes the
  # example's PLC project file from its list of symbols, byte for byte.
  usage=$("$root/usr/bin/Quillon32PlcProject" --help 2>/dev/null) && grep -q "DESCRIPTION OUTPUT" <<<"$usage" ||
    fail "Quillon32PlcProject --help gave no usage on standard output with status 0"
  "$root/usr/bin/Quillon32PlcProject" "$work/mill/mill_plc.txt" "$work/mill.pj" &&
    cmp "$work/mill.pj" "$root/usr/share/doc/quillon32/examples/mill/mill.pj" ||
    fail "the installed Quillon32PlcProject did not make the example's mill.pj"
  echo "installed helper made the example's PLC project file"
  # The installed preview finds the same catalogue and sees the example clean.
  if [ $preview = yes ]; then
    (cd "$work" && "$root/usr/bin/Quillon32Preview" mill/mill.spm -o"$work/site") >"$work/preview.txt" 2>&1 ||
      { cat "$work/preview.txt"; fail "the installed preview ended with status $?"; }
    [ -f "$work/site/index.html" ] || fail "the installed preview wrote no index.html"
    echo "installed preview showed the example: status 0"
  fi
  # The installed language server finds the catalogue too: the example
  # opened in it has no diagnostics.
  if [ -e "$root/usr/bin/Quillon32Lsp" ]; then
    python3 - "$work/mill/mill.spm" >"$work/lsp-in.txt" <<'PY'
import json, pathlib, sys
project = pathlib.Path(sys.argv[1])
for m in [{"id": 1, "method": "initialize", "params": {"rootUri": project.parent.as_uri()}},
          {"method": "textDocument/didOpen", "params": {"textDocument": {"uri": project.as_uri(), "languageId": "quillon32-project",
           "version": 1, "text": project.read_text(encoding="latin-1")}}},
          {"id": 2, "method": "shutdown"}, {"method": "exit"}]:
    body = json.dumps(dict(jsonrpc="2.0", **m))
    sys.stdout.write(f"Content-Length: {len(body)}\r\n\r\n{body}")
PY
    "$root/usr/bin/Quillon32Lsp" <"$work/lsp-in.txt" >"$work/lsp.txt" || fail "the installed language server ended with status $?"
    grep -q '"diagnostics":\[\],"uri":"file://[^"]*mill.spm"' "$work/lsp.txt" ||
      { cat "$work/lsp.txt"; fail "the installed language server reported on the example"; }
    echo "installed language server checked the example: no diagnostics"
  fi
  ;;
zip)
  zip=$(ls "$work"/out/*.zip)
  echo "package: $(basename "$zip")"
  top=$(basename "$zip" .zip)
  expected=$(printf '%s\n' $(for p in "${programs[@]}"; do echo "$top/$p.exe"; done) "$top/Quillon32.err" \
             "$top/Quillon32PlcProject.py" \
             "$top/README.md" $(for f in $examples; do echo "$top/examples/$f"; done) | sort)
  listed=$(python3 -c 'import sys, zipfile
for n in zipfile.ZipFile(sys.argv[1]).namelist():
    if not n.endswith("/"): print(n)' "$zip" | sort)
  if [ "$listed" != "$expected" ]; then
    diff <(echo "$expected") <(echo "$listed") || true
    fail "the zip does not hold exactly its files"
  fi
  echo "zip holds its $(echo "$listed" | wc -l) files"
  ;;
*) fail "unknown kind $kind" ;;
esac
