#!/usr/bin/env bash
# A private print system for the tests: its own cupsd with every folder under
# DIR, reached only through DIR/cups.sock (no TCP port, no systemd), and queues
# whose device is a file in DIR/saida. Usage: cups-fixture.sh start|stop DIR
set -euo pipefail

acao=${1:?start|stop}
dir=${2:?folder}
sock="$dir/cups.sock"

parar() {
    [ -f "$dir/cupsd.pid" ] || return 0
    local pid
    pid=$(cat "$dir/cupsd.pid")
    if kill -0 "$pid" 2>/dev/null; then
        kill -TERM "$pid"
        for _ in $(seq 100); do
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.05
        done
        kill -0 "$pid" 2>/dev/null && kill -KILL "$pid"
    fi
    rm -f "$dir/cupsd.pid"
}

case "$acao" in
stop)
    parar
    exit 0
    ;;
start) ;;
*)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac

command -v cupsd >/dev/null || { echo "cupsd not installed (scripts/install-deps.sh)" >&2; exit 1; }
parar
rm -rf "$dir"
mkdir -p "$dir"/{conf/ppd,spool/tmp,state,cache,log,saida}
# The filters run as the unprivileged user "lp": they must reach the spool and the output.
chmod 0755 "$dir"
chmod 0777 "$dir/saida" "$dir/spool/tmp"

cat >"$dir/conf/cups-files.conf" <<CONF
ServerRoot $dir/conf
RequestRoot $dir/spool
TempDir $dir/spool/tmp
StateDir $dir/state
CacheDir $dir/cache
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
FileDevice Yes
Sandboxing Relaxed
CONF
cat >"$dir/conf/cupsd.conf" <<CONF
Listen $sock
LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
# PDF in, PDF out: the scheduler's own pdftopdf runs, then the job is written as it is.
cat >"$dir/conf/pdf.ppd" <<'PPD'
*PPD-Adobe: "4.3"
*FormatVersion: "4.3"
*FileVersion: "1.0"
*LanguageVersion: English
*LanguageEncoding: ISOLatin1
*PCFileName: "Z3PDF.PPD"
*Manufacturer: "Z3"
*Product: "(Z3 PDF)"
*ModelName: "Z3 PDF"
*ShortNickName: "Z3 PDF"
*NickName: "Z3 PDF"
*PSVersion: "(3010.000) 0"
*LanguageLevel: "3"
*ColorDevice: False
*DefaultColorSpace: Gray
*FileSystem: False
*Throughput: "1"
*cupsVersion: 2.4
*cupsFilter2: "application/vnd.cups-pdf application/pdf 0 -"
*OpenUI *PageSize/Page Size: PickOne
*DefaultPageSize: Custom
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*CloseUI: *PageSize
*CustomPageSize True: ""
*ParamCustomPageSize Width: 1 points 36 3600
*ParamCustomPageSize Height: 2 points 36 36000
*ParamCustomPageSize WidthOffset: 3 points 0 0
*ParamCustomPageSize HeightOffset: 4 points 0 0
*ParamCustomPageSize Orientation: 5 int 0 0
*MaxMediaWidth: "3600"
*MaxMediaHeight: "36000"
*HWMargins: 0 0 0 0
*ImageableArea A4: "0 0 595 842"
*PaperDimension A4: "595 842"
PPD

export CUPS_SERVER="$sock"
/usr/sbin/cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
echo $! >"$dir/cupsd.pid"
for _ in $(seq 200); do
    [ -S "$sock" ] && lpstat -r >/dev/null 2>&1 && break
    sleep 0.02
done
lpstat -r >/dev/null 2>&1 || { echo "cupsd did not start" >&2; cat "$dir/log/"* >&2 || true; exit 1; }

# One queue per case the tests need; each writes its jobs to its own file.
for fila in Z3_Recibos Z3_Outra Z3_Parada Z3_Recusa Z3_Removida; do
    lpadmin -p "$fila" -v "file://$dir/saida/$fila.pdf" -P "$dir/conf/pdf.ppd" -E
done
cupsdisable Z3_Parada
cupsreject Z3_Recusa
