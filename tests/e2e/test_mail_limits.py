"""Limits of the mail step: address lists cut by the read limit of
serwery.ini, and the SMTP time-outs (each server reply, the wait for the
answer to QUIT)."""

import pytest

from conftest import INDENT, cp, entry, mask
from smtp_server import mail_server  # noqa: F401 (fixture)
from test_mail import send

READ_LIMIT = 2047


def addresses(length):
    """A recipient list of exactly `length` characters: its addresses and text."""
    def room(boxes):  # characters left for the last local part
        return length - len(", ".join(boxes + ["@example.com"]))

    boxes = []
    while room(boxes + [f"u{len(boxes) + 1}@example.com"]) >= 5:
        boxes.append(f"u{len(boxes) + 1}@example.com")
    rest = room(boxes)
    boxes.append("x" * rest + "@example.com")
    return boxes, ", ".join(boxes)


def run_daily_report(app, server, mail):
    app.write_config([("S1", entry(RaportDzienny=1))],
                     mail=dict({"SerwerPocztowy": server.address}, **mail))
    app.write_sim("[Host]\nReport2.CreateDailyReport.Text = raport\n")
    return app.run("/RD")


@pytest.mark.parametrize("key", ["AdresPocztowyOdbiorcy", "AdresPocztowyNadawcy"])
def test_cut_address_list_is_never_mailed(app, mail_server, key):  # noqa: F811
    server = mail_server()
    _, text = addresses(READ_LIMIT + 40)
    result = run_daily_report(app, server, {key: text})

    assert result.body == b"OK\n"
    assert server.sessions == 0 and not server.deliveries
    reason = (f"The value of {key} in serwery.ini is longer than 2047 characters and was cut "
              "on reading; no mail goes to a cut address list.")
    assert mask(app.log()).endswith(
        cp(INDENT + "Raport dzienny wysłany: nie\r\n" + INDENT + "  Komunikat błędu: ")
        + reason.encode() + b"\r\n")
    # The key is kept whole in the file.
    assert app.ini_value(key) == text


def test_list_of_exactly_the_read_limit_is_mailed_to_everyone(app, mail_server):  # noqa: F811
    server = mail_server()
    boxes, text = addresses(READ_LIMIT)
    result = run_daily_report(app, server, {"AdresPocztowyOdbiorcy": text})

    assert result.body == b"OK\n"
    assert len(server.deliveries) == 1
    assert server.deliveries[0].rcpt_tos == boxes


# --- time-outs -------------------------------------------------------------------

def test_greeting_waits_for_the_response_time_out_not_the_connect_time_out(
        mail_server):  # noqa: F811
    # The greeting comes after 3 s: later than the 2 s allowed to connect,
    # well within the 20 s allowed for a reply.
    server = mail_server(greeting_delay=3)
    probe = send(server.address, "--connect-timeout=2", "--response-timeout=20")
    assert probe.text == "OK"
    assert len(server.deliveries) == 1


def test_unanswered_quit_is_not_waited_for_long(mail_server):  # noqa: F811
    server = mail_server(silent_quit=True)
    # Replies may take 60 s; the answer to QUIT is given a few seconds.
    probe = send(server.address, "--response-timeout=60")
    assert probe.text == "OK"
    assert len(server.deliveries) == 1 and server.quits == 1
    assert probe.elapsed < 30
