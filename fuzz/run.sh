#!/usr/bin/env bash
# Builds the libFuzzer targets (build-fuzz, clang) and runs each on top of its
# checked-in corpus for a bounded time, printing the executions per target.
#
#   fuzz/run.sh [-t SECONDS] [-j JOBS] [-n] [-m] [TARGET...]
#     -t  seconds per target (default 60; CI uses a short run)
#     -j  targets run at once (default 1)
#     -n  do not build first
#     -m  afterwards merge what a run found into fuzz/corpus/ (minimised)
#     TARGET  names without "fuzz_" (default: every target)
#
# New inputs a run finds stay in fuzz/work/<target>/ for the next run; crash,
# hang and out-of-memory inputs are written there as crash-*, timeout-* and
# oom-*. Exit code 1 when any target found one.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(dirname "$here")"
seconds=60 jobs=1 build=1 merge=0
while getopts "t:j:nm" opt; do
    case $opt in
    t) seconds=$OPTARG ;;
    j) jobs=$OPTARG ;;
    n) build=0 ;;
    m) merge=1 ;;
    *) sed -n '2,15p' "$0" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
bld="$root/build-fuzz"
if [ "$build" = 1 ]; then
    "$root/scripts/build.sh" build-fuzz Debug -DVOCABRIX_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
fi
targets=("$@")
if [ ${#targets[@]} = 0 ]; then
    for src in "$here"/fuzz_*.cpp; do
        name="$(basename "$src" .cpp)"
        targets+=("${name#fuzz_}")
    done
fi

# A leak is a finding as well (libFuzzer checks after each input that allocated).
export ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export QT_QPA_PLATFORM=offscreen

run_one() {
    local t=$1
    local work="$here/work/$t" corpus="$here/corpus/$t" log
    mkdir -p "$work/found" "$corpus"
    log="$work/last.log"
    local dict=()
    [ -f "$here/$t.dict" ] && dict=(-dict="$here/$t.dict")
    local status=0
    # -timeout: an input taking 10 s is a hang; -rss_limit_mb/-malloc_limit_mb:
    # a reader must refuse an input before it takes hundreds of megabytes.
    "$bld/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$work/" "${dict[@]}" \
        "$work/found" "$corpus" >"$log" 2>&1 || status=$?
    local runs
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    if [ "$status" = 0 ]; then
        printf '%-16s %10s executions in %ss\n' "$t" "${runs:-?}" "$seconds"
    else
        printf '%-16s FAILED after %s executions (log: %s)\n' "$t" "${runs:-?}" "$log"
        grep -m5 -E "ERROR|fuzz:|runtime error|Test unit written" "$log" | sed 's/^/    /'
        return 1
    fi
    if [ "$merge" = 1 ]; then
        "$bld/fuzz/fuzz_$t" -merge=1 -max_len=65536 "$corpus" "$work/found" >/dev/null 2>&1
    fi
}
export -f run_one
export here bld seconds merge
printf '%s\n' "${targets[@]}" | xargs -P "$jobs" -I{} bash -c 'run_one {}' || exit 1
