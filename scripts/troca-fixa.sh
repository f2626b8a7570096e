#!/usr/bin/env bash
# Serves a fixed exchange (a key-number credit sale, its CNF, a JSON sale and a
# declined sale) with one build of the program and keeps every status and
# response file it wrote, so that two builds can be compared byte for byte:
#   scripts/troca-fixa.sh old/bin/Z3_TEFZoduvud /tmp/antes
#   scripts/troca-fixa.sh build/bin/Z3_TEFZoduvud /tmp/depois
#   diff -r /tmp/antes /tmp/depois
# The simulated library's transaction time is fixed by a scenario; the receipt
# lines still carry the clock. Z3_LIB_DIR names the simulators (default build/bin).
set -u
prog=$(realpath "$1"); out=$(realpath -m "$2")
libs=$(realpath "${Z3_LIB_DIR:-build/bin}")
work=$(mktemp -d); mkdir -p "$work/Req" "$work/Resp" "$out"
cp "$prog" "$work/Z3_TEFZoduvud"
cat > "$work/config_tef.json" <<J
{"path_in": "$work/Req", "path_out": "$work/Resp", "produto_tef": 2, "tipo_operacao": 0, "log": 1, "vitra": 0}
J
echo '{"tef":{"dataHoraTransacao":"06/12/2026 10:00:00"}}' > "$work/cenario.json"
cd "$work"
HOME=$work QT_QPA_PLATFORM=offscreen QT_QUICK_BACKEND=software Z3_LIB_DIR=$libs Z3_SIM_CENARIO=$work/cenario.json ./Z3_TEFZoduvud >/dev/null 2>&1 &
pid=$!
for i in $(seq 100); do grep -q "Monitoramento iniciado" z3_log.txt 2>/dev/null && break; sleep 0.1; done
send() { # name file-content json(0/1) expect-response(0/1)
  local n=$1 body=$2 js=$3 resp=$4 req=IntPos.001 sts=IntPos.Sts
  [ "$js" = 1 ] && req=IntPos.001.json && sts=IntPos.Sts.json
  printf '%b' "$body" > Req/x.tmp; mv Req/x.tmp "Req/$req"
  for i in $(seq 200); do [ -f "Resp/$sts" ] && break; sleep 0.05; done
  sleep 0.2; cp "Resp/$sts" "$out/$n.sts"; rm -f "Resp/$sts"
  if [ "$resp" = 1 ]; then
    for i in $(seq 400); do [ -f "Resp/$req" ] && break; sleep 0.05; done
    cp "Resp/$req" "$out/$n.resp"; rm -f "Resp/$req"
  else sleep 2; fi
  # Let the run end and the folder be watched again before the next request.
  sleep 1.5
}
send venda '000-000 = CRT\n001-000 = 1\n003-000 = 1000\n731-000 = 1\n999-999 = 0\n' 0 1
f() { grep "^$1 = " "$out/venda.resp" | sed "s/^$1 = //" | tr -d '\r'; }
send cnf "000-000 = CNF\n001-000 = 2\n010-000 = $(f 010-000)\n012-000 = $(f 012-000)\n027-000 = $(f 027-000)\n999-999 = 0\n" 0 0
send json '{"header":"CRT","operacao":0,"parametros":{"identificacao":"3","valor":"2500","tipo_cartao":"1","registro_final":"0"}}' 1 1
send negada '000-000 = CRT\n001-000 = 4\n003-000 = 1051\n731-000 = 1\n999-999 = 0\n' 0 1
kill $pid; wait $pid 2>/dev/null
grep -c "Transação confirmada com sucesso" z3_log.txt > "$out/cnf.confirmada"
rm -rf "$work"
