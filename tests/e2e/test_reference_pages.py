"""The man pages render without a single warning, through groff and through
man, and every page the documentation promises is there."""

import os
import pathlib
import subprocess

import pytest

PAGES = pathlib.Path(__file__).resolve().parents[2] / "docs" / "man"
NAMES = ["zephautomat.1", "serwery.ini.5", "zephautomat-check.1", "zephautomat-run.1",
         "zephautomat-instance.1"]


@pytest.mark.parametrize("name", NAMES)
def test_page_renders_without_warnings(name):
    page = PAGES / name
    groff = subprocess.run(["groff", "-man", "-ww", "-z", "-Tutf8", str(page)],
                           capture_output=True, timeout=60)
    assert groff.returncode == 0 and groff.stderr == b"", groff.stderr
    env = dict(os.environ, MANROFFOPT="-ww", MANWIDTH="80")
    man = subprocess.run(["man", "-l", str(page)], capture_output=True, timeout=60, env=env)
    assert man.returncode == 0 and man.stderr == b"", man.stderr
    assert name.split(".")[0].upper().encode() in man.stdout


def test_pages_are_plain_ascii_source():
    # Letters beyond ASCII are groff escapes, so every device renders them.
    for name in NAMES:
        (PAGES / name).read_bytes().decode("ascii")
