"""/PH: module and right checks before the exporter's right, the Report export,
and the PrintHub image steps behind a host setting and a second right."""

import pytest

from conftest import cp, entry
from host_journal import frame_close, frame_open

PAD = " " * 21
SETTING = "PH_ZAPIS_OBRAZOW_WYDRUKOW_KOPII_W_OSOBNEJ_BAZIE"
IMAGE_RIGHT = "PH#BAZA_GRAFICZNYCH_OBRAZOW_WYDRUKOW"

OPENED = frame_open()
MODULE = ['Setup#1.GetBoolParameter("MODUL_PRINTHUB")']
PH_RIGHT = ['Setup#1.FindRight("PH", 3)', "Setup#1.HasRight(1)"]
# Login, module and PrintHub right checks, then the exporter's right.
CHECKED = OPENED[:-1] + MODULE + PH_RIGHT + OPENED[-1:]
REPORT = ["Setup#1.GetModule(Report, -1) -> Report#1",
          "Report#1.ExportInvoicePrintoutsToPrintHub()",
          f'Setup#1.GetBoolParameter("{SETTING}")']
IMAGE = [f'Setup#1.FindRight("{IMAGE_RIGHT}", 2)', "Setup#1.HasRight(2)"]
COPY = ["Setup#1.GetModule(PrintHub, -1) -> PrintHub#1",
        "PrintHub#1.CopyPrintoutImagesToImageDatabase()"]


def process(number):
    return [f"Setup#1.GetModule(PrintHub, -1) -> PrintHub#{number}",
            f"PrintHub#{number}.ProcessSeparateImageDatabase()"]


ON = f"Setup.GetBoolParameter.{SETTING} = 1\n"

# scenario, error (None: success), host calls from creation to the closing part
CASES = [
    pytest.param("Setup.GetBoolParameter.MODUL_PRINTHUB = 0\n", "moduł nie jest aktywny",
                 OPENED[:-1] + MODULE, id="module-inactive"),
    pytest.param("Setup.HasRight.PH = 0\n", "Brak uprawnień do modułu PrintHub.",
                 OPENED[:-1] + MODULE + PH_RIGHT, id="printhub-right-missing"),
    # The Boolean result of the Report export is not looked at.
    pytest.param("Report.ExportInvoicePrintoutsToPrintHub = false\n", None, CHECKED + REPORT,
                 id="setting-off"),
    pytest.param(ON, None, CHECKED + REPORT + IMAGE + COPY + process(2), id="setting-on"),
    pytest.param(ON + f"Setup.HasRight.{IMAGE_RIGHT} = 0\n", None,
                 CHECKED + REPORT + IMAGE + process(1), id="image-right-missing"),
    pytest.param(ON + "PrintHub.CopyPrintoutImagesToImageDatabase = false: Brak miejsca w bazie\n",
                 "Brak miejsca w bazie", CHECKED + REPORT + IMAGE + COPY, id="copy-fails"),
    pytest.param(ON + "PrintHub.ProcessSeparateImageDatabase = false\n", "",
                 CHECKED + REPORT + IMAGE + COPY + process(2), id="process-fails-empty"),
]


@pytest.mark.parametrize("scenario, error, calls", CASES)
def test_print_hub_export(app, scenario, error, calls):
    app.write_config([("S", entry(EksportWydrukowDoPH=1))])
    app.write_sim("[SRV/DB]\n" + scenario)
    result = app.run("/PH")
    log = cp("TS  [SRV].[DB] Eksport wydruków faktur do PrintHub: \r\n")
    if error is None:
        assert result.body == b"OK\n"
        log += cp(PAD + "Wymieniono dane: tak\r\n")
    else:
        assert result.body == b"BLAD: " + cp(error) + b"\n"
        log += cp("TS  BŁĄD: " + error + "\r\n" + PAD + "Wymieniono dane: nie\r\n")
    assert app.masked_log() == log
    assert app.journal() == calls + frame_close(["Report", "PrintHub"])
