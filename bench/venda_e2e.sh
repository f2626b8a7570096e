#!/usr/bin/env bash
# Times the real program end to end with the simulated Z3_Tef library answering
# at once: a credit sale from the request file renamed into place to the response
# file present (median of N, and what it costs beyond the 2.3 s of pauses the
# exchange is built with), then M sales each followed by CNF, checking that none
# is lost and how much the resident memory grew.
# Usage: nice -n 10 bench/venda_e2e.sh [build-dir] [timed-sales] [sales-in-a-row]
set -euo pipefail
build=$(realpath "${1:-build}")
runs=${2:-10}
row=${3:-100}
pausas_ms=2300
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
cat >"$work/config_tef.json" <<EOF
{"path_in": "$work/Req", "path_out": "$work/Resp", "produto_tef": 2, "tipo_operacao": 0, "log": 1, "vitra": 0}
EOF
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

rss_kb() { awk '/VmRSS/ {print $2}' "/proc/$pid/status"; }
pos() { "$build/bin/pos_client" --config "$work/config_tef.json" --quiet --timing \
    CRT --valor 1000 --field 731-000=1 --then CNF "$@"; }

# Timed sales. Each is confirmed, and the next starts only once the manager has
# finished the CNF (its one-second pause included): a sale queued behind a CNF
# would time the CNF too.
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
    out=$(pos --id $((1000 + 2 * i))) || { echo "timed sale $i failed (pos_client exit $?)" >&2; exit 1; }
    times+=($(sed -n 's/^response after \([0-9]*\) ms$/\1/p' <<<"$out"))
    wait_log 'Operação CNF não requer arquivo' "$i"
done
times=($(printf '%s\n' "${times[@]}" | sort -n))
[ "${#times[@]}" -eq "$runs" ] || { echo "expected $runs responses, got ${#times[@]}" >&2; exit 1; }
median=${times[$((runs / 2))]}
[ $((runs % 2)) -eq 0 ] && median=$(( (times[runs / 2 - 1] + times[runs / 2]) / 2 ))
echo "request renamed in -> response file present (ms, sorted): ${times[*]}"
echo "median: $median ms; beyond the ${pausas_ms} ms of pauses: $((median - pausas_ms)) ms"

rss0=$(rss_kb)
echo "resident memory after $runs sales (warm-up): $rss0 kB"

# Sales in a row, each followed by CNF.
start=$(date +%s)
rc=0
out=$(pos --count "$row" --id 100000) || rc=$?
end=$(date +%s)
responses=$(grep -c '^response after' <<<"$out" || true)
statuses=$(grep -c '^status after' <<<"$out" || true)
confirms=$(grep -c '"funcao": *"ConfirmarOperacaoTEF2"' "$Z3_SIM_LOG" || true)
payments=$(grep -c '"funcao": *"RealizarPagamentoTEF"' "$Z3_SIM_LOG" || true)
rss1=$(rss_kb)
echo "$row sales + CNF in $((end - start)) s: pos_client exit $rc, $responses responses, $statuses status files"
echo "library calls over the whole run: $payments payments, $confirms confirmations (expected $((runs + row)) each)"
echo "resident memory after $row more sales: $rss1 kB; growth: $((rss1 - rss0)) kB"
lost=$((row - responses))
[ "$rc" -eq 0 ] && [ "$lost" -eq 0 ] && [ "$statuses" -eq $((2 * row)) ] &&
    [ "$confirms" -eq $((runs + row)) ] || { echo "LOST: $lost responses" >&2; exit 1; }
echo "none lost"
