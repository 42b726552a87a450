"""A real SMTP server (aiosmtpd) on 127.0.0.1 for the mail tests.

Records every accepted message with its envelope and every AUTH command.
`MailServer(...)` starts one; `mail_server` is a fixture factory that stops
the servers of a test at its end. `stalling_server` accepts connections and
never answers."""

import asyncio
import base64
import email
import email.policy
import socket
import ssl
import threading

import pytest
from aiosmtpd.controller import Controller
from aiosmtpd.smtp import MISSING, SMTP, AuthResult, LoginPassword

USER = "jan"
PASSWORD = "tajne-hasło"


def free_port():
    with socket.socket() as sock:
        sock.bind(("127.0.0.1", 0))
        return sock.getsockname()[1]


class Delivery:
    def __init__(self, envelope):
        self.mail_from = envelope.mail_from
        self.rcpt_tos = list(envelope.rcpt_tos)
        self.raw = envelope.original_content

    @property
    def message(self):
        return email.message_from_bytes(self.raw, policy=email.policy.default)

    @property
    def head(self):
        """The raw header block, CR LF kept."""
        return self.raw.split(b"\r\n\r\n", 1)[0]


class _Handler:
    def __init__(self, owner):
        self.owner = owner

    async def handle_MAIL(self, server, session, envelope, address, mail_options):
        self.owner.mail_froms.append(address)
        if self.owner.refuse_mail:
            return self.owner.refuse_mail
        envelope.mail_from = address
        envelope.mail_options.extend(mail_options)
        return "250 OK"

    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        self.owner.rcpt_tos.append(address)
        if self.owner.refuse_rcpt:
            return self.owner.refuse_rcpt
        envelope.rcpt_tos.append(address)
        envelope.rcpt_options.extend(rcpt_options)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        if self.owner.refuse_data:
            return self.owner.refuse_data
        self.owner.deliveries.append(Delivery(envelope))
        return "250 Message accepted"


class MailServer:
    """offer_auth=False: AUTH is not advertised (a plain connection with
    TLS-only login, as aiosmtpd does by default). stall_data=True: after
    "354" the server stops reading, as a hung server does. greeting_delay:
    seconds of silence before the greeting. silent_quit=True: QUIT is never
    answered. refuse_mail, refuse_rcpt: the reply to MAIL FROM or RCPT TO
    instead of 250.

    TLS: tls="starttls" offers STARTTLS and (with require_tls, the default)
    takes no MAIL, RCPT or AUTH before it; tls="implicit" speaks TLS from the
    first byte. cert is an object with .cert and .key paths. A TLS server's
    address names it by the host name its certificate carries, localhost, as
    an operator names a mail server; ip_address names it by 127.0.0.1, which
    Windows' TLS cannot match against a certificate. mechanisms
    lists the AUTH methods offered (LOGIN, PLAIN, XOAUTH2). Every AUTH is
    recorded with whether it came inside TLS (auth_in_tls), every MAIL FROM
    and RCPT TO address in mail_froms and rcpt_tos, every STARTTLS in
    starttls_commands."""

    def __init__(self, offer_auth=True, users=None, refuse_data=None,
                 data_size_limit=64 * 1024 * 1024, stall_data=False, greeting_delay=0,
                 silent_quit=False, refuse_mail=None, refuse_rcpt=None, tls=None, cert=None, require_tls=True,
                 mechanisms=("LOGIN",)):
        self.deliveries = []
        self.auth_commands = []
        self.auth_in_tls = []
        self.logins = []
        self.mail_froms = []
        self.rcpt_tos = []
        self.starttls_commands = 0
        self.sessions = 0
        self.quits = 0
        self.started = False
        self.refuse_data = refuse_data
        self.refuse_mail = refuse_mail
        self.refuse_rcpt = refuse_rcpt
        self.users = {USER: PASSWORD} if users is None else users
        self.port = free_port()
        owner = self

        class RecordingSMTP(SMTP):
            def connection_made(self, transport):
                owner.sessions += 1
                super().connection_made(transport)

            def inside_tls(self):
                return (self._tls_protocol is not None
                        or self.transport.get_extra_info("ssl_object") is not None)

            async def smtp_AUTH(self, arg):
                owner.auth_commands.append(arg)
                owner.auth_in_tls.append(self.inside_tls())
                return await super().smtp_AUTH(arg)

            async def smtp_STARTTLS(self, arg):
                owner.starttls_commands += 1
                return await super().smtp_STARTTLS(arg)

            async def auth_XOAUTH2(self, _, args):
                """user=<user>^Aauth=Bearer <token>^A^A, checked whole."""
                if len(args) == 1:
                    blob = await self.challenge_auth("", encode_to_b64=False)
                    if blob is MISSING:
                        return AuthResult(success=False)
                else:
                    blob = base64.b64decode(args[1])
                owner.xoauth2_strings.append(blob)
                for user, token in owner.users.items():
                    if blob == f"user={user}\x01auth=Bearer {token}\x01\x01".encode():
                        owner.logins.append(("XOAUTH2", user))
                        return AuthResult(success=True)
                return AuthResult(success=False, handled=False)

            async def _handle_client(self):
                if greeting_delay and owner.started:  # not the controller's probe
                    await asyncio.sleep(greeting_delay)
                await super()._handle_client()

            async def smtp_QUIT(self, arg):
                if not silent_quit:
                    return await super().smtp_QUIT(arg)
                owner.quits += 1
                await asyncio.sleep(600)  # cancelled when the server stops

            async def smtp_DATA(self, arg):
                if not stall_data:
                    return await super().smtp_DATA(arg)
                await self.push("354 End data with <CR><LF>.<CR><LF>")
                await asyncio.sleep(600)  # cancelled when the server stops

        class RecordingController(Controller):
            def factory(self):
                return RecordingSMTP(self.handler, **self.SMTP_kwargs)

        self.xoauth2_strings = []
        self.name = "127.0.0.1" if tls is None else "localhost"
        context = None
        if tls is not None:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(str(cert.cert), str(cert.key))
        tls_options = {}
        if tls == "starttls":
            tls_options = {"tls_context": context, "require_starttls": require_tls}
        elif tls == "implicit":
            tls_options = {"ssl_context": context}
        excluded = [m for m in ("LOGIN", "PLAIN", "XOAUTH2") if m not in mechanisms]
        self.controller = RecordingController(
            _Handler(self), hostname="127.0.0.1", port=self.port,
            auth_require_tls=not offer_auth, authenticator=self._authenticate,
            auth_exclude_mechanism=excluded, data_size_limit=data_size_limit, **tls_options)
        self.controller.start()
        # The controller's own readiness probe counts as a session.
        self.sessions = 0
        self.started = True

    def _authenticate(self, server, session, envelope, mechanism, auth_data):
        if isinstance(auth_data, LoginPassword):
            login = auth_data.login.decode("utf-8", "replace")
            password = auth_data.password.decode("utf-8", "replace")
            self.logins.append((mechanism, login))
            if self.users.get(login) == password:
                return AuthResult(success=True)
        return AuthResult(success=False, handled=False)

    @property
    def address(self):
        return f"{self.name}:{self.port}"

    @property
    def ip_address(self):
        return f"127.0.0.1:{self.port}"

    def stop(self):
        self.controller.stop()


@pytest.fixture
def mail_server():
    """Factory: mail_server(**options) starts a MailServer for this test."""
    started = []

    def start(**options):
        server = MailServer(**options)
        started.append(server)
        return server

    yield start
    for server in started:
        server.stop()


@pytest.fixture
def stalling_server():
    """Address of a server that accepts connections and never says a word."""
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    listener.settimeout(0.2)
    accepted = []
    stop = threading.Event()

    def serve():
        while not stop.is_set():
            try:
                conn, _ = listener.accept()
                accepted.append(conn)
            except OSError:
                continue

    thread = threading.Thread(target=serve, daemon=True)
    thread.start()
    yield f"127.0.0.1:{listener.getsockname()[1]}"
    stop.set()
    thread.join(timeout=5)
    for conn in accepted:
        conn.close()
    listener.close()
