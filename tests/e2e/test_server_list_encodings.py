"""serwery.ini as other editors save it (UTF-8, UTF-16, Ctrl-Z, empty and
unclosed section headers): what reaches the host, what is written back and
in which encoding."""

import pytest

from conftest import MAIL, START, END, App, cp, entry, host_path, mask
from host_journal import frame_close, frame_open

STOCK = ["Setup#1.GetModule(Stock, -1) -> Stock#1", "Stock#1.ExportIssueDocumentsToPelkex()"]


def config_text(entries, work):
    """serwery.ini text with CR LF: Konfiguracja and the given entries."""
    lines = ["[Konfiguracja]"] + [f"{k}={v}" for k, v in MAIL.items()]
    for name, keys in entries:
        lines.append(f"[{name}]")
        lines += [f"{k}={v}" for k, v in keys.items()]
        lines.append(f"KatalogRoboczy={work}")
    return "\r\n".join(lines) + "\r\n"


@pytest.mark.parametrize("codec, mark", [
    ("utf-8", b""),
    ("utf-8", b"\xef\xbb\xbf"),
    ("utf-16-le", b"\xff\xfe"),
    ("utf-16-be", b"\xfe\xff"),
], ids=["utf-8", "utf-8-bom", "utf-16le", "utf-16be"])
def test_file_in_another_encoding_reads_and_writes_back_like_windows_1250(
        app, tmp_path, codec, mark):
    work = tmp_path / "work"
    text = config_text([("Dział IT", entry(server="Serwer Łódź", Uzytkownik="Księgowa",
                                           EksportDokWydDoPelkex=1))], work)
    # The same file in Windows-1250, run beside it, is what to expect.
    (tmp_path / "ref").mkdir()
    ref = App(tmp_path / "ref")
    ref.write_ini(cp(text))
    ref_result = ref.run("/WZKX")

    app.write_ini(mark + text.encode(codec))
    result = app.run("/WZKX")
    assert result.body == ref_result.body == b"OK\n"
    assert app.journal() == ref.journal() == frame_open(
        server="Serwer Łódź", user="Księgowa") + STOCK + frame_close(["Stock"])
    assert app.masked_log() == ref.masked_log()
    assert cp("[Serwer Łódź]") in app.log()

    data = app.ini()
    assert data.startswith(mark)
    # Strict decoding: a single Windows-1250 byte in the file would fail it.
    assert data[len(mark):].decode(codec) == ref.ini().decode("cp1250")
    assert b"ZakresDanych" in ref.ini()


def test_ctrl_z_next_to_a_value_reads_as_a_blank(app):
    app.write_config([("S", entry(ImportParagonowZPoczekalni="1\x1a"))])
    result = app.run("/IPARPOCZ")
    assert result.body == b"OK\n"
    assert "Invoices#1.ImportReceiptsFromStagingArea()" in app.journal()
    assert app.ini_value("ImportParagonowZPoczekalni") == "1"


def test_empty_section_name_is_no_entry_and_gets_no_keys(app):
    tail = b"[]\r\nSerwer=x\r\n[ ]\r\nBaza=y\r\n"
    app.write_config([("S", entry(EksportDokWydDoPelkex=1))], extra="[]\nSerwer=x\n[ ]\nBaza=y\n")
    result = app.run("/WZKX")
    assert result.body == b"OK\n"
    assert cp("Błędne dane") not in app.log()
    assert app.journal() == frame_open() + STOCK + frame_close(["Stock"])
    assert app.ini().endswith(tail)
    assert app.ini().count(b"ZakresDanych=44") == 1


def test_header_without_bracket_opens_its_own_entry(app):
    app.write_config([("Baza1", entry(Haslo="p1", EksportDokWydDoPelkex=1))],
                     extra="[Baza2\nSerwer=SRV2\nBaza=DB2\nHaslo=p2\n"
                           f"KatalogRoboczy={app.dir / 'work2'}\nEksportDokWydDoPelkex=1\n")
    result = app.run("/WZKX")
    assert result.body == b"OK\nOK\n"
    logins = [line.split(".", 1)[1] for line in app.journal()
              if ".SetServer(" in line or ".SetPassword(" in line]
    assert logins == ['SetServer("SRV")', 'SetPassword("p1")',
                      'SetServer("SRV2")', 'SetPassword("p2")']
    ini = app.ini()
    baza1 = ini[ini.index(b"[Baza1]"):ini.index(b"[Baza2")]
    assert baza1.count(b"Haslo=") == 1 and b"Haslo=p1\r\n" in baza1
    assert ini[ini.index(b"[Baza2"):].startswith(b"[Baza2\r\n")
    assert ini.count(b"ZakresDanych=44\r\n") == 2


@pytest.mark.parametrize("codec, mark", [("utf-8", b""), ("utf-16-le", b"\xff\xfe")],
                         ids=["utf-8", "utf-16le"])
def test_value_windows_1250_cannot_hold_fails_the_load_and_writes_nothing(app, codec, mark):
    text = config_text([("S", entry(Haslo="zażółć★", EksportDokWydDoPelkex=1))], app.dir / "w")
    before = mark + text.encode(codec)
    app.write_ini(before)
    result = app.run("/WZKX")
    assert result.console == START + END
    name = "UTF-8" if codec == "utf-8" else "UTF-16LE"
    assert mask(app.log()) == b"TS  " + cp(
        f"Unable to read {host_path(app.dir / 'serwery.ini')}: section [S] key Haslo holds a character "
        f"that Windows-1250 cannot hold (the file is {name})") + b"\r\n"
    assert app.journal() == []
    assert app.ini() == before
