"""/EK: current data, the closed month, the write-back to serwery.ini and the mail."""

import datetime
import pytest

from conftest import INDENT, cp, entry, host_path, journal_dir, log_block, mask
from host_journal import frame_close, frame_open
from smtp_server import PASSWORD, USER, mail_server  # noqa: F401 (fixture)

CURRENT = b"[SRV].[DB] Eksport do programu Tessaro: dane biezace... "
MONTHLY = b"[SRV].[DB] Eksport do programu Tessaro: dane miesieczne... "
CURRENT_LOG = "TS  [SRV].[DB] Eksport do programu Tessaro: dane bieżące"
MONTHLY_LOG = "TS  [SRV].[DB] Eksport do programu Tessaro: dane miesięczne"


def ole(year, month, day):
    return str((datetime.date(year, month, day) - datetime.date(1899, 12, 30)).days)




def summary(exported, files, sent, mail_error=""):
    lines = [INDENT + "Eksportowano: " + exported, INDENT + "Były pliki:   " + files,
             INDENT + "Wysłano:      " + sent]
    if sent == "nie":
        lines.append(INDENT + "  Komunikat błędu: " + mail_error)
    return lines


def period_sim(year, month, extra=""):
    return (f"[Host]\nSetup.GetLoginValue.ROK = {year}\nSetup.GetLoginValue.MIESIAC = {month}\n"
            "EksportTessaro.ExportToTessaro.Files =\n"
            f"EksportTessaro.ExportToTessaro.EndDate = 2024.03.15\n{extra}")


DAY_FIRST = "Setup.GetParameter.SHORTDATEFORMAT = dd.mm.yyyy\n"


@pytest.mark.parametrize("keys, year, month, sim_extra, exports, closed", [
    # first run: the current data only, the period is noted
    ({"OstatniEksport": "2024.03.10", "ZamknietyMiesiac": ""}, 2024, 3, "",
     [("45362", "0", "44")], "2024.03"),
    # no last export: from 1900-01-01; the data range is passed on
    ({"ZakresDanych": "7"}, 2024, 3, "", [("2", "0", "7")], "2024.03"),
    # the month moved on: the whole previous month, leap day included
    ({"OstatniEksport": "2024.03.10", "ZamknietyMiesiac": "2024.02"}, 2024, 3, DAY_FIRST,
     [("45362", "0", "44"), (ole(2024, 2, 1), ole(2024, 2, 29), "44")], "2024.03"),
    # across the turn of the year
    ({"OstatniEksport": "2024.03.10", "ZamknietyMiesiac": "2023.12"}, 2024, 1, "",
     [("45362", "0", "44"), (ole(2023, 12, 1), ole(2023, 12, 31), "44")], "2024.01"),
    # same period, or a stored month that is no "yyyy.mm": nothing more, unchanged
    ({"OstatniEksport": "2024.03.10", "ZamknietyMiesiac": "2024.03"}, 2024, 3, "",
     [("45362", "0", "44")], "2024.03"),
    ({"OstatniEksport": "2024.03.10", "ZamknietyMiesiac": "2024.3"}, 2024, 4, "",
     [("45362", "0", "44")], "2024.3"),
    ({"OstatniEksport": "2024.03.10", "ZamknietyMiesiac": "0000.05"}, 2024, 3, "",
     [("45362", "0", "44")], "0000.05"),
    ({"OstatniEksport": "2024.03.10", "ZamknietyMiesiac": "marzec"}, 2024, 3, "",
     [("45362", "0", "44")], "marzec"),
])
def test_passes_dates_and_bookkeeping(app, keys, year, month, sim_extra, exports, closed):
    app.write_config([("S1", entry(EksportDoPelkTessaro=1, **keys))])
    app.write_sim(period_sim(year, month, sim_extra))
    result = app.run("/EK")

    monthly = len(exports) == 2
    assert result.body == CURRENT + b"OK\n" + (MONTHLY + b"OK\n" if monthly else b"")
    assert mask(app.log()) == log_block(
        CURRENT_LOG, *([MONTHLY_LOG] if monthly else []), *summary("tak", "nie", "nie"))
    calls = [line for line in app.journal() if ".ExportToTessaro(" in line]
    assert calls == [f"EksportTessaro#1.ExportToTessaro({', '.join(e)})" for e in exports]
    # the host's end date, always written year first
    assert app.ini_value("OstatniEksport") == "2024.03.15"
    assert app.ini_value("ZamknietyMiesiac") == closed


@pytest.mark.parametrize("closed, sim, console, log_lines", [
    ("2024.03", "EksportTessaro.ExportToTessaro = false: Brak danych",
     CURRENT + b"BLAD: Operation aborted\n",
     [CURRENT_LOG, "TS  Brak danych", "TS  BŁĄD: Operation aborted"]),
    ("2024.02", "EksportTessaro.ExportToTessaro#2 = false: Brak danych miesięcznych",
     CURRENT + b"OK\n" + MONTHLY + b"BLAD: Operation aborted\n",
     [CURRENT_LOG, MONTHLY_LOG, "TS  Brak danych miesięcznych", "TS  BŁĄD: Operation aborted"]),
    # a month beyond December fails once the pass has been announced
    ("2024.13", "", CURRENT + b"OK\n" + MONTHLY + b"BLAD: Invalid argument to date encode\n",
     [CURRENT_LOG, MONTHLY_LOG, "TS  BŁĄD: Invalid argument to date encode"]),
], ids=["current", "monthly", "month-13"])
def test_failed_pass_writes_nothing_back(app, closed, sim, console, log_lines):
    app.write_config([("S1", entry(EksportDoPelkTessaro=1, OstatniEksport="2024.03.10",
                                   ZamknietyMiesiac=closed))])
    app.write_sim(period_sim(2024, 3) + f"[SRV/DB]\n{sim}\n")
    result = app.run("/EK")

    assert result.body == console
    assert mask(app.log()) == log_block(*log_lines, *summary("tak", "nie", "nie"))
    assert app.ini_value("OstatniEksport") == "2024.03.10"
    assert app.ini_value("ZamknietyMiesiac") == closed


def test_refused_login_reports_three_times_nie(app):
    app.write_config([("S1", entry(EksportDoPelkTessaro=1))])
    app.write_sim("[Host]\nSetup.Login = false\n")
    result = app.run("/EK")

    assert result.body == cp("BLAD: Logowanie zakończyło się niepowodzeniem.\n")
    assert mask(app.log()) == log_block("TS  BŁĄD: Logowanie zakończyło się niepowodzeniem.",
                                        *summary("nie", "nie", "nie"))
    assert not any("EksportTessaro" in line for line in app.journal())


def test_files_of_both_passes_are_mailed_in_order(app, mail_server):  # noqa: F811
    server = mail_server()
    app.write_config(
        [("S1", entry(EksportDoPelkTessaro=1, OstatniEksport="2024.03.10",
                      ZamknietyMiesiac="2024.02", KorektaDatyKoncowej="2"))],
        mail={"SerwerPocztowy": server.address, "Uwierzytelnianie": "1", "Uzytkownik": USER,
              "Haslo": PASSWORD})
    app.write_sim(period_sim(2024, 3) +
                  "Setup.GetParameter.IDENTYFIKATOR_WLASCICIELA = 123\n"
                  "EksportTessaro.ExportToTessaro.Files#1 = b.txt, a.txt\n"
                  "EksportTessaro.ExportToTessaro.Files#2 = m.txt\n")
    result = app.run("/EK")

    assert result.body == CURRENT + b"OK\n" + MONTHLY + b"OK\n"
    assert mask(app.log()) == log_block(CURRENT_LOG, MONTHLY_LOG, *summary("tak", "tak", "tak"))
    names = ("b.txt", "a.txt", "m.txt")
    # The simulator joins the names it reports to its directory with '/'.
    paths = [host_path(app.dir / "work" / "S1") + "/" + name for name in names]

    assert len(server.deliveries) == 1 and server.logins == [("LOGIN", USER)]
    delivery = server.deliveries[0]
    assert delivery.mail_from == "nadawca@example.com"
    assert delivery.rcpt_tos == ["odbiorca@example.com"]
    message = delivery.message
    assert message["Subject"] == "ZephAutomat->Tessaro 123 [SRV].[DB]"
    body = message.get_body(("plain",)).get_content().replace("\r\n", "\n")
    assert body.rstrip("\n").split("\n") == paths
    attachments = list(message.iter_attachments())
    assert [part.get_filename() for part in attachments] == ["b.txt", "a.txt", "m.txt"]
    for part, name in zip(attachments, names):
        assert part.get_payload(decode=True) == (app.dir / "work" / "S1" / name).read_bytes()

    assert app.journal() == frame_open() + [
        'Setup#1.GetLoginValue("ROK")',
        'Setup#1.GetLoginValue("MIESIAC")',
        "create EksportTessaro -> EksportTessaro#1",
        "EksportTessaro#1.SetConfiguration(Setup#1)",
        "Setup#1.RegisterModule(EksportTessaro, EksportTessaro#1)",
        f'EksportTessaro#1.SetWorkingDirectory("{journal_dir(app.dir / "work" / "S1")}")',
        "EksportTessaro#1.SetEndDateCorrection(2)",
        "EksportTessaro#1.ExportToTessaro(45362, 0, 44)",
        "EksportTessaro#1.GetFileList()",
        f"EksportTessaro#1.ExportToTessaro({ole(2024, 2, 1)}, {ole(2024, 2, 29)}, 44)",
        "EksportTessaro#1.GetFileList()",
        'Setup#1.GetParameter("IDENTYFIKATOR_WLASCICIELA")',
        "Setup#1.Logout()",
        "Setup#1.UnregisterModule(EksportTessaro)",
        "EksportTessaro#1.SetConfiguration(nil)",
        "EksportTessaro#1.Finish()",
    ] + frame_close()[1:]


def test_mail_failure_is_only_in_the_summary(app):
    # the default mail server 127.0.0.1:1 refuses the connection
    app.write_config([("S1", entry(EksportDoPelkTessaro=1, OstatniEksport="2024.03.10"))])
    app.write_sim("[Host]\nEksportTessaro.ExportToTessaro.EndDate = 2024.03.15\n")
    result = app.run("/EK")

    assert result.body == CURRENT + b"OK\n"
    log = mask(app.log())
    head = log_block(CURRENT_LOG, *summary("tak", "tak", "nie"))
    wrapped = cp("Wystąpił błąd podczas wysyłania wiadomości e-mail.\r\n"
                 "Sprawdź konfigurację aplikacji - ustawienia dotyczące wysyłania e-mail.\r\n"
                 "(komunikat: ")
    assert log.startswith(head[:-2] + wrapped), log
    assert log.endswith(b")\r\n")
    # the bookkeeping was written before the mail
    assert app.ini_value("OstatniEksport") == "2024.03.15"


@pytest.mark.posix_only("a symbolic link the rewrite follows; under Wine the link is not seen")
def test_unwritable_server_list_fails_the_task_before_the_mail(app, mail_server):  # noqa: F811
    server = mail_server()
    app.write_config([("S1", entry(EksportDoPelkTessaro=1, OstatniEksport="2024.03.10"))],
                     mail={"SerwerPocztowy": server.address})
    app.write_sim("[Host]\nEksportTessaro.ExportToTessaro.EndDate = 2024.03.15\n")
    app.run("/EK:1")  # loads and normalises only, so the next load has nothing to write
    # The list is replaced through a file beside it; a target whose name
    # leaves no room for another name beside it cannot be replaced, even by root.
    target = app.dir / ("s" * 250)
    app.path("serwery.ini").rename(target)
    app.path("serwery.ini").symlink_to(target.name)
    result = app.run("/EK")

    error = cp("Błąd zapisu do pliku konfiguracyjnego: " + str(app.path("serwery.ini")) + "\r\n")
    assert result.body.startswith(CURRENT + b"OK\nBLAD: " + error)
    log = mask(app.log())
    assert log.startswith(log_block(CURRENT_LOG) + cp("TS  BŁĄD: ") + error)
    assert log.endswith(log_block(*summary("tak", "nie", "nie")))
    assert server.sessions == 0
    assert app.ini_value("OstatniEksport") == "2024.03.10"
