#!/usr/bin/env bash
# Builds the fuzz targets with clang++ (AddressSanitizer, UndefinedBehavior-
# Sanitizer, libFuzzer) and runs each for the given number of seconds on a
# copy of its seed corpus.  Fails when a target finds a crash, a leak, a
# sanitizer report, a broken check or an input that takes too long; the
# input is kept in build-fuzz/findings/<target>/ and the tail of the
# target's output is shown.
#
# usage: fuzz/run.sh [seconds per target, default 20] [target ...]
#   targets are the names after "fuzz_" (tokenizer, reader, ...); all by default.
# Environment: QUILLON_FUZZ_BUILD (build directory, default build-fuzz),
#   QUILLON_FUZZ_TIMEOUT (seconds one input may take, default 1),
#   QUILLON_FUZZ_JOBS (targets run at a time, default the number of cores),
#   QUILLON_FUZZ_SKIP_BUILD=1 (run what is built, for parallel runs),
#   QUILLON_FUZZ_STRICT=1 (also check the promises whose breaking is known:
#   see fuzz/crashes/).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
[ $# -gt 0 ] && shift
build=${QUILLON_FUZZ_BUILD:-build-fuzz}
timeout=${QUILLON_FUZZ_TIMEOUT:-1}

if [ "${QUILLON_FUZZ_SKIP_BUILD:-0}" != 1 ]; then
  cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQUILLON_FUZZ=ON -DQUILLON_TESTS=OFF >/dev/null
  cmake --build "$build" -j2 >/dev/null
fi

# By default every target the build makes (the preview's only where stb is
# there), else every one of fuzz/.
if [ $# -gt 0 ]; then
  targets=("$@")
elif [ -f "$build/fuzz/targets.txt" ]; then
  mapfile -t targets <"$build/fuzz/targets.txt"
else
  targets=()
  for f in fuzz/fuzz_*.cpp; do
    n=$(basename "$f" .cpp)
    targets+=("${n#fuzz_}")
  done
fi

# The longest input each target is given: enough for its largest seed.  A
# project of 2 KB already holds a hundred lines, each of which may convert a
# source; longer ones would only slow the search down.
max_len() {
  case $1 in
    plcfile) echo 65536 ;;
    dxf | catalogue) echo 16384 ;;
    bitmap | pcx | bmx | language) echo 8192 ;;
    reader) echo 2048 ;;
    *) echo 4096 ;;
  esac
}

# Everything a run writes (corpus copies, logs, findings) lives in one
# directory that goes at the end, whatever happened.  The targets themselves
# keep their files in memory.
work=$(mktemp -d "${TMPDIR:-/tmp}/q32fuzz-run.XXXXXX")
trap 'rm -rf "$work"' EXIT
# A small quarantine and no filling of fresh blocks keep the allocator from
# touching new pages for every input; use-after-free and leaks are still
# caught.
# Options given in the environment come last and win.
export ASAN_OPTIONS="detect_leaks=1:max_malloc_fill_size=0:quarantine_size_mb=16:malloc_context_size=5${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# One target: its run, then a line of the table in $work/<target>.row and
# its status in $work/<target>.status.
run_target() {
  local t=$1 exe="$build/fuzz/fuzz_$1" corpus="$work/corpus/$1" log="$work/$1.log" status=0
  if [ ! -x "$exe" ]; then
    echo "no fuzz target $t" >"$log"
    echo 1 >"$work/$t.status"
    printf '%-12s %10s\n' "$t" missing >"$work/$t.row"
    return
  fi
  mkdir -p "$corpus" "$work/artifacts/$t"
  [ -d "fuzz/corpus/$t" ] && cp -r "fuzz/corpus/$t/." "$corpus/"
  "$exe" -max_total_time="$seconds" -rss_limit_mb=2048 -max_len="$(max_len "$t")" \
         -timeout="$timeout" -print_final_stats=1 -artifact_prefix="$work/artifacts/$t/" \
         "$corpus" >"$log" 2>&1 || status=$?
  local done_line runs speed cov ft
  done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
  runs=$(grep -oE '^stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || true)
  speed=$(grep -oE '^stat::average_exec_per_sec: *[0-9]+' "$log" | grep -oE '[0-9]+$' || true)
  cov=$(echo "$done_line" | grep -oE 'cov: [0-9]+' | grep -oE '[0-9]+' || true)
  ft=$(echo "$done_line" | grep -oE 'ft: [0-9]+' | grep -oE '[0-9]+' || true)
  printf '%-12s %10s %8s %8s %8s\n' "$t" "${runs:--}" "${speed:--}" "${cov:--}" "${ft:--}" >"$work/$t.row"
  echo "$status" >"$work/$t.status"
}

# The targets run side by side, as many at a time as there are cores: each
# is one process.
jobs=${QUILLON_FUZZ_JOBS:-$(nproc 2>/dev/null || echo 1)}
running=0
for t in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || true
    running=$((running - 1))
  fi
  run_target "$t" &
  running=$((running + 1))
done
wait || true

failed=()
printf '%-12s %10s %8s %8s %8s\n' target runs exec/s cov ft
for t in "${targets[@]}"; do
  cat "$work/$t.row"
  status=$(cat "$work/$t.status" 2>/dev/null || echo 1)
  if [ "$status" -ne 0 ]; then
    failed+=("$t")
    mkdir -p "$build/findings/$t"
    cp "$work/artifacts/$t/"* "$build/findings/$t/" 2>/dev/null || true
    echo "---- fuzz_$t failed (status $status); inputs in $build/findings/$t/" >&2
    grep -vE '^#[0-9]+' "$work/$t.log" | tail -60 >&2
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets with findings: ${failed[*]}" >&2
  exit 1
fi
