#!/usr/bin/env python3
"""Installations for timing the run log's appends: N entries that enable
/WDS, one host login and one log block each, so that `zephautomat /WDS`
appends N blocks to the log, each flushed to the disk before the next one.
Time a run from outside, whole process, against the same installation with
another build of the program (docs/performance.md has the figures).

Usage: bench/log_blocks.py DIR N [PROGRAM ...]   (default: build/zephautomat)
Makes DIR/1, DIR/2, ... one per program (with the simulator of ZEPH_SIM,
default build/), and prints the command that runs each."""

import os
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SIM = os.environ.get("ZEPH_SIM", os.path.join(ROOT, "build", "libmerkan-sim.so"))


def installation(directory, count, program):
    os.makedirs(directory)
    shutil.copy2(program, os.path.join(directory, "zephautomat"))
    with open(os.path.join(directory, "components.ini"), "w") as f:
        f.write("[InprocServers]\n" + "".join(f"{c}={SIM}\n" for c in
                                              ("Setup", "Invoices", "EksportTessaro", "ZephProc")))
    lines = ["[Konfiguracja]", "SerwerPocztowy=127.0.0.1:1",
             "AdresPocztowyOdbiorcy=o@example.com", "AdresPocztowyNadawcy=n@example.com"]
    for i in range(count):
        lines += [f"[S{i:05}]", "Serwer=SRV", f"Baza=DB{i:05}", "Uzytkownik=Jan", "Haslo=x",
                  "WymianaDanychSpr=1", f"KatalogRoboczy={directory}/work"]
    with open(os.path.join(directory, "serwery.ini"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1250"))
    # Normalised once, so that the timed runs' load has nothing to write.
    subprocess.run(["./zephautomat", "/X"], cwd=directory, check=True, stdout=subprocess.DEVNULL)


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    base, count = sys.argv[1], int(sys.argv[2])
    programs = sys.argv[3:] or [os.path.join(ROOT, "build", "zephautomat")]
    for number, program in enumerate(programs, 1):
        directory = os.path.abspath(os.path.join(base, str(number)))
        installation(directory, count, program)
        print(f"{program}: {directory}/zephautomat /WDS")


if __name__ == "__main__":
    main()
