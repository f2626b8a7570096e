#!/usr/bin/env bash
# Times the real program end to end with TEF product 1 and the simulated
# Z3_Bridge01 library answering at once: a credit sale from the request file
# renamed into place to the response file present, median of N, and what it
# costs beyond the 4.3 s of pauses the flow is built with (1.3 s in the monitor,
# 3 s showing the outcome to the cashier).
# Usage: nice -n 10 bench/venda_bridge.sh [build-dir] [timed-sales]
set -euo pipefail
build=$(realpath "${1:-build}")
runs=${2:-10}
pausas_ms=4300
work=$(mktemp -d)
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        wait "$pid" || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

cp "$build/bin/Z3_TEFZoduvud" "$work/"
mkdir -p "$work/Req" "$work/Resp"
cat >"$work/config_tef.json" <<CFG
{"path_in": "$work/Req", "path_out": "$work/Resp", "produto_tef": 1, "tipo_operacao": 0, "log": 1}
CFG
cd "$work"
export HOME="$work" QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software Z3_LIB_DIR="$build/bin"
export Z3_SIM_LOG="$work/sim_log.jsonl"
unset Z3_LOG Z3_SIM_CENARIO
./Z3_TEFZoduvud >/dev/null 2>&1 &
pid=$!
for _ in $(seq 300); do
    grep -q 'Monitoramento iniciado em' z3_log.txt 2>/dev/null && break
    sleep 0.1
done
grep -q 'Monitoramento iniciado em' z3_log.txt || { echo "the program did not start watching" >&2; exit 1; }

# The next sale starts only once the monitor watches again: a sale queued
# behind the end of the last one would time that too.
wait_log() {  # text count
    for _ in $(seq 600); do
        [ "$(grep -c "$1" z3_log.txt || true)" -ge "$2" ] && return 0
        sleep 0.05
    done
    echo "timed out waiting for '$1' x$2 in the log" >&2
    return 1
}
times=()
for i in $(seq "$runs"); do
    out=$("$build/bin/pos_client" --config "$work/config_tef.json" --quiet --timing \
        CRT --id $((1000 + i)) --valor 1000 --field 731-000=1 --field 017-000=0 --field 018-000=3) ||
        { echo "timed sale $i failed (pos_client exit $?)" >&2; exit 1; }
    times+=($(sed -n 's/^response after \([0-9]*\) ms$/\1/p' <<<"$out"))
    wait_log '\[MonitoraDiretorio\] FINALIZANDO OPERACAO TEF' "$i"
done
times=($(printf '%s\n' "${times[@]}" | sort -n))
[ "${#times[@]}" -eq "$runs" ] || { echo "expected $runs responses, got ${#times[@]}" >&2; exit 1; }
median=${times[$((runs / 2))]}
[ $((runs % 2)) -eq 0 ] && median=$(( (times[runs / 2 - 1] + times[runs / 2]) / 2 ))
calls=$(grep -c '"funcao":"IniciaVendaCredito"' "$Z3_SIM_LOG" || true)
echo "request renamed in -> response file present (ms, sorted): ${times[*]}"
echo "median: $median ms; beyond the ${pausas_ms} ms of pauses: $((median - pausas_ms)) ms"
echo "library calls: $calls IniciaVendaCredito (expected $runs)"
