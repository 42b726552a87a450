"""Program entry, switches, help and configuration errors, seen from outside."""

import contextlib
import json
import os
import resource

import pytest

from conftest import (END, START, WINDOWS, App, cp, entry, full_disk_cases, host_path, mask,
                      small_disk)

LOG = "Eksport_PelkTessaro_Auto.log"

HELP = [
    "",
    "Parametry:",
    "/ATS  - aktualizacja sredniego tempa sprzedazy towarow",
    "/BTKX - PelkEx - import baz towarowych z platformy PelkEx",
    "/CSK  - CSK wymiana danych z CSK i CLK (kontrahenci, CLK)",
    "/PH   - PrintHub - eksport wydrukow",
    "/EK   - Tessaro - eksport danych do aplikacji Tessaro",
    "/EFED - eksport faktur do systemu eDokumenty",
    "/ETDS - eksport towarow do sprawdzarek cenowych",
    "/FKIZ - Ledvo   - import zaplat z systemu Ledvo",
    "/FWPS - Fiskalizuj w puli stanowisk",
    "/GE   - Gefco - wymiana danych z systemem WMS - eksport plikow",
    "/GIP  - Gefco - wymiana danych z systemem WMS - import plikow potwierdzen",
    "/GIS  - Gefco - wymiana danych z systemem WMS - import plikow ze stanami magazynowymi",
    "/HRCK  - HRC wymiana danych - eksport kontrahentów",
    "/HRCD  - HRC wymiana danych - import danych o sprzedaży starterów",
    "/IEDP   - import eFaktur do poczekalni",
    "/IDEADP - import dokumentow z eArchiwum do poczekalni",
    "/KTI  - import zewnetrznych klasyfikacji towarow",
    "/MHD  - Ambro - wymiana danych z Ambro",
    "/MED  - Mantis - wymiana danych z WMS - eksport dostawcow",
    "/MEO  - Mantis - wymiana danych z WMS - eksport odbiorcow",
    "/MET  - Mantis - wymiana danych z WMS - eksport towarow",
    "/MI   - Mantis - wymiana danych z WMS - import plikow potwierdzen oraz stanow magazynowych",
    "/MECED  - Mantis_EC - wymiana danych z WMS - eksport dostawcow",
    "/MECEO  - Mantis_EC - wymiana danych z WMS - eksport odbiorcow",
    "/MECET  - Mantis_EC - wymiana danych z WMS - eksport towarow",
    "/MECI   - Mantis_EC - wymiana danych z WMS - import plikow potwierdzen oraz stanow magazynowych",
    "/RD   - generowanie raportu dziennego",
    "/WDS  - wymiana danych sprzedazowych",
    "/WZKX - PelkEx - eksport dokumentow wydan na platforme PelkEx",
    "/XML  - zapis danych slownikowych do xml-i",
    "/CID  - Caolin - wymiana danych z WMS - import danych",
    "/CED  - Caolin - wymiana danych z WMS - eksport danych",
    "/IDDG    - import dat dostaw z systemu GEIS",
    "/IDDINP  - import dat dostaw z systemu InPost",
    "/IDDINPS - import dat dostaw z systemu InPostShipX",
    "/IDDP    - import dat dostaw z systemu Pekaes",
    "/IDDPP   - import dat dostaw z systemu Poczty Polskiej",
    "/IDDU    - import dat dostaw z systemu UPS",
    "/IPARPOCZ - import paragonów z poczekalni",
    "",
]
HELP_BYTES = b"".join(cp(line) + b"\n" for line in HELP)

NORMALISED_KONFIGURACJA = (
    b"[Konfiguracja]\r\nSerwerPocztowy=\r\nAdresPocztowyOdbiorcy=\r\n"
    b"AdresPocztowyNadawcy=\r\nUwierzytelnianie=0\r\nUzytkownik=\r\nHaslo=\r\n")


def test_no_arguments_prints_four_lines_and_touches_nothing(app):
    before = sorted(os.listdir(app.dir))
    result = app.run()
    assert result.returncode == 0
    assert result.console == START + END
    assert sorted(os.listdir(app.dir)) == before


def test_help_follows_normalisation_and_lines_are_windows_1250(app):
    app.write_config([("S1", entry())])
    result = app.run("/?")
    assert result.body == HELP_BYTES
    ini = app.ini()
    assert b"Uwierzytelnianie=0\r\n" in ini and b"OstatniEksport=1899.12.31\r\n" in ini
    assert app.log() is None


# The last ones hold characters Windows-1250 lacks: on Windows each must
# become neither '?' ("/?" is the help) nor a look-alike ("/EK"), as the C
# runtime's argv would have them; on Linux their bytes name no switch either.
@pytest.mark.parametrize("argument", ["/EK:1", "/中", "/ĒK", "/ЕК", b"/\xff"],
                         ids=["suffix", "cjk", "e-macron", "cyrillic-look-alike", "byte-ff"])
def test_unknown_argument_loads_and_normalises_only(app, argument):
    app.write_config([("S1", entry(EksportDoPelkTessaro=1))])
    result = app.run(argument)
    assert result.body == b""
    assert b"ZakresDanych=44\r\n" in app.ini()
    assert app.journal() == []
    assert app.log() is None


def typed(text):
    """What a terminal hands the program for a text: UTF-8, which Wine turns
    into Windows' wide command line; on Linux the program's own Windows-1250."""
    return text.encode("utf-8" if WINDOWS else "cp1250")


def test_run_record_shows_the_arguments_as_typed(app, tmp_path):
    # As far as Windows-1250 shows them: a character it lacks is '¤' on
    # Windows, never '?'; Linux hands over bytes, which are the program's text.
    app.write_config([("S1", entry())])
    record = tmp_path / "record.json"
    result = app.run(typed("/Zażółć"), "/中".encode(),
                     env={"ZEPHAUTOMAT_RUN_RECORD": host_path(record)})
    assert result.body == b""
    other = "/¤" if WINDOWS else "/中".encode().decode("cp1250")
    assert json.loads(record.read_text(encoding="utf-8"))["switches"] == ["/Zażółć", other]


@pytest.mark.parametrize("args", [["/?"], ["/EK", "/?"]])
def test_missing_server_list_is_created_and_reported_in_the_log_only(app, args):
    result = app.run(*args)
    assert result.returncode == 0
    assert result.console == START + END  # no help: the load failed first
    assert app.ini() == NORMALISED_KONFIGURACJA
    assert mask(app.log()) == b"TS  " + cp(
        "Nie uzupełniono parametrów niezbędnych do wysłania poczty: "
        "SerwerPocztowy, AdresPocztowyOdbiorcy, AdresPocztowyNadawcy") + b"\r\n"


@pytest.mark.parametrize("keys, message", [
    ({"Baza": ""}, "Błędne dane dla serwera: Zła sekcja"),
    ({"OstatniEksport": "31.03.2024"}, "'31.03.2024' is not a valid date"),
])
def test_configuration_error_ends_the_run_before_any_task(app, keys, message):
    app.write_config([("Zła sekcja", entry(**keys, WymianaDanychSpr=1))])
    result = app.run("/WDS", "/?")
    assert result.console == START + END
    assert mask(app.log()) == b"TS  " + cp(message) + b"\r\n"
    assert app.journal() == []


def test_files_are_found_beside_the_executable_not_in_the_current_directory(app, tmp_path):
    app.write_config([("S1", entry())])
    elsewhere = tmp_path / "elsewhere"
    elsewhere.mkdir()
    result = app.run("/?", cwd=elsewhere)
    assert result.body == HELP_BYTES
    assert os.listdir(elsewhere) == []


def test_log_grows_across_runs(app):
    app.run("/WDS")
    app.run("/WDS")
    lines = mask(app.log()).split(b"\r\n")
    assert len(lines) == 3 and lines[0] == lines[1] and lines[2] == b""


def test_unwritable_log_still_ends_the_run_normally(app):
    (app.dir / LOG).mkdir()
    result = app.run("/EK")
    assert result.returncode == 0
    assert result.console == START + END


@contextlib.contextmanager
def file_size_limit(tmp_path):
    """A file-size limit of the length of serwery.ini, reached by the log
    already: the normalised file and any line more would pass it."""
    app = App(tmp_path)
    app.write_config([("S1", entry(WymianaDanychSpr=1))])
    limit = len(app.ini())
    app.path(LOG).write_bytes(b"x" * limit)
    yield app, lambda: resource.setrlimit(resource.RLIMIT_FSIZE, (limit, limit))


@contextlib.contextmanager
def full_file_system(tmp_path):
    """The installation on a disk of its own with no block free, its log
    filling its last block."""
    with small_disk(tmp_path) as disk:
        app = App(disk.path)
        app.write_config([("S1", entry(WymianaDanychSpr=1))])
        app.path(LOG).write_bytes(b"x" * disk.block())
        disk.fill()
        yield app, None


@pytest.mark.parametrize("full_disk, reason", full_disk_cases(file_size_limit, full_file_system))
def test_full_disk_loses_nothing_and_ends_the_run_normally(tmp_path, full_disk, reason):
    with full_disk(tmp_path) as (app, preexec_fn):
        before_ini = app.ini()
        before_log = app.log()
        result = app.run("/WDS", timeout=60, preexec_fn=preexec_fn)
        assert result.returncode == 0
        assert result.console == START + END
        assert app.ini() == before_ini  # the normalised file did not fit: original kept
        assert app.log() == before_log
        errors = result.stderr.decode("cp1250")
        assert f"cannot write {host_path(app.path('serwery.ini'))}: {reason}" in errors
        # the block that did not fit was not written at all: nothing to cut back
        assert "partly written" not in errors
