"""The scripts on machines of different kinds: the probe that runs a tiny
i386 program to learn whether the kernel runs 32-bit programs, the CI gate
that needs one (skipped without failing CI where the kernel cannot, a gate
like any other where it can), and the choice of Wine's 64-bit loader where
Debian's `wine` would start the 32-bit one."""

import os
import shutil
import subprocess
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[2]
PROBE = ROOT / "scripts" / "lib" / "kernel-runs-i386"
CANNOT = "this kernel cannot run 32-bit programs"


def bash(script, **env):
    """Runs a bash script in the checkout with extra environment."""
    return subprocess.run(["bash", "-c", script], cwd=ROOT, capture_output=True, text=True,
                          timeout=60, env={**os.environ, **env})


@pytest.mark.parametrize("forced, status, line", [
    ("0", 1, CANNOT + " (ZEPH_KERNEL_RUNS_I386=0)"),
    ("1", 0, "this kernel runs 32-bit programs (ZEPH_KERNEL_RUNS_I386=1)"),
])
def test_the_override_forces_the_probe_s_answer(forced, status, line):
    done = bash(str(PROBE), ZEPH_KERNEL_RUNS_I386=forced)
    assert (done.returncode, done.stdout) == (status, line + "\n")


def test_an_override_that_is_neither_answer_is_an_error_not_a_guess():
    done = bash(str(PROBE), ZEPH_KERNEL_RUNS_I386="yes")
    assert done.returncode == 2 and done.stdout == ""
    assert "ZEPH_KERNEL_RUNS_I386 is 0 or 1, not 'yes'" in done.stderr


def test_without_the_override_the_probe_runs_a_program_and_decides():
    env = {k: v for k, v in os.environ.items() if k != "ZEPH_KERNEL_RUNS_I386"}
    done = subprocess.run([str(PROBE)], capture_output=True, text=True, timeout=60, env=env)
    assert (done.returncode, done.stdout) in [
        (0, "this kernel runs 32-bit programs (a tiny i386 program ran)\n"),
        (1, CANNOT + " (a tiny i386 program was refused: Exec format error)\n")], done.stderr


# The 32-bit gate as scripts/ci.sh runs it, with a stand-in for its work
# that leaves a mark: (forced answer, work, the gate's last line, FAILED,
# whether the work ran).
@pytest.mark.parametrize("forced, work, last, failed, ran", [
    ("0", "true", f"=== gate: windows 32-bit: skipped: {CANNOT} (ZEPH_KERNEL_RUNS_I386=0)",
     0, False),
    ("1", "true", "=== gate: windows 32-bit: ok in", 0, True),
    ("1", "false", "=== gate: windows 32-bit: FAILED in", 1, True),
    ("maybe", "true", "=== gate: windows 32-bit: FAILED in", 1, False),
], ids=["cannot: skipped, CI passes", "can: passes", "can: fails", "probe error: fails"])
def test_the_32_bit_gate_needs_a_kernel_that_runs_32_bit_programs(tmp_path, forced, work,
                                                                  last, failed, ran):
    mark = tmp_path / "ran"
    done = bash(f'''. scripts/lib/gates.sh
work() {{ touch "{mark}"; {work}; }}
machine_gate "windows 32-bit" scripts/lib/kernel-runs-i386 work
echo "FAILED=$FAILED"; printf '%s\\n' "${{SUMMARY[@]}}"''', ZEPH_KERNEL_RUNS_I386=forced)
    lines = done.stdout.splitlines()
    gate_lines = [line for line in lines if line.startswith("=== gate: ")]
    assert gate_lines[-1].startswith(last), done.stdout
    assert f"FAILED={failed}" in lines
    assert lines[-1].startswith("windows 32-bit") and len(
        [line for line in lines if line.startswith("windows 32-bit")]) == 1
    assert mark.exists() == ran


@pytest.mark.skipif(not (shutil.which("wine64") or os.access("/usr/lib/wine/wine64", os.X_OK)),
                    reason="no 64-bit Wine loader on this machine")
def test_a_64_bit_prefix_gets_the_64_bit_loader_when_wine_starts_the_32_bit_one(tmp_path):
    # What Debian's `wine` does with wine32 installed on a kernel that
    # cannot run it.
    fake = tmp_path / "wine"
    fake.write_text("#!/bin/sh\necho 'wine: could not exec the wine loader: "
                    "Exec format error' >&2\nexit 1\n")
    fake.chmod(0o755)
    done = bash('''. scripts/lib/wine-session.sh
wine_loader 64
echo "$ZEPH_WINE|$WINELOADER"
WINEDEBUG=-all "$ZEPH_WINE" --version''', PATH=f"{tmp_path}:{os.environ['PATH']}")
    assert done.returncode == 0, done.stderr
    loaders, version = done.stdout.splitlines()
    zeph_wine, wineloader = loaders.split("|")
    assert zeph_wine == wineloader and Path(zeph_wine).name == "wine64"
    assert version.startswith("wine-")
