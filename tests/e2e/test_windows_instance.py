"""zephautomat-instance.exe under Wine, run from the build tree, which holds
what an installation holds beside it (the program, its DLLs, the samples):
an instance made and kept up to date, its access lists, the nightly task's
definition and its registration, and a run started as that task starts
it, with mail, leaving its record and metrics where the task says."""

import json
import os
import re
import shutil
from pathlib import Path

import pytest

import run_program
from conftest import HOST_MODE, THIS_BUILD, WINDOWS, cp, host_path
from smtp_server import mail_server  # noqa: F401 (fixture)

pytestmark = [
    pytest.mark.skipif(not WINDOWS, reason="the Windows instance tool, under Wine "
                       "(scripts/test-windows.sh)"),
    pytest.mark.skipif(HOST_MODE == "com", reason="making an instance does not depend on how "
                       "the host is reached: run once, with the host's DLL"),
]

BUILD = Path(os.environ.get("ZEPH_BUILD_DIR", "."))
TOOL = BUILD / "zephautomat-instance.exe"
CHECK = os.environ.get("ZEPH_CHECK", "")
SIM = os.environ.get("ZEPH_SIM", "")
PREFIX = Path(os.environ.get("WINEPREFIX") or Path.home() / ".wine")
READABLE = "holds passwords and is readable by"


def run(*argv, cwd=None):
    done = run_program.run([*THIS_BUILD.runner, *map(str, argv)], timeout=300, cwd=cwd)
    done.out = THIS_BUILD.stderr(done.stdout).decode("utf-8", "replace")
    done.err = THIS_BUILD.stderr(done.stderr).decode("utf-8", "replace")
    return done


def tool(*args):
    return run(TOOL, *args)


def make(folder, *options):
    done = tool("create", host_path(folder), "--host-library", host_path(SIM), *options)
    assert done.returncode == 0, done.out + done.err
    return folder


def check(folder):
    return run(CHECK, host_path(folder))


def windows_arguments(line):
    """A command line split as the C runtime splits it (quotes, and the
    backslashes before a quote)."""
    words, word, quoted, backslashes, started = [], "", False, 0, False
    for c in line + " ":
        if c == "\\":
            backslashes += 1
            continue
        if c == '"':
            word += "\\" * (backslashes // 2)
            if backslashes % 2:
                word += '"'
            else:
                quoted = not quoted
            backslashes, started = 0, True
            continue
        word += "\\" * backslashes
        backslashes = 0
        if c in " \t" and not quoted:
            if started or word:
                words.append(word)
            word, started = "", False
        else:
            word += c
    return words


def task_of(folder):
    """The task definition the tool wrote: UTF-16 as Windows stores one."""
    data = (folder / "zephautomat-task.xml").read_bytes()
    assert data.startswith(b"\xff\xfe")
    return data[2:].decode("utf-16-le")


def element(xml, name):
    [value] = re.findall(f"<{name}>(.*?)</{name}>", xml)
    return value.replace("&quot;", '"').replace("&amp;", "&")


def test_create_makes_an_instance_of_the_installed_program(tmp_path):
    folder = make(tmp_path / "main")
    assert (folder / "zephautomat.exe").read_bytes() == (BUILD / "zephautomat.exe").read_bytes()
    assert list(folder.glob("libcurl*.dll")), "libcurl's DLL beside the program"
    ini = (folder / "serwery.ini").read_bytes()
    # Windows-1250 with CR LF, the working directory under the instance.
    assert cp("[Baza główna]\r\n") in ini and b"\n" not in ini.replace(b"\r\n", b"")
    assert cp(f"KatalogRoboczy={host_path(folder)}\\praca\r\n") in ini
    components = (folder / "components.ini").read_text()
    assert re.findall(r"^\w+=(.*?)\r?$", components, re.M) == [host_path(SIM)] * 4


@pytest.mark.wine_gap("Wine keeps no access list; it derives one from the file's Unix mode")
def test_no_one_but_the_account_and_administrators_may_read_the_server_list(tmp_path):
    folder = make(tmp_path / "main")
    assert READABLE not in check(folder).out


def test_update_replaces_an_outdated_program_and_again_changes_nothing(tmp_path):
    folder = make(tmp_path / "main")
    (folder / "serwery.ini").write_bytes(b"[Konfiguracja]\r\nSerwerPocztowy=operator\r\n")
    done = tool("update", host_path(folder))
    assert done.returncode == 0 and "runs the installed program" in done.out
    assert done.out.rstrip().endswith("already"), done.out
    program = folder / "zephautomat.exe"
    program.write_bytes(program.read_bytes()[:-1])
    done = tool("update", host_path(folder))
    assert done.returncode == 0 and "now runs the installed program" in done.out, done.out
    assert program.read_bytes() == (BUILD / "zephautomat.exe").read_bytes()
    assert tool("update", host_path(folder)).out.rstrip().endswith("already")
    assert (folder / "serwery.ini").read_bytes() == b"[Konfiguracja]\r\nSerwerPocztowy=operator\r\n"


@pytest.mark.parametrize("args, message", [
    (["--user", "no-such-account-zeph"], "no such account: no-such-account-zeph"),
    (["--host-library", "Z:\\no\\such.dll"], "the host library Z:\\no\\such.dll does not exist"),
], ids=["unknown account", "missing host library"])
def test_a_refused_create_leaves_nothing_behind(tmp_path, args, message):
    folder = tmp_path / "main"
    done = tool("create", host_path(folder), *args)
    assert done.returncode == 1 and message in done.err, done.err
    assert not folder.exists()


def test_an_existing_directory_is_never_made_over(tmp_path):
    folder = make(tmp_path / "main")
    before = {p.name: p.read_bytes() for p in folder.iterdir()}
    done = tool("create", host_path(folder))
    assert done.returncode == 1 and "exists already" in done.err
    assert {p.name: p.read_bytes() for p in folder.iterdir()} == before


def test_a_name_is_an_instance_under_c_zephautomat():
    folder = PREFIX / "drive_c" / "ZephAutomat" / "e2e-named"
    shutil.rmtree(folder, ignore_errors=True)
    try:
        done = tool("create", "e2e-named")
        assert done.returncode == 0, done.err
        assert "created C:\\ZephAutomat\\e2e-named" in done.out
        assert cp("KatalogRoboczy=C:\\ZephAutomat\\e2e-named\\praca\r\n") in \
            (folder / "serwery.ini").read_bytes()
    finally:
        shutil.rmtree(folder, ignore_errors=True)


@pytest.mark.parametrize("args, message", [
    ([], "name the switches"),
    (["/WDS", "nightly"], "nightly is no switch"),
    (["--at", "2:00", "/WDS"], "--at takes a time of day HH:MM, not 2:00"),
    (["--time-limit", "0", "/WDS"], "--time-limit takes hours from 1 to 72, not 0"),
])
def test_schedule_refuses_what_would_make_a_useless_task(tmp_path, args, message):
    folder = make(tmp_path / "main")
    done = tool("schedule", host_path(folder), "--no-register", *args)
    assert done.returncode == 1 and message in done.err, done.err
    assert not (folder / "zephautomat-task.xml").exists()


# The task's last result is the wrapper's exit code: 0 with the mail sent,
# 1 when it could not be.
@pytest.mark.parametrize("mail_up, verdict", [(True, 0), (False, 1)], ids=["mail sent",
                                                                        "mail failed"])
def test_a_run_as_the_task_starts_it_mails_and_leaves_record_and_metrics(
        tmp_path, mail_server, mail_up, verdict):  # noqa: F811
    folder = make(tmp_path / "main")
    server = mail_server()
    address = server.ip_address if mail_up else "127.0.0.1:1"
    (folder / "praca").mkdir()
    (folder / "serwery.ini").write_bytes(cp(
        "[Konfiguracja]\r\n"
        f"SerwerPocztowy={address}\r\n"
        "AdresPocztowyOdbiorcy=odbiorca@example.com\r\n"
        "AdresPocztowyNadawcy=nadawca@example.com\r\n"
        "[Północ]\r\nSerwer=SRV\r\nBaza=DB\r\nUzytkownik=Jan\r\nHaslo=x\r\n"
        f"KatalogRoboczy={host_path(folder)}\\praca\r\n"
        "WymianaDanychSpr=1\r\nRaportDzienny=1\r\n"))
    done = tool("schedule", host_path(folder), "--no-register", "--at", "03:15", "/WDS", "/RD")
    assert done.returncode == 0, done.err
    task = task_of(folder)
    assert element(task, "MultipleInstancesPolicy") == "IgnoreNew"
    assert element(task, "StartBoundary") == "2000-01-01T03:15:00"
    command = windows_arguments(element(task, "Command"))
    arguments = windows_arguments(element(task, "Arguments"))
    assert command == [host_path(BUILD / "zephautomat-run.exe")]
    assert arguments[-3:] == [host_path(folder), "/WDS", "/RD"]

    ran = run(*command, *arguments, cwd=folder)

    assert ran.returncode == verdict, ran.err
    assert ran.out.startswith("Automatyczny eksport zostal uruchomiony.\n")
    # --quiet: the summary only for a run that did not succeed
    assert (ran.err == "") == (verdict == 0), ran.err
    assert len(server.deliveries) == (1 if mail_up else 0)
    record = json.loads((folder / "zephautomat-run.json").read_text(encoding="utf-8"))
    assert [(t["entry"], t["switch"], t["outcome"]) for t in record["tasks"]] == [
        ("Północ", "/WDS", "ok"), ("Północ", "/RD", "ok")]
    assert [m["sent"] for m in record["tasks"][1]["mails"]] == [mail_up]
    metrics = (folder / "zephautomat.prom").read_text(encoding="utf-8")
    label = host_path(folder).replace("\\", "\\\\")
    assert f'zephautomat_last_run_exit_code{{instance_dir="{label}"}} {verdict}\n' in metrics


def test_schedule_registers_the_task_with_schtasks():
    """Wine's Task Scheduler reads the definition and stores its settings
    (not its trigger, principal nor action, which it does not keep)."""
    folder = PREFIX / "drive_c" / "ZephAutomat" / "e2e-scheduled"
    stored = PREFIX / "drive_c" / "windows" / "system32" / "tasks" / "ZephAutomat" / "e2e-scheduled"
    shutil.rmtree(folder, ignore_errors=True)
    try:
        assert tool("create", "e2e-scheduled").returncode == 0
        done = tool("schedule", "e2e-scheduled", "--time-limit", "6", "/WDS")
        assert done.returncode == 0, done.out + done.err
        assert "scheduled \\ZephAutomat\\e2e-scheduled every day at 02:00" in done.out
        task = stored.read_text(encoding="utf-8-sig")
        assert "<MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy>" in task
        assert "<ExecutionTimeLimit>PT6H</ExecutionTimeLimit>" in task
    finally:
        shutil.rmtree(folder, ignore_errors=True)
        if stored.exists():
            stored.unlink()
