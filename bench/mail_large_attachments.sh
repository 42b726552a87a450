#!/usr/bin/env bash
# CPU time (user+sys) and peak memory of sending ten 100 MB attachments to a
# local SMTP server: mail_probe (SendMail streaming the message) beside the
# curl command-line tool sending the same kind of message pre-built on disk
# (--upload-file), alternated TRIALS times (medians reported, with the CPU
# ratio), then the same over STARTTLS (the server's certificate checked
# against a CA file by both), and once curl's own MIME composer (-F). The
# server (bench/mail_sink.py) discards what it reads; its CPU is not counted.
#
# Usage: bench/mail_large_attachments.sh [COUNT] [SIZE_MB]
# MAIL_PROBE names the probe (default build-mail/tests/mail_probe); TRIALS
# the number of alternated runs (default 3).
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

# A self-signed certificate for 127.0.0.1, its own CA.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj /CN=127.0.0.1 \
  -addext subjectAltName=IP:127.0.0.1 -days 1 -keyout "$WORK/key.pem" -out "$WORK/cert.pem" \
  2>/dev/null
PORT=$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
/usr/bin/python3 bench/mail_sink.py "$PORT" "$WORK/received.txt" "$WORK/cert.pem" "$WORK/key.pem" \
  >"$WORK/sink.log" 2>&1 &
SINK_PID=$!
for _ in $(seq 50); do grep -q ready "$WORK/sink.log" 2>/dev/null && break; sleep 0.2; done

echo "Generating $COUNT files of $SIZE_MB MB in $WORK"
head -c "${SIZE_MB}M" /dev/urandom >"$WORK/file1.bin"
files=("$WORK/file1.bin")
for i in $(seq 2 "$COUNT"); do
  cp "$WORK/file1.bin" "$WORK/file$i.bin"
  files+=("$WORK/file$i.bin")
done

# Runs a command under GNU time; prints "<peak RSS KiB> <seconds> <CPU seconds>".
measure() {
  /usr/bin/time -f "%M %e %U %S" -o "$WORK/time.txt" "$@" >"$WORK/out.txt" 2>&1 || {
    cat "$WORK/out.txt" >&2
    return 1
  }
  awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }' "$WORK/time.txt"
}

report() {
  awk -v name="$1" '{ printf "%-34s CPU %6.2f s   peak RSS %8.1f MB   %6.1f s\n", name, $3, $1 / 1024, $2 }' <<<"$2"
}

# Median of the lines on standard input, by the field numbered $1.
median() {
  sort -g -k "$1" | awk '{ line[NR] = $0 } END { print line[int((NR + 1) / 2)] }'
}

probe_args=(--server="127.0.0.1:$PORT" --sender-address=nadawca@example.com
            --to=odbiorca@example.com --subject="Benchmark" --body="Pliki w załączeniu.")
for f in "${files[@]}"; do probe_args+=(--attach="$f"); done
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
TRIALS=${TRIALS:-3}

# Alternates the probe and curl TRIALS times; $1 names the run, the probe's
# and curl's extra arguments follow, separated by "--".
compare() {
  local name=$1 extra_probe=() extra_curl=()
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do extra_probe+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  extra_curl=("$@")
  echo "== $name"
  : >"$WORK/probe.txt"
  : >"$WORK/curl.txt"
  for trial in $(seq "$TRIALS"); do
    measure "$PROBE" "${probe_args[@]}" "${extra_probe[@]}" >>"$WORK/probe.txt"
    measure curl "${curl_args[@]}" "${extra_curl[@]}" --upload-file "$MIME" >>"$WORK/curl.txt"
    echo "trial $trial: mail_probe $(tail -1 "$WORK/probe.txt" | cut -d' ' -f3) s CPU," \
      "curl $(tail -1 "$WORK/curl.txt" | cut -d' ' -f3) s CPU"
  done
  local probe upload
  probe=$(median 3 <"$WORK/probe.txt")
  upload=$(median 3 <"$WORK/curl.txt")
  report "mail_probe (SendMail)" "$probe"
  report "curl --upload-file (pre-built)" "$upload"
  awk -v p="$(cut -d' ' -f3 <<<"$probe")" -v c="$(cut -d' ' -f3 <<<"$upload")" \
    'BEGIN { printf "CPU ratio mail_probe / curl --upload-file: %.2f (medians of %d runs)\n", p / c, '"$TRIALS"' }'
}

# The server offers STARTTLS: the plain run says no to it on both sides.
compare "plain" --encryption=brak --
compare "STARTTLS, certificate verified" --encryption=starttls --ca-file="$WORK/cert.pem" -- \
  --ssl-reqd --cacert "$WORK/cert.pem"
rm -f "$MIME"

form=(-F '=Pliki w załączeniu.;type=text/plain')
for f in "${files[@]}"; do form+=(-F "=@$f;encoder=base64"); done
report "curl -F (curl's MIME composer)" \
  "$(measure curl "${curl_args[@]}" -H "Subject: Benchmark" "${form[@]}")"

echo "Received by the server (bytes, recipients):"
cat "$WORK/received.txt"
