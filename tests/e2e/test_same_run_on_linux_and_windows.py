"""The demo instance run once by the Linux build and once by the Windows
build (under Wine), at the same frozen moment against the same host
scenario: the help, the console, the run log, serwery.ini as written back,
the files the tasks write, the host's journal and the mail must be the same
bytes. Only each installation's own directory differs, in the form each
system writes it (`/tmp/x` on Linux, `Z:\\tmp\\x` on Windows), and with it
the separators of the paths below it; both are masked. Run by
scripts/test-windows.sh, which names the Linux build."""

import os
import re

import pytest

from conftest import THIS_BUILD, WINDOWS, App, Build, mask
from smtp_server import mail_server  # noqa: F401 (fixture)

LINUX = Build(os.environ.get("ZEPH_LINUX_BIN", ""), os.environ.get("ZEPH_LINUX_SIM", ""))
SOURCE = os.environ.get("ZEPH_SOURCE_DIR", "")
EXAMPLES = os.path.join(SOURCE, "examples")
WHEN = "2024-03-05 10:11:12"
LOG = "Eksport_PelkTessaro_Auto.log"

pytestmark = pytest.mark.skipif(
    not WINDOWS, reason="compares the Windows build with the Linux one (scripts/test-windows.sh)")


def install(app, smtp_address):
    """The demo's serwery.ini (Windows-1250, CR LF) and host scenario."""
    with open(os.path.join(EXAMPLES, "demo-serwery.ini"), encoding="utf-8") as f:
        text = f.read()
    text = text.replace("@SMTP@", smtp_address)
    text = text.replace("@WORK@", app.build.host_path(app.dir / "work"))
    app.write_ini(text)
    with open(os.path.join(EXAMPLES, "host-sim.ini"), encoding="utf-8") as f:
        app.write_sim(f.read())


def masked(app, data):
    """Bytes with the installation's directory as <DIR>, the path separators
    after it as '/', and the log's timestamps as TS."""
    own = app.build.host_path(app.dir).encode()
    # The journal writes a backslash as two.
    data = data.replace(own.replace(b"\\", b"\\\\"), b"<DIR>").replace(own, b"<DIR>")
    data = re.sub(rb"<DIR>[^\s\"'\]]*",
                  lambda m: m.group(0).replace(b"\\\\", b"/").replace(b"\\", b"/"), data)
    return mask(data)


def written_files(app):
    """Every file under the working directories and LOGI, by relative path."""
    out = {}
    for top in ("work", "LOGI"):
        for base, _, names in os.walk(app.dir / top):
            for name in names:
                path = os.path.join(base, name)
                out[os.path.relpath(path, app.dir)] = masked(app, open(path, "rb").read())
    return out


def mail_parts(app, server):
    """Each message delivered to the server as its envelope, subject,
    addresses and every part's type, file name and decoded content; the
    server is left empty for the next run."""
    out = []
    for delivery in server.deliveries:
        message = delivery.message
        parts = [(p.get_content_type(), p.get_filename(),
                  masked(app, p.get_payload(decode=True)))
                 for p in message.walk() if not p.is_multipart()]
        out.append((delivery.mail_from, delivery.rcpt_tos, message["Subject"],
                    message["From"], message["To"], parts))
    server.deliveries.clear()
    return out


def demo_switches():
    """The switches scripts/demo.sh runs the instance with: every task."""
    with open(os.path.join(SOURCE, "scripts", "demo.sh"), encoding="utf-8") as f:
        found = re.search(r"^SWITCHES=\(([^)]*)\)", f.read(), re.M)
    assert found, "scripts/demo.sh names its switches in SWITCHES=(...)"
    return found.group(1).split()


def run_demo(tmp_path, build, server):
    app = App(tmp_path, build=build, name="windows" if build.windows else "linux")
    install(app, server.address)
    help_text = app.run("/?").console
    result = app.run(*demo_switches(), at=WHEN)
    assert result.returncode == 0
    return {
        "help": help_text,
        "console": masked(app, result.console),
        "stderr": masked(app, result.stderr),
        "log": masked(app, app.log()),
        "serwery.ini": masked(app, app.ini()),
        "journal": masked(app, (app.dir / "host-sim.journal").read_bytes()),
        "files": written_files(app),
        "mail": mail_parts(app, server),
    }


def test_demo_run_is_the_same_on_both_systems(tmp_path, mail_server):  # noqa: F811
    assert LINUX.bin and os.path.exists(LINUX.bin), "ZEPH_LINUX_BIN must name the Linux build"
    server = mail_server()  # one server: its address is in serwery.ini
    linux = run_demo(tmp_path, LINUX, server)
    windows = run_demo(tmp_path, THIS_BUILD, server)
    assert linux["mail"], "the demo mails its reports"
    assert linux["files"], "the demo's tasks write files"
    for what in linux:
        assert windows[what] == linux[what], what
