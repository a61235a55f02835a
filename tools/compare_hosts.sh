#!/usr/bin/env bash
# Runs the example project's workflows with the Linux program and with the
# Windows program under Wine, and fails unless both write the same files,
# byte for byte.  The Windows run is given Windows paths ("\" separators).
# Where Quillon32Preview lies beside both programs, the example's preview too:
# the same site, both pages and every picture, but for the separator of the
# paths the page shows.  Where Quillon32Lsp does, a scripted editor session
# of both servers on the example (tools/lsp_session.py): the same answers,
# but for how each host writes the project's folder.
#
#   tools/compare_hosts.sh <linux Quillon32> <Quillon32.exe>
set -euo pipefail
linux=$(realpath "$1")
windows=$(realpath "$2")
src=$(cd "$(dirname "$0")/.." && pwd)
export SOURCE_DATE_EPOCH=1700000000 WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-/tmp/q32-wine-$(id -u)}
wine=$(command -v wine || command -v wine64)
work=$(mktemp -d "${TMPDIR:-/tmp}/q32hosts.XXXXXX")
trap 'rm -rf "$work"' EXIT

# One workflow: its name, then the runs (argument lists written with "/";
# the Windows side gets them with "\").
# A workflow with "preview" first runs the Quillon32Preview beside each program.
workflow() {
  local name=$1; shift
  local linux=$linux windows=$windows
  if [ "$name" != "${name#preview}" ]; then
    linux=$(dirname "$linux")/Quillon32Preview windows=$(dirname "$windows")/Quillon32Preview.exe
  fi
  for host in linux windows; do
    mkdir -p "$work/$name/$host"
    cp -r "$src/examples/mill" "$work/$name/$host/mill"
    statuses=
    for run in "$@"; do
      status=0
      # shellcheck disable=SC2086
      if [ $host = linux ]; then
        (cd "$work/$name/$host" && "$linux" $run) >>"$work/$name/$host.console" 2>&1 || status=$?
      else
        (cd "$work/$name/$host" && "$wine" "$windows" ${run//\//\\}) >>"$work/$name/$host.console" 2>&1 || status=$?
      fi
      statuses="$statuses $status"
    done
    echo "$statuses" >"$work/$name/$host.status"
  done
  # The page shows the project's files as each host writes their paths: its
  # separators are compared as one.
  for host in linux windows; do
    if [ -f "$work/$name/$host/site/details.html" ]; then
      sed -i 's#\\#/#g' "$work/$name/$host/site/details.html"
    fi
  done
  if diff -r "$work/$name/linux" "$work/$name/windows" &&
     diff "$work/$name/linux.status" "$work/$name/windows.status"; then
    echo "same outputs: $name ($(find "$work/$name/linux" -type f | wc -l) files, exit statuses$statuses)"
  else
    echo "DIFFERENT outputs: $name" >&2
    failed=1
  fi
}

failed=0
workflow example-gensys "mill/mill.spm -gensys"
workflow default-then-gensys "mill/mill.spm -pjmill/mill.pj" "mill/mill.spj -gensys -nofilecheck"
workflow four-axis "mill/mill.spm -pjmill/mill.pj -rmill/mill4.cfg" "mill/mill.spj -gensys -nofilecheck -rmill/mill4.cfg"
if [ -x "$(dirname "$linux")/Quillon32Preview" ] && [ -f "$(dirname "$windows")/Quillon32Preview.exe" ]; then
  workflow preview "mill/mill.spm -osite -pjmill/mill.pj"
  workflow preview-four-axis "mill/mill.spm -osite -pjmill/mill.pj -rmill/mill4.cfg"
else
  echo "no Quillon32Preview beside both programs: the sites are not compared"
fi
if [ -x "$(dirname "$linux")/Quillon32Lsp" ] && [ -f "$(dirname "$windows")/Quillon32Lsp.exe" ]; then
  for host in linux windows; do
    mkdir -p "$work/lsp/$host" && cp -r "$src/examples/mill" "$work/lsp/$host/mill"
  done
  python3 "$src/tools/lsp_session.py" "$work/lsp/linux/mill" "file://$work/lsp/linux/mill" \
    "$(dirname "$linux")/Quillon32Lsp" >"$work/lsp/linux.answers"
  python3 "$src/tools/lsp_session.py" "$work/lsp/windows/mill" "file:///Z:$work/lsp/windows/mill" \
    "$wine" "$(dirname "$windows")/Quillon32Lsp.exe" >"$work/lsp/windows.answers"
  if diff "$work/lsp/linux.answers" "$work/lsp/windows.answers"; then
    echo "same answers: language server ($(wc -l <"$work/lsp/linux.answers") messages)"
  else
    echo "DIFFERENT answers: language server" >&2
    failed=1
  fi
else
  echo "no Quillon32Lsp beside both programs: the servers are not compared"
fi
exit $failed
