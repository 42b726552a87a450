"""serwery.ini written back during a run: only what the run changed, into the
file as it is on disk; rewrites that expose no password and keep the file's
ACL, links and mode; runs that overlap or die mid-rewrite lose nothing."""

import contextlib
import fcntl
import os
import random
import resource
import socket
import stat
import subprocess
import threading
import time

import pytest

import run_program
from conftest import (END, START, WINDOWS, App, cp, entry, full_disk_cases, host_path, mask,
                      small_disk)

DATES = ("[Host]\nEksportTessaro.ExportToTessaro.EndDate = 2024.05.05\n"
         "EksportTessaro.ExportToAmbro.EndDate = 2024.06.06\n")
LOCK_WAIT = "ZEPHAUTOMAT_RUN_LOCK_WAIT"
# What no one but the owner may have of a temporary file: on POSIX systems
# its mode shows it; on Windows its access list does, which Wine keeps
# apart from the mode it shows Linux (None: not seen from here).
OTHERS_MODE_BITS = {False: 0o077, True: None}[WINDOWS]


class SlowRefuser:
    """An SMTP server that answers every connection only after `delay`
    seconds, and then with a refusal: each mail costs that long."""

    def __init__(self, delay):
        self.listener = socket.socket()
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        self.listener.settimeout(0.2)
        self.delay = delay
        self.connected = threading.Event()
        self.stop = threading.Event()
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    @property
    def address(self):
        return f"127.0.0.1:{self.listener.getsockname()[1]}"

    def _serve(self):
        while not self.stop.is_set():
            try:
                conn, _ = self.listener.accept()
            except OSError:
                continue
            self.connected.set()
            threading.Thread(target=self._refuse, args=(conn,), daemon=True).start()

    def _refuse(self, conn):
        self.stop.wait(self.delay)
        try:
            conn.sendall(b"554 5.3.2 busy\r\n")
        except OSError:
            pass
        conn.close()

    def close(self):
        self.stop.set()
        self.thread.join(timeout=5)
        self.listener.close()


@pytest.fixture
def slow_refuser():
    servers = []

    def start(delay):
        servers.append(SlowRefuser(delay))
        return servers[-1]
    yield start
    for server in servers:
        server.close()


def start(app, *args, env=None):
    full_env = dict(os.environ)
    full_env.update(env or {})
    return run_program.start(app.command(*args), cwd=app.dir, env=full_env)


def section_value(ini, section, key):
    """The value of `key` in `section` of serwery.ini bytes, or None."""
    current = None
    for line in ini.split(b"\r\n"):
        if line.startswith(b"["):
            current = line[1:-1].decode("cp1250")
        elif current == section and line.startswith(key.encode() + b"="):
            return line.split(b"=", 1)[1].decode("cp1250")
    return None


def two_entries(app, mail_address):
    keys = dict(EksportDoPelkTessaro=1, EksportDoMHD=1, OstatniEksport="2024.01.01",
                OstatniEksportMHD="2024.01.01")
    app.write_config([("A", entry(base="A", **keys)), ("B", entry(base="B", **keys))],
                     mail={"SerwerPocztowy": mail_address})
    app.write_sim(DATES)


def test_overlapping_runs_keep_both_dates(app, slow_refuser):
    # /EK saves A, then spends 2 s on A's mail; /MHD starts meanwhile. Before,
    # /EK then wrote B's old OstatniEksportMHD back over the one /MHD stored.
    server = slow_refuser(2)
    two_entries(app, server.address)
    ek = start(app, "/EK")
    assert server.connected.wait(60), "the /EK run never reached its first mail"
    mhd = app.run("/MHD")
    ek = ek.wait(120)

    assert ek.returncode == 0 and mhd.returncode == 0
    assert mhd.body == (b"[SRV].[A] Eksport do MHD: dane biezace... OK\n"
                        b"[SRV].[B] Eksport do MHD: dane biezace... OK\n")
    ini = app.ini()
    for section in ("A", "B"):
        assert section_value(ini, section, "OstatniEksport") == "2024.05.05", section
        assert section_value(ini, section, "OstatniEksportMHD") == "2024.06.06", section
    # The second run waited for the whole first one.
    log = app.log().decode("cp1250")
    assert log.rindex("Eksport do programu Tessaro") < log.index("Eksport do MHD")


@pytest.mark.parametrize("how", ["in-place", "rename"])
def test_edit_during_a_run_survives_its_write_back(app, slow_refuser, how):
    server = slow_refuser(2)
    two_entries(app, server.address)
    ek = start(app, "/EK")
    assert server.connected.wait(60)
    # While /EK mails A's files: a key added by hand to B, the recipients
    # changed, and B's /MHD date set by hand.
    edited = app.ini().replace(b"[B]\r\n", b"[B]\r\nUwaga=recznie\r\n")
    edited = edited.replace(b"odbiorca@example.com", b"inny@example.com")
    work_b = host_path(app.dir / "work" / "B").encode()
    edited = edited.replace(b"OstatniEksportMHD=2024.01.01\r\nKatalogRoboczy=" + work_b,
                            b"OstatniEksportMHD=2024.02.02\r\nKatalogRoboczy=" + work_b)
    assert edited.count(b"2024.02.02") == 1
    path = app.path("serwery.ini")
    if how == "in-place":
        with open(path, "r+b") as f:
            f.write(edited)
            f.truncate()
    else:
        (app.dir / "edit.tmp").write_bytes(edited)
        os.rename(app.dir / "edit.tmp", path)
    ek.wait(120)

    ini = app.ini()
    period = section_value(edited, "A", "ZamknietyMiesiac").encode()
    assert period, "A's bookkeeping was saved before its mail"
    assert ini == (edited.replace(b"OstatniEksport=2024.01.01\r\n", b"OstatniEksport=2024.05.05\r\n")
                   .replace(b"ZamknietyMiesiac=\r\n", b"ZamknietyMiesiac=" + period + b"\r\n"))
    assert section_value(ini, "B", "Uwaga") == "recznie"
    assert section_value(ini, "B", "OstatniEksportMHD") == "2024.02.02"


@pytest.mark.posix_only("the run lock is flock() on the directory; on Windows a named mutex, "
                        "which another process's flock() does not touch")
def test_second_run_gives_up_after_the_wait_and_says_why(app):
    app.write_config([("A", entry(EksportDoMHD=1))])
    before = app.ini()
    holder = os.open(app.dir, os.O_RDONLY | os.O_DIRECTORY)
    try:
        fcntl.flock(holder, fcntl.LOCK_EX)
        result = app.run("/MHD", env={LOCK_WAIT: "1"})
    finally:
        os.close(holder)

    assert result.returncode == 0
    assert result.console == START + END
    assert mask(app.log()) == cp("TS  Nie wykonano żadnego zadania: w tym katalogu trwa inne "
                                 "uruchomienie programu (oczekiwano 1 s).\r\n")
    err = result.stderr.decode()
    assert "another run holds the installation " + str(app.dir) + "/" in err
    assert app.ini() == before, "nothing read, normalised or written"
    assert app.journal() == []
    # Released with its holder: the next run goes ahead at once.
    assert app.run("/MHD", env={LOCK_WAIT: "0"}).body.endswith(b"OK\n")


def test_kill_during_rewrites_leaves_old_or_new_content_only(app):
    count = 120
    old, new = b"OstatniEksportMHD=2024.01.01\r\n", b"OstatniEksportMHD=2024.06.06\r\n"
    app.write_config([(f"S{i:03}", entry(base=f"DB{i:03}", EksportDoMHD=1,
                                         OstatniEksportMHD="2024.01.01"))
                      for i in range(count)])
    app.write_sim(DATES)
    app.run("/X")  # normalised: a load has nothing more to write
    base = app.ini()
    assert base.count(old) == count
    states = {base.replace(old, new, k) for k in range(count + 1)}
    began = time.monotonic()
    app.run("/MHD")
    duration = time.monotonic() - began
    assert app.ini() == base.replace(old, new)

    rng = random.Random(8)
    mid_run = left = 0
    for trial in range(12):
        app.path("serwery.ini").write_bytes(base)
        os.chmod(app.path("serwery.ini"), 0o600)  # as the program creates it
        proc = start(app, "/MHD")
        time.sleep(rng.uniform(0, duration))
        proc.kill()
        content = app.ini()
        assert content in states, f"trial {trial}: a torn or mixed file"
        mid_run += content not in (base, base.replace(old, new))
        leftovers = list(app.dir.glob(".serwery.ini.*.tmp"))
        left += len(leftovers)
        for leftover in leftovers:
            # never more readable than the file it replaces
            if OTHERS_MODE_BITS is not None:
                assert stat.S_IMODE(leftover.stat().st_mode) & OTHERS_MODE_BITS == 0, leftover
        # No lock outlives its run, and the next run clears what it left.
        after = app.run("/X", env={LOCK_WAIT: "0"})
        assert after.console == START + END
        for leftover in leftovers:
            assert host_path(leftover) in after.stderr.decode()
        assert list(app.dir.glob(".serwery.ini.*.tmp")) == []
        assert app.ini() == content
    print(f"{mid_run} of 12 kills landed between the first and the last write-back, "
          f"{left} left a temporary file")


@pytest.mark.posix_only("file modes; on Windows a created file's access list is its "
                        "owner's alone, which Wine does not show as a mode")
def test_created_file_is_private(app):
    result = app.run("/X")  # no serwery.ini: the load creates it
    assert result.console == START + END
    assert stat.S_IMODE(app.path("serwery.ini").stat().st_mode) == 0o600


@pytest.mark.posix_only("POSIX ACLs (setfacl) and modes; Windows carries the access list "
                        "over to the replacement")
def test_acl_and_mode_survive_a_write_back(app):
    app.write_config([("A", entry(EksportDoMHD=1, OstatniEksportMHD="2024.01.01"))])
    app.write_sim(DATES)
    path = str(app.path("serwery.ini"))
    # A service account reads through the ACL; the owning group reads nothing.
    subprocess.run(["setfacl", "-m", "u:nobody:r,g::-,m::r", path], check=True)
    os.chmod(path, 0o640)  # the mask: r

    def acl():
        return subprocess.run(["getfacl", "-c", "-p", path], check=True,
                              stdout=subprocess.PIPE).stdout.decode()
    before, mode = acl(), stat.S_IMODE(os.stat(path).st_mode)
    assert "user:nobody:r--" in before
    result = app.run("/MHD")

    assert result.body.endswith(b"OK\n")
    assert section_value(app.ini(), "A", "OstatniEksportMHD") == "2024.06.06"
    assert acl() == before
    assert stat.S_IMODE(os.stat(path).st_mode) == mode


@pytest.mark.posix_only("a rewrite follows symbolic links on POSIX systems only; on Windows "
                        "it replaces the link itself (docs/platform.md)")
def test_dangling_symlink_is_followed(app):
    (app.dir / "conf").mkdir()
    app.path("serwery.ini").symlink_to("conf/serwery.ini")
    app.run("/X")
    assert app.path("serwery.ini").is_symlink()
    created = app.dir / "conf" / "serwery.ini"
    assert created.read_bytes().startswith(b"[Konfiguracja]\r\nSerwerPocztowy=\r\n")
    assert stat.S_IMODE(created.stat().st_mode) == 0o600


def test_hard_link_is_reported_and_keeps_the_old_content(app):
    app.write_config([("A", entry())])
    before = app.ini()
    os.link(app.path("serwery.ini"), app.dir / "kopia.ini")
    result = app.run("/X")  # normalising rewrites the file
    assert (host_path(app.path("serwery.ini")) + " has 2 hard links") in result.stderr.decode()
    assert app.ini() != before
    assert (app.dir / "kopia.ini").read_bytes() == before


@contextlib.contextmanager
def file_size_limit(tmp_path):
    app = App(tmp_path)
    app.write_config([(f"S{i}", entry()) for i in range(20)])  # normalising adds keys
    limit = len(app.ini()) + 100
    yield app, lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))


@contextlib.contextmanager
def full_file_system(tmp_path):
    with small_disk(tmp_path) as disk:
        app = App(disk.path)
        app.write_config([(f"S{i}", entry()) for i in range(20)])
        disk.fill()
        yield app, None


@pytest.mark.parametrize("full_disk, reason", full_disk_cases(file_size_limit, full_file_system))
def test_full_disk_says_why_and_keeps_the_file(tmp_path, full_disk, reason):
    with full_disk(tmp_path) as (app, preexec_fn):
        before = app.ini()
        result = app.run("/X", preexec_fn=preexec_fn)
        assert result.returncode == 0
        assert result.console == START + END
        assert ("cannot write " + host_path(app.path("serwery.ini")) + ": " + reason) in \
            result.stderr.decode()
        assert app.ini() == before
        assert list(app.dir.glob(".serwery.ini.*.tmp")) == []


def test_unwritable_directory_says_why(app):
    app.write_config([("A", entry())])
    before = app.ini()
    os.chmod(app.dir, 0o555)
    try:
        result = app.run("/X")
    finally:
        os.chmod(app.dir, 0o755)
    assert result.console == START + END
    assert ("cannot write in the directory of " + host_path(app.path("serwery.ini")) +
            ": Permission denied") in result.stderr.decode()
    assert app.ini() == before
