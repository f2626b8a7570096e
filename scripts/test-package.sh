#!/usr/bin/env bash
# Builds both Debian packages, checks them with lintian, installs them with apt,
# validates the menu and autostart entries, runs the installed program as the
# session's autostart would (offscreen, HOME in a temporary folder, the simulated
# libraries), serves an ATV and a sale with CNF through the installed POS client,
# uses the menu entry's actions as a desktop without a tray would ("Sobre", then
# "Sair" to end it), then purges both packages and checks that nothing of them is
# left. Needs root (or sudo) for apt.
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-${BUILD_DIR:-build}}
name=z3-tefzoduvud
pacotes=("$name" "$name-homologacao")
dir=/opt/Z3_TEFZoduvud
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"

falha() {
    echo "test-package: $*" >&2
    exit 1
}

# A copy installed for real use is never purged by a test.
for p in "${pacotes[@]}"; do
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        echo "test-package: $p is installed on this machine; skipped so as not to remove it"
        exit 0
    fi
done

rm -f "$build"/"$name"*.deb
cmake --build "$build" --target package
debs=()
for p in "${pacotes[@]}"; do
    deb=$(ls "$build"/"${p}"_*.deb 2>/dev/null | head -n 1)
    [ -n "$deb" ] || falha "no package $p in $build"
    debs+=("$(realpath "$deb")")
done
version=$(dpkg-deb --field "${debs[0]}" Version)
for deb in "${debs[@]}"; do
    echo "== $(basename "$deb"): $(du -k "$deb" | cut -f1) KiB"
    dpkg-deb --field "$deb" Depends
done

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "${debs[@]}"

tmp=$(mktemp -d)
programa=""
limpar() {
    [ -n "$programa" ] && kill "$programa" 2>/dev/null && wait "$programa" 2>/dev/null
    # A copy a restart started is no child of this script: none outlives it.
    pkill -f "^$dir/Z3_TEFZoduvud" 2>/dev/null || true
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=120 "${pacotes[@]}" >/dev/null 2>&1 || true
    rm -rf "$tmp"
}
trap limpar EXIT

echo "== install"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends -o DPkg::Lock::Timeout=120 "${debs[@]}"
antes=$(find "$dir" | sort)

saida=$("$dir/Z3_TEFZoduvud" --version)
echo "$saida"
[[ $saida == "Z3_TEFZoduvud "* ]] || falha "--version printed: $saida"
[[ $saida == *" ${version%-*}" ]] || falha "--version is not the package's $version"

menu=/usr/share/applications/$name.desktop
autostart=/etc/xdg/autostart/$name.desktop
echo "== desktop entries"
desktop-file-validate "$menu" "$autostart" || falha "a desktop entry does not validate"
# The command of a group of a desktop entry (no field codes in ours).
comando() {
    awk -v grupo="[$2]" '/^\[/ { dentro = ($0 == grupo) } dentro && /^Exec=/ { sub(/^Exec=/, ""); print; exit }' "$1"
}
ajuda=$("$dir/Z3_TEFZoduvud" --help)
acoes=$(sed -n 's/^Actions=//p' "$menu" | tr ';' ' ')
[ -n "$acoes" ] || falha "the menu entry offers no actions"
for acao in $acoes; do
    opcao=$(comando "$menu" "Desktop Action $acao" | awk '{ print $2 }')
    grep -q -- "^  $opcao " <<<"$ajuda" || falha "action $acao runs '$opcao', which --help does not list"
done
echo "actions: $acoes"

echo "== installed program, offscreen, HOME=$tmp/home"
mkdir -p "$tmp/home" "$tmp/ipc"
config="$tmp/home/.config/Z3_TEFZoduvud"
# As the desktop starts it: in its own folder, which is where the vendor
# libraries are found. TMPDIR keeps its single-instance lock apart from a copy
# the machine may be running. It replaces the shell it runs in: call it in a
# subshell or in the background.
sessao() {
    cd "$dir" && exec env -u DISPLAY -u WAYLAND_DISPLAY -u Z3_LOG -u Z3_LOG_PATH -u Z3_LIB_DIR -u XDG_CONFIG_HOME \
        -u XDG_RUNTIME_DIR -u QT_QUICK_BACKEND HOME="$tmp/home" TMPDIR="$tmp/ipc" QT_QPA_PLATFORM=offscreen "$@"
}
# shellcheck disable=SC2046 # the entry's command, split as the desktop splits it
sessao $(comando "$autostart" "Desktop Entry") >>"$tmp/saida.txt" 2>&1 &
programa=$!

for _ in $(seq 1 300); do
    grep -qs "Monitoramento iniciado" "$config/z3_log.txt" && break
    kill -0 "$programa" 2>/dev/null || break
    sleep 0.1
done
grep -qs "Monitoramento iniciado" "$config/z3_log.txt" || {
    cat "$tmp/saida.txt"
    falha "the installed program did not start watching the request folder"
}
[ -f "$config/config_tef.json" ] || falha "no configuration file in $config"

pos="$dir/pos_client"
"$pos" ATV --id 1 --config "$config/config_tef.json" >"$tmp/atv.txt" || {
    cat "$tmp/atv.txt"
    falha "ATV was not answered"
}
"$pos" CRT --id 2 --valor 1000 --field 731-000=1 --then CNF --config "$config/config_tef.json" \
    --response-timeout 20000 >"$tmp/venda.txt" || {
    cat "$tmp/venda.txt" "$config/z3_log.txt"
    falha "the sale was not served"
}
grep -q '^  009-000 = 0$' "$tmp/venda.txt" || falha "the sale was not approved: $(cat "$tmp/venda.txt")"
grep -q 'status ok: CNF' "$tmp/venda.txt" || falha "the CNF got no status: $(cat "$tmp/venda.txt")"
echo "sale approved and confirmed"

# The tray's entries are off until the confirmation's run has ended; the next
# request is served only then.
"$pos" ATV --id 3 --config "$config/config_tef.json" >"$tmp/atv.txt" || falha "ATV after the sale was not answered"

# Support's questions on the installed program, as the session's user asks them.
(sessao "$dir/Z3_TEFZoduvud" --estado) >"$tmp/estado.json" || falha "--estado did not exit 0 with the copy running"
grep -q '"em_execucao": true' "$tmp/estado.json" || falha "--estado did not see the running copy: $(cat "$tmp/estado.json")"
(sessao "$dir/Z3_TEFZoduvud" --transacoes -) >"$tmp/dia.csv" || falha "--transacoes failed"
grep -q ',CRT,10.00,.*,aprovada'$'\r''$' "$tmp/dia.csv" || falha "the day's CSV lacks the sale: $(cat "$tmp/dia.csv")"
# What the program keeps for itself is the user's alone.
[ "$(stat -c %a "$config")" = 700 ] || falha "$config is $(stat -c %a "$config"), not 700"
for f in config_tef.json z3_log.txt diario_tef.jsonl historico_tef.jsonl; do
    [ "$(stat -c %a "$config/$f")" = 600 ] || falha "$config/$f is $(stat -c %a "$config/$f"), not 600"
done
echo "--estado, --transacoes and the records' permissions"

# A desktop without a tray: the menu entry's actions reach the running copy.
# shellcheck disable=SC2046
(sessao $(comando "$menu" "Desktop Action Sobre")) >>"$tmp/saida.txt" 2>&1 || falha "the Sobre action failed"
grep -q 'Ação "sobre" recebida de outra execução' "$config/z3_log.txt" || falha "the running copy never got Sobre"
grep -q 'Tela, título: Sobre' "$config/z3_log.txt" || {
    tail -n 20 "$config/z3_log.txt"
    falha "Sobre did not show the about box"
}
# shellcheck disable=SC2046
(sessao $(comando "$menu" "Desktop Action Sair")) >>"$tmp/saida.txt" 2>&1 || falha "the Sair action failed"
for _ in $(seq 1 300); do
    kill -0 "$programa" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$programa" 2>/dev/null && falha "Sair did not end the program"
codigo=0
wait "$programa" || codigo=$?
programa=""
[ "$codigo" -eq 0 ] || falha "the program ended with $codigo after Sair"
echo "Sobre and Sair through the menu entry's actions"
[ "$(find "$dir" | sort)" == "$antes" ] || falha "the program wrote into $dir: $(find "$dir" -newer "$dir/Z3_TEFZoduvud")"

echo "== update to the next version, installed by the package tools"
# The next version, built from this tree: only the version's own source file
# is compiled again. The build is put back to its version whatever happens.
atual=$(sed -n 's/^Z3_VERSAO:STRING=//p' "$build/CMakeCache.txt")
proxima=$(awk -F. '{ printf "%d.%d.%d", $1, $2, $3 + 1 }' <<<"$atual")
versao_de() { awk -F. '{ printf "%02d.%02d.%02d", $1, $2, $3 }' <<<"$1"; }
versoes="$tmp/versoes"
mkdir -p "$versoes" "$tmp/fakebin"
(
    trap 'cmake -DZ3_VERSAO="$atual" "$build" >/dev/null && cmake --build "$build" --target Z3_TEFZoduvud >/dev/null' EXIT
    cmake -DZ3_VERSAO="$proxima" "$build" >/dev/null
    cmake --build "$build" --target Z3_TEFZoduvud >/dev/null
    (cd "$build" && cpack -G DEB >/dev/null)
    mv "$build/${name}_$(versao_de "$proxima")-"*".deb" "$versoes/Z3_TEFZoduvud-v$(versao_de "$proxima").deb"
    rm -f "$build/${name}-homologacao_$(versao_de "$proxima")-"*".deb"
)
[ -f "$versoes/Z3_TEFZoduvud-v$(versao_de "$proxima").deb" ] || falha "the next version's package was not built"
# The administrator's consent, played by a stand-in that answers from a file.
cp scripts/pkexec-simulado.sh "$tmp/fakebin/pkexec"
consentimento="$tmp/consentimento"
echo negar >"$consentimento"
log="$config/z3_log.txt"
conta() { grep -c "$1" "$log" || true; }
espera() { # text count
    for _ in $(seq 1 600); do
        [ "$(conta "$1")" -ge "$2" ] && return 0
        sleep 0.1
    done
    tail -n 30 "$log"
    falha "timed out waiting for '$1' x$2 in the log"
}
iniciados=$(conta "Monitoramento iniciado")
PATH="$tmp/fakebin:$PATH" Z3_SIM_ATUALIZACOES="$versoes" Z3_SIM_PKEXEC="$consentimento" \
    Z3_SIM_INSTALADOR="$tmp/instalador.log" sessao ./Z3_TEFZoduvud --segundo-plano >>"$tmp/saida.txt" 2>&1 &
programa=$!
espera "Monitoramento iniciado" $((iniciados + 1))
oferta="Nova versão disponível: $(versao_de "$proxima")"
# Refused by the administrator: the running version keeps serving.
(sessao ./Z3_TEFZoduvud --atualizacao) >>"$tmp/saida.txt" 2>&1
espera "$oferta" 1
(sessao ./Z3_TEFZoduvud --instalar-atualizacao) >>"$tmp/saida.txt" 2>&1
espera "Atualização não instalada: autorização do administrador recusada" 1
"$pos" ATV --id 4 --config "$config/config_tef.json" >"$tmp/atv.txt" || falha "ATV after a refused update"
kill -0 "$programa" 2>/dev/null || falha "a refused update ended the program"
# Consented: installed while it runs, then the new version serves the next request.
echo aceitar >"$consentimento"
(sessao ./Z3_TEFZoduvud --atualizacao) >>"$tmp/saida.txt" 2>&1
espera "$oferta" 2
(sessao ./Z3_TEFZoduvud --instalar-atualizacao) >>"$tmp/saida.txt" 2>&1
espera "Versão: $(versao_de "$proxima")" 1
espera "Monitoramento iniciado" $((iniciados + 2))
"$pos" ATV --id 5 --config "$config/config_tef.json" >"$tmp/atv.txt" || falha "ATV after the update"
[ "$(dpkg-query -W -f='${Version}' "$name")" == "$(versao_de "$proxima")-1" ] || falha "the package was not updated"
grep -q "apt-get install" "$tmp/instalador.log" || falha "the update did not go through the package tools"
wait "$programa" || true # the old copy, gone by the restart
(sessao ./Z3_TEFZoduvud --sair) >>"$tmp/saida.txt" 2>&1
espera "Encerrando (Sair)" 2
programa=""
echo "update from $atual to $proxima: refused, then installed and restarted into"

echo "== purge"
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq -o DPkg::Lock::Timeout=120 "${pacotes[@]}"
for p in "${pacotes[@]}"; do
    if dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -qv 'not-installed'; then
        falha "$p is still known to dpkg"
    fi
done
for f in "$dir" /usr/share/applications/$name.desktop /etc/xdg/autostart/$name.desktop \
    /usr/share/icons/hicolor/48x48/apps/$name.png /usr/share/doc/$name /usr/share/doc/$name-homologacao; do
    [ ! -e "$f" ] || falha "$f is left after the purge"
done
echo "test-package: ok"
