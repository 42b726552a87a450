#!/usr/bin/env bash
# Peak memory of sending ten 100 MB attachments to a local SMTP server:
# mail_probe (SendMail streaming the message) beside the curl command-line
# tool, once with a pre-built MIME file (--upload-file) and once with its own
# MIME composer (-F). The server (bench/mail_sink.py) discards what it reads.
#
# Usage: bench/mail_large_attachments.sh [COUNT] [SIZE_MB]
# MAIL_PROBE names the probe (default build-mail/tests/mail_probe).
# Needs about COUNT*SIZE_MB*2.4 MB in ${TMPDIR:-/tmp}; removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
COUNT=${1:-10}
SIZE_MB=${2:-100}
PROBE=${MAIL_PROBE:-build-mail/tests/mail_probe}
[ -x "$PROBE" ] || { echo "build mail_probe first ($PROBE)" >&2; exit 1; }

WORK=$(mktemp -d "${TMPDIR:-/tmp}/mailbench.XXXXXX")
SINK_PID=""
cleanup() {
  [ -n "$SINK_PID" ] && kill "$SINK_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

PORT=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
/usr/bin/python3 bench/mail_sink.py "$PORT" "$WORK/received.txt" >"$WORK/sink.log" 2>&1 &
SINK_PID=$!
for _ in $(seq 50); do grep -q ready "$WORK/sink.log" 2>/dev/null && break; sleep 0.2; done

echo "Generating $COUNT files of $SIZE_MB MB in $WORK"
head -c "${SIZE_MB}M" /dev/urandom >"$WORK/file1.bin"
files=("$WORK/file1.bin")
for i in $(seq 2 "$COUNT"); do
  cp "$WORK/file1.bin" "$WORK/file$i.bin"
  files+=("$WORK/file$i.bin")
done

# Runs a command under GNU time; prints "<peak RSS KiB> <seconds>".
measure() {
  /usr/bin/time -f "%M %e" -o "$WORK/time.txt" "$@" >"$WORK/out.txt" 2>&1 || {
    cat "$WORK/out.txt" >&2
    return 1
  }
  cat "$WORK/time.txt"
}

report() {
  awk -v name="$1" '{ printf "%-34s peak RSS %8.1f MB   %6.1f s\n", name, $1 / 1024, $2 }' <<<"$2"
}

probe_args=(--server="127.0.0.1:$PORT" --sender-address=nadawca@example.com
            --to=odbiorca@example.com --subject="Benchmark" --body="Pliki w załączeniu.")
for f in "${files[@]}"; do probe_args+=(--attach="$f"); done
report "mail_probe (SendMail)" "$(measure "$PROBE" "${probe_args[@]}")"

# The same kind of message, pre-built on disk, for curl --upload-file.
MIME="$WORK/message.eml"
{
  printf 'From: nadawca@example.com\r\nTo: odbiorca@example.com\r\nSubject: Benchmark\r\n'
  printf 'MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary="b"\r\n\r\n'
  printf -- '--b\r\nContent-Type: text/plain; charset=UTF-8\r\n\r\nPliki\r\n'
  for f in "${files[@]}"; do
    printf -- '\r\n--b\r\nContent-Type: application/octet-stream\r\n'
    printf 'Content-Transfer-Encoding: base64\r\nContent-Disposition: attachment; filename="%s"\r\n\r\n' \
      "$(basename "$f")"
    base64 -w 76 "$f" | sed 's/$/\r/'
  done
  printf -- '\r\n--b--\r\n'
} >"$MIME"
curl_args=(--silent --show-error "smtp://127.0.0.1:$PORT" --mail-from nadawca@example.com
           --mail-rcpt odbiorca@example.com)
report "curl --upload-file (pre-built)" "$(measure curl "${curl_args[@]}" --upload-file "$MIME")"
rm -f "$MIME"

form=(-F '=Pliki w załączeniu.;type=text/plain')
for f in "${files[@]}"; do form+=(-F "=@$f;encoder=base64"); done
report "curl -F (curl's MIME composer)" \
  "$(measure curl "${curl_args[@]}" -H "Subject: Benchmark" "${form[@]}")"

echo "Received by the server (bytes, recipients):"
cat "$WORK/received.txt"
