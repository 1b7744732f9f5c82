#!/usr/bin/env bash
# Processor and memory of the running program, measured from outside like a user's system
# monitor would: vx470 against vx470-sim under Xvfb (1280 x 1024, jwm), idle for 10 s, then
# for 10 s while a feedback search polls the unit's reports.
#   bench/idle_cost.sh [build-dir]        (default build/default)
# Needs xvfb-run, jwm and xdotool (./scripts/deps.sh --tests installs them).
set -euo pipefail
build=$(realpath "${1:-build/default}")
if [[ -z "${VX470_BENCH_DISPLAY:-}" ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" env VX470_BENCH_DISPLAY=1 "$0" "$@"
fi

work=$(mktemp -d)
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"' EXIT
cd "$work"
jwm >/dev/null 2>&1 &
pids+=($!)

"$build/sim/vx470-sim" --presets 5,9 --search-interval 300 --log >sim.out 2>sim.log &
pids+=($!)
for _ in $(seq 50); do [[ -s sim.out ]] && break; sleep 0.1; done
VX470_PORTS=$(head -n 1 sim.out) "$build/desktop/vx470" >vx.log 2>&1 &
app=$!
pids+=($app)
title="VX-470 - Remote Control Software"
for _ in $(seq 200); do
    [[ -n $(xdotool search --onlyvisible --name "$title" 2>/dev/null) ]] && break
    sleep 0.1
done
sleep 2

ticks() { awk '{print $14 + $15}' "/proc/$app/stat"; }
hz=$(getconf CLK_TCK)
measure() {
    local t0 t1
    t0=$(ticks)
    sleep 10
    t1=$(ticks)
    awk -v d=$((t1 - t0)) -v hz="$hz" 'BEGIN { printf "%.2f", 100 * d / hz / 10 }'
}
rss() { awk '/VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$app/status"; }

idle=$(measure)
idle_rss=$(rss)

# "Search Feedback L" in the editor's top strip of the maximised window.
xdotool mousemove 977 117 click 1
sleep 1
if ! grep -q '^F0 5B 0A 01 .* 01 F7$' sim.log; then
    echo "could not start a feedback search (the layout moved?)" >&2
    exit 1
fi
search=$(measure)
reports=$(grep -c '^F0 5B 30' sim.log || true)
search_rss=$(rss)

echo "idle for 10 s:            ${idle} % of one core, resident ${idle_rss} MB"
echo "search polling for 10 s:  ${search} % of one core, resident ${search_rss} MB (${reports} reports acknowledged)"
