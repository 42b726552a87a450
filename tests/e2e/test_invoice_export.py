"""/EFED: the export, the error-log file, the failure mail and the summary."""

import pytest

from conftest import INDENT, MAIL_FAILURE, cp, entry, host_path, log_block, mask
from host_journal import frame_close, frame_open
from smtp_server import mail_server  # noqa: F401 (fixture)

HEADER_LOG = "TS  [SRV].[DB] Eksport faktur do systemu eDokumenty: "
WHEN = "2024-03-02 09:05:07"
LOG_NAME = "LOGI/EksportFakturDoEDok/2024/03/20240302_090507 blednych fv {}.txt"
BODY = "Podczas wysyłania faktur do systemu eDokumenty wystąpiły błędy: \r\n"




def summary(done, sent, mail_error=""):
    lines = [INDENT + "Zakończono poprawnie: " + done, INDENT + "Wysłano log         : " + sent]
    if sent == "nie":
        lines.append(INDENT + "  Komunikat błędu: " + mail_error)
    return lines


def configure(app, mail_address, sim):
    app.write_config([("S1", entry(EksportFakturDoSystemuEDokumenty=1))],
                     mail={"SerwerPocztowy": mail_address})
    app.write_sim("[Host]\nSetup.GetParameter.IDENTYFIKATOR_WLASCICIELA = 77\n" + sim)


def test_clean_export_mails_nothing(app, mail_server):  # noqa: F811
    server = mail_server()
    configure(app, server.address, "")
    result = app.run("/EFED")

    assert result.body == b""
    assert mask(app.log()) == log_block(HEADER_LOG, *summary("tak", "nie"))
    assert app.journal() == frame_open() + [
        "create Invoices -> Invoices#1",
        "Invoices#1.SetConfiguration(Setup#1)",
        "Setup#1.RegisterModule(Invoices, Invoices#1)",
        "Setup#1.GetModule(Invoices, 0) -> Invoices#1",
        "Invoices#1.ExportInvoicesToEDokumenty()",
        "Setup#1.Logout()",
        "Setup#1.UnregisterModule(Invoices)",
        "Invoices#1.Finish()",
        "Invoices#1.SetConfiguration(nil)",
    ] + frame_close()[1:]
    assert server.sessions == 0
    assert not (app.dir / "LOGI").exists()


COUNT_ONLY = ("Invoices.ExportInvoicesToEDokumenty.ErrorCount = 3\n"
              r"Invoices.ExportInvoicesToEDokumenty.Details = FV 1/03\nFV 2/03\rFV 3/03\r\nkoniec")


@pytest.mark.parametrize("sim, message, count, log_content, owner", [
    # errors only: the message starts with the count; any line end becomes CR LF
    (COUNT_ONLY, "Ilość błędnych faktur 3\r\nSzczegółowe informacje w pliku logu {log}", 3,
     "FV 1/03\r\nFV 2/03\r\nFV 3/03\r\nkoniec\r\n", "77"),
    # a host message and errors
    ("Invoices.ExportInvoicesToEDokumenty.Message = Błąd serwera eDokumenty\n"
     "Invoices.ExportInvoicesToEDokumenty.ErrorCount = 2\n"
     r"Invoices.ExportInvoicesToEDokumenty.Details = FV 7/03\n" "\n",
     "Błąd serwera eDokumenty\r\nIlość błędnych faktur 2\r\n"
     "Szczegółowe informacje w pliku logu {log}", 2, "FV 7/03\r\n", "77"),
    # a host message alone: raised as it is, no file
    ("Invoices.ExportInvoicesToEDokumenty.Message = Brak dostępu\n", "Brak dostępu", 0, None,
     "77"),
    # a NUL from the host cuts nothing short; the file keeps the details as they came
    ("Invoices.ExportInvoicesToEDokumenty.Message = Brak\x00dostępu\n"
     "Invoices.ExportInvoicesToEDokumenty.ErrorCount = 1\n"
     "Invoices.ExportInvoicesToEDokumenty.Details = FV\x009/03\n",
     "Brak?dostępu\r\nIlość błędnych faktur 1\r\nSzczegółowe informacje w pliku logu {log}", 1,
     "FV\x009/03\r\n", "77"),
    ("Setup.Login = false\n", "Logowanie zakończyło się niepowodzeniem.", 0, None, "77"),
    # no configuration server to ask for the owner: the mail still goes out
    ("Setup.Create = status: Brak biblioteki\n",
     "Wystąpił błąd podczas inicjalizacji biblioteki Setup.dll.\r\nBrak biblioteki", 0, None, ""),
], ids=["errors-only", "message-and-errors", "message-only", "nul-in-message", "login-refused",
        "no-setup"])
def test_failure_is_mailed_with_error_log(app, mail_server, sim, message, count,  # noqa: F811
                                         log_content, owner):
    server = mail_server()
    configure(app, server.address, sim)
    result = app.run("/EFED", at=WHEN)

    log_path = app.dir / LOG_NAME.format(count) if log_content else None
    message = message.format(log=host_path(log_path) if log_path else None)
    assert result.body == cp(f"BLAD: {message}\n")
    assert mask(app.log()) == log_block(HEADER_LOG, f"TS  BŁĄD: {message}", *summary("nie", "tak"))
    if log_content:
        assert sorted(p.name for p in log_path.parent.iterdir()) == [log_path.name]
        assert log_path.read_bytes() == log_content.encode("cp1250")

    assert len(server.deliveries) == 1
    mail = server.deliveries[0].message
    assert mail["Subject"] == f"ZephAutomat->Wysylanie eFaktur {owner} [SRV].[DB]"
    body = mail.get_body(("plain",)).get_content().replace("\r\n", "\n").rstrip("\n")
    suffix = "\r\n\r\n(liczba załączników 1)" if log_content else ""
    assert body == (BODY + message + suffix).replace("\r\n", "\n")
    attachments = list(mail.iter_attachments())
    assert [part.get_filename() for part in attachments] == ([log_path.name] if log_content else [])
    if log_content:
        assert attachments[0].get_payload(decode=True) == log_path.read_bytes()


def test_unwritable_error_log_leaves_the_path_empty(app, mail_server):  # noqa: F811
    server = mail_server()
    configure(app, server.address, COUNT_ONLY)
    (app.dir / "LOGI").write_bytes(b"a file where the directory should be")
    result = app.run("/EFED")

    message = "Ilość błędnych faktur 3\r\nSzczegółowe informacje w pliku logu "
    assert result.body == cp(f"BLAD: {message}\n")
    mail = server.deliveries[0].message
    assert list(mail.iter_attachments()) == []
    body = mail.get_body(("plain",)).get_content().replace("\r\n", "\n").rstrip("\n")
    assert body == (BODY + message).replace("\r\n", "\n").rstrip("\n")


def test_mail_failure_is_only_in_the_summary(app):
    configure(app, "127.0.0.1:1", COUNT_ONLY)
    result = app.run("/EFED")

    assert result.body.startswith(cp("BLAD: Ilość błędnych faktur 3\r\n"))
    log = mask(app.log())
    assert cp("\r\n".join(summary("nie", "nie", MAIL_FAILURE))) in log
    assert log.endswith(b")\r\n")
