"""PolecenieHasla's output through the program, against a real SMTP server,
in the forms a command prints Polish letters: the shell's own echo (on
Windows cmd.exe's, which writes in its console's code page) and a program
that writes UTF-8 whatever the code pages. The password must reach the
server as typed, and a failing command's standard error the log."""

import pytest

from conftest import WINDOWS, cp, host_path, tool
from smtp_server import USER, mail_server  # noqa: F401
from test_mail_tls_settings import configure

PASSWORD = "Tajne-Hasło-1"
ERROR = "brak hasła w sejfie"


def shell_echo(text, to_stderr=False, code=0):
    """The shell's own echo of the text (serwery.ini holds it in Windows-1250)."""
    if WINDOWS:
        return f"echo {text}" + (" 1>&2" if to_stderr else "") + (f" & exit {code}" if code else "")
    return f"echo '{text}'" + (" >&2" if to_stderr else "") + (f"; exit {code}" if code else "")


def utf8_program(text, to_stderr=False, code=0):
    """A program printing the text in UTF-8 (tests/tools/utf8_print.cpp)."""
    escaped = text.encode("ascii", "backslashreplace").decode()
    quoted = f'"{escaped}"' if WINDOWS else f"'{escaped}'"
    # the options last: serwery.ini takes the quotes around a whole value away
    return (f'"{host_path(tool("utf8_print"))}" {quoted} --exit={code}'
            + (" --stderr" if to_stderr else ""))


PRINTERS = pytest.mark.parametrize("printer", [shell_echo, utf8_program],
                                   ids=["shell-echo", "utf8-program"])


def login(server, command):
    return {"SerwerPocztowy": server.address, "Uwierzytelnianie": "1", "Uzytkownik": USER,
            "Haslo": "nieaktualne", "PolecenieHasla": command}


@PRINTERS
def test_password_with_polish_letters_logs_in(app, mail_server, printer):  # noqa: F811
    server = mail_server(users={USER: PASSWORD})
    configure(app, login(server, printer(PASSWORD)))
    assert app.run("/RD").body == b"OK\n"
    assert cp("Raport dzienny wysłany: tak") in app.log(), app.log()
    assert server.logins == [("LOGIN", USER)] and len(server.deliveries) == 1


@PRINTERS
def test_error_text_with_polish_letters_reaches_the_log(app, mail_server, printer):  # noqa: F811
    server = mail_server()
    configure(app, login(server, printer(ERROR, to_stderr=True, code=3)))
    assert app.run("/RD").body == b"OK\n"
    assert cp(f"(komunikat: PolecenieHasla zakończyło się kodem 3: {ERROR})") in app.log(), \
        app.log()
    assert server.sessions == 0
