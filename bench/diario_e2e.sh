#!/usr/bin/env bash
# What the transaction journal costs, timed on the real program with the
# simulated Z3_Tef library: for each of two builds (one with the journal, one
# without), N credit sales each followed by CNF, and the median time from the
# request renamed in to the response file beyond the 2.3 s of pauses. For the
# build with the journal, also the time from the library's approval to the
# journal being on disk (from the program's log), and the program's CPU use
# while it sits idle for 60 s watching the request folder.
# Usage: nice -n 10 bench/diario_e2e.sh <build-with-journal> <build-without> [sales]
set -euo pipefail
novo=$(realpath "$1")
base=$(realpath "$2")
runs=${3:-20}
pausas_ms=2300
work=
pid=
cleanup() {
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
        kill "$pid"
        wait "$pid" || true
    fi
    [ -n "$work" ] && rm -rf "$work"
    return 0
}
trap cleanup EXIT

median() { sort -n | awk '{v[NR]=$1} END {if (NR%2) print v[(NR+1)/2]; else print (v[NR/2]+v[NR/2+1])/2}'; }

start() {  # build
    cleanup
    work=$(mktemp -d)
    cp "$1/bin/Z3_TEFZoduvud" "$work/"
    mkdir -p "$work/Req" "$work/Resp"
    cat >"$work/config_tef.json" <<EOF
{"path_in": "$work/Req", "path_out": "$work/Resp", "produto_tef": 2, "tipo_operacao": 0, "log": 1, "vitra": 0}
EOF
    (cd "$work" && HOME="$work" QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software Z3_LIB_DIR="$1/bin" \
        Z3_SIM_LOG="$work/sim_log.jsonl" Z3_SIM_ESTADO="$work/host" exec ./Z3_TEFZoduvud >/dev/null 2>&1) &
    pid=$!
    for _ in $(seq 300); do
        grep -q 'Monitoramento iniciado em' "$work/z3_log.txt" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "the program did not start watching" >&2
    exit 1
}

wait_log() {  # text count
    for _ in $(seq 600); do
        [ "$(grep -c "$1" "$work/z3_log.txt" || true)" -ge "$2" ] && return 0
        sleep 0.05
    done
    echo "timed out waiting for '$1' x$2 in the log" >&2
    exit 1
}

sales() {  # build -> prints the response times (ms), one a line
    for i in $(seq "$runs"); do
        "$1/bin/pos_client" --config "$work/config_tef.json" --quiet --timing \
            CRT --id $((1000 + 2 * i)) --valor 1000 --field 731-000=1 --then CNF |
            sed -n 's/^response after \([0-9]*\) ms$/\1/p'
        wait_log 'Operação CNF não requer arquivo' "$i"
    done
}

# "hh:mm:ss:zzz" of a log line, in ms since midnight.
ms() { sed -n 's/^{[0-9/]* \([0-9]*\):\([0-9]*\):\([0-9]*\):\([0-9]*\)}.*/\1 \2 \3 \4/p' |
    awk '{print (($1*60+$2)*60+$3)*1000+$4}'; }

start "$base"
t_base=$(sales "$base" | median)
start "$novo"
t_novo=$(sales "$novo" | median)

# Approval (the library's reply logged) to journal on disk (the entry added after it is written).
aprov=$(grep '\[Z3_Tef_Controller\] {"codigo":0.*"retorno":"0"' "$work/z3_log.txt" | ms)
dur=$(grep 'adicionado na lista de sequenciais' "$work/z3_log.txt" | ms)
approval_to_durable=$(paste <(echo "$aprov") <(echo "$dur") | awk '{print $2-$1}' | median)

ticks() { awk '{print $14+$15}' "/proc/$pid/stat"; }
hz=$(getconf CLK_TCK)
c0=$(ticks)
sleep 60
c1=$(ticks)

echo "sales: $runs each, credit sale then CNF, simulated library"
echo "without the journal ($base): median $t_base ms, beyond the ${pausas_ms} ms of pauses: $(awk "BEGIN{print $t_base-$pausas_ms}") ms"
echo "with the journal    ($novo): median $t_novo ms, beyond the ${pausas_ms} ms of pauses: $(awk "BEGIN{print $t_novo-$pausas_ms}") ms"
echo "approval -> journal on disk: median $approval_to_durable ms (log timestamps, 1 ms resolution)"
echo "idle CPU over 60 s with the folder identity check: $((c1 - c0)) ticks of 1/$hz s = $(awk "BEGIN{printf \"%.3f\", ($c1-$c0)/$hz/60*100}") %"
