"""Order and gating of the work: entry-major, table order, switch and enable
value per row."""

from conftest import cp, entry, mask


def operations(app):
    """Module operations and logins from the journal, without the frame calls."""
    keep = []
    for line in app.journal():
        obj, _, call = line.partition(".")
        if line.startswith("create Setup"):
            keep.append(line)
        elif obj.startswith(("Stock#", "Lexicon#")) or call.startswith("SetServer"):
            keep.append(line)
    return keep


def test_entry_major_in_table_order_whatever_the_command_line(app):
    keys = dict(WymianaDanychSpr=1, EksportDokWydDoPelkex=1)
    app.write_config([("A", entry("S1", "D1", **keys)), ("B", entry("S2", "D2", **keys))])
    result = app.run("/WZKX", "/wds")
    assert result.body == b"OK\n" * 4
    assert operations(app) == [
        "create Setup -> Setup#1", 'Setup#1.SetServer("S1")', "Stock#1.ExchangeSalesData()",
        "create Setup -> Setup#2", 'Setup#2.SetServer("S1")',
        "Stock#2.ExportIssueDocumentsToPelkex()",
        "create Setup -> Setup#3", 'Setup#3.SetServer("S2")', "Stock#3.ExchangeSalesData()",
        "create Setup -> Setup#4", 'Setup#4.SetServer("S2")',
        "Stock#4.ExportIssueDocumentsToPelkex()",
    ]
    log = mask(app.log()).split(b"\r\n")
    assert [line for line in log if line.startswith(b"TS")] == [
        cp("TS  [S1].[D1] Wymiana danych sprzedażowych: "),
        cp("TS  [S1].[D1] Eksport dokumentów wydania do Pelkex: "),
        cp("TS  [S2].[D2] Wymiana danych sprzedażowych: "),
        cp("TS  [S2].[D2] Eksport dokumentów wydania do Pelkex: "),
    ]


def test_each_row_needs_its_own_switch_and_enable_value(app):
    app.write_config([("A", entry(MantisECEksportTowarow=1, MantisEksportTowarow=0,
                                  GefcoEksport=0, EksportDokWydDoPelkex=1))])
    result = app.run("/MET", "/GE", "/WDS")
    assert result.body == b""
    assert app.journal() == []
    assert app.log() is None


def test_failing_entry_does_not_stop_the_next_one(app):
    app.write_config([("A", entry("S1", "D1", WymianaDanychSpr=1, GefcoEksport=1)),
                      ("B", entry("S2", "D2", WymianaDanychSpr=1))])
    app.write_sim("[S1/D1]\nSetup.Login = false\n")
    result = app.run("/WDS", "/GE")
    failed = b"BLAD: " + cp("Logowanie zakończyło się niepowodzeniem.") + b"\n"
    assert result.body == failed + failed + b"OK\n"
    assert operations(app)[-1] == "Stock#1.ExchangeSalesData()"


def test_error_in_the_closing_part_ends_the_run_and_is_logged_once(app):
    keys = dict(WymianaDanychSpr=1, EksportDokWydDoPelkex=1)
    app.write_config([("A", entry("S1", "D1", **keys)), ("B", entry("S2", "D2", **keys))])
    app.write_sim("[Host]\nSetup.Logout = status: sesja wygasła\n")
    result = app.run("/WDS", "/WZKX")
    assert result.body == b"OK\n"
    assert mask(app.log()) == (
        cp("TS  [S1].[D1] Wymiana danych sprzedażowych: \r\n")
        + cp(" " * 21 + "Wymieniono dane: tak\r\n")
        + cp("TS  sesja wygasła\r\n"))
    assert app.journal()[-1] == "Setup#1.Logout() -> status: sesja wygasła"
