#!/usr/bin/env bash
# Installs what is missing, builds what the demo runs, and runs a real job
# against the host simulator and a local SMTP server, then shows what it did,
# what the configuration check says and the run wrapper's verdict.
# BUILD_DIR (default build, relative to the source tree or absolute) and
# TMPDIR are honoured; KEEP_DEMO=1 keeps the demo directory afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
case $BUILD_DIR in /*) ;; *) BUILD_DIR=$ROOT/$BUILD_DIR ;; esac
export BUILD_DIR
scripts/build.sh zephautomat merkan-sim zephautomat-run zephautomat-check
CHECK=$(find "$BUILD_DIR" -name zephautomat-check -type f -perm -u+x | head -1)

DEMO=$(mktemp -d "${TMPDIR:-/tmp}/zephautomat-demo.XXXXXX")
SMTP_PID=""
cleanup() {
  [ -z "$SMTP_PID" ] || kill "$SMTP_PID" 2>/dev/null || true
  if [ "${KEEP_DEMO:-0}" = 1 ]; then echo "== Kept: $DEMO"; else rm -rf "$DEMO"; fi
}
trap cleanup EXIT

cp "$BUILD_DIR/zephautomat" "$DEMO/"
SIM=$BUILD_DIR/libmerkan-sim.so
printf '[InprocServers]\nSetup=%s\nInvoices=%s\nEksportTessaro=%s\nZephProc=%s\n' \
  "$SIM" "$SIM" "$SIM" "$SIM" > "$DEMO/components.ini"
cp examples/host-sim.ini "$DEMO/host-sim.ini"

/usr/bin/python3 scripts/demo_smtp.py "$DEMO/mail" 300 > "$DEMO/smtp.port" &
SMTP_PID=$!
for _ in $(seq 50); do [ -s "$DEMO/smtp.port" ] && break; sleep 0.1; done
PORT=$(head -1 "$DEMO/smtp.port")

sed -e "s|@SMTP@|127.0.0.1:$PORT|" -e "s|@WORK@|$DEMO/work|" examples/demo-serwery.ini \
  | sed 's/$/\r/' | iconv -f UTF-8 -t CP1250 > "$DEMO/serwery.ini"
chmod 600 "$DEMO/serwery.ini"  # it holds passwords

to_utf8() { iconv -f CP1250 -t UTF-8; }
# Every switch the program knows (the first database enables every task).
SWITCHES=(/EK /RD /WDS /CSK /MHD /XML /ETDS /PH /BTKX /KTI /WZKX /GE /GIP /GIS /IEDP /IDEADP
          /FKIZ /MED /MEO /MET /MI /MECED /MECEO /MECET /MECI /ATS /IDDU /EFED /HRCK /HRCD /FWPS
          /IDDP /DDM /IDDPP /IDDINP /TPP /CED /CID /IDDG /RISM /IDDINPS /IPARPOCZ /GH)

echo "== Demo directory: $DEMO"
echo "== zephautomat '/?'"
"$DEMO/zephautomat" '/?' | to_utf8
echo
echo "== zephautomat-check (before the run)"
"$CHECK" "$DEMO" /EK /RD /GE || true
echo
echo "== zephautomat-run --record ... ${SWITCHES[*]}"
set +e
"$BUILD_DIR/zephautomat-run" --record "$DEMO/record.json" --metrics "$DEMO/zephautomat.prom" \
  "$DEMO" "${SWITCHES[@]}" > "$DEMO/console.txt" 2> "$DEMO/summary.txt"
VERDICT=$?
set -e
echo "== Console of the run (the wrapper passes it on in UTF-8)"
cat "$DEMO/console.txt"
echo
echo "== New blocks of Eksport_PelkTessaro_Auto.log"
to_utf8 < "$DEMO/Eksport_PelkTessaro_Auto.log" | tr -d '\r'
echo
echo "== Bookkeeping in serwery.ini afterwards"
to_utf8 < "$DEMO/serwery.ini" | tr -d '\r' | grep -E '^\[|OstatniEksport|ZamknietyMiesiac'
echo
echo "== Files written by the run"
{ find "$DEMO/work" "$DEMO/LOGI" -type f 2>/dev/null || true; } | sed "s|$DEMO/||" | sort
echo
echo "== Mail received by the local SMTP server"
for m in "$DEMO"/mail/*.eml; do
  [ -e "$m" ] || continue
  /usr/bin/python3 - "$m" <<'PY'
import email, email.policy, sys
msg = email.message_from_bytes(open(sys.argv[1], "rb").read(), policy=email.policy.default)
files = [p.get_filename() for p in msg.iter_attachments()]
print(f"{sys.argv[1].rsplit('/', 1)[1]}: {msg['Subject']}  attachments: {files}")
PY
done
echo
echo "== Host journal: $(wc -l < "$DEMO/host-sim.journal") calls (first 30 shown)"
head -30 "$DEMO/host-sim.journal"
echo
echo "== Metrics for monitoring (zephautomat.prom, without comments)"
grep -v '^#' "$DEMO/zephautomat.prom" | grep -v 'task_success'
echo
echo "== Verdict of zephautomat-run (what failed, and the exit code a scheduler sees)"
grep -v ': ok$' "$DEMO/summary.txt"
echo "exit code: $VERDICT"
