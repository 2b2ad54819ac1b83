#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a bounded time
# (TBN_FUZZ_SECONDS, 10 by default) from its seed corpus. A crash, a sanitizer report or a broken
# invariant fails the script; the input that did it is kept in build-fuzz/artifacts/.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${TBN_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
SECONDS_PER_TARGET="${TBN_FUZZ_SECONDS:-10}"
TARGETS=(connection_string cnn_store text_file colorize file_dialog)

cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      -DTBN_FUZZ=ON -DTBN_BUILD_TESTS=OFF -DTBN_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" --target fuzz_all --parallel "$(nproc)"

mkdir -p "$BUILD/artifacts"
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
summary=()
status=0
for target in "${TARGETS[@]}"; do
    work="$BUILD/corpus/$target"  # new inputs go here; the seeds under tests/ stay as committed
    mkdir -p "$work"
    log="$BUILD/fuzz_$target.log"
    if "$BUILD/fuzz_$target" -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 \
           -artifact_prefix="$BUILD/artifacts/$target-" "$work" "$ROOT/tests/fuzz/corpus/$target" >"$log" 2>&1; then
        runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
        summary+=("$(printf '%-18s %10s executions in %ss' "$target" "${runs:-?}" "$SECONDS_PER_TARGET")")
    else
        status=1
        summary+=("$(printf '%-18s FAILED (see %s)' "$target" "$log")")
        tail -n 40 "$log" >&2
    fi
done
printf 'Fuzzing:\n'
printf '  %s\n' "${summary[@]}"
exit "$status"
