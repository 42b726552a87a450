"""A local SMTP server for the demo: stores every message it receives as
mail/NNN.eml and prints its port on the first line of output."""

import pathlib
import socket
import sys
import time

from aiosmtpd.controller import Controller


class Store:
    def __init__(self, folder):
        self.folder = pathlib.Path(folder)
        self.folder.mkdir(parents=True, exist_ok=True)
        self.count = 0

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        (self.folder / f"{self.count:03}.eml").write_bytes(envelope.original_content)
        return "250 OK"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def main():
    folder, seconds = sys.argv[1], float(sys.argv[2])
    port = free_port()
    controller = Controller(Store(folder), hostname="127.0.0.1", port=port)
    controller.start()
    print(port, flush=True)
    time.sleep(seconds)  # the demo stops it earlier when it is done
    controller.stop()


if __name__ == "__main__":
    main()
