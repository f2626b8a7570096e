#!/usr/bin/env bash
# Times support's status query (--estado) as a monitoring agent runs it: the
# median of N runs with no copy running, with one copy idle, and with that
# copy's log grown to the 100 MiB it rotates at, its last error line at the
# start (the query reads the log from its end back to that line).
# Usage: bench/estado.sh [build-dir] [runs]
set -euo pipefail
build=$(realpath "${1:-build}")
runs=${2:-20}
work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$build/bin/Z3_TEFZoduvud" "$work/"
cd "$work"
mkdir -p Req Resp ipc
printf '{"path_in": "%s/Req", "path_out": "%s/Resp", "produto_tef": 2, "tipo_operacao": 0, "log": 1}\n' \
    "$PWD" "$PWD" >config_tef.json
export HOME="$work" TMPDIR="$work/ipc" QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software Z3_LIB_DIR="$build/bin"
unset Z3_LOG

medir() {
    local nome=$1 esperado=$2 times=() codigo
    for _ in $(seq "$runs"); do
        start=$(date +%s%N)
        codigo=0
        ./Z3_TEFZoduvud --estado >/dev/null 2>&1 || codigo=$?
        end=$(date +%s%N)
        [ "$codigo" -eq "$esperado" ] || { echo "$nome: exit code $codigo, expected $esperado" >&2; exit 1; }
        times+=($(( (end - start) / 1000 )))
    done
    mapfile -t sorted < <(printf '%s\n' "${times[@]}" | sort -n)
    printf '%-34s median %6.1f ms  (min %.1f, max %.1f; %d runs)\n' "$nome" \
        "$(bc -l <<<"${sorted[$((runs / 2))]} / 1000")" "$(bc -l <<<"${sorted[0]} / 1000")" \
        "$(bc -l <<<"${sorted[$((runs - 1))]} / 1000")" "$runs"
}

medir "no copy running" 1
./Z3_TEFZoduvud >/dev/null 2>&1 &
pid=$!
for _ in $(seq 300); do grep -qs "Monitoramento iniciado" z3_log.txt && break; sleep 0.1; done
medir "one copy idle" 0
echo "log: $(stat -c %s z3_log.txt) bytes"
# A log of 100 MiB whose only error line is its first: the whole file is read back.
{
    printf '{06/12/26 08:00:00:000}{Z3_TEFZoduvud}{E} \t\t erro antigo\n'
    yes "$(printf '{06/12/26 08:00:01:000}{Z3_TEFZoduvud}{I} \t\t [MonitoraDiretorio] Monitoramento retomado')" |
        head -c 104857000 || true # yes ends on the closed pipe
} >>z3_log.txt
medir "one copy idle, log at 100 MiB" 0
