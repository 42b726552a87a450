"""/MHD: the Ambro exchange, its dates and the write-back to serwery.ini."""

import pytest

from conftest import cp, entry, journal_dir, mask
from host_journal import frame_close, frame_open

HEADER = b"[SRV].[DB] Eksport do MHD: dane biezace... "
DDMMYYYY = "[Host]\nSetup.GetParameter.SHORTDATEFORMAT = dd.mm.yyyy\n"



@pytest.mark.parametrize("stored, end_date, sim_extra, start, written", [
    # the day after the last exchange; the host's end date is stored
    ("2024.03.10", "2024.03.15", "", "45362", "2024.03.15"),
    # a day-first host date format does not change the stored form
    ("2024.03.10", "2024.03.31", DDMMYYYY, "45362", "2024.03.31"),
    # an end date the host leaves untouched is stored as it stands: 0
    ("2024.02.28", "unchanged", "", "45351", "1899.12.30"),
])
def test_exchange_covers_days_after_last_and_stores_end_date(app, stored, end_date, sim_extra,
                                                            start, written):
    app.write_config([("S1", entry(EksportDoMHD=1, OstatniEksportMHD=stored))])
    app.write_sim(sim_extra + f"[SRV/DB]\nEksportTessaro.ExportToAmbro.EndDate = {end_date}\n")
    result = app.run("/MHD")

    assert result.body == HEADER + b"OK\n"
    assert mask(app.log()) == cp("TS  [SRV].[DB] Eksport do MHD: dane bieżące\r\n")
    work = journal_dir(app.dir / "work" / "S1")
    assert app.journal() == frame_open() + [
        "create EksportTessaro -> EksportTessaro#1",
        "EksportTessaro#1.SetConfiguration(Setup#1)",
        "Setup#1.RegisterModule(EksportTessaro, EksportTessaro#1)",
        f'EksportTessaro#1.SetWorkingDirectory("{work}")',
        f"EksportTessaro#1.ExportToAmbro({start}, 0, -1)",
        "Setup#1.Logout()",
        "Setup#1.UnregisterModule(EksportTessaro)",
        "EksportTessaro#1.SetConfiguration(nil)",
        "EksportTessaro#1.Finish()",
    ] + frame_close()[1:]
    assert app.ini_value("OstatniEksportMHD") == written


@pytest.mark.parametrize("sim, console, log_lines", [
    # the host's own description goes to the log; the error is the abort
    ("EksportTessaro.ExportToAmbro = false: Brak połączenia z Ambro",
     HEADER + b"BLAD: Operation aborted\n",
     ["TS  [SRV].[DB] Eksport do MHD: dane bieżące", "TS  Brak połączenia z Ambro",
      "TS  BŁĄD: Operation aborted"]),
    # a failure status of the call reports the host's description itself
    ("EksportTessaro.ExportToAmbro = status: Serwer nie odpowiada",
     HEADER + b"BLAD: Serwer nie odpowiada\n",
     ["TS  [SRV].[DB] Eksport do MHD: dane bieżące", "TS  BŁĄD: Serwer nie odpowiada"]),
    # a refused login: no progress line at all
    ("Setup.Login = false",
     cp("BLAD: Logowanie zakończyło się niepowodzeniem.\n"),
     ["TS  BŁĄD: Logowanie zakończyło się niepowodzeniem."]),
], ids=["host-failure", "status", "login-refused"])
def test_failed_exchange_keeps_stored_date(app, sim, console, log_lines):
    app.write_config([("S1", entry(EksportDoMHD=1, OstatniEksportMHD="2024.03.10"))])
    app.write_sim(f"[SRV/DB]\n{sim}\n")
    result = app.run("/MHD")

    assert result.body == console
    assert mask(app.log()) == b"".join(cp(line) + b"\r\n" for line in log_lines)
    assert app.ini_value("OstatniEksportMHD") == "2024.03.10"


def test_central_export_and_ambro_both_leave_their_dates(app):
    app.write_config([("S1", entry(EksportDoPelkTessaro=1, EksportDoMHD=1,
                                   OstatniEksport="2024.03.01", OstatniEksportMHD="2024.03.02",
                                   ZamknietyMiesiac="2024.03"))])
    app.write_sim("[Host]\nSetup.GetLoginValue.ROK = 2024\nSetup.GetLoginValue.MIESIAC = 3\n"
                  "EksportTessaro.ExportToTessaro.Files =\n"
                  "EksportTessaro.ExportToTessaro.EndDate = 2024.03.20\n"
                  "EksportTessaro.ExportToAmbro.EndDate = 2024.03.21\n")
    result = app.run("/EK", "/MHD")

    assert result.body.count(b"OK\n") == 2
    section = app.ini().split(b"[S1]\r\n", 1)[1]
    assert b"OstatniEksport=2024.03.20\r\n" in section
    assert b"OstatniEksportMHD=2024.03.21\r\n" in section
    assert b"ZamknietyMiesiac=2024.03\r\n" in section
