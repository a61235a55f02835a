#!/usr/bin/env bash
# Runs the example project's workflows with the Linux program and with the
# Windows program under Wine, and fails unless both write the same files,
# byte for byte.  The Windows run is given Windows paths ("\" separators).
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
workflow() {
  local name=$1; shift
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
exit $failed
