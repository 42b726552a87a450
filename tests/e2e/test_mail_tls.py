"""Mail over TLS against real aiosmtpd servers with certificates made by
openssl at test time: each mode of SzyfrowaniePoczty, CA files, key pins,
the login methods and the password command. The server records whether each
login came inside TLS; where TLS fails, nothing of the login or the envelope
may reach it."""

import pytest

from conftest import WINDOWS, host_path
from smtp_server import PASSWORD, USER, mail_server  # noqa: F401
from test_mail import LOGIN_REFUSED, send
from tls_certificates import certificates, pin  # noqa: F401

LOGIN = {"auth": 1, "user": USER, "password": PASSWORD}


def nothing_sent(server):
    return (server.auth_commands == [] and server.mail_froms == [] and server.rcpt_tos == []
            and not server.deliveries)


# Servers by kind: STARTTLS required before anything (AUTH offered only inside
# TLS), TLS from the first byte, and no TLS at all.
def starttls_server(mail_server, cert, **options):
    return mail_server(tls="starttls", cert=cert, offer_auth=False, **options)


def implicit_server(mail_server, cert, **options):
    return mail_server(tls="implicit", cert=cert, **options)


def plain_server(mail_server, cert, **options):
    return mail_server(**options)


# --- sessions that go through ----------------------------------------------

@pytest.mark.parametrize("start, cert, options, in_tls, starttls", [
    (starttls_server, "server", {"encryption": "starttls", "ca_file": "ca"}, True, 1),
    (implicit_server, "server", {"encryption": "tls", "ca_file": "ca"}, True, 0),
    (starttls_server, "self_signed", {"encryption": "starttls", "pins": "self_signed"}, True, 1),
    (implicit_server, "self_signed", {"encryption": "tls", "pins": "self_signed"}, True, 0),
    # a pin among others, blanks around them
    (starttls_server, "self_signed", {"pins": "server; self_signed"}, True, 1),
    # auto: STARTTLS when offered, whatever the certificate; plain otherwise
    (starttls_server, "self_signed", {"encryption": "auto"}, True, 1),
    (starttls_server, "other_name", {}, True, 1),
    (plain_server, None, {"encryption": "AUTO"}, False, 0),
], ids=["starttls-ca", "implicit-ca", "starttls-pinned-self-signed", "implicit-pinned",
        "one-of-two-pins", "auto-self-signed", "auto-default-wrong-name", "auto-plain-server"])
def test_mail_goes_through(mail_server, certificates, start, cert, options, in_tls,
                           starttls):
    server = start(mail_server, getattr(certificates, cert) if cert else None)
    options = dict(options)
    if "ca_file" in options:
        options["ca_file"] = host_path(certificates.ca.cert)
    if "pins" in options:
        options["pins"] = "; ".join(pin(getattr(certificates, name).cert)
                                    for name in options["pins"].split("; "))
    probe = send(server.address, **LOGIN, **options)

    assert probe.text == "OK", probe.text
    assert server.auth_in_tls == [in_tls]
    assert server.starttls_commands == starttls
    assert server.logins == [("LOGIN", USER)]
    assert len(server.deliveries) == 1
    assert server.deliveries[0].message["Subject"] == "Raport"


def test_brak_never_starts_tls(mail_server, certificates):
    server = mail_server(tls="starttls", cert=certificates.server, require_tls=False)
    probe = send(server.address, **LOGIN, encryption="brak")
    assert probe.text == "OK"
    assert server.starttls_commands == 0 and server.auth_in_tls == [False]
    assert len(server.deliveries) == 1


# --- TLS failures: nothing of the login or the envelope is sent --------------

NAME_MISMATCH = "nazwa serwera pocztowego (SerwerPocztowy) nie zgadza się z jego certyfikatem: "

# Without CertyfikatyCA the system's store judges the certificate; Windows'
# Schannel checks it there, Wine's takes any certificate.
SYSTEM_STORE = pytest.mark.wine_gap("Wine's Schannel does not check a certificate against the "
                                    "system's store")


@pytest.mark.parametrize("start, cert, options, cause", [
    (plain_server, None, {"encryption": "starttls", "ca_file": "ca"},
     "serwer pocztowy nie oferuje STARTTLS: "),
    # a pin makes TLS required: with auto, a server without STARTTLS gets nothing
    (plain_server, None, {"pins": "server"}, "serwer pocztowy nie oferuje STARTTLS: "),
    (starttls_server, "other_name", {"encryption": "starttls", "ca_file": "ca"}, NAME_MISMATCH),
    # the system's store does not know the test CA
    pytest.param(starttls_server, "server", {"encryption": "starttls"},
                 "certyfikat serwera pocztowego nie jest zaufany: ", marks=SYSTEM_STORE),
    pytest.param(implicit_server, "self_signed", {"encryption": "tls"},
                 "certyfikat serwera pocztowego nie jest zaufany: ", marks=SYSTEM_STORE),
    (starttls_server, "server", {"encryption": "starttls", "pins": "self_signed"},
     "klucz serwera pocztowego nie zgadza się z żadnym z KluczSerweraPocztowego: "),
    (implicit_server, "server", {"encryption": "tls", "ca_file": "missing"},
     "nie można użyć pliku CertyfikatyCA: "),
], ids=["no-starttls", "pin-no-starttls", "wrong-name", "untrusted-ca", "implicit-self-signed",
        "wrong-pin", "missing-ca-file"])
def test_tls_failure_sends_nothing(mail_server, certificates, tmp_path, start, cert, options,
                                   cause):
    server = start(mail_server, getattr(certificates, cert) if cert else None)
    options = dict(options)
    if "ca_file" in options:
        options["ca_file"] = host_path(certificates.ca.cert if options["ca_file"] == "ca"
                                       else tmp_path / "brak.pem")
    if "pins" in options:
        options["pins"] = pin(getattr(certificates, options["pins"]).cert)
    probe = send(server.address, **LOGIN, **options)

    assert probe.cause.startswith(cause), probe.cause
    assert len(probe.cause) > len(cause)  # libcurl's reason follows
    assert "zephautomat: mail: " + probe.cause in probe.stderr
    assert nothing_sent(server)


# SerwerPocztowy an IP address: OpenSSL (the Linux build) matches it against
# the certificate's IP address; Schannel (the Windows build) matches only DNS
# names, so there the name check fails, and standard error says what to do.
# A pinned key needs no name: it goes through on both.
IP_ADDRESS_HINT = ("zephautomat: mail: SerwerPocztowy names the mail server by its IP address "
                   "127.0.0.1, and Windows' TLS (Schannel) matches a certificate against its DNS "
                   "names only: name the server by a DNS name its certificate carries, or pin its "
                   "key with KluczSerweraPocztowego")


@pytest.mark.parametrize("options, fails_on_windows", [
    ({"ca_file": "ca"}, True),
    ({"pins": "server"}, False),
], ids=["ca-file", "pinned"])
def test_server_named_by_its_ip_address(mail_server, certificates, options, fails_on_windows):
    server = starttls_server(mail_server, certificates.server)
    options = dict(options)
    if "ca_file" in options:
        options["ca_file"] = host_path(certificates.ca.cert)
    if "pins" in options:
        options["pins"] = pin(certificates.server.cert)
    probe = send(server.ip_address, **LOGIN, encryption="starttls", **options)

    if WINDOWS and fails_on_windows:
        assert probe.cause.startswith(NAME_MISMATCH), probe.cause
        assert IP_ADDRESS_HINT in probe.stderr
        assert nothing_sent(server)
    else:
        assert probe.text == "OK", probe.text
        assert "IP address" not in probe.stderr
        assert server.auth_in_tls == [True] and len(server.deliveries) == 1


# --- login methods --------------------------------------------------------------

@pytest.mark.parametrize("method, password, ok", [
    ("PLAIN", PASSWORD, True),
    ("plain", "złe", False),
    ("XOAUTH2", PASSWORD, True),
    ("XOAUTH2", "zły-token", False),
])
def test_login_method(mail_server, certificates, method, password, ok):
    server = starttls_server(mail_server, certificates.server,
                             mechanisms=("LOGIN", "PLAIN", "XOAUTH2"))
    probe = send(server.address, auth=1, user=USER, password=password, method=method,
                 encryption="starttls", ca_file=host_path(certificates.ca.cert))

    assert [c.split()[0] for c in server.auth_commands] == [method.upper()]
    assert server.auth_in_tls == [True]
    if method == "XOAUTH2":
        # the SASL string the server checked, byte for byte
        assert server.xoauth2_strings == [
            f"user={USER}\x01auth=Bearer {password}\x01\x01".encode()]
    if ok:
        assert probe.text == "OK"
        assert server.logins == [(method.upper(), USER)]
        assert len(server.deliveries) == 1
    else:
        assert probe.text == LOGIN_REFUSED
        assert server.mail_froms == [] and not server.deliveries


def test_method_the_server_does_not_offer_is_a_refused_login(mail_server, certificates):
    server = starttls_server(mail_server, certificates.server, mechanisms=("LOGIN",))
    probe = send(server.address, **LOGIN, method="XOAUTH2", encryption="starttls",
                 ca_file=host_path(certificates.ca.cert))
    assert probe.text == LOGIN_REFUSED
    assert nothing_sent(server)


# --- the password command ------------------------------------------------------

SHELL = pytest.mark.posix_only("PolecenieHasla runs its command with /bin/sh")


@pytest.mark.parametrize("command, cause", [
    (f"printf '%s\\n' '{PASSWORD}'; echo ignored", None),
    (f"printf '%s\\r\\nsecond line' '{PASSWORD}'", None),
    ("echo 'brak tokenu w sejfie' >&2; exit 3",
     "PolecenieHasla zakończyło się kodem 3: brak tokenu w sejfie"),
    ("echo; echo 'pusty' >&2",
     "PolecenieHasla nie wypisało hasła: jego pierwszy wiersz jest pusty (kod 0): pusty"),
    ("kill -TERM $$", "PolecenieHasla zostało przerwane sygnałem 15"),
], ids=["first-line", "cr-lf", "exit-status", "empty-line", "signal"])
@SHELL
def test_password_command_takes_precedence_over_haslo(mail_server, command, cause):
    server = mail_server()
    probe = send(server.address, auth=1, user=USER, password="nieaktualne",
                 password_command=command)
    if cause is None:
        assert probe.text == "OK"
        assert server.logins == [("LOGIN", USER)]
    else:
        assert probe.cause == cause
        assert server.sessions == 0


@SHELL
def test_password_command_runs_only_with_a_login(mail_server, tmp_path):
    server = mail_server()
    ran = tmp_path / "ran"
    probe = send(server.address, auth=0, password_command=f"touch {ran}; exit 1")
    assert probe.text == "OK"
    assert not ran.exists()
    assert len(server.deliveries) == 1
