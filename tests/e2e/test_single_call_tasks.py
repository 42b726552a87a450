"""Single-call tasks on the Stock, Lexicon, Report, Invoices and Till servers:
console bytes, log block and host calls."""

import pytest

from conftest import cp, entry
from host_journal import frame_close, frame_open

DONE = "Zakończono poprawnie: "
PAD = " " * 21


def block(header, *lines, summary):
    """Expected masked log: timestamped header and lines, indented summary."""
    out = [b"TS  [SRV].[DB] " + cp(header)]
    out += [b"TS  " + cp(line) for line in lines]
    out.append(cp(PAD + summary))
    return b"".join(line + b"\r\n" for line in out)


INVOICES_OPEN = [
    "create Invoices -> Invoices#1",
    "Invoices#1.SetConfiguration(Setup#1)",
    "Setup#1.RegisterModule(Invoices, Invoices#1)",
    "Setup#1.GetModule(Invoices, 0) -> Invoices#1",
]
INVOICES_CLOSE = frame_close()[:1] + [
    "Setup#1.UnregisterModule(Invoices)",
    "Invoices#1.Finish()",
    "Invoices#1.SetConfiguration(nil)",
] + frame_close(logout=False)

# switch, enable key, scenario, console body, log block, host calls after the login
SUCCESS = [
    pytest.param(
        "/WZKX", "EksportDokWydDoPelkex", "", b"OK\n",
        block("Eksport dokumentów wydania do Pelkex: ", summary=DONE + "tak"),
        ["Setup#1.GetModule(Stock, -1) -> Stock#1", "Stock#1.ExportIssueDocumentsToPelkex()"]
        + frame_close(["Stock"]), id="flag"),
    pytest.param(
        "/WDS", "WymianaDanychSpr", "Stock.ExchangeSalesData = false: ignored\n", b"OK\n",
        block("Wymiana danych sprzedażowych: ", summary="Wymieniono dane: tak"),
        ["Setup#1.GetModule(Stock, -1) -> Stock#1", "Stock#1.ExchangeSalesData()"]
        + frame_close(["Stock"]), id="status"),
    pytest.param(
        "/CSK", "SynchronizacjaCSK", "Lexicon.SynchronizeWithCsk = false\n", b"OK\n",
        block("Synchronizacja z CSK: ", summary="Status: tak"),
        ["Setup#1.GetModule(Lexicon, -1) -> Lexicon#1", "Lexicon#1.SynchronizeWithCsk(0)"]
        + frame_close(["Lexicon"]), id="message-empty-flag-false"),
    pytest.param(
        "/ETDS", "EksportTowarowDoSprawdzarek", "", b"OK\n",
        block("Eksport towarów do sprawdzarek: ", summary="Status: tak"),
        ["Setup#1.GetModule(Lexicon, -1) -> Lexicon#1",
         "Lexicon#1.ExportGoodsToPriceCheckers(0, -1)"] + frame_close(["Lexicon"]), id="etds"),
    pytest.param(
        "/DDM", "DrukujDokumentyMagazynowe", "", b"OK\n",
        block("Wydruk skontrolowanych dokumentów wydania: ",
              summary="Poprawnie wydrukowano wszystkie dokumenty: tak"),
        ["Setup#1.GetModule(Report, -1) -> Report#1", "Report#1.PrintInspectedIssueDocuments(-1)"]
        + frame_close(["Report"]), id="report"),
    pytest.param(
        "/IPARPOCZ", "ImportParagonowZPoczekalni", "", b"OK\n",
        block("Import paragonów z poczekalni.", summary=DONE + "tak"),
        INVOICES_OPEN + ["Invoices#1.ImportReceiptsFromStagingArea()"] + INVOICES_CLOSE,
        id="invoices-status"),
    pytest.param(
        "/IDEADP", "ImportDokZeArchiwumDoPoczekalni",
        'Invoices.ImportEArchiveDocumentsToStagingArea = "true: 2 pominięte "\n',
        b"Import zostal wykonany, jednak mogly wystapily problemy z poszczegolnymi dokumentami."
        b"\r\n" + cp("2 pominięte ") + b"\nOK\n",
        block("Import dokumentów z eArchiwum do poczekalni: ",
              "Import zostal wykonany, jednak mogly wystapily problemy z poszczegolnymi "
              "dokumentami.\r\n2 pominięte ", summary=DONE + "tak"),
        INVOICES_OPEN + ["Invoices#1.ImportEArchiveDocumentsToStagingArea(-1, 0)"]
        + INVOICES_CLOSE, id="archive-warning"),
    pytest.param(
        "/MEO", "MantisEksportOdbiorcow", "", b"OK\n",
        block("Eksport odbiorców do Mantis: ", summary=DONE + "tak"),
        ["Setup#1.GetModule(Stock, -1) -> Stock#1", "Stock#1.ExportToMantis(-1, 0, 0, 0, -1)"]
        + frame_close(["Stock"]), id="mantis-customers"),
    pytest.param(
        "/MECET", "MantisECEksportTowarow", "", b"OK\n",
        block("Eksport bazy towarowej do Mantis_EC: ", summary=DONE + "tak"),
        ["Setup#1.GetModule(Stock, -1) -> Stock#1", "Stock#1.ExportToMantisEc(-1, 0, -1, 0, 0)"]
        + frame_close(["Stock"]), id="mantis-ec-goods"),
]


@pytest.mark.parametrize("switch, key, scenario, console, log, calls", SUCCESS)
def test_success(app, switch, key, scenario, console, log, calls):
    app.write_config([("S", entry(**{key: 1}))])
    app.write_sim(scenario)
    result = app.run(switch)
    assert result.body == console
    assert app.masked_log() == log
    assert app.journal() == frame_open() + calls


def test_journal_of_a_default_user_matches_the_host_contract(app):
    app.write_config([("S", {"Serwer": "SRV", "Baza": "DB", "Haslo": "x",
                             "EksportDokWydDoPelkex": 1})])
    app.run("/WZKX")
    assert app.journal() == frame_open(user="Księgowy") + [
        "Setup#1.GetModule(Stock, -1) -> Stock#1",
        "Stock#1.ExportIssueDocumentsToPelkex()"] + frame_close(["Stock"])


WZKX_HEADER = "Eksport dokumentów wydania do Pelkex: "

OPENED = frame_open()
STOCK = "Setup#1.GetModule(Stock, -1) -> Stock#1"
CALL = "Stock#1.ExportIssueDocumentsToPelkex()"

# scenario, error text, host calls from creation to the closing part
FAILURES = [
    pytest.param("Stock.ExportIssueDocumentsToPelkex = false: brak połączenia", "brak połączenia",
                 OPENED + [STOCK, CALL], id="false-with-message"),
    pytest.param("Stock.ExportIssueDocumentsToPelkex = false", "", OPENED + [STOCK, CALL],
                 id="false-empty"),
    pytest.param("Stock.ExportIssueDocumentsToPelkex = false: brak\x00pliku", "brak?pliku",
                 OPENED + [STOCK, CALL], id="false-with-nul"),
    pytest.param("Stock.ExportIssueDocumentsToPelkex = status: Błąd serwera", "Błąd serwera",
                 OPENED + [STOCK, CALL + " -> status: Błąd serwera"], id="failure-status"),
    pytest.param("Setup.Login = false", "Logowanie zakończyło się niepowodzeniem.",
                 OPENED[:14], id="login"),
    pytest.param("Setup.CheckRight = false: Brak prawa", "Brak prawa", OPENED, id="right"),
    pytest.param("Setup.GetModule.Stock = none", "Biblioteka Stock nie jest zainicjowana",
                 OPENED + ["Setup#1.GetModule(Stock, -1) -> nil"], id="missing-module"),
    pytest.param("Setup.SetCreationSwitchB = status: odmowa",
                 "Wystąpił błąd podczas inicjalizacji biblioteki Setup.dll.\r\nodmowa",
                 OPENED[:6] + ["Setup#1.SetCreationSwitchB(0) -> status: odmowa"],
                 id="setup-preparation"),
]


@pytest.mark.parametrize("scenario, error, calls", FAILURES)
def test_failure_is_reported_and_the_frame_still_closes(app, scenario, error, calls):
    app.write_config([("S", entry(EksportDokWydDoPelkex=1))])
    app.write_sim("[Host]\n" + scenario + "\n")
    result = app.run("/WZKX")
    assert result.body == b"BLAD: " + cp(error) + b"\n"
    assert app.masked_log() == block(WZKX_HEADER, "BŁĄD: " + error, summary=DONE + "nie")
    assert app.journal() == calls + frame_close(["Stock"])


def test_setup_that_cannot_be_created_is_neither_logged_out_nor_released(app):
    app.write_config([("S", entry(EksportDokWydDoPelkex=1))])
    app.write_sim("[Host]\nSetup.Create = status: brak licencji\n")
    result = app.run("/WZKX")
    error = "Wystąpił błąd podczas inicjalizacji biblioteki Setup.dll.\r\nbrak licencji"
    assert result.body == b"BLAD: " + cp(error) + b"\n"
    assert app.masked_log() == block(WZKX_HEADER, "BŁĄD: " + error, summary=DONE + "nie")
    assert app.journal() == ["create Setup -> status: brak licencji"]


def test_invoices_server_that_cannot_be_created_is_not_released(app):
    app.write_config([("S", entry(ImportEFakturDoPoczekalni=1))])
    app.write_sim("[Host]\nInvoices.Create = status: brak biblioteki\n")
    result = app.run("/IEDP")
    error = "Biblioteka Invoices.dll nie jest zarejestrowana.\nbrak biblioteki"
    assert result.body == b"BLAD: " + cp(error) + b"\n"
    assert app.masked_log() == block("Import eFaktur do poczekalni: ", "BŁĄD: " + error,
                                     summary=DONE + "nie")
    assert app.journal() == frame_open() + ["create Invoices -> status: brak biblioteki"] \
        + frame_close()


@pytest.mark.parametrize("switch, key, logout", [
    ("/FWPS", "FiskalizacjaWPuliStanowisk", False),
    ("/FKIZ", "ImportZaplatFK", False),
    ("/IEDP", "ImportEFakturDoPoczekalni", True),
])
def test_logout_after_a_refused_login(app, switch, key, logout):
    app.write_config([("S", entry(**{key: 1}))])
    app.write_sim("[Host]\nSetup.Login = false\n")
    app.run(switch)
    assert ("Setup#1.Logout()" in app.journal()) == logout


@pytest.mark.parametrize("message, console, summary", [
    (" \\t\\r\\n ", b"OK\n", "tak"),
    ("  zła data  ", b"BLAD: " + cp("  zła data  ") + b"\n", "nie"),
])
def test_payments_import_judges_the_trimmed_message(app, message, console, summary):
    app.write_config([("S", entry(ImportZaplatFK=1))])
    app.write_sim(f'[Host]\nTill.ImportPaymentsFromLedvo = "true: {message}"\n'
                  "Setup.CheckRight = false: brak prawa\n")
    result = app.run("/FKIZ")
    assert result.body == console
    assert app.masked_log().endswith(cp(PAD + DONE + summary) + b"\r\n")
    # No rights check; the till server goes before the logout.
    assert app.journal() == frame_open(rights=False) + [
        "Setup#1.GetModule(Till, -1) -> Till#1",
        "Till#1.ImportPaymentsFromLedvo()",
        "Setup#1.UnregisterModule(Till)",
        "Setup#1.Logout()"] + frame_close(logout=False)


def test_csk_fails_on_any_message_whatever_the_flag(app):
    app.write_config([("S", entry(SynchronizacjaCSK=1))])
    app.write_sim('[Host]\nLexicon.SynchronizeWithCsk = "true: "\n')
    assert app.run("/CSK").body == b"OK\n"
    app.write_sim('[Host]\nLexicon.SynchronizeWithCsk = "true:  "\n')
    assert app.run("/CSK").body == b"BLAD:  \n"


RISM = [
    pytest.param("Stock.ImportStockLevelsFromRovese#1 = false: pierwszy", b"OK\n",
                 ["Setup#1.GetModule(Stock, -1) -> Stock#1",
                  "Stock#1.ImportStockLevelsFromRovese(-1)",
                  "Setup#1.GetModule(Stock, -1) -> Stock#2",
                  "Stock#2.ImportStockLevelsFromRovese(-1)"], id="second-succeeds"),
    pytest.param("Setup.GetModule.Stock#1 = none", b"OK\n",
                 ["Setup#1.GetModule(Stock, -1) -> nil",
                  "Setup#1.GetModule(Stock, -1) -> Stock#1",
                  "Stock#1.ImportStockLevelsFromRovese(-1)"], id="module-missing-first"),
    pytest.param("Stock.ImportStockLevelsFromRovese#1 = false: pierwszy\n"
                 "Stock.ImportStockLevelsFromRovese = false: drugi", b"BLAD: drugi\n",
                 ["Setup#1.GetModule(Stock, -1) -> Stock#1",
                  "Stock#1.ImportStockLevelsFromRovese(-1)",
                  "Setup#1.GetModule(Stock, -1) -> Stock#2",
                  "Stock#2.ImportStockLevelsFromRovese(-1)"], id="both-fail"),
]


@pytest.mark.parametrize("scenario, console, calls", RISM)
def test_rovese_import_is_retried_once_silently(app, scenario, console, calls):
    app.write_config([("S", entry(RoveseImportStanMag=1))])
    app.write_sim("[Host]\n" + scenario + "\n")
    result = app.run("/RISM")
    assert result.body == console
    ok = console == b"OK\n"
    lines = () if ok else ("BŁĄD: drugi",)
    assert app.masked_log() == block("Import stanów magazynowych z Rovese: ", *lines,
                                     summary=DONE + ("tak" if ok else "nie"))
    assert app.journal() == frame_open() + calls + frame_close(["Stock"])


def test_goods_bases_import_reads_flag_first_then_message(app):
    app.write_config([("S", entry(ImportBazTowarowychZPelkex=1))])
    app.write_sim("[Host]\nStock.ImportAllGoodsBasesFromPelkex = false: brak plików\n")
    assert app.run("/BTKX").body == b"BLAD: " + cp("brak plików") + b"\n"


def test_caolin_import_header_keeps_its_trailing_blank_without_colon(app):
    app.write_config([("S", entry(CaolinImport=1))])
    app.run("/CID")
    assert app.masked_log().startswith(b"TS  [SRV].[DB] Import potwierdzen z Caolin \r\n")


# --- Every single-call row ----------------------------------------------------
#
# One row per task that wraps a single host operation: its switch, its enable
# key, the header text after "[SRV].[DB] ", the module server, the operation
# as the journal shows it (name and in-arguments), how its result is judged
# and the summary label. Each row runs against every kind of host answer.

class Row:
    def __init__(self, switch, key, header, server, call, test, summary=DONE, retry=False):
        self.switch, self.key, self.header, self.server = switch, key, header, server
        self.call, self.test, self.summary, self.retry = call, test, summary, retry

    @property
    def method(self):
        return self.call.partition("(")[0]


def stock(switch, key, header, call, test="flag", summary=DONE, retry=False):
    return Row(switch, key, header, "Stock", call, test, summary, retry)


ROWS = [
    stock("/WDS", "WymianaDanychSpr", "Wymiana danych sprzedażowych: ", "ExchangeSalesData()",
          "status", "Wymieniono dane: "),
    stock("/BTKX", "ImportBazTowarowychZPelkex", "Import wszystkich baz towarowych z Pelkex: ",
          "ImportAllGoodsBasesFromPelkex()"),
    stock("/WZKX", "EksportDokWydDoPelkex", "Eksport dokumentów wydania do Pelkex: ",
          "ExportIssueDocumentsToPelkex()"),
    stock("/GE", "GefcoEksport", "Eksport plików do Gefco: ", "ExportFilesToGefco(-1)"),
    stock("/GIP", "GefcoImportPotwierdzen", "Import plików potwierdzeń z Gefco: ",
          "ImportConfirmationsFromGefco(-1)"),
    stock("/GIS", "GefcoImportStanow", "Import plików stanów magazynowych z Gefco: ",
          "ImportStockLevelsFromGefco(-1)"),
    stock("/GH", "GHWymianaDanych", "Wymiana danych z GH PSB: ", "ExchangeDataWithGhPsb(-1)"),
    stock("/MI", "MantisImport",
          "Import plików potwierdzeń oraz stanów magazynowych z Mantis: ",
          "ImportConfirmationsAndStockLevelsFromMantis(-1)"),
    stock("/MECI", "MantisECImport",
          "Import plików potwierdzeń oraz stanów magazynowych z Mantis_EC: ",
          "ImportConfirmationsAndStockLevelsFromMantisEc(-1)"),
    stock("/ATS", "AktualizacjaTempaSprzedazyTowarow",
          "Aktualizacja średniego tempa sprzedaży towarow: ", "UpdateAverageSalesRate()",
          "status"),
    stock("/CED", "CaolinEksport", "Eksport bazy towarowej do Caolin: ",
          "ExportGoodsBaseToCaolin()", "status"),
    stock("/CID", "CaolinImport", "Import potwierdzen z Caolin ",
          "ImportConfirmationsFromCaolin(-1)"),
    stock("/RISM", "RoveseImportStanMag", "Import stanów magazynowych z Rovese: ",
          "ImportStockLevelsFromRovese(-1)", retry=True),
    stock("/IDDU", "ImportDatDostawZUPS", "Import dat dostaw z UPS: ",
          "ImportDeliveryDatesFromUps(-1)"),
    stock("/IDDP", "ImportDatDostawZPekaes", "Import dat dostaw z Pekaes: ",
          "ImportDeliveryDatesFromPekaes(-1)"),
    stock("/IDDPP", "ImportDatDostawZPocztyPolskiej", "Import dat dostaw z Poczty Polskiej: ",
          "ImportDeliveryDatesFromPocztaPolska(-1)"),
    stock("/IDDINP", "ImportDatDostawZInPost", "Import dat dostaw z InPost: ",
          "ImportDeliveryDatesFromInPost(-1)"),
    stock("/IDDG", "ImportDatDostawZGeis", "Import dat dostaw z GEIS: ",
          "ImportDeliveryDatesFromGeis(-1)"),
    stock("/IDDINPS", "ImportDatDostawZInPostShipX", "Import dat dostaw z InPost ShipX: ",
          "ImportDeliveryDatesFromInPostShipX(-1)"),
    # Mantis exports: goods base, suppliers, customers go to the host in that order.
    stock("/MED", "MantisEksportDostawcow", "Eksport dostawców do Mantis: ",
          "ExportToMantis(-1, 0, 0, -1, 0)"),
    stock("/MEO", "MantisEksportOdbiorcow", "Eksport odbiorców do Mantis: ",
          "ExportToMantis(-1, 0, 0, 0, -1)"),
    stock("/MET", "MantisEksportTowarow", "Eksport bazy towarowej do Mantis: ",
          "ExportToMantis(-1, 0, -1, 0, 0)"),
    stock("/MECED", "MantisECEksportDostawcow", "Eksport dostawców do Mantis_EC: ",
          "ExportToMantisEc(-1, 0, 0, -1, 0)"),
    stock("/MECEO", "MantisECEksportOdbiorcow", "Eksport odbiorców do Mantis_EC: ",
          "ExportToMantisEc(-1, 0, 0, 0, -1)"),
    stock("/MECET", "MantisECEksportTowarow", "Eksport bazy towarowej do Mantis_EC: ",
          "ExportToMantisEc(-1, 0, -1, 0, 0)"),
    Row("/CSK", "SynchronizacjaCSK", "Synchronizacja z CSK: ", "Lexicon",
        "SynchronizeWithCsk(0)", "message", "Status: "),
    Row("/ETDS", "EksportTowarowDoSprawdzarek", "Eksport towarów do sprawdzarek: ", "Lexicon",
        "ExportGoodsToPriceCheckers(0, -1)", "flag", "Status: "),
    Row("/HRCK", "HrcEksportKth", "Eksport plików do HRC: ", "Lexicon",
        "ExportContractorsToHrc(-1)", "flag"),
    Row("/HRCD", "HrcImportDanychOSprzedazyStarterow",
        "Import danych o sprzedaży starterów z HRC: ", "Lexicon", "ImportStarterSalesFromHrc(-1)",
        "flag"),
    Row("/DDM", "DrukujDokumentyMagazynowe", "Wydruk skontrolowanych dokumentów wydania: ",
        "Report", "PrintInspectedIssueDocuments(-1)", "flag",
        "Poprawnie wydrukowano wszystkie dokumenty: "),
    Row("/IEDP", "ImportEFakturDoPoczekalni", "Import eFaktur do poczekalni: ", "Invoices",
        "ImportEInvoicesToStagingArea(-1, 0)", "flag"),
    Row("/IDEADP", "ImportDokZeArchiwumDoPoczekalni",
        "Import dokumentów z eArchiwum do poczekalni: ", "Invoices",
        "ImportEArchiveDocumentsToStagingArea(-1, 0)", "warning"),
    Row("/FWPS", "FiskalizacjaWPuliStanowisk", "Fiskalizacja w puli stanowisk: ", "Invoices",
        "FiscalizeInStationPool()", "flag", "Status: "),
    Row("/IPARPOCZ", "ImportParagonowZPoczekalni", "Import paragonów z poczekalni.", "Invoices",
        "ImportReceiptsFromStagingArea()", "status"),
    Row("/FKIZ", "ImportZaplatFK", "Import zapłat z Ledvo: ", "Till", "ImportPaymentsFromLedvo()",
        "trimmed"),
]

WARNING = ("Import zostal wykonany, jednak mogly wystapily problemy z poszczegolnymi "
           "dokumentami.\r\n")

# Host answers: the outcome given to the operation, the message it carries,
# and, per success test, whether the task fails with that message.
ANSWERS = {
    "ok": ("ok", "", set()),
    "false": ("false: Brak połączenia z serwerem", "Brak połączenia z serwerem",
              {"flag", "warning", "message", "trimmed"}),
    "true-with-message": ('"true:  Uwaga: 2 pozycje pominięte "', " Uwaga: 2 pozycje pominięte ",
                          {"message", "trimmed"}),
    "failure-status": ("status: Awaria usługi «magazyn»", "Awaria usługi «magazyn»",
                       {"flag", "warning", "message", "trimmed", "status"}),
}


def row_calls(row, failed, status):
    """Host calls of the row's run; a failing retried row calls twice.
    status: the failure status the operation returns, or None."""
    status = "" if status is None else f" -> status: {status}"
    call = f"{row.server}#1.{row.call}{status}"
    if row.server == "Invoices":
        return frame_open() + INVOICES_OPEN + [call] + INVOICES_CLOSE
    obtain = [f"Setup#1.GetModule({row.server}, -1) -> {row.server}#1", call]
    if row.retry and failed:
        obtain += [f"Setup#1.GetModule({row.server}, -1) -> {row.server}#2",
                   f"{row.server}#2.{row.call}{status}"]
    if row.server == "Till":  # no rights check; the till server goes before the logout
        return (frame_open(rights=False) + obtain
                + [f"Setup#1.UnregisterModule({row.server})"] + frame_close())
    return frame_open() + obtain + frame_close([row.server])


@pytest.mark.parametrize("answer", ANSWERS)
@pytest.mark.parametrize("row", ROWS, ids=lambda row: row.switch)
def test_every_single_call_row(app, row, answer):
    outcome, message, fails_for = ANSWERS[answer]
    failed = row.test in fails_for
    if answer == "ok":
        keys = {row.key: 1}  # its own key alone starts it
    else:
        keys = {other.key: 1 for other in ROWS}  # its switch alone picks it
    app.write_config([("S", entry(**keys))])
    app.write_sim(f"[Host]\n{row.server}.{row.method} = {outcome}\n")
    result = app.run(row.switch)

    if failed:
        console = b"BLAD: " + cp(message) + b"\n"
        lines = ["BŁĄD: " + message]
    elif row.test == "warning" and message:
        console = cp(WARNING + message) + b"\nOK\n"
        lines = [WARNING + message]
    else:
        console, lines = b"OK\n", []
    assert result.body == console
    assert app.masked_log() == block(row.header, *lines,
                                     summary=row.summary + ("nie" if failed else "tak"))
    status = message if answer == "failure-status" else None
    assert app.journal() == row_calls(row, failed, status)
