"""The systemd units: they load cleanly (`systemd-analyze verify`), the
service's exposure score stays low (`systemd-analyze security`), and the
system calls a real run makes pass the service's system call filter.

Everything runs offline against a private root, so it works without a
running systemd (in a container, in CI)."""

import os
import re
import shutil
import subprocess
from pathlib import Path

import pytest

import run_program
from conftest import END, START, entry
from smtp_server import mail_server  # noqa: F401 (fixture)

SOURCE = Path(os.environ.get("ZEPH_SOURCE_DIR", ""))
RUN = os.environ.get("ZEPH_RUN", "")
UNITS = SOURCE / "packaging" / "systemd"
SERVICE = "zephautomat@main.service"
MAX_EXPOSURE = 3.0

pytestmark = [
    pytest.mark.skipif(shutil.which("systemd-analyze") is None,
                       reason="needs systemd-analyze (package systemd)"),
    pytest.mark.posix_only("systemd units; the Task Scheduler on Windows"),
]


def analyze(*arguments):
    return subprocess.run(["systemd-analyze", *map(str, arguments)], capture_output=True,
                          timeout=120)


@pytest.fixture
def root(tmp_path):
    """A file system root with the system's targets, our units and the wrapper."""
    units = tmp_path / "lib" / "systemd" / "system"
    units.mkdir(parents=True)
    # Only the targets units depend on: other units may change meanwhile
    # (a package being upgraded), which the test must not depend on.
    for target in Path("/lib/systemd/system").glob("*.target"):
        if target.is_file() and not target.is_symlink():
            shutil.copy(target, units)
    for unit in UNITS.glob("zephautomat@.*"):
        if unit.suffix in (".service", ".timer"):
            shutil.copy(unit, units)
    (tmp_path / "usr" / "bin").mkdir(parents=True)
    shutil.copy(RUN, tmp_path / "usr" / "bin" / "zephautomat-run")
    return tmp_path


def test_units_load_without_a_complaint(root):
    done = analyze("verify", "--man=no", f"--root={root}", SERVICE, "zephautomat@main.timer")
    assert done.returncode == 0 and done.stderr == b"", done.stderr.decode()


def test_a_missing_wrapper_is_found_by_the_verification(root):
    # the verification is no formality: it looks at what ExecStart names
    (root / "usr" / "bin" / "zephautomat-run").unlink()
    done = analyze("verify", "--man=no", f"--root={root}", SERVICE)
    assert done.returncode != 0 and b"zephautomat-run" in done.stderr


def test_service_exposure_is_low(root):
    done = analyze("security", "--offline=yes", f"--root={root}", SERVICE)
    text = done.stdout.decode()
    found = re.search(r"Overall exposure level for " + re.escape(SERVICE) + r": (\d+\.\d+)", text)
    assert found, text + done.stderr.decode()
    assert float(found.group(1)) <= MAX_EXPOSURE, text


def filter_of_the_service():
    """The allowed system calls: the groups named in SystemCallFilter, the
    ones after '~' taken out again."""
    allowed, denied = set(), set()
    for line in (UNITS / "zephautomat@.service").read_text().splitlines():
        if not line.startswith("SystemCallFilter="):
            continue
        value = line.split("=", 1)[1]
        target = denied if value.startswith("~") else allowed
        for name in value.lstrip("~").split():
            target |= expand(name)
    return allowed - denied


def expand(name):
    if not name.startswith("@"):
        return {name}
    listing = analyze("syscall-filter", name).stdout.decode()
    calls = set()
    for line in listing.splitlines()[1:]:
        word = line.strip()
        if not word or word.startswith("#"):
            continue
        calls |= expand(word)
    return calls


@pytest.mark.skipif(shutil.which("strace") is None, reason="needs strace")
def test_a_run_makes_only_calls_the_filter_allows(app, tmp_path, mail_server):  # noqa: F811
    # host calls, files, the run lock, the log, and a mail through libcurl
    server = mail_server()
    app.write_config([("A", entry(WymianaDanychSpr=1, SynchronizacjaCSK=1, RaportDzienny=1))],
                     mail={"SerwerPocztowy": server.address})
    trace = tmp_path / "trace"
    # LeakSanitizer cannot work under ptrace: a sanitized build runs without it
    env = dict(os.environ, ASAN_OPTIONS=os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0")
    done = run_program.run(["strace", "-f", "-qq", "-c", "-U", "name", "-o", trace,
                            RUN, app.dir, "/WDS", "/CSK", "/RD"], env=env)
    assert done.returncode == 0, done.stderr.decode()
    assert done.stdout == START + b"OK\nOK\nOK\n" + END
    assert len(server.deliveries) == 1
    made = {line.split()[0] for line in trace.read_text().splitlines()[2:]
            if line.strip() and not line.startswith(("-", "total", "syscall"))}
    assert {"openat", "flock", "connect"} <= made
    assert made - filter_of_the_service() == set()
