"""zephautomat-run --resend RECORD: the mails a run failed to send go out
again from its record, whole, with the files as they are now; the record
marks each one the server took, and no mail is ever delivered twice."""

import json

import run_program
from conftest import WINDOWS, command, cp, entry, host_path
from smtp_server import mail_server  # noqa: F401 (fixture)
from test_run_wrapper import RUN, wrap

REPORT_SIM = "[Host]\nReport2.CreateDailyReport.Text = raport dzienny\n"


def resend(record):
    proc = run_program.run(command(RUN, "--resend", host_path(record)))
    return proc.returncode, proc.stderr.decode("utf-8").splitlines()


def mails(record):
    data = json.loads(record.read_text(encoding="utf-8"))
    return [(task["entry"], mail) for task in data["tasks"] for mail in task["mails"]]


def test_failed_mails_are_resent_once_with_the_files_as_they_are_now(app, mail_server):  # noqa: F811
    server = mail_server(refuse_data="554 5.7.1 Odrzucona")
    for name in ("Polnoc", "Poludnie"):
        (app.dir / "work" / name).mkdir(parents=True)
    app.write_config([(name, entry(RaportDzienny=1)) for name in ("Polnoc", "Poludnie")],
                     mail={"SerwerPocztowy": server.address})
    app.write_sim(REPORT_SIM)
    record = app.dir.parent / "out" / "record.json"
    run = wrap(app, "/RD", record=record)
    assert run.returncode == 1 and server.deliveries == []

    # the record holds each failed mail whole, with its file's size and time
    [(_, north), (_, south)] = mails(record)
    message = north["message"]
    report = app.dir / "work" / "Polnoc" / "RaportDzienny.txt"
    assert message["server"] == server.address
    assert message["sender"] == "nadawca@example.com"
    assert message["recipients"] == "odbiorca@example.com"
    assert message["subject"].startswith("ZephAutomat->Raport dzienny ")
    assert message["body"].startswith("Raport dzienny za dzień: ")
    [attachment] = message["attachments"]
    assert attachment["path"] == host_path(report)
    assert attachment["size"] == report.stat().st_size
    # Windows keeps file times in steps of 100 ns
    step = 100 if WINDOWS else 1
    assert int(attachment["modified_ns"]) // step == report.stat().st_mtime_ns // step

    # the server is mended; one file grew since the run, the other is gone
    server.refuse_data = None
    report.write_bytes(report.read_bytes() + cp("dopisek\r\n"))
    gone = app.dir / "work" / "Poludnie" / "RaportDzienny.txt"
    gone.unlink()
    log_before = app.log()
    code, said = resend(record)

    assert code == 1, said
    assert f"zephautomat-run: [Polnoc] /RD: {host_path(report)} has changed since the run; it is " \
           "sent as it is now" in said
    assert f"zephautomat-run: [Poludnie] /RD: {host_path(gone)} has gone since the run" in said
    assert "zephautomat-run: [Polnoc] /RD: mail sent again" in said
    assert any(line.startswith("zephautomat-run: [Poludnie] /RD: mail not sent: ") and
               "Cannot open file" in line for line in said), said
    assert said[-1] == ("zephautomat-run: 1 mails sent again, 1 failed, 0 delivered before; "
                        "exit code 1")
    [delivery] = server.deliveries
    sent = delivery.message
    assert sent["Subject"] == message["subject"]
    assert sent.get_body(("plain",)).get_content().startswith(message["body"])
    [attached] = [part for part in sent.iter_attachments()]
    assert attached.get_content().endswith(b"dopisek\r\n")
    assert app.log() == log_before  # the program's own files are not touched
    [(_, north), (_, south)] = mails(record)
    assert north["sent"] is False and north["resent"]["sent"] is True
    assert north["resent"]["files_changed"] == [host_path(report)]
    assert south["resent"]["sent"] is False and south["resent"]["files_gone"] == [host_path(gone)]

    # again: the delivered mail is never sent twice; the other is tried again
    code, said = resend(record)
    assert code == 1
    assert said[-1] == ("zephautomat-run: 0 mails sent again, 1 failed, 1 delivered before; "
                        "exit code 1")
    assert len(server.deliveries) == 1


def test_unreadable_record_sends_nothing(app, tmp_path):
    record = tmp_path / "record.json"
    record.write_text("{ nie json")
    code, said = resend(record)
    assert code == 2 and "cannot be read" in said[-1]
