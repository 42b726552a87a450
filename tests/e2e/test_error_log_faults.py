"""The /EFED error log when it cannot be written: the mail still goes out,
never with a cut file, and standard error says why."""

import contextlib
import resource
import signal

import pytest

from conftest import App, cp, full_disk_cases, host_path, small_disk
from smtp_server import mail_server  # noqa: F401 (fixture)
from test_invoice_export import COUNT_ONLY, LOG_NAME, WHEN, configure


def run_efed(app, preexec_fn=None):
    return app.run("/EFED", at=WHEN, preexec_fn=preexec_fn)


def test_directory_that_cannot_be_made_is_told(app, mail_server):  # noqa: F811
    server = mail_server()
    configure(app, server.address, COUNT_ONLY)
    (app.dir / "LOGI").write_bytes(b"a file where the directory should be")
    proc = run_efed(app)

    directory = (app.dir / LOG_NAME).parent
    assert proc.stderr.decode("utf-8") == (
        f"zephautomat: cannot create the directory {host_path(str(directory) + '/')}: "
        "Not a directory\n")
    assert len(server.deliveries) == 1
    assert list(server.deliveries[0].message.iter_attachments()) == []


def configure_200_errors(app, mail_address):
    details = r"\n".join(f"FV {n}/03 odrzucona przez system eDokumenty" for n in range(200))
    configure(app, mail_address, "Invoices.ExportInvoicesToEDokumenty.ErrorCount = 200\n"
              f"Invoices.ExportInvoicesToEDokumenty.Details = {details}\n")


@contextlib.contextmanager
def file_size_limit(tmp_path, mail_address):
    app = App(tmp_path)
    configure_200_errors(app, mail_address)

    def small_files():
        # EFBIG instead of a killing signal; room for serwery.ini, the run
        # log and the simulator's journal, not for the 8 KB error log.
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (6000, 6000))
    yield app, small_files


@contextlib.contextmanager
def full_file_system(tmp_path, mail_address):
    # One block free for the 8 KB error log; the run log and the journal
    # have room in their last blocks, and serwery.ini is normalised already.
    with small_disk(tmp_path) as disk:
        app = App(disk.path)
        configure_200_errors(app, mail_address)
        app.run("/X")
        app.path("Eksport_PelkTessaro_Auto.log").write_bytes(b"earlier\r\n")
        app.path("host-sim.journal").write_bytes(b"earlier\n")
        disk.fill(spare=1)
        yield app, None


@pytest.mark.parametrize("full_disk, reason", full_disk_cases(file_size_limit, full_file_system))
def test_error_log_cut_by_a_full_disk_is_removed_and_not_mailed(tmp_path, mail_server,  # noqa: F811
                                                                full_disk, reason):
    server = mail_server()
    with full_disk(tmp_path, server.address) as (app, preexec_fn):
        proc = run_efed(app, preexec_fn)

        path = app.dir / LOG_NAME.format(200)
        assert not path.exists()
        assert proc.stderr.decode("utf-8").startswith(
            f"zephautomat: cannot write {host_path(path)}: {reason}\n")
        assert len(server.deliveries) == 1
        assert list(server.deliveries[0].message.iter_attachments()) == []
        assert cp("Ilość błędnych faktur 200") in app.log()
