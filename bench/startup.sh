#!/usr/bin/env bash
# Times the real program: start-up to the idle event loop (median of N runs),
# resident memory when idle, and CPU used while idle.
# Usage: bench/startup.sh [build-dir] [runs] [idle-seconds]
set -euo pipefail
build=$(realpath "${1:-build}")
runs=${2:-10}
idle=${3:-30}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/bin/Z3_TEFZoduvud" "$work/"
cd "$work"
export HOME="$work" QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software Z3_LIB_DIR="$build/bin"
unset Z3_LOG
./Z3_TEFZoduvud >/dev/null 2>&1 & pid=$!; sleep 1; kill "$pid"; wait "$pid" || true  # writes the config

times=()
for _ in $(seq "$runs"); do
    start=$(date +%s%N)
    Z3_EXIT_WHEN_IDLE=1 ./Z3_TEFZoduvud >/dev/null 2>&1
    end=$(date +%s%N)
    times+=($(( (end - start) / 1000000 )))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
echo "start-up to idle loop and exit (ms): ${times[*]}"
echo "median: ${sorted[$((runs / 2))]} ms"

./Z3_TEFZoduvud >/dev/null 2>&1 & pid=$!
sleep 3
rss=$(awk '/VmRSS/ {print $2}' /proc/$pid/status)
t0=$(awk '{print $14 + $15}' /proc/$pid/stat)
sleep "$idle"
t1=$(awk '{print $14 + $15}' /proc/$pid/stat)
kill "$pid"; wait "$pid" || true
hz=$(getconf CLK_TCK)
echo "idle resident memory: $((rss / 1024)) MB"
awk -v d=$((t1 - t0)) -v hz="$hz" -v s="$idle" 'BEGIN { printf "idle CPU over %d s: %.3f %% (%d ticks)\n", s, 100 * d / hz / s, d }'
