"""The run log under faults: a full disk, another holder, an unwritable
directory, a torn last line, a dangling symlink. A block reaches the log whole
or not at all, and every failure is told on standard error."""

import contextlib
import fcntl
import os
import resource
import shutil
import signal
import tempfile
import threading
import time

import pytest

import run_program
from conftest import END, SIM, START, App, cp, entry, full_disk_cases, host_path, mask, small_disk

LOG = "Eksport_PelkTessaro_Auto.log"
HEADER = "Wymiana danych sprzedażowych: "
SUMMARY = " " * 21 + "Wymieniono dane: tak"
OLD = cp("2024.01.02 03:04:05  [SRV].[DB] " + HEADER + "\r\n" + SUMMARY + "\r\n")


def block(server="SRV", base="DB"):
    """The masked log block of one /WDS task."""
    return b"TS  " + cp(f"[{server}].[{base}] " + HEADER) + b"\r\n" + cp(SUMMARY) + b"\r\n"


def two_entries(app):
    app.write_config([("A", entry("SA", WymianaDanychSpr=1)),
                      ("B", entry("SB", WymianaDanychSpr=1))])


BOTH_BLOCKS = block("SA") + block("SB")


def run(app, *args, preexec_fn=None):
    return run_program.run(app.command(*args), cwd=app.dir, preexec_fn=preexec_fn)


def diagnostics(proc):
    return proc.stderr.decode("utf-8")


# --- a block is appended whole or not at all --------------------------------

ROOM = 20  # bytes the disk takes before it is full: a part of the first block only


@contextlib.contextmanager
def file_size_limit(tmp_path):
    app = App(tmp_path)
    two_entries(app)
    # The limit holds for every file of the run, the console's file among
    # them: older lines make the log the largest, so that only it meets the
    # limit.
    old = cp("x" * 4094 + "\r\n") + OLD
    (app.dir / LOG).write_bytes(old)

    def small_files():
        # EFBIG instead of a killing signal once the limit is reached.
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        limit = len(old) + ROOM
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    yield app, small_files


@contextlib.contextmanager
def full_file_system(tmp_path):
    # The log ends ROOM bytes before the end of its last block.
    with small_disk(tmp_path) as disk:
        app = App(disk.path)
        two_entries(app)
        filler = -(len(OLD) + ROOM + 2) % disk.block() + 2
        (app.dir / LOG).write_bytes(cp("x" * (filler - 2) + "\r\n") + OLD)
        disk.fill()
        yield app, None


@pytest.mark.parametrize("full_disk, reason", full_disk_cases(file_size_limit, full_file_system))
def test_short_write_leaves_the_log_as_it_was(tmp_path, full_disk, reason):
    with full_disk(tmp_path) as (app, preexec_fn):
        before = app.log()
        proc = run(app, "/WDS", preexec_fn=preexec_fn)
        assert proc.returncode == 0
        assert proc.stdout.startswith(START) and proc.stdout.endswith(END)
        assert app.log() == before
        path = host_path(app.dir / LOG)
        assert f"zephautomat: cannot append to {path}: {reason}" in diagnostics(proc)
        assert "partly written" not in diagnostics(proc)


@pytest.mark.parametrize("tail, repaired", [
    (b"Wymieniono dane: t", b"Wymieniono dane: t\r\n"),
    (b"Wymieniono dane: tak\r", b"Wymieniono dane: tak\r\n"),
], ids=["cut-mid-line", "cut-between-cr-and-lf"])
def test_torn_last_line_is_ended_before_the_next_block(app, tail, repaired):
    two_entries(app)
    (app.dir / LOG).write_bytes(OLD + tail)
    proc = run(app, "/WDS")
    assert mask(app.log()) == mask(OLD) + repaired + BOTH_BLOCKS
    assert f"the last line of {host_path(app.dir / LOG)} was incomplete" in diagnostics(proc)


def test_log_that_ends_whole_gets_nothing_added(app):
    two_entries(app)
    (app.dir / LOG).write_bytes(OLD)
    proc = run(app, "/WDS")
    assert mask(app.log()) == mask(OLD) + BOTH_BLOCKS
    assert proc.stderr == b""


# --- another process holds the log ------------------------------------------

def hold_log(path, seconds):
    """Holds an exclusive lock on `path` for `seconds` in a thread; returns
    once the lock is held."""
    held = threading.Event()

    def hold():
        with open(path, "ab") as f:
            fcntl.flock(f, fcntl.LOCK_EX)
            held.set()
            time.sleep(seconds)
            fcntl.flock(f, fcntl.LOCK_UN)

    thread = threading.Thread(target=hold)
    thread.start()
    held.wait()
    return thread


def test_log_held_briefly_is_waited_for(app):
    two_entries(app)
    holder = hold_log(app.dir / LOG, 1.0)
    proc = run(app, "/WDS")
    holder.join()
    assert mask(app.log()) == BOTH_BLOCKS
    assert proc.stderr == b""


@pytest.mark.posix_only("flock() by another process, which LockFileEx does not see")
def test_log_held_too_long_ends_the_run_with_a_trace(app):
    two_entries(app)
    path = app.dir / LOG
    with open(path, "ab") as held:
        fcntl.flock(held, fcntl.LOCK_EX)
        running = run_program.start(app.command("/WDS"), cwd=app.dir)
        # The first task gives up on the log; then the holder lets go, so the
        # line that ends the run (the second task never runs) reaches the log.
        first = running.read_until(b"\n", "stderr").decode("utf-8")
        fcntl.flock(held, fcntl.LOCK_UN)
        proc = running.wait(60)
    assert first == f"zephautomat: cannot lock {path}: Resource temporarily unavailable\n"
    reason = f'Cannot open file "{path}". Resource temporarily unavailable'
    # The first block was kept back, not lost: it goes in with that line.
    assert mask(app.log()) == block("SA") + b"TS  " + reason.encode() + b"\r\n"
    assert proc.returncode == 0 and proc.stderr == first.encode()


# --- where the log cannot be written ----------------------------------------

def test_log_that_is_a_directory_is_reported(app):
    two_entries(app)
    (app.dir / LOG).mkdir()
    proc = run(app, "/WDS")
    assert proc.returncode == 0 and proc.stdout.endswith(END)
    assert f"zephautomat: cannot open {host_path(app.dir / LOG)}: Is a directory" in diagnostics(proc)


@pytest.fixture
def unwritable_app(app):
    """The app in a directory its user may read but not write (a root-owned
    install run by an unprivileged user, when the tests run as root)."""
    if os.geteuid() != 0:
        app.dir.chmod(0o555)
        yield app, None
        app.dir.chmod(0o755)
        return
    # The user `nobody` must reach the binary and the simulator.
    root = tempfile.mkdtemp(prefix="zeph-ro-")
    os.chmod(root, 0o755)
    target = os.path.join(root, "app")
    shutil.copytree(app.dir, target)
    shutil.copy2(SIM, os.path.join(root, "libmerkan-sim.so"))
    app.dir = type(app.dir)(target)
    app.exe = app.dir / "zephautomat"
    app.write_components(Setup=os.path.join(root, "libmerkan-sim.so"))
    os.chmod(target, 0o755)

    def as_nobody():
        os.setgid(65534)
        os.setuid(65534)

    yield app, as_nobody
    shutil.rmtree(root)


@pytest.mark.posix_only("a run as the user nobody")
def test_unwritable_directory_is_reported(unwritable_app):
    app, preexec = unwritable_app
    app.write_config([("A", entry("SA", WymianaDanychSpr=1,
                                  KatalogRoboczy=tempfile.gettempdir()))])
    proc = run(app, "/WDS", preexec_fn=preexec)
    assert proc.returncode == 0 and proc.stdout.startswith(START)
    assert app.log() is None
    assert (f"zephautomat: cannot create {app.dir / LOG}: Permission denied"
            in diagnostics(proc))


# --- a log that is a symlink ------------------------------------------------

def test_dangling_symlink_log_is_created_and_every_task_logged(app):
    two_entries(app)
    (app.dir / "logs").mkdir()
    (app.dir / LOG).symlink_to(app.dir / "logs" / "run.log")
    proc = run(app, "/WDS")
    assert (app.dir / LOG).is_symlink()
    assert mask((app.dir / "logs" / "run.log").read_bytes()) == BOTH_BLOCKS
    assert proc.stderr == b""

