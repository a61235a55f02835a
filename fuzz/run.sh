#!/usr/bin/env bash
# Builds the fuzz targets with clang++ (AddressSanitizer, UndefinedBehavior-
# Sanitizer, libFuzzer) in build-fuzz/ and runs each, as many at a time as
# there are cores, for the given number of seconds on a copy of its seed
# corpus.  Fails when a target finds a crash, a leak, a sanitizer report, a
# broken check or an input that takes more than a second; the input is kept
# in build-fuzz/findings/<target>/ and the tail of the target's output shown.
#
# usage: fuzz/run.sh [seconds per target, default 20] [target ...]
#   targets are the folders of fuzz/corpus/ (tokenizer, reader, ...); all by default.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
[ $# -gt 0 ] && shift
build=build-fuzz
cmake -S . -B $build -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DQUILLON_FUZZ=ON -DQUILLON_TESTS=OFF >/dev/null
cmake --build $build -j2 >/dev/null
targets=("$@")
[ $# -gt 0 ] || mapfile -t targets < <(ls fuzz/corpus)

# The longest input each target is given: enough for its largest seed.  A
# project of 2 KB already holds a hundred lines, each of which may convert a
# source; longer ones would only slow the search down.  Others get 4096.
declare -A max_len=([plcfile]=65536 [dxf]=16384 [catalogue]=16384 [bitmap]=8192 [pcx]=8192 [bmx]=8192
                    [language]=8192 [reader]=2048 [lsp]=16384)

# Everything a run writes (corpus copies, logs, findings) lives in one
# directory that goes at the end, whatever happened.  The targets themselves
# keep their files in memory.
work=$(mktemp -d "${TMPDIR:-/tmp}/q32fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A small quarantine and no filling of fresh blocks keep the allocator from
# touching new pages for every input; use-after-free and leaks are still
# caught.  Options given in the environment come last and win.
export ASAN_OPTIONS="detect_leaks=1:max_malloc_fill_size=0:quarantine_size_mb=16:malloc_context_size=5${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# One target, one process; its output in $work/<target>.log, its status in
# $work/<target>.status.
run_target() {
  local t=$1 status=0
  mkdir -p "$work/corpus/$t" "$work/artifacts/$t"
  if [ -d "fuzz/corpus/$t" ]; then cp -r "fuzz/corpus/$t/." "$work/corpus/$t/"; fi
  Q32_FUZZ_TARGET=$t "$build/fuzz/quillon_fuzz" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len="${max_len[$t]:-4096}" -timeout=1 \
    -print_final_stats=1 -artifact_prefix="$work/artifacts/$t/" "$work/corpus/$t" >"$work/$t.log" 2>&1 || status=$?
  echo "$status" >"$work/$t.status"
}

for t in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
  run_target "$t" &
done
wait || true

# Each target's last line (runs, coverage, features, speed), then the findings.
failed=()
for t in "${targets[@]}"; do
  printf '%-12s %s\n' "$t" "$(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$t.log" | tail -1 || true)"
  status=$(cat "$work/$t.status" 2>/dev/null || echo 1)
  if [ "$status" -ne 0 ]; then
    failed+=("$t")
    mkdir -p "$build/findings/$t"
    cp "$work/artifacts/$t/"* "$build/findings/$t/" 2>/dev/null || true
    echo "---- fuzz target $t failed (status $status); inputs in $build/findings/$t/" >&2
    grep -vE '^#[0-9]+' "$work/$t.log" | tail -60 >&2
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets with findings: ${failed[*]}" >&2
  exit 1
fi
