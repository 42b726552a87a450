"""zephautomat-run: exit code, summary, run record and metrics of a run.

The wrapper runs the real program of an instance against the host simulator
and a real SMTP server, then judges the record the program wrote."""

import json
import os
import pwd
import re
import resource
import stat

import pytest

import run_program
from conftest import (END, MAIL_FAILURE, START, SWITCH_REFERENCE, WINDOWS, command, cp, entry,
                      host_path, mask)
from smtp_server import mail_server  # noqa: F401 (fixture)

RUN = os.environ.get("ZEPH_RUN", "")
GEFCO_DOWN = "Brak połączenia z serwerem FTP Gefco"


class Wrapped:
    def __init__(self, proc, record_path, metrics_path):
        self.returncode = proc.returncode
        self.console = proc.stdout
        self.summary = proc.stderr.decode("utf-8").splitlines()
        self.record = (json.loads(record_path.read_text(encoding="utf-8"))
                       if record_path.exists() else None)
        self.metrics = metrics_path.read_text(encoding="utf-8") if metrics_path.exists() else None

    def metric(self, name, **labels):
        """Value of one series; labels beyond instance_dir must all match."""
        for line in self.metrics.splitlines():
            match = re.match(r"^(\w+)\{(.*)\} (\S+)$", line)
            if not match or match.group(1) != name:
                continue
            # label values as the exposition format escapes them: \\, \" and \n
            found = {k: re.sub(r"\\(.)", lambda m: "\n" if m.group(1) == "n" else m.group(1), v)
                     for k, v in re.findall(r'(\w+)="((?:[^"\\]|\\.)*)"', match.group(2))}
            if all(found.get(k) == v for k, v in labels.items()):
                return float(match.group(3))
        raise AssertionError(f"no series {name} {labels} in\n{self.metrics}")


def wrap(app, *switches, options=(), record=None, preexec_fn=None):
    assert RUN and os.path.exists(RUN), "ZEPH_RUN must name the built wrapper"
    record = record or app.dir.parent / "out" / "record.json"
    metrics = app.dir.parent / "out" / "zephautomat.prom"
    metrics.parent.mkdir(exist_ok=True)
    proc = run_program.run(command(RUN, *options, "--record", host_path(record), "--metrics",
                                   host_path(metrics), host_path(app.dir), *switches),
                           preexec_fn=preexec_fn)
    return Wrapped(proc, record, metrics)


def test_all_good_run(app, mail_server):  # noqa: F811
    server = mail_server()
    app.write_config([("Północ", entry(WymianaDanychSpr=1, RaportDzienny=1))],
                     mail={"SerwerPocztowy": server.address})
    direct = app.run("/WDS", "/RD")
    before = mask(app.log())

    run = wrap(app, "/RD", "/WDS")

    assert run.returncode == 0
    # the console is the program's own; the log grows as usual
    assert run.console == direct.console == START + b"OK\nOK\n" + END
    assert mask(app.log()) == before + before
    assert run.summary == [
        "zephautomat-run: [Północ] /WDS (WymianaDanychSpr): ok",
        "zephautomat-run: [Północ] /RD (RaportDzienny): ok",
        "zephautomat-run: 2 tasks run, 0 failed, 0 mails failed; exit code 0",
    ]
    record = run.record
    assert record["switches"] == ["/RD", "/WDS"]
    assert record["ended_early"] is None
    assert [(t["entry"], t["server"], t["database"], t["switch"], t["enable"], t["outcome"],
             t["errors"], t["mails"]) for t in record["tasks"]] == [
        ("Północ", "SRV", "DB", "/WDS", "WymianaDanychSpr", "ok", [], []),
        ("Północ", "SRV", "DB", "/RD", "RaportDzienny", "ok", [], [{"sent": True}]),
    ]
    assert record["started"] <= record["ended"]
    assert all(t["duration_seconds"] >= 0 for t in record["tasks"])
    assert len(server.deliveries) == 2
    assert run.metric("zephautomat_last_run_exit_code", instance_dir=host_path(app.dir)) == 0
    assert run.metric("zephautomat_last_run_tasks_run") == 2
    assert run.metric("zephautomat_last_run_tasks_failed") == 0
    assert run.metric("zephautomat_last_run_timestamp_seconds") == pytest.approx(
        record["ended_unix"])
    assert run.metric("zephautomat_task_success", entry="Północ", switch="/RD") == 1


def test_failed_task_and_failed_mail(app):
    # the mail server of the configuration refuses connections
    app.write_config([("A", entry("SRV-A", WymianaDanychSpr=1, GefcoEksport=1)),
                      ("B", entry("SRV-B", RaportDzienny=1))])
    app.write_sim(f"[SRV-A/DB]\nStock.ExportFilesToGefco = false: {GEFCO_DOWN}\n")

    run = wrap(app, "/WDS", "/GE", "/RD")

    assert run.returncode == 1
    assert run.summary[0] == "zephautomat-run: [A] /WDS (WymianaDanychSpr): ok"
    assert run.summary[1] == f"zephautomat-run: [A] /GE (GefcoEksport): FAILED: {GEFCO_DOWN}"
    # a mail failure fails the run, not the task; its text is on one line
    assert run.summary[2].startswith(
        "zephautomat-run: [B] /RD (RaportDzienny): FAILED: mail: "
        + MAIL_FAILURE.replace("\r\n", " "))
    assert run.summary[3] == "zephautomat-run: 3 tasks run, 1 failed, 1 mails failed; exit code 1"
    gefco, report = run.record["tasks"][1:]
    assert (gefco["outcome"], gefco["errors"]) == ("failed", [GEFCO_DOWN])
    assert report["outcome"] == "ok"
    [mail] = report["mails"]
    assert mail["sent"] is False and mail["error"].startswith(MAIL_FAILURE)
    assert run.metric("zephautomat_last_run_exit_code") == 1
    assert run.metric("zephautomat_last_run_tasks_failed") == 1
    assert run.metric("zephautomat_last_run_mails_failed") == 1
    assert [run.metric("zephautomat_task_success", entry=e, switch=s)
            for e, s in [("A", "/WDS"), ("A", "/GE"), ("B", "/RD")]] == [1, 0, 0]
    if not WINDOWS:
        # The record holds the failed mail whole; the exporter reads the
        # metrics, often as a user of its own.
        out = app.dir.parent / "out"
        umask = os.umask(0)
        os.umask(umask)
        assert stat.S_IMODE((out / "record.json").stat().st_mode) == 0o640 & ~umask
        assert stat.S_IMODE((out / "zephautomat.prom").stat().st_mode) == 0o644 & ~umask


def test_every_failed_step_of_a_task_is_in_the_record(app):
    # /TPP logs a failing step and goes on with the next one
    app.write_config([("A", entry(WymianaZTPP=1))])
    app.write_sim("[SRV/DB]\nLexicon.ImportTppPrices = status: Brak cennika PTKW\n"
                  "Stock.ExportStockLevelsToTpp = status: Brak stanów\n")

    run = wrap(app, "/TPP")

    assert run.returncode == 1
    [task] = run.record["tasks"]
    assert (task["outcome"], task["errors"]) == ("failed", ["Brak cennika PTKW", "Brak stanów"])
    assert run.summary[0] == (
        "zephautomat-run: [A] /TPP (WymianaZTPP): FAILED: Brak cennika PTKW; Brak stanów")


def test_configuration_error_ends_the_run(app):
    app.write_config([("Dobra", entry(WymianaDanychSpr=1)),
                      ("Zła sekcja", entry(Baza="", WymianaDanychSpr=1))])

    run = wrap(app, "/WDS")

    assert run.returncode == 2
    assert run.console == START + END
    assert run.record["tasks"] == []
    assert run.record["ended_early"] == {"stage": "configuration",
                                         "message": "Błędne dane dla serwera: Zła sekcja"}
    assert run.summary == [
        "zephautomat-run: the run ended early (configuration): "
        "Błędne dane dla serwera: Zła sekcja",
        "zephautomat-run: 0 tasks run, 0 failed, 0 mails failed; exit code 2",
    ]
    assert run.metric("zephautomat_last_run_ended_early") == 1
    assert run.metric("zephautomat_last_run_exit_code") == 2


def _missing(app):
    app.exe.unlink()


def _not_executable(app):
    app.exe.chmod(0o644)


def _writes_no_record(app):
    app.exe.unlink()
    app.exe.write_text("#!/bin/sh\nexit 0\n")
    app.exe.chmod(0o755)


def _killed(app):
    app.exe.unlink()
    app.exe.write_text("#!/bin/sh\nkill -9 $$\n")
    app.exe.chmod(0o755)


@pytest.mark.posix_only("programs that are shell scripts, modes and signals")
@pytest.mark.parametrize("breakage, why", [
    (_missing, "cannot start {exe}: No such file or directory"),
    (_not_executable, "cannot start {exe}: Permission denied"),
    (_writes_no_record, "the program left no run record"),
    (_killed, "the program left no run record (the program was killed by signal Killed)"),
])
def test_run_that_could_not_start(app, breakage, why):
    app.write_config([("A", entry(WymianaDanychSpr=1))])
    breakage(app)

    run = wrap(app, "/WDS")

    why = why.format(exe=app.exe)
    assert run.returncode == 2
    assert run.summary == [
        f"zephautomat-run: the run ended early (start): {why}",
        "zephautomat-run: 0 tasks run, 0 failed, 0 mails failed; exit code 2",
    ]
    assert run.record["ended_early"] == {"stage": "start", "message": why}
    assert run.record["switches"] == ["/WDS"]
    assert run.metric("zephautomat_last_run_exit_code") == 2
    assert run.metric("zephautomat_last_run_tasks_run") == 0


def test_program_alone_writes_the_record_only_when_asked(app, tmp_path):
    app.write_config([("A", entry(WymianaDanychSpr=1))])
    record = tmp_path / "record.json"

    plain = app.run("/WDS")
    assert sorted(p.name for p in tmp_path.iterdir()) == ["app"]
    asked = app.run("/WDS", env={"ZEPHAUTOMAT_RUN_RECORD": str(record)})

    assert plain.console == asked.console == START + b"OK\n" + END
    assert plain.stderr == asked.stderr == b""
    assert [t["outcome"] for t in json.loads(record.read_text())["tasks"]] == ["ok"]
    # written whole: nothing but the record is left beside it
    assert sorted(p.name for p in tmp_path.iterdir()) == ["app", "record.json"]


def test_unwritable_record_leaves_a_trace(app, tmp_path):
    app.write_config([("A", entry(WymianaDanychSpr=1))])
    record = tmp_path / "missing-dir" / "record.json"

    result = app.run("/WDS", env={"ZEPHAUTOMAT_RUN_RECORD": str(record)})

    assert result.console == START + b"OK\n" + END
    assert result.stderr.decode() == (
        f"zephautomat: cannot write the run record {record}: No such file or directory\n")


def test_console_reaches_the_journal_in_utf8(app):
    # a host error with Polish letters is printed on the program's console
    app.write_config([("A", entry(GefcoEksport=1))])
    app.write_sim("[SRV/DB]\nStock.ExportFilesToGefco = false: Źle podany katalog żółty\n")
    direct = app.run("/GE")
    assert b"BLAD: " + cp("Źle podany katalog żółty") in direct.console

    run = wrap(app, "/GE")

    # the program's own console stays Windows-1250; the wrapper passes it on in UTF-8
    assert run.console == direct.console.decode("cp1250").encode("utf-8")
    assert "BLAD: Źle podany katalog żółty" in run.console.decode("utf-8")


# "/中": on Windows not "/?", as the C runtime's argv has it
@pytest.mark.parametrize("arguments", [["/EKK"], ["/WDS", "EK"], ["/WDS", "/R D"], ["/WDS", ""],
                                       ["/WDS", "/中"]])
def test_unknown_switch_is_refused_before_the_program_starts(app, arguments):
    app.write_config([("A", entry(WymianaDanychSpr=1))])

    run = wrap(app, *arguments)

    [wrong] = [a for a in arguments if a != "/WDS"]
    assert run.returncode == 2
    assert run.summary == [
        f"zephautomat-run: {wrong} is no switch of the program (see {SWITCH_REFERENCE}); "
        "nothing was run"]
    assert run.console == b""
    assert app.log() is None and app.journal() == []
    assert run.record is None and run.metrics is None


@pytest.mark.parametrize("options, exit_code", [((), 0), (("--strict",), 1)])
def test_switch_that_no_entry_enables_is_a_warning(app, options, exit_code):
    # the enable key of /RD is misspelt, so /RD runs nothing; lower case is a switch all the same
    app.write_config([("A", entry(WymianaDanychSpr=1, RaportDzienyy=1)),
                      ("B", entry(WymianaDanychSpr=0))])

    run = wrap(app, "/wds", "/RD", "/MHD", options=options)

    assert run.returncode == exit_code
    assert run.console == START + b"OK\n" + END
    assert run.summary == [
        "zephautomat-run: [A] /WDS (WymianaDanychSpr): ok",
        "zephautomat-run: warning: /RD was requested, but no entry of serwery.ini enables it; "
        "it ran nothing",
        "zephautomat-run: warning: /MHD was requested, but no entry of serwery.ini enables it; "
        "it ran nothing",
        f"zephautomat-run: 1 tasks run, 0 failed, 0 mails failed; exit code {exit_code}",
    ]
    assert run.record["switches_unused"] == ["/RD", "/MHD"]
    assert run.metric("zephautomat_last_run_switches_unused") == 2
    assert run.metric("zephautomat_last_run_exit_code") == exit_code


def test_every_switch_used_and_help_is_no_task(app):
    app.write_config([("A", entry(WymianaDanychSpr=1))])

    run = wrap(app, "/WDS", "/?", options=("--strict",))

    assert run.returncode == 0
    assert run.record["switches_unused"] == []
    assert run.metric("zephautomat_last_run_switches_unused") == 0


NO_TASK = ("no task ran: no entry of serwery.ini enables a requested switch")


@pytest.mark.parametrize("switches, options", [
    (["/EK", "/RD"], ()),  # switches the instance does not enable
    (["/RD"], ("--strict",)),  # the enable key of /RD misspelt
], ids=["other-switches", "misspelt-key-strict"])
def test_run_without_a_task_is_no_success(app, switches, options):
    app.write_config([("A", entry(WymianaDanychSpr=1, RaportDzienyy=1))])
    success = wrap(app, "/WDS").metric("zephautomat_last_run_success_timestamp_seconds")
    assert success > 0

    run = wrap(app, *switches, options=options)

    assert run.returncode == 1
    assert run.console == START + END
    assert run.summary[-2:] == [
        f"zephautomat-run: warning: {NO_TASK}; a run that does no work is no success",
        "zephautomat-run: 0 tasks run, 0 failed, 0 mails failed; exit code 1"]
    assert run.record["tasks"] == [] and run.record["warnings"] == [NO_TASK]
    assert run.metric("zephautomat_last_run_tasks_run") == 0
    assert run.metric("zephautomat_last_run_exit_code") == 1
    # the stale-success alert sees a schedule that does nothing
    assert run.metric("zephautomat_last_run_success_timestamp_seconds") == success


def test_success_timestamp_survives_failed_runs(app):
    app.write_config([("A", entry(WymianaDanychSpr=1))])
    first = wrap(app, "/WDS")
    success = first.metric("zephautomat_last_run_success_timestamp_seconds")
    assert success == pytest.approx(first.record["ended_unix"], abs=0.001)

    app.write_config([("A", entry(Baza="", WymianaDanychSpr=1))])
    failed = wrap(app, "/WDS")
    assert failed.returncode == 2
    assert failed.metric("zephautomat_last_run_timestamp_seconds") > success
    assert failed.metric("zephautomat_last_run_success_timestamp_seconds") == success

    app.write_config([("A", entry(WymianaDanychSpr=1))])
    again = wrap(app, "/WDS")
    assert again.metric("zephautomat_last_run_success_timestamp_seconds") == pytest.approx(
        again.record["ended_unix"], abs=0.001)


def test_never_succeeded_shows_zero(app):
    app.write_config([("A", entry(Baza="", WymianaDanychSpr=1))])

    run = wrap(app, "/WDS")

    assert run.metric("zephautomat_last_run_success_timestamp_seconds") == 0


def test_summary_tells_the_exit_code_the_tool_returns(app, tmp_path):
    app.write_config([("A", entry(WymianaDanychSpr=1))])
    record = tmp_path / "missing-dir" / "record.json"

    run = wrap(app, "/WDS", record=record)

    assert run.returncode == 2
    assert run.summary == [
        f"zephautomat-run: cannot write the run record {host_path(record)}: No such file or "
        "directory",
        "zephautomat-run: [A] /WDS (WymianaDanychSpr): ok",
        "zephautomat-run: 1 tasks run, 0 failed, 0 mails failed; exit code 2",
    ]
    assert run.metric("zephautomat_last_run_exit_code") == 2
    assert run.metric("zephautomat_last_run_success_timestamp_seconds") == 0


def _directory(path):
    path.mkdir()


def _link_loop(path):
    os.symlink(path.name, path)


@pytest.mark.parametrize("make, reason", [
    (_directory, "Is a directory"),
    (_link_loop, "Too many levels of symbolic links"),
])
def test_unreadable_server_list_tells_why(app, make, reason):
    made = app.path("serwery.ini")
    make(made)
    ini = host_path(made)  # as the program names it

    run = wrap(app, "/WDS")

    assert run.returncode == 2
    assert run.console == START + END
    # the logged text stays as it is; standard error and the record say why
    assert mask(app.log()) == f"TS  Unable to read {ini}\r\n".encode()
    assert run.record["ended_early"] == {"stage": "configuration",
                                         "message": f"Unable to read {ini}", "reason": reason}
    assert run.summary == [
        f"zephautomat: cannot read {ini}: {reason}",
        f"zephautomat-run: the run ended early (configuration): Unable to read {ini}: {reason}",
        "zephautomat-run: 0 tasks run, 0 failed, 0 mails failed; exit code 2",
    ]


@pytest.mark.skipif(os.geteuid() != 0, reason="needs root")
@pytest.mark.posix_only("user ids")
def test_root_running_another_users_instance_is_warned(app):
    app.write_config([("A", entry(WymianaDanychSpr=1))])
    os.chown(app.dir, 65534, 65534)
    try:
        owner = pwd.getpwuid(65534).pw_name
    except KeyError:
        owner = "65534"

    run = wrap(app, "/WDS")

    assert run.returncode == 0
    assert run.summary[0] == (
        f"zephautomat-run: warning: running as root the instance of {owner}; what this run "
        f"creates will belong to root, and the runs of {owner} may fail to write it; run as "
        f"{owner}: runuser -u {owner} -- zephautomat-run ...")
    # an instance of root's own: nothing to say
    os.chown(app.dir, 0, 0)
    assert not any("warning: running as root" in line for line in wrap(app, "/WDS").summary)


@pytest.mark.posix_only("a file size limit (RLIMIT_FSIZE) and its EFBIG")
def test_failed_write_backs_tell_why_in_the_record(app):
    ini = host_path(app.path("serwery.ini"))
    app.write_config([("A", entry(EksportDoMHD=1, OstatniEksportMHD="2024.03.01"))])
    app.write_sim("[SRV/DB]\nEksportTessaro.ExportToAmbro.EndDate = 2024.03.15\n")
    app.run("/X")  # normalised: the next load writes nothing
    limit = len(app.ini()) - 1  # the save's rewrite of the whole file cannot fit

    def limited():
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))
    saved = wrap(app, "/MHD", preexec_fn=limited)

    # the logged text stays as it is; the record adds the system's reason
    failed = f"Błąd zapisu do pliku konfiguracyjnego: {ini}\r\nUnable to write to {ini}"
    assert cp("BŁĄD: " + failed + "\r\n") in app.log()
    [task] = saved.record["tasks"]
    assert task["errors"] == [failed + " (File too large)"]
    assert saved.summary[-2] == ("zephautomat-run: [A] /MHD (EksportDoMHD): FAILED: "
                                 + failed.replace("\r\n", " ") + " (File too large)")

    # a load that must write, in a directory it cannot write in
    app.write_config([("A", entry(EksportDoMHD=1))])
    os.chmod(app.dir, 0o555)
    try:
        loaded = wrap(app, "/MHD")
    finally:
        os.chmod(app.dir, 0o755)
    assert loaded.record["ended_early"] == {"stage": "configuration",
                                            "message": f"Unable to write to {ini}",
                                            "reason": "Permission denied"}
