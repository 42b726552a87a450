"""The check tells what the run will do: zephautomat-check --mail and
zephautomat-run on the same broken instances give the same verdict."""

import os

import pytest

from conftest import entry
from smtp_server import PASSWORD, USER, mail_server  # noqa: F401 (fixture)
from test_check_tool import check
from test_run_wrapper import wrap

REPORT_SIM = "[Host]\nReport2.CreateDailyReport.Text = raport\n"

# (id, mail settings beyond a working server, entry keys beyond a login, switches, verdict)
CASES = [
    ("good", {}, {}, ["/RD"], "runs"),
    ("unknown-switch", {}, {}, ["/RD", "/RDD"], "refused"),
    ("ca-file-missing", {"CertyfikatyCA": "/nie/ma/ca.pem"}, {}, ["/RD"], "mail fails"),
    ("brak-with-ca-file", {"SzyfrowaniePoczty": "brak", "CertyfikatyCA": "/etc/hostname"}, {},
     ["/RD"], "mail fails"),
    ("bad-pin", {"KluczSerweraPocztowego": "sha256//krótki="}, {}, ["/RD"], "mail fails"),
    ("login-refused", {"Uwierzytelnianie": "1", "Uzytkownik": USER, "Haslo": "złe"}, {},
     ["/RD"], "mail fails"),
    ("password-command-fails", {"Uwierzytelnianie": "1", "Uzytkownik": USER,
                                "PolecenieHasla": "exit 3"}, {}, ["/RD"], "mail fails"),
    ("bad-encryption-mode", {"SzyfrowaniePoczty": "ssl"}, {}, ["/RD"], "stops"),
    ("no-recipient", {"AdresPocztowyOdbiorcy": ""}, {}, ["/RD"], "stops"),
    ("entry-without-database", {}, {"Baza": ""}, ["/RD"], "stops"),
]


def check_verdict(result):
    if result.returncode == 2:
        return "refused"
    if "the run stops while loading serwery.ini" in result.out:
        return "stops"
    if "every mail of the run (/EK, /RD, /EFED) fails" in result.out:
        return "mail fails"
    return "runs" if result.returncode == 0 else "fails: " + result.out


def run_verdict(run):
    if run.returncode == 2:
        if run.record is None:
            return "refused"
        return "stops" if run.record["ended_early"]["stage"] == "configuration" else "ended early"
    tasks = run.record["tasks"]
    if run.returncode == 1 and tasks and all(t["outcome"] == "ok" for t in tasks):
        return "mail fails"
    return "runs" if run.returncode == 0 else "fails: " + "\n".join(run.summary)


@pytest.mark.posix_only("PolecenieHasla runs its command with /bin/sh")
@pytest.mark.parametrize("mail, keys, switches, verdict", [c[1:] for c in CASES],
                         ids=[c[0] for c in CASES])
def test_check_and_run_give_the_same_verdict(app, mail_server, mail, keys, switches,
                                             verdict):  # noqa: F811
    server = mail_server()
    (app.dir / "work" / "A").mkdir(parents=True)
    settings = {"SerwerPocztowy": server.address, "Uzytkownik": USER, "Haslo": PASSWORD}
    settings.update(mail)
    app.write_config([("A", {**entry(RaportDzienny=1), **keys})], mail=settings)
    os.chmod(app.path("serwery.ini"), 0o600)
    app.write_sim(REPORT_SIM)

    checked = check(app, *switches, options=["--mail"])
    run = wrap(app, *switches)

    assert (check_verdict(checked), run_verdict(run)) == (verdict, verdict), (checked.out,
                                                                              run.summary)
    assert len(server.deliveries) == (1 if verdict == "runs" else 0)
