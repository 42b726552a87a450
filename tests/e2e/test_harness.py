"""The harness itself: every program under test runs through run_program,
which ends a run with the process and not with its pipes, and which, when a
run hangs, says where and stops only what the run started."""

import ast
import os
import re
import signal
import socket
import sys
from pathlib import Path

import pytest

import run_program
from conftest import UNDER_WINE, command, tool

E2E = Path(__file__).parent

# The only processes the tests start without run_program: system tools,
# never a program under test nor anything run through Wine.
SYSTEM_TOOLS = {
    ("conftest.py", "mount"),  # a small disk for the full-disk cases
    ("conftest.py", "umount"),
    ("tls_certificates.py", "openssl"),  # the servers' test certificates
    ("test_check_tool.py", "iconv"),
    ("test_close_faults.py", "cc"),  # building the library that fails close()  # the conversion the sample configuration names
    ("test_reference_pages.py", "groff"),  # rendering the manual pages
    ("test_reference_pages.py", "man"),
    ("test_systemd_units.py", "systemd-analyze"),  # checking the units
    ("test_write_back.py", "setfacl"),  # an access list on serwery.ini
    ("test_write_back.py", "getfacl"),
}
# What starts a process, by module.
STARTERS = {
    "subprocess": {"run", "Popen", "call", "check_call", "check_output", "getoutput",
                   "getstatusoutput"},
    "os": {"system", "popen", "posix_spawn", "posix_spawnp", "fork", "forkpty"} |
          {f"{kind}{how}" for kind in ("exec", "spawn")
           for how in ("l", "le", "lp", "lpe", "v", "ve", "vp", "vpe")},
    "asyncio": {"create_subprocess_exec", "create_subprocess_shell"},
    "pty": {"spawn"},
}


def process_starts(source):
    """(line, tool) of each call in `source` that starts a process; tool is
    the first word of a command written out as a list, else None."""
    tree = ast.parse(source)
    modules, functions = {}, {}  # local name -> module; local name -> (module, function)
    for node in ast.walk(tree):
        if isinstance(node, ast.Import):
            for alias in node.names:
                if alias.name in STARTERS:
                    modules[alias.asname or alias.name] = alias.name
        elif isinstance(node, ast.ImportFrom) and node.module in STARTERS:
            for alias in node.names:
                functions[alias.asname or alias.name] = (node.module, alias.name)
    starts = []
    for node in ast.walk(tree):
        if not isinstance(node, ast.Call):
            continue
        func = node.func
        if isinstance(func, ast.Attribute) and isinstance(func.value, ast.Name):
            called = (modules.get(func.value.id), func.attr)
        elif isinstance(func, ast.Name):
            called = functions.get(func.id, (None, None))
        else:
            continue
        if called[0] is None or called[1] not in STARTERS[called[0]]:
            continue
        first = node.args[0] if node.args else None
        word = None
        if isinstance(first, (ast.List, ast.Tuple)) and first.elts and \
                isinstance(first.elts[0], ast.Constant) and isinstance(first.elts[0].value, str):
            word = first.elts[0].value
        starts.append((node.lineno, word))
    return starts


@pytest.mark.parametrize("source, starts", [
    ("import subprocess\nsubprocess.run(command(CHECK, app.dir), stdout=PIPE)\n", [(2, None)]),
    ("from subprocess import Popen as P\nP(['wine', 'x.exe'])\n", [(2, "wine")]),
    ("import os\nos.system('zephautomat /X')\n", [(2, None)]),
    ("import subprocess as sp\nsp.check_output(['openssl', 'req'])\n", [(2, "openssl")]),
    ("import run_program\nrun_program.run(command(CHECK, app.dir))\n", []),
], ids=["run", "imported-popen", "os-system", "aliased-module", "through-run-program"])
def test_process_starts_are_found_however_written(source, starts):
    assert process_starts(source) == starts


def test_no_test_starts_a_program_but_through_run_program():
    found = []
    for path in sorted(E2E.glob("*.py")):
        if path.name == "run_program.py":
            continue
        found += [(path.name, line, word) for line, word in process_starts(path.read_text())
                  if (path.name, word) not in SYSTEM_TOOLS]
    assert found == [], "run these through run_program.run or run_program.start"


def live_members(group):
    return [p for p in run_program.processes() if p.group == group and p.state != "Z"]


def test_run_ends_with_the_program_though_its_child_holds_the_output(tmp_path):
    # The child keeps the program's standard output and error open; a run
    # that read them to their end would wait for it and hit its limit.
    child = tmp_path / "child"
    done = run_program.run(["sh", "-c", f"sleep 600 & echo $! > {child}; "
                            "echo out; echo err >&2; exit 3"], timeout=60)
    os.kill(int(child.read_text()), 9)
    assert (done.returncode, done.stdout, done.stderr) == (3, b"out\n", b"err\n")


def test_started_program_is_read_while_it_runs_and_killed_with_its_group():
    running = run_program.start(["sh", "-c", "echo ready >&2; sleep 600 & sleep 600"])
    assert running.read_until(b"\n", "stderr") == b"ready\n"
    done = running.kill()
    assert done.returncode == -9 and done.stdout == b""
    assert live_members(running.pid) == []


def test_tests_ended_by_sigterm_stop_their_runs():
    # `timeout` ends the tests' process group; each run is a group of its own.
    tests = run_program.start([sys.executable, "-c", "import time, run_program; "
                               "print(run_program.start(['sleep', '600']).pid, flush=True); "
                               "time.sleep(600)"], cwd=E2E)
    group = int(tests.read_until(b"\n"))
    os.kill(tests.pid, signal.SIGTERM)
    assert tests.wait().returncode == -signal.SIGTERM
    assert live_members(group) == []


@pytest.fixture
def silent_listener():
    """A listening socket that accepts and never answers."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    listener.settimeout(120)
    yield listener
    listener.close()


def test_hung_program_is_reported_and_only_its_own_group_stopped(silent_listener, tmp_path):
    # The mail probe waits for a greeting that never comes: a real program
    # of the build hung, under Wine too.
    port = silent_listener.getsockname()[1]
    bystander = run_program.start(["sleep", "600"])
    probe = run_program.start(command(
        tool("mail_probe"), f"--server=127.0.0.1:{port}", "--sender-name=a@example.com",
        "--sender-address=a@example.com", "--to=b@example.com", "--subject=s", "--body=b",
        "--connect-timeout=600", "--response-timeout=600"))
    connection, _ = silent_listener.accept()  # the probe is running and waiting
    if UNDER_WINE:
        # Without address-space randomisation (ADDR_NO_RANDOMIZE), or about
        # one Wine start in 2000 fails (cmake/mingw-w64-x86_64.cmake).
        personality = int(Path(f"/proc/{probe.pid}/personality").read_text(), 16)
        assert personality & 0x0040000, hex(personality)
    with pytest.raises(run_program.Hung) as hung:
        probe.wait(timeout=1)
    connection.close()
    report = str(hung.value)

    assert "mail_probe" in report.splitlines()[0] and "did not end within 1 s" in report
    assert "--- standard output so far ---" in report
    group = report.split(f"--- processes of the run (group {probe.pid}) ---\n", 1)[1]
    assert "mail_probe" in group.split("---", 1)[0], report
    assert live_members(probe.pid) == []
    assert live_members(bystander.pid), "a process the run did not start was stopped"
    bystander.kill()
    if UNDER_WINE:
        prefix = os.environ["WINEPREFIX"]
        assert f"--- processes of the Wine prefix {prefix} ---" in report
        assert re.search(r"mail_probe\.exe", report.split("winedbg", 1)[1], re.I), report
        # The prefix's server, shared with every other run, still runs.
        assert any("wineserver" in os.path.basename(p.command.split(" ")[0]) and
                   p.wineprefix == os.fsencode(prefix) for p in run_program.processes())
