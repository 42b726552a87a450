#!/usr/bin/env python3
"""Cost of the bookkeeping write-back: /MHD over N entries against the host
simulator, per entry, beside writing the same serwery.ini once: a copy of
the file (read, write to a new file, fsync, close), done in this process so
that no process start-up flatters the ratio.

Usage: bench/write_back.py [N ...]      (default: 100 1000 3000)
ZEPH_BIN and ZEPH_SIM name the program and libmerkan-sim.so (default: build/).
Prints, per N: the file size, /MHD CPU (user+sys) and wall time per entry
(median of TRIALS runs, default 3, each over the same file), cp+fsync CPU
and wall time (median of three copies before each run), and the two
ratios. Every /MHD entry rewrites the whole file, so a run writes N times
its size: at 3000 entries about 13 GB; TMPDIR must be on a real disk with a
few GB free."""

import os
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BIN = os.environ.get("ZEPH_BIN", os.path.join(ROOT, "build", "zephautomat"))
SIM = os.environ.get("ZEPH_SIM", os.path.join(ROOT, "build", "libmerkan-sim.so"))
TRIALS = int(os.environ.get("TRIALS", "3"))


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def timed(command, cwd):
    """CPU (user+sys of the children) and wall seconds of one command."""
    cpu, wall = children_cpu(), time.monotonic()
    subprocess.run(command, cwd=cwd, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return children_cpu() - cpu, time.monotonic() - wall


def copy_once(source, target):
    """CPU (user+sys of this process) and wall seconds of cp + fsync: like
    cp, it writes a new file."""
    if os.path.exists(target):
        os.unlink(target)
    before, wall = resource.getrusage(resource.RUSAGE_SELF), time.monotonic()
    with open(source, "rb") as f:
        data = f.read()
    fd = os.open(target, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600)
    try:
        view = memoryview(data)
        while view:
            view = view[os.write(fd, view):]
        os.fsync(fd)
    finally:
        os.close(fd)
    after = resource.getrusage(resource.RUSAGE_SELF)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return cpu, time.monotonic() - wall


def installation(directory, count):
    os.makedirs(directory)
    shutil.copy2(BIN, os.path.join(directory, "zephautomat"))
    with open(os.path.join(directory, "components.ini"), "w") as f:
        f.write("[InprocServers]\n" + "".join(f"{c}={SIM}\n" for c in
                                              ("Setup", "Invoices", "EksportTessaro", "ZephProc")))
    with open(os.path.join(directory, "host-sim.ini"), "w") as f:
        f.write("[Host]\nEksportTessaro.ExportToAmbro.EndDate = 2024.06.06\n")
    lines = ["[Konfiguracja]", "SerwerPocztowy=127.0.0.1:1",
             "AdresPocztowyOdbiorcy=o@example.com", "AdresPocztowyNadawcy=n@example.com"]
    for i in range(count):
        lines += [f"[S{i:05}]", "Serwer=SRV", f"Baza=DB{i:05}", "Uzytkownik=Jan",
                  "Haslo=x", "EksportDoMHD=1", "OstatniEksportMHD=2024.01.01",
                  f"KatalogRoboczy={directory}/work"]
    with open(os.path.join(directory, "serwery.ini"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp1250"))
    # Normalised once, so the measured run's load has nothing to write.
    subprocess.run(["./zephautomat", "/X"], cwd=directory, check=True, stdout=subprocess.DEVNULL)


def main():
    counts = [int(a) for a in sys.argv[1:]] or [100, 1000, 3000]
    print(f"{'N':>6} {'file KiB':>9} {'MHD cpu/entry ms':>17} {'MHD wall/entry ms':>18} "
          f"{'cp+fsync cpu ms':>16} {'cp+fsync wall ms':>17} {'cpu ratio':>10} {'wall ratio':>11}")
    for count in counts:
        with tempfile.TemporaryDirectory(prefix="writeback-bench.") as work:
            app = os.path.join(work, "app")
            installation(app, count)
            ini = os.path.join(app, "serwery.ini")
            size = os.path.getsize(ini)
            with open(ini, "rb") as f:
                before = f.read()
            copies, runs = [], []
            for trial in range(TRIALS):
                # Side by side: copies of the file, then a run over it as it was.
                for i in range(3):
                    copies.append(copy_once(ini, os.path.join(work, f"copy{i}.ini")))
                with open(ini, "wb") as f:
                    f.write(before)
                runs.append(timed(["./zephautomat", "/MHD"], app))
                with open(ini, "rb") as f:
                    assert f.read().count(b"OstatniEksportMHD=2024.06.06") == count
            cp_cpu = statistics.median(c for c, _ in copies)
            cp_wall = statistics.median(w for _, w in copies)
            cpu = statistics.median(c for c, _ in runs) / count
            wall = statistics.median(w for _, w in runs) / count
            print(f"{count:>6} {size // 1024:>9} {cpu * 1e3:>17.3f} {wall * 1e3:>18.3f} "
                  f"{cp_cpu * 1e3:>16.3f} {cp_wall * 1e3:>17.3f} {cpu / cp_cpu:>10.2f} "
                  f"{wall / cp_wall:>11.2f}", flush=True)


if __name__ == "__main__":
    main()
