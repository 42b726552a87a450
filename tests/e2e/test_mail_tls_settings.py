"""The TLS and login keys of [Konfiguracja] through the program itself: a
daily report mailed over STARTTLS, the keys left as written and never added,
a bad value stopping the run, and PolecenieHasla run once per run."""

import json

import pytest

from conftest import cp, entry, host_path
from smtp_server import PASSWORD, USER, mail_server  # noqa: F401
from tls_certificates import certificates  # noqa: F401

NEW_KEYS = ["SzyfrowaniePoczty", "CertyfikatyCA", "KluczSerweraPocztowego",
            "MetodaUwierzytelniania", "PolecenieHasla"]
REPORT_SIM = "[Host]\nReport2.CreateDailyReport.Text = raport\n"


def konfiguracja(app):
    """The bytes of the [Konfiguracja] section."""
    return app.ini().split(b"\r\n[S1]")[0]


def configure(app, mail, sections=("S1",)):
    for name in sections:
        (app.dir / "work" / name).mkdir(parents=True)
    app.write_config([(name, entry(RaportDzienny=1)) for name in sections], mail=mail)
    app.write_sim(REPORT_SIM)


def test_report_mailed_over_starttls_and_keys_left_as_written(app, mail_server, certificates):
    server = mail_server(tls="starttls", cert=certificates.server, offer_auth=False)
    configure(app, {"SerwerPocztowy": server.address, "Uwierzytelnianie": "1",
                    "Uzytkownik": USER, "Haslo": PASSWORD, "SzyfrowaniePoczty": " StartTLS ",
                    "CertyfikatyCA": f'"{host_path(certificates.ca.cert)}"'})
    before = konfiguracja(app)
    result = app.run("/RD")

    assert result.body == b"OK\n"
    # a failed mail is only in the log: its reason tells why
    assert cp("Raport dzienny wysłany: tak") in app.log(), (app.log(), result.stderr)
    assert len(server.deliveries) == 1 and server.auth_in_tls == [True]
    assert konfiguracja(app) == before  # normalisation rewrote nothing of these keys


def test_keys_are_never_added_by_normalisation(app, mail_server):
    server = mail_server()
    configure(app, {"SerwerPocztowy": server.address})
    assert app.run("/RD").body == b"OK\n"
    text = app.ini()
    assert not [key for key in NEW_KEYS if key.encode() in text]


@pytest.mark.parametrize("key, value, allowed", [
    ("SzyfrowaniePoczty", "ssl", "auto, starttls, tls, brak"),
    ("SzyfrowaniePoczty", "żadne", "auto, starttls, tls, brak"),
    ("MetodaUwierzytelniania", "CRAM-MD5", "LOGIN, PLAIN, XOAUTH2"),
])
def test_bad_value_stops_the_run_naming_key_and_value(app, mail_server, key, value, allowed):
    server = mail_server()
    configure(app, {"SerwerPocztowy": server.address, key: value})
    result = app.run("/RD")

    assert result.body == b""
    assert cp(f'Nieprawidłowa wartość parametru {key}: "{value}" '
              f"(dozwolone wartości: {allowed})") in app.log()
    assert app.journal() == [] and server.sessions == 0


SHELL = pytest.mark.posix_only("PolecenieHasla runs its command with /bin/sh")


@SHELL
def test_password_command_runs_once_per_run(app, mail_server, tmp_path):
    server = mail_server()
    runs = tmp_path / "runs"
    configure(app, {"SerwerPocztowy": server.address, "Uwierzytelnianie": "1",
                    "Uzytkownik": USER, "Haslo": "stare",
                    "PolecenieHasla": f"echo x >> {runs}; printf '%s\\n' '{PASSWORD}'"},
              sections=("S1", "S2"))
    assert app.run("/RD").body == b"OK\nOK\n"
    assert runs.read_text() == "x\n"
    assert len(server.deliveries) == 2 and server.logins == [("LOGIN", USER)] * 2


@SHELL
def test_password_command_failure_is_in_the_summary(app, mail_server):
    server = mail_server()
    configure(app, {"SerwerPocztowy": server.address, "Uwierzytelnianie": "1",
                    "Uzytkownik": USER, "PolecenieHasla": "echo 'sejf zamknięty' >&2; exit 2"})
    assert app.run("/RD").body == b"OK\n"
    assert cp("(komunikat: PolecenieHasla zakończyło się kodem 2: sejf zamknięty)") in app.log()
    assert server.sessions == 0


def test_refused_login_is_tried_once_per_run(app, mail_server):
    """An account that locks after a few failed logins: a run with a wrong
    password logs in once, and every later mail of the run fails with the
    refusal's own text without a new AUTH. The next run tries again."""
    server = mail_server()
    configure(app, {"SerwerPocztowy": server.address, "Uwierzytelnianie": "1",
                  "Uzytkownik": USER, "Haslo": "złe"}, sections=("S1", "S2", "S3"))
    refused = cp("(komunikat: Błąd autentykacji (TidSMTP.Authenticate).)")

    assert app.run("/RD").body == b"OK\nOK\nOK\n"
    assert app.log().count(refused) == 3
    assert len(server.auth_commands) == 1 and server.deliveries == []

    app.run("/RD")
    assert len(server.auth_commands) == 2


def test_auto_with_a_ca_file_requires_tls_and_verifies_it(app, mail_server, certificates):
    """A configured CertyfikatyCA is never left unused: under auto the mail
    takes STARTTLS and checks the certificate against it, and a server
    without STARTTLS gets neither the password nor the addresses."""
    plain = mail_server()
    configure(app, {"SerwerPocztowy": plain.address, "Uwierzytelnianie": "1", "Uzytkownik": USER,
                    "Haslo": PASSWORD, "CertyfikatyCA": host_path(certificates.ca.cert)})
    assert app.run("/RD").body == b"OK\n"
    assert cp("(komunikat: serwer pocztowy nie oferuje STARTTLS") in app.log()
    assert plain.auth_commands == [] and plain.mail_froms == []

    untrusted = mail_server(tls="starttls", cert=certificates.self_signed, offer_auth=False)
    app.write_config([("S1", entry(RaportDzienny=1))],
                     mail={"SerwerPocztowy": untrusted.address,
                           "CertyfikatyCA": host_path(certificates.ca.cert)})
    app.run("/RD")
    assert cp("(komunikat: certyfikat serwera pocztowego nie jest zaufany") in app.log()
    assert untrusted.deliveries == []


@pytest.mark.parametrize("keys, named", [
    ({"CertyfikatyCA": "ca"}, "CertyfikatyCA"),
    ({"KluczSerweraPocztowego": "sha256//" + "A" * 43 + "="}, "KluczSerweraPocztowego"),
    ({"CertyfikatyCA": "ca", "KluczSerweraPocztowego": "sha256//" + "A" * 43 + "="},
     "CertyfikatyCA, KluczSerweraPocztowego"),
], ids=["ca", "pin", "both"])
def test_brak_with_a_trust_anchor_fails_every_mail_naming_the_keys(app, mail_server, certificates,
                                                                    keys, named):
    server = mail_server()
    keys = {k: host_path(certificates.ca.cert) if v == "ca" else v for k, v in keys.items()}
    configure(app, {"SerwerPocztowy": server.address, "SzyfrowaniePoczty": "brak", **keys},
              sections=("S1", "S2"))
    result = app.run("/RD")

    assert result.body == b"OK\nOK\n"  # the tasks run; only their mails fail
    assert app.log().count(cp(f"Komunikat błędu: SzyfrowaniePoczty=brak wyklucza {named}: ")) == 2
    assert result.stderr.decode().count(f"SzyfrowaniePoczty=brak together with {named}: ") == 1
    assert server.sessions == 0


def test_mistyped_mail_key_is_told_at_every_run(app, mail_server, tmp_path):
    """SzyfrowaniePoczy leaves SzyfrowaniePoczty at auto: not silently."""
    server = mail_server()
    configure(app, {"SerwerPocztowy": server.address, "SzyfrowaniePoczy": "starttls",
                    "KolorTla": "zielony"})
    record = tmp_path / "record.json"
    told = ("serwery.ini: [Konfiguracja] SzyfrowaniePoczy is no key and is not read; did you "
            "mean SzyfrowaniePoczty? SzyfrowaniePoczty keeps its value")
    for _ in range(2):
        result = app.run("/RD", env={"ZEPHAUTOMAT_RUN_RECORD": str(record)})
        assert result.body == b"OK\n"
        stderr = result.stderr.decode()
        assert f"zephautomat: warning: {told}\n" in stderr, stderr
        assert "KolorTla" not in stderr  # nothing near a mail key
        assert json.loads(record.read_text(encoding="utf-8"))["warnings"] == [told]
