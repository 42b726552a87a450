"""Black-box harness: the real binary in a temporary directory beside its
serwery.ini, components.ini and host-sim.ini, against the host simulator.

One suite serves both builds. The Linux build runs its programs directly;
the Windows build (ZEPH_BIN ending in .exe) runs them under the command
prefix in ZEPH_RUNNER (`wine`, scripts/test-windows.sh), takes paths in
Windows form (host_path) and leaves out what only POSIX has (the
`posix_only` marker, with the reason). Under Wine it also leaves out what
Wine does otherwise than Windows (the `wine_gap` marker, with the reason)."""

import contextlib
import os
import re
import shlex
import shutil
import subprocess
import tempfile

import pytest

BIN = os.environ.get("ZEPH_BIN", "")
SIM = os.environ.get("ZEPH_SIM", "")
# "com": the simulator's classes are reached through COM by the ProgIDs it
# registers (Windows; scripts/test-com.sh registers it first); otherwise
# through components.ini's library paths.
HOST_MODE = os.environ.get("ZEPH_HOST_MODE", "library")
# Through COM, which of the simulator's servers: "" the dual ones, "Disp."
# the dispatch-only ones, "Vtbl." those called through their vtable.
COM_FLAVOUR = os.environ.get("ZEPH_COM_FLAVOUR", "")
TOOLS = os.environ.get("ZEPH_TOOLS", "")

# Wine starts a 32-bit helper that cannot take the 64-bit faketime library
# the frozen clock preloads, and for the 32-bit build the 64-bit programs
# before Wine cannot take its 32-bit frozen clock; the loader says so on
# standard error.
LOADER_NOISE = re.compile(rb"^ERROR: ld\.so: object .* from LD_PRELOAD cannot be preloaded .*\n",
                          re.M)


class Build:
    """One build of the program: its binary, its simulator, and the prefix
    its programs run through (["wine"] for the Windows build)."""

    def __init__(self, binary, sim, runner=(), frozen_clock=""):
        self.bin = binary
        self.sim = sim
        self.runner = list(runner)
        self.windows = binary.endswith(".exe")
        self.exe = ".exe" if self.windows else ""
        self.frozen_clock = frozen_clock

    def frozen(self, at, argv):
        """The command line with the clock standing still at `at`: through
        faketime, or, where its library cannot stop the clock (the 32-bit
        Wine asks for the time by calls it does not replace), through the
        build's own frozen clock library (tests/wine/frozen_clock.c,
        ZEPH_FROZEN_CLOCK)."""
        if self.frozen_clock:
            return ["env", f"FROZEN_CLOCK_AT={at}", f"LD_PRELOAD={self.frozen_clock}", *argv]
        return ["faketime", "--exclude-monotonic", "-f", at, *argv]

    def command(self, program, *args):
        """The command line that runs one of the built programs."""
        return [*self.runner, str(program),
                *(a if isinstance(a, bytes) else str(a) for a in args)]

    def host_path(self, path):
        """A path as the program sees it: under Wine, drive Z: is the root of
        the Linux file system."""
        path = os.fspath(path)
        if not self.windows:
            return path
        if isinstance(path, bytes):
            return b"Z:" + path.replace(b"/", b"\\")
        return "Z:" + path.replace("/", "\\")

    def host_dir(self, path):
        """A directory as the program hands it on: in host form and ended by
        the system's delimiter, which the program appends to KatalogRoboczy."""
        return self.host_path(path) + ("\\" if self.windows else "/")

    def disk_name(self, name):
        """The bytes on the Linux side of a file name the program holds in
        Windows-1250: those very bytes on Linux; Windows names are Unicode,
        and Wine stores them as UTF-8."""
        return name.encode("utf-8" if self.windows else "cp1250")

    def stderr(self, data):
        """Standard error of a program run, without the loader's complaints."""
        return LOADER_NOISE.sub(b"", data) if self.windows else data


# The build under test.
THIS_BUILD = Build(BIN, SIM, shlex.split(os.environ.get("ZEPH_RUNNER", "")),
                   os.environ.get("ZEPH_FROZEN_CLOCK", ""))
WINDOWS = THIS_BUILD.windows
# The Windows build run under Wine rather than on Windows itself.
UNDER_WINE = any(os.path.basename(part) == "wine" for part in THIS_BUILD.runner)
command = THIS_BUILD.command
host_path = THIS_BUILD.host_path
host_dir = THIS_BUILD.host_dir
disk_name = THIS_BUILD.disk_name


def journal_path(path):
    """A path as the simulator's journal writes it: a backslash doubled."""
    return host_path(path).replace("\\", "\\\\")


def journal_dir(path):
    """A directory as the program hands it on, as the journal writes it."""
    return host_dir(path).replace("\\", "\\\\")


def tool(name):
    """A helper program of the tests (tests/tools), by its name."""
    return os.path.join(TOOLS, name + THIS_BUILD.exe)


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "posix_only(reason): a behaviour only the POSIX build has; "
        "not run against the Windows build")
    config.addinivalue_line(
        "markers", "wine_gap(reason): Windows does it, Wine does not; not run under Wine")


def pytest_collection_modifyitems(config, items):
    skipped = {"posix_only": ("POSIX only: ", WINDOWS), "wine_gap": ("not under Wine: ", UNDER_WINE)}
    for name, (prefix, skip) in skipped.items():
        if not skip:
            continue
        for item in items:
            marker = item.get_closest_marker(name)
            if marker is not None:
                reason = marker.args[0] if marker.args else marker.kwargs.get("reason", "")
                item.add_marker(pytest.mark.skip(reason=prefix + reason))

START = b"Automatyczny eksport zostal uruchomiony.\nProsze czekac...\n"
END = b"Automatyczny eksport zostal zakonczony.\nMozna zakonczyc dzialanie aplikacji.\n"

TS = re.compile(rb"^\d{4}\.\d{2}\.\d{2} \d{2}:\d{2}:\d{2}  ", re.M)

INDENT = " " * 21  # an indented log line

# How a mail failure is reported, up to the cause.
MAIL_FAILURE = ("Wystąpił błąd podczas wysyłania wiadomości e-mail.\r\n"
                "Sprawdź konfigurację aplikacji - ustawienia dotyczące wysyłania e-mail.\r\n"
                "(komunikat: ")

MAIL = {
    "SerwerPocztowy": "127.0.0.1:1",
    "AdresPocztowyOdbiorcy": "odbiorca@example.com",
    "AdresPocztowyNadawcy": "nadawca@example.com",
}


def cp(text):
    """Windows-1250 bytes of a text."""
    return text.encode("cp1250")


def log_block(*lines):
    """Log bytes of the given lines, each ended by CR LF."""
    return b"".join(cp(line) + b"\r\n" for line in lines)


def mask(data):
    """Log bytes with every timestamp replaced by 'TS'."""
    return TS.sub(b"TS  ", data)


class Result:
    def __init__(self, app, proc):
        self.app = app
        self.returncode = proc.returncode
        self.console = proc.stdout
        self.stderr = app.build.stderr(proc.stderr)

    @property
    def body(self):
        """Console bytes between the start and closing banners."""
        out = self.console
        # A run that printed nothing at all says why on standard error.
        assert out.startswith(START), (out, self.returncode, self.stderr)
        assert out.endswith(END), out
        return out[len(START):len(out) - len(END)]


class App:
    """One installation of the program in its own directory."""

    def __init__(self, root, build=THIS_BUILD, name="app"):
        self.build = build
        self.dir = root / name
        self.dir.mkdir()
        self.exe = self.dir / ("zephautomat" + build.exe)
        shutil.copy2(build.bin, self.exe)
        if build.windows:
            # libcurl's DLL beside the program, as the package has it.
            built = os.path.dirname(build.bin)
            for dll in os.listdir(built):
                if dll.startswith("libcurl") and dll.endswith(".dll"):
                    shutil.copy2(os.path.join(built, dll), self.dir)
        self.write_components()

    # --- files beside the executable -------------------------------------
    def path(self, name):
        return self.dir / name

    def write_components(self, **classes):
        """components.ini naming the simulator for every class; a class given
        None is left out, one given a path gets that library. Through COM the
        simulator's classes of a Windows build are named by ProgID instead."""
        sim = self.build.host_path(self.build.sim)
        names = {"Setup": sim, "Invoices": sim, "EksportTessaro": sim, "ZephProc": sim}
        names.update(classes)
        lines = ["[InprocServers]"]
        progids = ["[ProgIDs]"]
        for key, value in names.items():
            if value is None:
                continue
            if HOST_MODE == "com" and self.build.windows and value == sim:
                progids.append(f"{key}=MerkanSim.{COM_FLAVOUR}{key}")
            else:
                lines.append(f"{key}={value}")
        if len(progids) > 1:
            lines += progids
        (self.dir / "components.ini").write_text("\n".join(lines) + "\n")

    def write_sim(self, text):
        (self.dir / "host-sim.ini").write_text(text, encoding="utf-8")

    def write_ini(self, data):
        """serwery.ini from bytes, or from text written as Windows-1250 with CR LF."""
        if isinstance(data, str):
            data = cp(data.replace("\r\n", "\n").replace("\n", "\r\n"))
        (self.dir / "serwery.ini").write_bytes(data)

    def write_config(self, entries, mail=None, extra=""):
        """serwery.ini with a Konfiguracja section and one section per entry.

        entries: list of (section name, dict of keys). Entries get a working
        directory under the app directory unless they name one."""
        settings = dict(MAIL)
        settings.update(mail or {})
        lines = ["[Konfiguracja]"] + [f"{k}={v}" for k, v in settings.items()]
        for name, keys in entries:
            keys = dict(keys)
            keys.setdefault("KatalogRoboczy", self.build.host_path(self.dir / "work" / name))
            lines.append(f"[{name}]")
            lines += [f"{k}={v}" for k, v in keys.items()]
        self.write_ini("\n".join(lines) + "\n" + extra)

    def ini(self):
        return (self.dir / "serwery.ini").read_bytes()

    def ini_value(self, key):
        """The value of the first line `key=...` of serwery.ini, or None."""
        match = re.search(rb"^" + key.encode() + rb"=(.*?)\r$", self.ini(), re.M)
        return match.group(1).decode("cp1250") if match else None

    def log(self):
        p = self.dir / "Eksport_PelkTessaro_Auto.log"
        return p.read_bytes() if p.exists() else None

    def masked_log(self):
        data = self.log()
        return None if data is None else mask(data)

    def journal(self):
        p = self.dir / "host-sim.journal"
        return p.read_text(encoding="utf-8").splitlines() if p.exists() else []

    def command(self, *args):
        """The command line that runs this installation's program."""
        return self.build.command(self.exe, *args)

    def run(self, *args, cwd=None, timeout=120, env=None, at=None, preexec_fn=None):
        """Runs the program; with `at` its clock stands still at that moment."""
        full_env = dict(os.environ)
        full_env.update(env or {})
        argv = self.command(*args)
        if at is not None:
            argv = self.build.frozen(at, argv)
        # The output goes to files, read once the program has ended: under
        # Wine a process the program's start wakes (the prefix's services)
        # may keep a pipe open long after the program is gone.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.run(argv, cwd=cwd or self.dir, stdout=out, stderr=err,
                                  timeout=timeout, env=full_env, preexec_fn=preexec_fn)
            out.seek(0)
            err.seek(0)
            proc.stdout, proc.stderr = out.read(), err.read()
        return Result(self, proc)


class SmallDisk:
    """A file system of its own, mounted at `path`."""

    def __init__(self, path):
        self.path = path

    def block(self):
        return os.statvfs(self.path).f_frsize

    def fill(self, spare=0):
        """Leaves `spare` blocks free: what is written from now on fits only
        in them and in the last blocks of the files there."""
        fs = os.statvfs(self.path)
        size = (fs.f_blocks - fs.f_bfree + spare) * fs.f_frsize
        subprocess.run(["mount", "-o", f"remount,size={size}", self.path], check=True)
        assert os.statvfs(self.path).f_bavail == spare


@contextlib.contextmanager
def small_disk(root):
    """A small disk at root/disk for the length of a `with`. A full disk as
    every system sees one, the Windows build under Wine included, where a
    file size limit kills the program (SIGXFSZ). Mounting needs root: the
    case is skipped, with the reason, where the system refuses it."""
    if os.geteuid() != 0:
        pytest.skip("needs root to mount a file system")
    path = root / "disk"
    path.mkdir()
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1g", "tmpfs", path],
                             capture_output=True, text=True)
    if mounted.returncode != 0:
        pytest.skip("cannot mount a file system: " + mounted.stderr.strip())
    try:
        yield SmallDisk(path)
    finally:
        subprocess.run(["umount", "-l", path], check=True)


def full_disk_cases(file_size_limit, full_file_system):
    """Parameters (how, reason) of a case run on a full disk: made by a file
    size limit, where the program gets EFBIG (POSIX only), and by a small
    disk with no block free (small_disk), where it gets ENOSPC. Each `how`
    makes an installation in a directory, as a context of (app, the preexec
    function of its run)."""
    return [
        pytest.param(file_size_limit, "File too large", id="file-size-limit",
                     marks=pytest.mark.posix_only("a file size limit (RLIMIT_FSIZE) and its "
                                                  "EFBIG; under Wine SIGXFSZ kills the program")),
        pytest.param(full_file_system, "No space left on device", id="full-file-system"),
    ]


@pytest.fixture
def app(tmp_path):
    assert BIN and os.path.exists(BIN), "ZEPH_BIN must name the built program"
    return App(tmp_path)


def entry(server="SRV", base="DB", **keys):
    """Keys of one server entry with a login."""
    out = {"Serwer": server, "Baza": base, "Uzytkownik": "Jan", "Haslo": "x"}
    out.update(keys)
    return out
