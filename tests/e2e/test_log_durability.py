"""The run log is flushed to the disk (fsync) after every block it is
appended, so that after a power cut no bookkeeping in serwery.ini is ahead
of the log lines that report it and no block is on the disk while an
earlier one is not (which leaves zeros in the middle of the log); the name
of a log the run creates is made durable with its directory. Seen from the
outside by tracing the program's system calls."""

import os
import re
import shutil

import pytest

import run_program
from conftest import entry

pytestmark = [
    pytest.mark.skipif(shutil.which("strace") is None, reason="needs strace"),
    pytest.mark.posix_only("strace follows the program's own system calls; under Wine the "
                           "renames are made by the wineserver, out of the trace"),
]

LOG = "Eksport_PelkTessaro_Auto.log"
SIM = ("[Host]\nSetup.GetLoginValue.ROK = 2024\nSetup.GetLoginValue.MIESIAC = 3\n"
       "EksportTessaro.ExportToTessaro.Files =\n"
       "EksportTessaro.ExportToTessaro.EndDate = 2024.03.20\n"
       "EksportTessaro.ExportToAmbro.EndDate = 2024.03.21\n")


def traced_events(app, *switches):
    """The run's log writes, log flushes, flushes of the installation's
    directory and renames over serwery.ini, in order."""
    trace = app.dir.parent / "trace"
    # LeakSanitizer cannot work under ptrace: a sanitized build runs without it
    env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
    done = run_program.run(["strace", "-f", "-qq", "-y", "-s", "300", "-o", trace,
                            "-e", "trace=write,writev,fsync,fdatasync,rename,renameat,renameat2",
                            app.exe, *switches], cwd=app.dir, env=env)
    assert done.returncode == 0, done.stderr
    events = []
    for line in trace.read_text(errors="replace").splitlines():
        call = re.match(r"^\d+\s+(\w+)\((.*)$", line)
        if not call:
            continue
        name, rest = call.groups()
        if name.startswith("write") and f"{LOG}>" in rest.split(",")[0]:
            events.append(("log write", rest))
        elif name in ("fsync", "fdatasync") and f"{LOG}>" in rest:
            events.append(("log flush", rest))
        elif name in ("fsync", "fdatasync") and re.match(rf"\d+<{re.escape(str(app.dir))}>", rest):
            events.append(("directory flush", rest))
        elif name.startswith("rename") and re.search(r'"[^"]*/serwery\.ini"', rest.split(",", 1)[1]):
            events.append(("ini save", rest))
    return events


def test_every_save_and_the_end_find_the_log_on_disk(app):
    app.write_config([("S1", entry(EksportDoMHD=1, OstatniEksportMHD="2024.03.01")),
                      ("S2", entry(EksportDoMHD=1, EksportDoPelkTessaro=1,
                                   OstatniEksport="2024.03.01", ZamknietyMiesiac="2024.03")),
                      ("S3", entry(WymianaDanychSpr=1))])
    app.write_sim(SIM)
    app.run("/X")  # normalised once: the traced run saves only bookkeeping

    events = traced_events(app, "/EK", "/MHD", "/WDS")

    kinds = [kind for kind, _ in events]
    assert kinds.count("ini save") == 3, events  # /MHD twice, /EK once
    unflushed = False
    for kind, detail in events:
        if kind == "log write":
            unflushed = True
        elif kind == "log flush":
            unflushed = False
        else:
            assert not unflushed, ("bookkeeping saved before the log reached the disk", events)
    # the block of /WDS, after the last save, is flushed at the end of the run
    assert kinds[-2:] == ["log write", "log flush"], events
    # the lines that report an export are written before the save of its date
    first_save = kinds.index("ini save")
    assert any(kind == "log write" and "Eksport do" in detail
               for kind, detail in events[:first_save])


def test_a_run_that_writes_no_log_flushes_nothing(app):
    # /MHD enabled nowhere: no task, no block, nothing to flush
    app.write_config([("S1", entry(EksportDoMHD=0))])
    app.run("/X")

    events = traced_events(app, "/MHD")

    assert events == []


def test_each_block_is_on_disk_before_the_next_and_a_new_log_with_its_name(app):
    app.write_config([("A", entry("SA", WymianaDanychSpr=1)),
                      ("B", entry("SB", WymianaDanychSpr=1))])
    app.run("/X")  # normalised; no log yet

    events = traced_events(app, "/WDS")
    again = traced_events(app, "/WDS")

    # the run that creates the log makes its name durable once
    assert [kind for kind, _ in events] == [
        "log write", "log flush", "directory flush", "log write", "log flush"], events
    assert [kind for kind, _ in again] == ["log write", "log flush"] * 2, again
