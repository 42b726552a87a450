"""The one way the black-box tests run a program under test: the program,
its tools (check, wrapper, instance tool, mail probe), the installer, and
anything else started through Wine.

    run(argv, timeout=120, cwd=None, env=None, preexec_fn=None) -> Finished
        Runs argv to its end and returns its exit code and output.
    start(argv, cwd=None, env=None, preexec_fn=None) -> Running
        Starts argv and returns at once, for a test that acts while it runs:
        Running.wait(timeout) -> Finished, Running.kill() -> Finished, and
        Running.read_until(marker, stream, timeout) -> the output so far.
    Finished: returncode, stdout and stderr (bytes), like a CompletedProcess.
    Hung: raised when a program outlives its time limit (an AssertionError,
        so the test fails with the report below as its message).
    processes() -> the Linux processes as the report lists them (Process).
    stop_all(): stops every run still going (conftest, after each test).

Why files and not pipes: the output goes to files, and the run ends when
the process ends (Popen.wait), not when the last holder of a pipe closes
it. Under Wine a program's start may wake processes of the prefix (its
services, the COM servers it creates) that inherit the program's handles
and live on long after it; a run that read pipes to their end waited for
them too, and timed out although the program had finished.

Every run is a process group of its own, stdin is empty; a run a test
leaves going is stopped after it, and tests ended by SIGTERM stop theirs.
What the program leaves running when it ends is left alone: under Wine that
may be a service of the prefix, which the other runs share. When a run
outlives its limit the report says where it hung: the output written so
far, the processes of the run's group and of its Wine prefix (every Linux
process with that WINEPREFIX in its environment) and, under Wine, what
`winedbg --command "info process"` sees. Then only the run's own group is
stopped: the prefix's wineserver and services, shared with other runs, are
left alone."""

import os
import signal
import subprocess
import tempfile
import time
from pathlib import Path

# How long winedbg may take to list a hung prefix's processes.
WINEDBG_SECONDS = 30

# The runs not yet ended (see stop_all).
_RUNNING = set()


def stop_all():
    """Stops every run still going: at the end of each test, and when the
    tests are ended by SIGTERM (`timeout` signals the tests' process group,
    and each run is a group of its own)."""
    for running in list(_RUNNING):
        running._stop()


def _stop_runs_and_end(signum, frame):
    stop_all()
    signal.signal(signum, signal.SIG_DFL)
    os.kill(os.getpid(), signum)


if signal.getsignal(signal.SIGTERM) == signal.SIG_DFL:
    signal.signal(signal.SIGTERM, _stop_runs_and_end)


class Hung(AssertionError):
    """A program that did not end within its time limit, with the report."""


class Finished:
    """A run that ended: its exit code and its whole output."""

    def __init__(self, argv, returncode, stdout, stderr):
        self.args = argv
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr


class Running:
    """A started program; its output goes to two files until it ends."""

    def __init__(self, argv, cwd=None, env=None, preexec_fn=None):
        self.args = [a if isinstance(a, bytes) else str(a) for a in argv]
        self.env = os.environ if env is None else env
        self._out = tempfile.TemporaryFile()
        self._err = tempfile.TemporaryFile()
        self._proc = subprocess.Popen(self.args, cwd=cwd, env=self.env, stdin=subprocess.DEVNULL,
                                      stdout=self._out, stderr=self._err, preexec_fn=preexec_fn,
                                      process_group=0)
        _RUNNING.add(self)

    @property
    def pid(self):
        return self._proc.pid

    def output(self):
        """The (stdout, stderr) bytes written so far."""
        return _read(self._out), _read(self._err)

    def wait(self, timeout=120):
        """Waits for the process itself to end; Hung past `timeout` seconds."""
        try:
            self._proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self._hung(f"did not end within {timeout} s")
        return self._finished()

    def kill(self):
        """Stops the run's process group at once and waits for the process."""
        self._stop()
        return self._finished()

    def read_until(self, marker, stream="stdout", timeout=60):
        """Waits until `stream` holds `marker`; returns what it holds then.
        Hung if the program ends or `timeout` passes first."""
        index = {"stdout": 0, "stderr": 1}[stream]
        deadline = time.monotonic() + timeout
        while True:
            so_far = self.output()[index]
            if marker in so_far:
                return so_far
            if self._proc.poll() is not None:
                self._hung(f"ended with {self._proc.returncode} before writing {marker!r} "
                           f"to {stream}")
            if time.monotonic() > deadline:
                self._hung(f"wrote no {marker!r} to {stream} within {timeout} s")
            time.sleep(0.05)

    def _finished(self):
        _RUNNING.discard(self)
        out, err = self.output()
        self._out.close()
        self._err.close()
        return Finished(self.args, self._proc.returncode, out, err)

    def _stop(self):
        _RUNNING.discard(self)
        try:
            os.killpg(self._proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass  # the group is gone already
        self._proc.wait()

    def _hung(self, what):
        out, err = self.output()
        report = [f"{_shown(self.args)} {what}",
                  "--- standard output so far ---", _text(out),
                  "--- standard error so far ---", _text(err),
                  f"--- processes of the run (group {self._proc.pid}) ---",
                  *_process_tree(lambda p: p.group == self._proc.pid)]
        prefix = self.env.get("WINEPREFIX")
        if prefix:
            report += [f"--- processes of the Wine prefix {prefix} ---",
                       *_process_tree(lambda p: p.wineprefix == os.fsencode(prefix))]
        # The loader among the arguments (env's NAME=VALUE ones are none);
        # winedbg is started by the same command up to it.
        loader = next((i for i, a in enumerate(map(os.fsdecode, self.args))
                       if "=" not in a and os.path.basename(a) in ("wine", "wine64")), None)
        if loader is not None:
            report += ['--- winedbg --command "info process" ---',
                       _winedbg(self.args[:loader + 1], self.env)]
        self._stop()
        self._out.close()
        self._err.close()
        raise Hung("\n".join(report))


def start(argv, cwd=None, env=None, preexec_fn=None):
    """Starts argv with its output going to files (see the module's text)."""
    return Running(argv, cwd=cwd, env=env, preexec_fn=preexec_fn)


def run(argv, timeout=120, cwd=None, env=None, preexec_fn=None):
    """Runs argv to its end; Hung, with the report, past `timeout` seconds."""
    return start(argv, cwd=cwd, env=env, preexec_fn=preexec_fn).wait(timeout)


def _read(file):
    file.flush()
    return os.pread(file.fileno(), os.fstat(file.fileno()).st_size, 0)


def _text(data):
    return data.decode("utf-8", errors="backslashreplace")


def _shown(argv):
    return " ".join(_text(os.fsencode(a)) for a in argv)


class Process:
    """One Linux process as /proc shows it."""

    def __init__(self, pid):
        proc = Path("/proc", str(pid))
        # The command's name may hold blanks and brackets: the fields follow its last ')'.
        fields = (proc / "stat").read_bytes().rsplit(b")", 1)[1].split()
        self.pid = pid
        self.state, self.parent, self.group = fields[0].decode(), int(fields[1]), int(fields[2])
        self.command = _shown((proc / "cmdline").read_bytes().split(b"\0")[:-1]).rstrip()
        try:
            environ = (proc / "environ").read_bytes().split(b"\0")
        except OSError:
            environ = []  # another user's process
        self.wineprefix = next((v[len(b"WINEPREFIX="):] for v in environ
                                if v.startswith(b"WINEPREFIX=")), None)


def processes():
    """Every Linux process now running, as /proc shows it."""
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                yield Process(int(entry))
            except (OSError, IndexError):
                pass  # ended while being read


def _process_tree(chosen):
    """The chosen processes, each below its parent: pid, state, command."""
    found = {p.pid: p for p in processes() if chosen(p)}
    lines = []

    def show(process, depth):
        lines.append(f"{'  ' * depth}{process.pid} [{process.state}] {process.command}")
        for child in sorted(found.values(), key=lambda p: p.pid):
            if child.parent == process.pid:
                show(child, depth + 1)
    for process in sorted(found.values(), key=lambda p: p.pid):
        if process.parent not in found:
            show(process, 0)
    return lines or ["(none)"]


def _winedbg(wine, env):
    """What winedbg lists in the prefix, started by the command `wine` that
    ends with the loader; bounded, since the prefix may hang."""
    lister = Running([*wine, "winedbg", "--command", "info process"],
                     env=dict(env or os.environ, WINELOADER=os.fsdecode(wine[-1])))
    try:
        lister._proc.wait(timeout=WINEDBG_SECONDS)
    except subprocess.TimeoutExpired:
        lister._stop()
        return f"(winedbg did not answer within {WINEDBG_SECONDS} s)"
    done = lister._finished()
    return _text(done.stdout + done.stderr)
