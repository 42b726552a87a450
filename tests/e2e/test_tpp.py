"""/TPP: seven isolated steps on Lexicon and Stock, each with its own start and
end line; a failing step is logged and the exchange goes on."""

import pytest

from conftest import cp, entry
from host_journal import frame_close, frame_open

PAD = " " * 21

# server, operation, start line, success line, failure line
STEPS = [
    ("Lexicon", "ExportGoodsToTpp", "- 1. Eksport towarow - start ",
     "- Eksport towarow - koniec, status ok", "- Eksport towarow - koniec, status blad "),
    ("Lexicon", "ImportTppPrices", "- 2. Import cen PTKW i CTKW - start ",
     "- Import cen PTKW i CTKW - koniec, status ok",
     "- Import cen PTKW i CTKW - koniec, status blad "),
    ("Stock", "ExportOrdersToTpp", "- 3. Eksport zamowien - start ",
     "- Eksport zamowien - koniec, status ok", "- Eksport zamowien - koniec, status blad "),
    ("Lexicon", "ExportContractorsToTpp", "- 4. Eksport kontrahentow - start ",
     "- Eksport kontrahentow - koniec, status ok",
     "- Eksport kontrahentow - koniec, status blad "),
    ("Stock", "ExportPwDocumentsToTpp", "- 5. Eksport PW - start ",
     "- Eksport PW - koniec, status ok", "- Eksport PW - koniec, status blad "),
    ("Stock", "ExportWzDocumentsToTpp", "- 6. Eksport WZ - start ",
     "- Eksport WZ - koniec, status ok", "- Eksport WZ - koniec, status blad "),
    ("Stock", "ExportStockLevelsToTpp", "- 7. Eksport stanow magazynowych - start ",
     "- Eksport stanow magazynowych - koniec, status ok ",
     "- Eksport stanow magazynowych - koniec, status blad "),
]

MISSING_STOCK = "Biblioteka Stock nie jest zainicjowana"


def expected(failures, missing=()):
    """Log block and host calls when the steps in `failures` (no. -> error text)
    fail; servers in `missing` are not provided by the host."""
    log = [b"TS  [SRV].[DB] " + cp("Wymiana z TPP: ")]
    calls = frame_open()
    made = {}
    for no, (server, operation, start, ok, bad) in enumerate(STEPS, 1):
        log.append(b"TS  " + cp(start))
        if server in missing:
            calls.append(f"Setup#1.GetModule({server}, -1) -> nil")
        else:
            made[server] = made.get(server, 0) + 1
            obj = f"{server}#{made[server]}"
            calls.append(f"Setup#1.GetModule({server}, -1) -> {obj}")
            call = f"{obj}.{operation}(-1)"
            if no in failures and server not in missing:
                call += " -> status: " + failures[no]
            calls.append(call)
        if no in failures:
            log += [b"TS  " + cp("BŁĄD: " + failures[no]), b"TS  " + cp(bad)]
        else:
            log.append(b"TS  " + cp(ok))
    log.append(cp(PAD + "Zakończono poprawnie: " + ("nie" if failures else "tak")))
    return b"".join(line + b"\r\n" for line in log), calls + frame_close(["Lexicon", "Stock"])


CASES = [
    # A false Boolean result is no failure: only the call status counts.
    pytest.param("Lexicon.ImportTppPrices = false\nStock.ExportStockLevelsToTpp = false\n",
                 {}, (), id="all-steps"),
    pytest.param("Lexicon.ImportTppPrices = status: Brak cennika PTKW\n",
                 {2: "Brak cennika PTKW"}, (), id="step-2-fails"),
    pytest.param("Stock.ExportStockLevelsToTpp = status:\n", {7: ""}, (), id="last-empty"),
    pytest.param("Setup.GetModule.Stock = none\n",
                 {3: MISSING_STOCK, 5: MISSING_STOCK, 6: MISSING_STOCK, 7: MISSING_STOCK},
                 ("Stock",), id="stock-missing"),
]


@pytest.mark.parametrize("scenario, failures, missing", CASES)
def test_steps_are_isolated_and_the_console_shows_ok(app, scenario, failures, missing):
    app.write_config([("S", entry(WymianaZTPP=1))])
    app.write_sim("[SRV/DB]\n" + scenario)
    result = app.run("/TPP")
    log, calls = expected(failures, missing)
    assert result.body == b"OK\n"
    assert app.masked_log() == log
    assert app.journal() == calls


def test_refused_right_runs_no_step(app):
    app.write_config([("S", entry(WymianaZTPP=1))])
    app.write_sim("[Host]\nSetup.CheckRight = false: Brak prawa do eksportu\n")
    result = app.run("/TPP")
    assert result.body == b"BLAD: Brak prawa do eksportu\n"
    assert app.masked_log() == (b"TS  [SRV].[DB] Wymiana z TPP: \r\n"
                                + cp("TS  BŁĄD: Brak prawa do eksportu\r\n")
                                + cp(PAD + "Zakończono poprawnie: nie\r\n"))
    assert app.journal() == frame_open() + frame_close(["Lexicon", "Stock"])
