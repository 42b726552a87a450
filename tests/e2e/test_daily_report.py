"""/RD: the report file, the configuration code, the mail and the summary."""

import pytest

from conftest import INDENT, MAIL_FAILURE, cp, entry, log_block, mask
from host_journal import frame_close, frame_open
from smtp_server import mail_server  # noqa: F401 (fixture)

HEADER_LOG = "TS  [SRV].[DB] Raport dzienny: "
WHEN = "2024-03-02 09:05:07"
MOMENT = repr(45353 + (9 * 3600 + 5 * 60 + 7) * 1000 / 86400000)
REPORT = "Raport za dzień\r\nZażółć gęślą\nkoniec"
REPORT_SIM = r"Raport za dzień\r\nZażółć gęślą\nkoniec"  # as host-sim.ini spells it




def summary(created, sent, mail_error=""):
    lines = [INDENT + "Stworzono raport:       " + created,
             INDENT + "Raport dzienny wysłany: " + sent]
    if sent == "nie":
        lines.append(INDENT + "  Komunikat błędu: " + mail_error)
    return lines


def configure(app, mail_address, sim="", **keys):
    work = app.dir / "work" / "S1"
    work.mkdir(parents=True)
    # a report of an earlier run, longer than the new one
    (work / "RaportDzienny.txt").write_bytes(b"old report " * 100)
    app.write_config([("S1", entry(RaportDzienny=1, **keys))],
                     mail={"SerwerPocztowy": mail_address,
                           "AdresPocztowyOdbiorcy": " odbiorca@example.com "})
    app.write_sim("[Host]\nSetup.GetParameter.IDENTYFIKATOR_WLASCICIELA = 55\n"
                  f"Report2.CreateDailyReport.Text = {REPORT_SIM}\n" + sim)
    return work / "RaportDzienny.txt"


@pytest.mark.parametrize("stored, code, sim, day", [
    ("AB", "ABBBBBBBB", "", "2024-03-02"),
    ("", "BBBBBBBBB", "Setup.GetParameter.SHORTDATEFORMAT = dd/mm/yyyy\n"
                      "Setup.GetParameter.DATESEPARATOR = .\n", "02.03.2024"),
    ("ABCDEFGHIJKL", "ABCDEFGHIJKL", "", "2024-03-02"),
])
def test_report_is_stored_and_mailed(app, mail_server, stored, code, sim, day):  # noqa: F811
    server = mail_server()
    report = configure(app, server.address, sim, RaportDziennyKonfiguracja=stored)
    result = app.run("/RD", at=WHEN)

    assert result.body == b"OK\n"
    assert mask(app.log()) == log_block(HEADER_LOG, *summary("tak", "tak"))
    # the host's text as it came, in Windows-1250, old content gone
    assert report.read_bytes() == cp(REPORT)
    assert app.journal() == frame_open() + [
        "Setup#1.GetModule(Report2, -1) -> Report2#1",
        f'Report2#1.CreateDailyReport("{code}", {MOMENT})',
        'Setup#1.GetParameter("IDENTYFIKATOR_WLASCICIELA")',
        "Setup#1.UnregisterModule(Report2)",
    ] + frame_close()

    assert len(server.deliveries) == 1
    delivery = server.deliveries[0]
    assert delivery.rcpt_tos == ["odbiorca@example.com"]
    message = delivery.message
    assert message["Subject"] == "ZephAutomat->Raport dzienny 55 [SRV].[DB]"
    body = message.get_body(("plain",)).get_content()
    assert body.rstrip("\r\n") == f"Raport dzienny za dzień: {day} "
    attachments = list(message.iter_attachments())
    assert [part.get_filename() for part in attachments] == ["RaportDzienny.txt"]
    assert attachments[0].get_payload(decode=True) == cp(REPORT)


@pytest.mark.parametrize("sim, error, file_left", [
    # the file is created before the host is asked, and stays empty
    ("Report2.CreateDailyReport = false: Brak danych", "Tworzenia raportu dziennego: Brak danych",
     b""),
    # a NUL in the host's message does not cut it short
    ("Report2.CreateDailyReport = false: Brak\x00danych",
     "Tworzenia raportu dziennego: Brak?danych", b""),
    ("Setup.GetModule.Report2 = none", "Biblioteka Report2 nie jest zainicjowana", b""),
    ("Setup.Login = false", "Logowanie zakończyło się niepowodzeniem.", None),
], ids=["not-built", "not-built-nul", "no-report2", "login-refused"])
def test_failed_report_sends_nothing(app, mail_server, sim, error, file_left):  # noqa: F811
    server = mail_server()
    report = configure(app, server.address, sim + "\n")
    report.unlink()
    result = app.run("/RD")

    assert result.body == cp(f"BLAD: {error}\n")
    assert mask(app.log()) == log_block(HEADER_LOG, f"TS  BŁĄD: {error}", *summary("nie", "nie"))
    assert (report.read_bytes() if report.exists() else None) == file_left
    assert server.sessions == 0


def test_mail_failure_is_only_in_the_summary(app):
    configure(app, "127.0.0.1:1")
    result = app.run("/RD")

    assert result.body == b"OK\n"
    log = mask(app.log())
    head = log_block(HEADER_LOG, *summary("tak", "nie", MAIL_FAILURE))
    assert log.startswith(head[:-2]), log
    assert log.endswith(b")\r\n")


EFED_HEADER_LOG = "TS  [SRV].[DB] Eksport faktur do systemu eDokumenty: "


@pytest.mark.parametrize("switch, sim, block", [
    # the report is not built: /RD sends nothing, whatever /EK sent before it
    ("/RD", "Report2.CreateDailyReport = false: Brak danych\n",
     [HEADER_LOG, "TS  BŁĄD: Tworzenia raportu dziennego: Brak danych",
      *summary("nie", "nie")]),
    # a clean invoice export has nothing to mail
    ("/EFED", "",
     [EFED_HEADER_LOG, INDENT + "Zakończono poprawnie: tak",
      INDENT + "Wysłano log         : nie", INDENT + "  Komunikat błędu: "]),
], ids=["report-not-built", "invoices-clean"])
def test_a_task_reports_only_its_own_mail(app, mail_server, switch, sim, block):  # noqa: F811
    server = mail_server()
    configure(app, server.address, sim, EksportDoPelkTessaro=1,
              EksportFakturDoSystemuEDokumenty=1)
    app.run("/EK", switch)

    assert len(server.deliveries) == 1  # /EK mailed its files
    assert mask(app.log()).endswith(log_block(*block))
