#!/usr/bin/env bash
# Runs every fuzz target for SECONDS and prints a table: target, exec/s, executions so far
# (all runs together), corpus size, findings.
#   fuzz/campaign.sh SECONDS [TARGET...]
# Working corpora live in ${VX470_FUZZ_WORK:-/work/fuzz-work}/<target>, seeded from
# fuzz/corpus/<target> and kept between runs; findings (crash-*, leak-*, timeout-*) land
# there too. VX470_FUZZ_JOBS=N runs N targets at once (default 1); VX470_FUZZ_NO_BUILD=1
# uses build/fuzz as it is.
set -euo pipefail
seconds=${1:?usage: fuzz/campaign.sh SECONDS [TARGET...]}
shift
repo=$(cd "$(dirname "$0")/.." && pwd)
work=${VX470_FUZZ_WORK:-/work/fuzz-work}
jobs=${VX470_FUZZ_JOBS:-1}
bin=$repo/build/fuzz/fuzz

if [[ -z ${VX470_FUZZ_NO_BUILD:-} ]]; then
    (cd "$repo" && cmake --preset fuzz >/dev/null && cmake --build --preset fuzz -j2 >/dev/null)
fi
targets=("$@")
if ((${#targets[@]} == 0)); then
    mapfile -t targets < <(sed -n 's/^  \(fuzz_[a-z_]*\)$/\1/p' "$repo/fuzz/targets.cmake")
fi

declare -A maxlen=([fuzz_typed_keys]=1024 [fuzz_device_reports]=1024 [fuzz_preset_file]=512
    [fuzz_init_cfg]=64)
run() {
    local t=$1 dir=$work/$1
    mkdir -p "$dir/corpus"
    (cd "$dir" && "$bin/$t" -max_total_time="$seconds" -print_final_stats=1 \
        -max_len="${maxlen[$t]:-4096}" corpus "$repo/fuzz/corpus/$t" >log 2>&1 || true)
    local runs
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -1)
    echo $(( $(cat "$dir/total" 2>/dev/null || echo 0) + ${runs:-0} )) >"$dir/total"
    echo "${runs:-0} $seconds" >"$dir/last"
}

running=0
for t in "${targets[@]}"; do
    run "$t" &
    if (( ++running >= jobs )); then wait -n; ((running--)); fi
done
wait

printf '%-22s %10s %14s %8s %9s\n' target exec/s executions corpus findings
for t in "${targets[@]}"; do
    dir=$work/$t
    read -r runs secs <"$dir/last"
    findings=$(find "$dir" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' \
        -o -name 'oom-*' \) | wc -l)
    printf '%-22s %10d %14d %8d %9d\n' "$t" $((runs / secs)) "$(cat "$dir/total")" \
        "$(find "$dir/corpus" -type f | wc -l)" "$findings"
done
