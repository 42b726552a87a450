"""/KTI: the full import (five Lexicon imports in one login, Payback only with
MODUL_PAYBACK) and the selected import (one task run per enabled key)."""

import pytest

from conftest import cp, entry
from host_journal import frame_close, frame_open

PAD = " " * 21
DONE = "Zakończono poprawnie: "

# import -> Lexicon operation, line in the full import, line in the selected import
IMPORTS = {
    "cls": ("ImportExternalClassifications", "Import klasyfikacji zewnętrznych: ",
            "Import klasyfikacji zewnętrznych: "),
    "pay": ("ImportExternalPaybackDefinitions", "Import zewnętrznych definicji Payback: ",
            "Import zewnętrznych definicji Payback: "),
    "conv": ("ImportExternalConversionFactors", "Import zewnętrznych przeliczników towarów: ",
             "Import zewnętrznych przeliczników towarów: "),
    "inv": ("ImportExternalInvestmentDictionaries",
            "Import zewnętrznych słowników zw. z inwestycjami: ",
            "Import zewnętrznych słowników zw. z inwestycjami: "),
    "gfx": ("ImportFiscalPrinterGraphics", "Import grafik druk fisk: ",
            "Import zewnętrznych grafik df: "),
}
READ = "read-payback"


def expected(runs):
    """Console, log and journal of task runs; a run is (full?, steps, failure),
    steps being import names or READ, failure (import, error) or None."""
    console, log, calls = b"", b"", []
    lexicon = 0
    for number, (full, steps, failure) in enumerate(runs, 1):
        setup = f"Setup#{number}"
        calls += frame_open(setup=setup)
        for step in steps:
            if step == READ:
                calls.append(f'{setup}.GetBoolParameter("MODUL_PAYBACK")')
                continue
            operation, full_line, selected_line = IMPORTS[step]
            lexicon += 1
            log += cp("TS  [SRV].[DB] " + (full_line if full else selected_line) + "\r\n")
            calls.append(f"{setup}.GetModule(Lexicon, -1) -> Lexicon#{lexicon}")
            call = f"Lexicon#{lexicon}.{operation}(-1)"
            if failure and failure[0] == step:
                calls.append(call + " -> status: " + failure[1])
                console += cp("BLAD: " + failure[1] + "\n")
                log += cp("TS  BŁĄD: " + failure[1] + "\r\n")
                break
            calls.append(call)
            console += b"OK\n"
        log += cp(PAD + DONE + ("nie" if failure else "tak") + "\r\n")
        calls += frame_close(["Lexicon"], setup=setup)
    return console, log, calls


ALL = ["cls", READ, "pay", "conv", "inv", "gfx"]

# enable keys, scenario, task runs
CASES = [
    # The full import overrides the selecting keys of the same entry.
    pytest.param(dict(ImportKlasTowZewn=1, ImportGrafikiDF=1, ImportTylkoKlasTowZewn=1), "",
                 [(True, ALL, None)], id="full-overrides-selected"),
    pytest.param(dict(ImportKlasTowZewn=1), "Setup.GetBoolParameter.MODUL_PAYBACK = 0\n",
                 [(True, ["cls", READ, "conv", "inv", "gfx"], None)], id="full-without-payback"),
    pytest.param(dict(ImportKlasTowZewn=1),
                 "Lexicon.ImportExternalConversionFactors = status: Brak pliku przeliczników\n",
                 [(True, ALL, ("conv", "Brak pliku przeliczników"))], id="full-stops-at-error"),
    pytest.param(dict(ImportKlasTowZewn=0, ImportTylkoKlasTowZewn=1, ImportGrafikiDF=1), "",
                 [(False, ["cls"], None), (False, ["gfx"], None)], id="selected-twice"),
    # Payback selected on its own does not ask MODUL_PAYBACK.
    pytest.param(dict(ImportDefPaybackZewn=1), "Setup.GetBoolParameter.MODUL_PAYBACK = 0\n",
                 [(False, ["pay"], None)], id="selected-payback"),
]


@pytest.mark.parametrize("keys, scenario, runs", CASES)
def test_imports(app, keys, scenario, runs):
    app.write_config([("S", entry(**keys))])
    app.write_sim("[SRV/DB]\n" + scenario)
    result = app.run("/KTI")
    console, log, calls = expected(runs)
    assert result.body == console
    assert app.masked_log() == log
    assert app.journal() == calls
