#!/bin/bash
# A long fuzz campaign: one worker, each target in turn, at low priority so that
# the machine stays usable. Corpora and findings stay in the build folder;
# a one-line summary per target goes to BUILD/campaign/summary.tsv.
#
#   fuzz/campaign.sh BUILD_FOLDER [TARGET=SECONDS ...]
#
# BUILD_FOLDER is one configured by scripts/sanitize.sh (clang, ASan, UBSan,
# -DBRINDLEMOOR_FUZZ=ON). Without TARGET=SECONDS pairs each target runs 20 minutes.
# An input runs for at most TIMEOUT seconds (default 60): a few hundred bytes
# can rightly fill Excel's whole grid, which takes about 20 s under ASan.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?build folder}" && pwd)
shift
runs=("$@")
[ ${#runs[@]} -eq 0 ] && runs=(fuzz_formula=1200 fuzz_content_xml=1200 fuzz_load=1200)

export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/fuzz/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

camp="$build/campaign"
mkdir -p "$camp"
[ -d "$build/fuzz-seeds" ] || python3 "$root/fuzz/make_seeds.py" "$build/fuzz-seeds"
[ -f "$camp/summary.tsv" ] || printf 'started\ttarget\tseconds\texecutions\tcov\tft\tcorpus\tpeak_rss_mb\texit\n' > "$camp/summary.tsv"

for run in "${runs[@]}"; do
    target=${run%%=*}
    seconds=${run#*=}
    corpus="$camp/corpus-$target"
    log="$camp/$target-$(date -u +%Y%m%dT%H%M%S).log"
    mkdir -p "$corpus"
    started=$(date -u +%FT%TZ)
    nice -n 10 "$build/fuzz/$target" "$corpus" "$build/fuzz-seeds/$target" \
        -max_total_time="$seconds" -rss_limit_mb=2048 -timeout="${TIMEOUT:-60}" -max_len=262144 \
        -artifact_prefix="$camp/$target-" -print_final_stats=1 >"$log" 2>&1
    status=$?
    executions=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$')
    peak=$(grep -o 'stat::peak_rss_mb: *[0-9]*' "$log" | tail -1 | grep -o '[0-9]*$')
    last=$(grep -E '^#[0-9]+' "$log" | tail -1)
    cov=$(grep -o 'cov: [0-9]*' <<<"$last" | grep -o '[0-9]*')
    ft=$(grep -o 'ft: [0-9]*' <<<"$last" | grep -o '[0-9]*')
    units=$(ls "$corpus" | wc -l)
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$started" "$target" "$seconds" \
        "${executions:-?}" "${cov:-?}" "${ft:-?}" "$units" "${peak:-?}" "$status" >> "$camp/summary.tsv"
done
