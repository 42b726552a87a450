"""A host library written in C (tests/c_adapter/minimal_host.c), built by the C
compiler against the C interface alone: a task runs against it, everything it
hands out comes back to it, and a build for an older interface is refused."""

import os
from collections import Counter

import pytest

from conftest import cp, entry

C_HOST = os.environ.get("ZEPH_C_HOST", "")
C_HOST_OLD = os.environ.get("ZEPH_C_HOST_OLD", "")

HEADER = "Eksport dokumentów wydania do Pelkex: "
PAD = " " * 21
SETUP_ERROR = "Wystąpił błąd podczas inicjalizacji biblioteki Setup.dll.\r\n"


def block(*lines, outcome):
    out = [b"TS  [SRV].[" + cp(lines[0]) + b"] " + cp(HEADER)]
    out += [b"TS  " + cp(line) for line in lines[1:]]
    out.append(cp(PAD + "Zakończono poprawnie: " + outcome))
    return b"".join(line + b"\r\n" for line in out)


def run_against(app, library, base):
    assert library and os.path.exists(library), "the C host libraries must be built"
    app.write_components(Setup=library, Invoices=None, EksportTessaro=None, ZephProc=None)
    app.write_config([("S", entry(base=base, EksportDokWydDoPelkex=1))])
    record = app.path("c-host.record")
    result = app.run("/WZKX", env={"MINIMAL_HOST_RECORD": str(record)})
    events = Counter()
    releases = []  # class ids in the order their references came back
    if record.exists():
        for line in record.read_text().splitlines():
            event, class_id = line.split()
            events[(event, int(class_id))] += 1
            if event == "release":
                releases.append(int(class_id))
    return result, events, releases


# database, console body, log lines after the header, outcome
CASES = [
    pytest.param("DB", "OK", [], "tak", id="success"),
    pytest.param("ODMOWA", "BLAD: Brak połączenia z Pelkex", ["BŁĄD: Brak połączenia z Pelkex"],
                 "nie", id="failure-message-in-utf16"),
]


@pytest.mark.parametrize("base, console, lines, outcome", CASES)
def test_task_runs_against_a_c_library_and_gives_back_all_it_got(app, base, console, lines,
                                                                  outcome):
    result, events, releases = run_against(app, C_HOST, base)
    assert result.body == cp(console) + b"\n"
    assert app.masked_log() == block(base, *lines, outcome=outcome)
    assert result.returncode == 0
    # One configuration server and one warehouse server, each released once.
    assert events[("object", 0)] == 1 and events[("release", 0)] == 1
    assert events[("object", 1)] == 1 and events[("release", 1)] == 1
    # The warehouse server's reference is given up as the task returns, after
    # the configuration server's release.
    assert releases == [0, 1]
    # Every text the library made was freed by the library's own function.
    assert events[("string", -1)] == events[("free", -1)] >= 1


def test_library_built_for_an_older_interface_is_refused_naming_both_versions(app):
    result, events, _ = run_against(app, C_HOST_OLD, "DB")
    error = (SETUP_ERROR + f'Library "{C_HOST_OLD}" implements host interface version 1; '
             "this program needs version 2")
    assert result.body == b"BLAD: " + cp(error) + b"\n"
    assert app.masked_log() == block("DB", "BŁĄD: " + error, outcome="nie")
    assert not events  # nothing of the library was called
