"""/XML: ZephProc made before the login and never registered; no header, no
summary, no "OK"; Finish after the logout; a ZephProc that cannot be made
ends the run."""

import os
import re

import pytest

from conftest import WINDOWS, cp, disk_name, entry, host_path, journal_path
from host_journal import frame_close, frame_open

CREATED = ["create ZephProc -> ZephProc#1"]
OPENED = frame_open()
START = ["ZephProc#1.Start()", 'ZephProc#1.OpenDatabase("SRV", "DB", "Jan", "x")']
SAVE = re.compile(r'ZephProc#1\.SaveDictionariesToXml\("(.*)", 7, 7, 3\)$')
# Logout, then Finish, then the configuration server's release.
CLOSED = frame_close()[:1] + ["ZephProc#1.Finish()"] + frame_close(logout=False)


def run_xml(app, scenario):
    # The goods-selection class is left out: it takes the classification's value.
    app.write_config([("S", entry(ZapisSlownikowDoXML=1, IDKlasyfikacjiXML=7,
                                  IDGrupyCenXML=3))])
    app.write_sim("[Host]\n" + scenario)
    app.path("Eksport_PelkTessaro_Auto.log").write_bytes(b"earlier\r\n")
    return app.run("/XML")


def split_save(journal):
    """The journal without the SaveDictionariesToXml line, and that line's
    directory (None when it was not called)."""
    directory, rest = None, []
    for line in journal:
        match = SAVE.match(line)
        if match:
            directory = match.group(1)
            rest.append("SAVE")
        else:
            rest.append(line)
    return rest, directory


def test_success_leaves_console_and_log_untouched(app):
    result = run_xml(app, "")
    assert result.body == b""
    assert app.log() == b"earlier\r\n"
    calls, directory = split_save(app.journal())
    assert calls == CREATED + OPENED + START + ["SAVE"] + CLOSED
    assert directory.startswith(journal_path(app.path("work") / "S"))


def test_files_land_in_the_working_directory_the_program_made(app):
    # A directory name with Polish letters is the same Windows-1250 bytes for
    # the program and for the host; on Linux the name on disk is those bytes,
    # under Wine the name in Unicode, stored as UTF-8.
    app.write_config([("S", entry(ZapisSlownikowDoXML=1,
                                  KatalogRoboczy=host_path(app.dir / "wórk")))])
    assert app.run("/XML").body == b""
    made = bytes(app.dir) + b"/" + disk_name("wórk")
    assert [name.endswith(b".xml") for name in os.listdir(made)] == [True]
    if not WINDOWS:  # nothing beside it under a UTF-8 name
        assert "wórk" not in os.listdir(app.dir)


# scenario, error text, host calls between creation and the closing part
FAILURES = [
    pytest.param("ZephProc.OpenDatabase = false: nieznana baza",
                 "Błąd podczas logowania do bazy Merkan modułem ZephProc.", OPENED + START,
                 id="open-fails"),
    pytest.param("ZephProc.SaveDictionariesToXml = false\n"
                 "ZephProc.SaveDictionariesToXml.ErrorNumber = 42",
                 "Błąd podczas zapisu słowników do pliku XML. Numer: 42 komunikat: .",
                 OPENED + START + ["SAVE"], id="write-fails-empty-message"),
    pytest.param("ZephProc.SaveDictionariesToXml = false: dysk pełny",
                 "Błąd podczas zapisu słowników do pliku XML. Numer: 1 komunikat: dysk pełny.",
                 OPENED + START + ["SAVE"], id="write-fails"),
    # Finish follows the logout even when ZephProc was never started.
    pytest.param("Setup.Login = false", "Logowanie zakończyło się niepowodzeniem.",
                 OPENED[:14], id="login-refused"),
]


@pytest.mark.parametrize("scenario, error, calls", FAILURES)
def test_failure_is_logged_without_header_or_summary(app, scenario, error, calls):
    result = run_xml(app, scenario + "\n")
    assert result.body == b"BLAD: " + cp(error) + b"\n"
    assert app.masked_log() == b"earlier\r\nTS  " + cp("BŁĄD: " + error) + b"\r\n"
    assert split_save(app.journal())[0] == CREATED + calls + CLOSED


def test_uncreatable_zeph_proc_ends_the_run(app):
    app.write_components(ZephProc=None)
    app.write_config([("A", entry(WymianaDanychSpr=1, ZapisSlownikowDoXML=1,
                                  EksportWydrukowDoPH=1)),
                      ("B", entry("SRV2", "DB2", ZapisSlownikowDoXML=1))])
    result = app.run("/WDS", "/XML", "/PH")
    assert result.body == b"OK\n"
    # The block of /WDS reaches the file once; the creation error follows it
    # as a line of its own.
    assert app.masked_log() == (cp("TS  [SRV].[DB] Wymiana danych sprzedażowych: \r\n")
                                + cp(" " * 21 + "Wymieniono dane: tak\r\n")
                                + b"TS  Class not registered\r\n")
    # Nothing after /WDS: neither /PH of the same entry nor the second entry.
    assert app.journal() == frame_open() + [
        "Setup#1.GetModule(Stock, -1) -> Stock#1", "Stock#1.ExchangeSalesData()",
    ] + frame_close(["Stock"])
