"""Mail sender against a real SMTP server (aiosmtpd), driven through
mail_probe and checked with Python's email package."""

import os
import time
from itertools import takewhile

import pytest

import run_program
from conftest import TOOLS, command, disk_name, host_path, tool
from smtp_server import PASSWORD, USER, mail_server, stalling_server  # noqa: F401

PREFIX = ("Wystąpił błąd podczas wysyłania wiadomości e-mail.\r\n"
          "Sprawdź konfigurację aplikacji - ustawienia dotyczące wysyłania e-mail.\r\n"
          "(komunikat: ")
LOGIN_REFUSED = PREFIX + "Błąd autentykacji (TidSMTP.Authenticate).)"
SENDER = "nadawca@example.com"
TO = "odbiorca@example.com"


class Probe:
    def __init__(self, proc, elapsed):
        self.returncode = proc.returncode
        self.text = proc.stdout.decode("utf-8").rstrip("\n")
        self.stderr = proc.stderr.decode("utf-8")
        self.elapsed = elapsed

    @property
    def cause(self):
        """The message inside the brackets of the failure text."""
        assert self.returncode == 1, self.text
        assert self.text.startswith(PREFIX) and self.text.endswith(")"), self.text
        return self.text[len(PREFIX):-1]


def send(server, *extra, attach=(), **options):
    """Runs mail_probe; options are --key=value (underscores become dashes)."""
    args = {"server": server, "sender_name": SENDER, "sender_address": SENDER,
            "to": TO, "subject": "Raport", "body": "Treść"}
    args.update(options)
    assert TOOLS, "ZEPH_TOOLS must name the directory of mail_probe"
    argv = [f"--{k.replace('_', '-')}={v}" for k, v in args.items()]
    argv += [b"--attach=" + os.fsencode(host_path(path)) for path in attach]
    argv = command(tool("mail_probe"), *argv, *extra)
    start = time.monotonic()
    proc = run_program.run(argv)
    return Probe(proc, time.monotonic() - start)


def only_delivery(server):
    assert len(server.deliveries) == 1
    return server.deliveries[0]


def text_of(part):
    """Decoded text of a part with LF line ends."""
    return part.get_content().replace("\r\n", "\n")


def raw_lines(raw):
    return raw.split(b"\r\n")


@pytest.fixture
def smtp(mail_server):
    return mail_server()


# --- single part -----------------------------------------------------------

@pytest.mark.parametrize("list_form", [[], ["--no-list"]], ids=["empty-list", "no-list"])
def test_plain_message_is_one_utf8_text_part(smtp, list_form):
    body = "Dzień dobry,\nzałączam raport: żółć, źdźbło.\r\n.kropka na początku\n\nKoniec"
    probe = send(smtp.address, *list_form, body=body, subject="Raport dzienny")
    assert probe.text == "OK" and probe.returncode == 0

    delivery = only_delivery(smtp)
    msg = delivery.message
    assert not msg.is_multipart()
    assert msg.get_content_type() == "text/plain"
    assert msg.get_content_charset() == "utf-8"
    assert msg["Content-Transfer-Encoding"] == "8bit"
    assert "Dzień dobry".encode() in delivery.raw  # 8bit UTF-8, not encoded
    assert text_of(msg) == body.replace("\r\n", "\n") + "\n"
    assert msg["Subject"] == "Raport dzienny"
    assert b"\r\nSubject: Raport dzienny\r\n" in delivery.head
    assert msg["From"].addresses[0].addr_spec == SENDER
    assert msg["To"].addresses[0].addr_spec == TO
    assert msg["X-Priority"] == "3"
    for name in ("Date", "Message-ID", "MIME-Version"):
        assert msg[name], name
    for name in ("Cc", "Disposition-Notification-To"):
        assert msg[name] is None, name
    assert delivery.mail_from == SENDER and delivery.rcpt_tos == [TO]
    assert all(b"\n" not in line for line in raw_lines(delivery.raw))  # CR LF only


@pytest.mark.parametrize("subject, plain_words", [
    ("Raport dzienny - błąd eksportu", ["Raport", "dzienny", "-"]),
    ("Żółta łódź", []),
    ("Eksport " + "źdźbło trawy zażółć gęślą jaźń " * 6 + "koniec", ["Eksport", "koniec"]),
], ids=["mixed", "all-polish", "long-folded"])
def test_subject_words_with_polish_letters_are_q_encoded(smtp, subject, plain_words):
    assert send(smtp.address, subject=subject).text == "OK"
    delivery = only_delivery(smtp)
    assert delivery.message["Subject"] == subject
    head = delivery.head.decode("ascii")  # nothing but ASCII in the header
    field = head[head.index("\r\nSubject:") + 2:].split("\r\n")
    field = [field[0]] + list(takewhile(lambda line: line[:1] in (" ", "\t"), field[1:]))
    assert "=?utf-8?q?" in "".join(field).lower()
    for word in plain_words:
        assert f" {word}" in "".join(field)
    assert all(len(line) <= 78 for line in field)


def test_long_body_line_goes_quoted_printable(smtp):
    body = "Nagłówek\n" + "ąę" * 700 + "x" * 600 + "\n.\nstopka"
    assert send(smtp.address, body=body).text == "OK"
    delivery = only_delivery(smtp)
    assert delivery.message["Content-Transfer-Encoding"] == "quoted-printable"
    assert text_of(delivery.message) == body + "\n"
    assert max(len(line) for line in raw_lines(delivery.raw)) <= 78


# --- attachments -----------------------------------------------------------

def test_attachments_make_multipart_with_names_and_contents(smtp, tmp_path):
    binary = bytes(range(256)) * 300 + b"\r\n.\r\n\x00tail"
    files = [
        ("raport.txt", "Zażółć\r\n".encode()),
        ("dane.bin", binary),
        ("załącznik ÓŁ.csv", b"a;b\r\n"),
        ("pusty.dat", b""),
        ("r" * 120 + ".txt", b"long name"),
    ]
    paths = []
    for name, data in files:
        path = tmp_path / os.fsdecode(disk_name(name))
        path.write_bytes(data)
        paths.append(path)

    body = "Pliki w załączeniu.\nPozdrawiam"
    assert send(smtp.address, attach=paths, body=body).text == "OK"
    delivery = only_delivery(smtp)
    msg = delivery.message
    assert msg.get_content_type() == "multipart/mixed"
    parts = list(msg.iter_parts())
    assert len(parts) == 1 + len(files)
    assert parts[0].get_content_type() == "text/plain"
    assert parts[0]["Content-Transfer-Encoding"] == "8bit"
    assert text_of(parts[0]) == body + "\n"
    for part, (name, data) in zip(parts[1:], files):
        assert part.get_content_disposition() == "attachment"
        assert part.get_filename() == name
        assert part["Content-Transfer-Encoding"] == "base64"
        assert part.get_payload(decode=True) == data
    assert max(len(line) for line in raw_lines(delivery.raw)) <= 78
    assert b"filename*0*=UTF-8''za%C5%82%C4%85cznik" in delivery.raw


# --- addresses and envelope -------------------------------------------------

def test_address_lists_fill_header_and_envelope(smtp):
    to = 'Jan Kowalski <jan@example.com>, "Nowak, Anna" <anna@example.com>,  ewa@example.com'
    cc = "Łukasz Żak <lukasz@example.com>; kopia@example.com"
    host, port = smtp.address.split(":")
    probe = send(host, port=port, to=to, cc=cc, sender_name="Automat Łódź")
    assert probe.text == "OK"
    delivery = only_delivery(smtp)
    msg = delivery.message
    assert [(a.display_name, a.addr_spec) for a in msg["To"].addresses] == [
        ("Jan Kowalski", "jan@example.com"), ("Nowak, Anna", "anna@example.com"),
        ("", "ewa@example.com")]
    assert [(a.display_name, a.addr_spec) for a in msg["Cc"].addresses] == [
        ("Łukasz Żak", "lukasz@example.com"), ("", "kopia@example.com")]
    assert msg["From"].addresses[0].display_name == "Automat Łódź"
    assert msg["From"].addresses[0].addr_spec == SENDER
    assert delivery.rcpt_tos == ["jan@example.com", "anna@example.com", "ewa@example.com",
                                 "lukasz@example.com", "kopia@example.com"]


@pytest.mark.parametrize("field, value", [
    ("subject", "Raport\r\nBcc: intruz@example.com"),
    ("subject", "Zażółć\nX-Injected: 1"),
    ("sender_name", "Automat\r\nX-Injected: 1"),
    pytest.param("file", "plik\r\nX-Injected: 1.txt", marks=pytest.mark.posix_only(
        "a file name with a line break, which Windows cannot hold")),
    # what a Windows name can hold: a parameter of its own inside the name
    ("file", "plik; filename=X-Injected 1.txt"),
])
def test_line_breaks_never_start_a_header(smtp, tmp_path, field, value):
    attach = ()
    options = {}
    if field == "file":
        path = tmp_path / value
        path.write_bytes(b"data")
        attach = [path]
    else:
        options[field] = value
    assert send(smtp.address, attach=attach, **options).text == "OK"
    delivery = only_delivery(smtp)
    for line in raw_lines(delivery.raw):
        assert not line.startswith((b"X-Injected", b"Bcc")), line
    assert delivery.rcpt_tos == [TO]
    if field == "file":  # one name, its line breaks blanked
        names = [part.get_filename() for part in delivery.message.iter_attachments()]
        assert names == [value.replace("\r", " ").replace("\n", " ")]
    else:
        assert delivery.message.get(field.replace("sender_name", "From")) is not None


@pytest.mark.parametrize("field, value", [
    ("to", "odbiorca@example.com\r\nRCPT TO:<intruz@example.com>"),
    ("cc", "kopia@example.com\nBcc: intruz@example.com"),
    ("sender_address", "nadawca@example.com\r\nRCPT TO:<intruz@example.com>"),
    ("to", ""),
    ("to", " , ;"),
    ("to", "bez-domeny"),
    ("to", "Łukasz Żak"),
    ("cc", "Żaneta <zła>"),
])
def test_unusable_addresses_fail_before_connecting(smtp, field, value):
    probe = send(smtp.address, **{field: value})
    assert probe.cause
    if not value.isascii():  # quoted as given, in the program's own letters
        assert probe.cause == f'Invalid e-mail address: "{value}"'
    assert smtp.sessions == 0 and not smtp.deliveries


# --- login -------------------------------------------------------------------

@pytest.mark.parametrize("auth, password", [(0, PASSWORD), (0, "źle"), (1, PASSWORD)])
def test_login_only_when_switched_on(smtp, auth, password):
    probe = send(smtp.address, auth=auth, user=USER, password=password)
    assert probe.text == "OK"
    assert len(smtp.deliveries) == 1
    if auth:
        assert [c.split()[0].upper() for c in smtp.auth_commands] == ["LOGIN"]
        assert smtp.logins == [("LOGIN", USER)]
    else:
        assert smtp.auth_commands == []


@pytest.mark.parametrize("offer_auth, password", [(True, "złe-hasło"), (False, PASSWORD)],
                         ids=["wrong-password", "server-without-auth"])
def test_refused_login_is_reported_and_nothing_sent(mail_server, offer_auth, password):
    server = mail_server(offer_auth=offer_auth)
    probe = send(server.address, auth=1, user=USER, password=password)
    assert probe.text == LOGIN_REFUSED
    assert not server.deliveries


# --- failures ----------------------------------------------------------------

def test_unreachable_server(mail_server):
    from smtp_server import free_port
    probe = send(f"127.0.0.1:{free_port()}")
    assert probe.cause.startswith("Couldn't connect to server")


def test_refused_message_names_the_reply(mail_server):
    server = mail_server(refuse_data="554 5.7.1 Message rejected")
    assert send(server.address).cause == (
        "Weird server reply (response 554): 554 5.7.1 Message rejected")
    assert not server.deliveries


@pytest.mark.parametrize("refusal, cause", [
    ({"refuse_mail": "530 5.7.0 Authentication required"},
     "Failed sending data to the peer (response 530): MAIL failed: "
     "530 5.7.0 Authentication required"),
    ({"refuse_rcpt": "550 5.1.1 Mailbox unknown"},
     "Failed sending data to the peer (response 550): RCPT failed: 550 5.1.1 Mailbox unknown"),
], ids=["sender", "recipient"])
def test_refused_envelope_names_the_servers_reason(mail_server, refusal, cause):
    server = mail_server(**refusal)
    assert send(server.address).cause == cause
    assert not server.deliveries


@pytest.mark.parametrize("kind", ["missing", "directory", "second-missing"])
def test_bad_attachment_fails_before_connecting(smtp, tmp_path, kind):
    good = tmp_path / "dobry.txt"
    good.write_bytes(b"ok")
    bad = tmp_path / ("katalog" if kind == "directory" else "brak.txt")
    if kind == "directory":
        bad.mkdir()
    attach = [good, bad] if kind == "second-missing" else [bad]
    cause = send(smtp.address, attach=attach).cause
    assert host_path(bad) in cause
    assert smtp.sessions == 0 and not smtp.deliveries


def test_failure_without_raising_returns_false(tmp_path, smtp):
    probe = send(smtp.address, "--raise=0", attach=[tmp_path / "brak.txt"])
    assert (probe.returncode, probe.text) == (1, "FALSE")


def test_silent_server_times_out(stalling_server):
    # The connect phase takes in the greeting: with a connect time-out as
    # short as the response time-out the two would race for the verdict.
    probe = send(stalling_server, "--response-timeout=2", "--connect-timeout=30")
    assert probe.cause == "Timeout was reached: server response timeout"
    assert probe.elapsed < 20


def test_server_that_stops_reading_times_out(mail_server, tmp_path):
    server = mail_server(stall_data=True)
    big = tmp_path / "duzy.bin"
    with open(big, "wb") as out:
        out.truncate(24 * 1024 * 1024)  # more than the socket buffers hold
    probe = send(server.address, "--low-speed-time=2", attach=[big])
    assert probe.cause.startswith("Timeout was reached (response 354)")
    assert probe.elapsed < 30


@pytest.mark.parametrize("server, port_arg, cause", [
    ("127.0.0.1:{port}", "25", None),
    ("[127.0.0.1]:{port}", "25", None),
    (" localhost ", "{port}", None),
    ("127.0.0.1:{port}x", "25", 'Invalid SMTP server port: "127.0.0.1:{port}x"'),
    ("127.0.0.1:", "{port}", 'Invalid SMTP server port: "127.0.0.1:"'),
    ("", "{port}", "No SMTP server is set."),
])
def test_server_text_may_carry_the_port(smtp, server, port_arg, cause):
    probe = send(server.format(port=smtp.port), port=port_arg.format(port=smtp.port))
    if cause is None:
        assert probe.text == "OK"
        assert len(smtp.deliveries) == 1
    else:
        assert probe.cause == cause.format(port=smtp.port)
        assert smtp.sessions == 0
