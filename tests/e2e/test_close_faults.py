"""A close() that fails is a failed write: file systems such as NFS, or a
disk that filled up, report a write they could not complete only there. For
every file a run writes (the log, the rewrite of serwery.ini, the daily
report, the run record) the failure is told on standard error with the path
and the system's reason. The fault comes from a small preloaded library
(tests/tools/fail_close.c) that fails close() of the one file named."""

import errno
import os
import shutil
import subprocess

import pytest

from conftest import entry

pytestmark = [
    pytest.mark.posix_only("the fault is injected by a preloaded library"),
    pytest.mark.skipif(shutil.which("cc") is None, reason="needs a C compiler for the fault"),
]

SOURCE = os.environ.get("ZEPH_SOURCE_DIR", "")


@pytest.fixture(scope="module")
def fail_close(tmp_path_factory):
    library = tmp_path_factory.mktemp("fault") / "fail_close.so"
    done = subprocess.run(["cc", "-shared", "-fPIC", "-o", str(library),
                           os.path.join(SOURCE, "tests", "tools", "fail_close.c"), "-ldl"],
                          capture_output=True, timeout=120)
    assert done.returncode == 0, done.stderr.decode()
    return library


# (switch, entry keys, the part of the path whose close fails, the told path
# relative to the installation, what is told)
CASES = [
    ("/WDS", {"WymianaDanychSpr": 1}, "Eksport_PelkTessaro_Auto.log",
     "Eksport_PelkTessaro_Auto.log", "cannot close"),
    # the temporary file the new serwery.ini is written to, before its rename
    ("/MHD", {"EksportDoMHD": 1, "OstatniEksportMHD": "2024.03.01"}, "/.serwery.ini.",
     "serwery.ini", "cannot write"),
    ("/RD", {"RaportDzienny": 1}, "RaportDzienny.txt", "work/S1/RaportDzienny.txt",
     "cannot write"),
    ("/WDS", {"WymianaDanychSpr": 1}, "/.record.json.", "../record.json",
     "cannot write the run record"),
]


@pytest.mark.parametrize("switch, keys, part, told, what", CASES,
                         ids=["log", "serwery.ini", "report", "record"])
@pytest.mark.parametrize("error", [errno.EIO, errno.ENOSPC], ids=["EIO", "ENOSPC"])
def test_failed_close_is_told_with_path_and_reason(app, fail_close, switch, keys, part, told,
                                                   what, error):
    app.write_config([("S1", entry(**keys))])
    app.write_sim("[Host]\nEksportTessaro.ExportToAmbro.EndDate = 2024.03.21\n")
    app.run("/X")  # normalised: the run below rewrites serwery.ini only for its bookkeeping
    record = app.dir.parent / "record.json"
    # LeakSanitizer and the address sanitizer's check of the library order
    # stand aside for the preloaded library
    sanitizer = os.environ.get("ASAN_OPTIONS", "") + ":verify_asan_link_order=0"

    notes = app.dir.parent / "failed-closes"
    result = app.run(switch, env={"LD_PRELOAD": str(fail_close), "FAIL_CLOSE_OF": part,
                                  "FAIL_CLOSE_ERRNO": str(error), "FAIL_CLOSE_NOTES": str(notes),
                                  "ZEPHAUTOMAT_RUN_RECORD": str(record),
                                  "ASAN_OPTIONS": sanitizer})

    path = os.path.normpath(app.dir / told)
    expected = f"zephautomat: {what} {path}: {os.strerror(error)}"
    told_lines = result.stderr.decode("utf-8").splitlines()
    # every failed close is told, not only the first (the log is closed
    # once per block and was once flushed through a close of its own)
    failures = notes.read_text().splitlines()
    assert failures and told_lines.count(expected) == len(failures), (told_lines, failures)
