#!/bin/bash
# The engine and its tests under AddressSanitizer and UndefinedBehaviorSanitizer,
# then a short libFuzzer run of each fuzz target.
#
#   scripts/sanitize.sh [BUILD_FOLDER]
#
# FUZZ_SECONDS (default 60) sets the length of each fuzz run; FUZZ_SECONDS=0
# skips them (and the fuzz targets are then not built). The window program and
# its tests are left out (-DBRINDLEMOOR_GUI=OFF): Qt under ASan makes them too
# slow for a CI step. Line tables only, no full debug information: stack traces
# keep file and line, and a cold build takes a fraction of the time.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/../build-sanitize}
fuzz_seconds=${FUZZ_SECONDS:-60}
jobs=${JOBS:-$(nproc)}

source "$root/scripts/deps.sh"
ensure_packages "${build_packages[@]}" "${test_packages[@]}" "${sanitize_packages[@]}"

fuzz=OFF
[ "$fuzz_seconds" -gt 0 ] && fuzz=ON
sanitize="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
if [ ! -f "$build/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
        -DCMAKE_BUILD_TYPE=Sanitize \
        -DCMAKE_CXX_FLAGS_SANITIZE="-O1 -gline-tables-only $sanitize" \
        -DCMAKE_C_FLAGS_SANITIZE="-O1 -gline-tables-only $sanitize" \
        -DCMAKE_EXE_LINKER_FLAGS_SANITIZE="$sanitize" \
        -DBRINDLEMOOR_GUI=OFF -DBRINDLEMOOR_TESTS=ON -DBRINDLEMOOR_FUZZ=$fuzz >/dev/null
fi
cmake --build "$build" -j"$jobs"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# The tests that drive LibreOffice, Gnumeric or Java spend their time in those
# programs, not in ours; they run in the ordinary test step.
(cd "$build" && ctest -j"$jobs" --output-on-failure --timeout 900 \
    -E "${SANITIZE_EXCLUDE:-LibreOffice|Gnumeric|Poi|roundtrip|fidelity}")

if [ "$fuzz" = ON ]; then
    seeds="$build/fuzz-seeds"
    python3 "$root/fuzz/make_seeds.py" "$seeds"
    for target in fuzz_load fuzz_content_xml fuzz_formula; do
        corpus="$build/fuzz-corpus/$target"
        mkdir -p "$corpus"
        # Inputs that once failed, each run once.
        regressions=("$root/fuzz/regressions/$target"/*)
        if [ -e "${regressions[0]}" ]; then
            echo "== $target: ${#regressions[@]} earlier findings"
            "$build/fuzz/$target" -timeout=60 -rss_limit_mb=2048 "${regressions[@]}" 2>&1 | tail -n 2
        fi
        echo "== $target: ${fuzz_seconds}s"
        # One worker: CI machines are small and shared.
        "$build/fuzz/$target" "$corpus" "$seeds/$target" \
            -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 -timeout=60 -max_len=262144 \
            -artifact_prefix="$build/fuzz-corpus/$target-" -print_final_stats=1 2>&1 | tail -n 8
    done
fi
