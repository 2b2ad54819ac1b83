#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a bounded time
# (TBN_FUZZ_SECONDS, 10 by default) from its seed corpus. A crash, a sanitizer report or a broken
# invariant fails the script; the input that did it is kept in build-fuzz/artifacts/. Installs what
# is missing (clang and its runtime among it).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
FUZZ_BUILD="${TBN_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
SECONDS_PER_TARGET="${TBN_FUZZ_SECONDS:-10}"
TARGETS=(connection_string cnn_store text_file colorize file_dialog recovery_record)

install_packages
build_in "$FUZZ_BUILD" fuzz_all -DCMAKE_BUILD_TYPE=RelWithDebInfo \
         -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
         -DTBN_FUZZ=ON -DTBN_BUILD_TESTS=OFF -DTBN_BUILD_BENCH=OFF

mkdir -p "$FUZZ_BUILD/artifacts"
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
summary=()
status=0
for target in "${TARGETS[@]}"; do
    work="$FUZZ_BUILD/corpus/$target"  # new inputs go here; the seeds under tests/ stay as committed
    mkdir -p "$work"
    log="$FUZZ_BUILD/fuzz_$target.log"
    if "$FUZZ_BUILD/fuzz_$target" -max_total_time="$SECONDS_PER_TARGET" -print_final_stats=1 \
           -artifact_prefix="$FUZZ_BUILD/artifacts/$target-" "$work" "$ROOT/tests/fuzz/corpus/$target" >"$log" 2>&1; then
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
