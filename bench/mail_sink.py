"""A local SMTP server (aiosmtpd) that takes messages of any size and keeps
nothing but their sizes: DATA is read in large pieces and discarded, so the
server's memory does not distort a benchmark of the sender.

Usage: mail_sink.py PORT REPORT_FILE [CERT KEY]  (one line "<bytes> <rcpt>"
per message). With a certificate and its key the server offers STARTTLS
(not required: a plain session still works)."""

import ssl
import sys
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP


class DiscardingSMTP(SMTP):
    report = None

    async def smtp_DATA(self, arg):
        if not self.envelope.rcpt_tos:
            await self.push("503 Error: need RCPT command")
            return
        await self.push("354 End data with <CR><LF>.<CR><LF>")
        # Read in large pieces: a line-by-line loop in Python would be the
        # slowest party of the benchmark.
        size = 0
        tail = b"\r\n"  # the data starts at the beginning of a line
        while self.transport is not None:
            piece = await self._reader.read(1 << 20)
            if not piece:
                return
            window = tail + piece
            end = window.find(b"\r\n.\r\n")
            if end >= 0:
                size += end + 2 - len(tail)
                break
            size += len(piece)
            tail = window[-4:]
        with open(self.report, "a") as out:
            out.write(f"{size} {','.join(self.envelope.rcpt_tos)}\n")
        await self.push("250 OK discarded")
        self._set_post_data_state()


class Sink(Controller):
    def factory(self):
        return DiscardingSMTP(self.handler, **self.SMTP_kwargs)


def main():
    port, report = int(sys.argv[1]), sys.argv[2]
    DiscardingSMTP.report = report
    tls = {}
    if len(sys.argv) > 4:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[3], sys.argv[4])
        tls = {"tls_context": context}
    controller = Sink(object(), hostname="127.0.0.1", port=port, data_size_limit=None, **tls)
    controller.start()
    print("ready", flush=True)
    try:
        for _ in range(24 * 3600):  # bounded: the script stops it long before
            time.sleep(1)
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
