"""The host's own COM servers (Windows): servers created by the ProgIDs of
components.ini's [ProgIDs], by the class names without them, a library in
[InprocServers] winning over a ProgID, and zephautomat-check naming each
ProgID registered or not. Runs with the simulator registered as a COM server
(ZEPH_HOST_MODE=com, scripts/test-com.sh)."""

import os

import pytest

import run_program
from conftest import COM_FLAVOUR, HOST_MODE, PROGID_PREFIX, command, cp, entry, host_path
from host_journal import frame_close, frame_open

pytestmark = pytest.mark.skipif(HOST_MODE != "com",
                                reason="needs the simulator registered as a COM server")

CHECK = os.environ.get("ZEPH_CHECK", "")
SIM = os.environ.get("ZEPH_SIM", "")
HEADER = "Eksport dokumentów wydania do Pelkex: "
SETUP_ERROR = "Wystąpił błąd podczas inicjalizacji biblioteki Setup.dll.\r\n"
TASK = ["Setup#1.GetModule(Stock, -1) -> Stock#1", "Stock#1.ExportIssueDocumentsToPelkex()"]


def components(app, text):
    app.path("components.ini").write_text(text.replace("SIM", host_path(SIM)))


# components.ini, console body, host calls
CASES = [
    pytest.param(f"[ProgIDs]\nSetup={PROGID_PREFIX}Setup\n", "OK",
                 frame_open() + TASK + frame_close(["Stock"]), id="by-progid"),
    pytest.param("[ProgIDs]\nSetup=MerkanSim.NoSuchClass\n",
                 "BLAD: " + SETUP_ERROR + "Class not registered", [], id="unregistered-progid"),
    pytest.param("[InprocServers]\n", "BLAD: " + SETUP_ERROR + "Class not registered", [],
                 id="class-name-unregistered"),
    pytest.param("[InprocServers]\nSetup=SIM\n[ProgIDs]\nSetup=MerkanSim.NoSuchClass\n", "OK",
                 frame_open() + TASK + frame_close(["Stock"]), id="library-wins"),
]


@pytest.mark.parametrize("text, console, calls", CASES)
def test_configuration_server_is_found_by_progid(app, text, console, calls):
    components(app, text)
    app.write_config([("S", entry(EksportDokWydDoPelkex=1))])
    result = app.run("/WZKX")
    assert result.body == cp(console) + b"\n"
    assert app.journal() == calls


def test_check_names_registered_and_unregistered_progids(app):
    components(app, f"[ProgIDs]\nSetup={PROGID_PREFIX}Setup\n"
                    f"EksportTessaro={PROGID_PREFIX}EksportTessaro\n"
                    "ZephProc=MerkanSim.NoSuchClass\n")
    app.write_config([("S", entry(ZapisSlownikowDoXML=1))])
    # The check creates each server; the simulator keeps its journal in the
    # instance rather than beside the check tool.
    env = dict(os.environ, ZEPH_SIM_DIR=host_path(app.dir))
    proc = run_program.run(command(CHECK, host_path(app.dir), "/XML"), env=env)
    out = proc.stdout.decode("utf-8")
    lines = out.splitlines()
    assert (f'note: components.ini: [ProgIDs] Setup: "{PROGID_PREFIX}Setup" is registered and '
            'creates a server') in lines, out
    assert ('error: components.ini: [ProgIDs] ZephProc: "MerkanSim.NoSuchClass": '
            'Class not registered') in lines, out
    # Invoices is not listed: its class name is its ProgID, and no task needs it.
    assert 'warning: components.ini: [ProgIDs] Invoices: "Invoices": Class not registered' \
        in lines, out
    assert proc.returncode == 1
    # Each server that could be made was made once, and nothing more was asked of it.
    assert app.journal() == ["create Setup -> Setup#1", "create EksportTessaro -> EksportTessaro#1"]


def run_check(app, *switches):
    env = dict(os.environ, ZEPH_SIM_DIR=host_path(app.dir))
    proc = run_program.run(command(CHECK, host_path(app.dir), *switches), env=env)
    return proc, proc.stdout.decode("utf-8")


# configuration server's ProgID, lines the check must print, return code,
# servers made (the faulty server journals nothing)
METHOD_CASES = [
    pytest.param("MerkanSim.Setup", [
        "note: components.ini: [ProgIDs] Setup: Login: found: Login() -> VT_BOOL",
        "note: components.ini: [ProgIDs] Setup: GetModule: found: "
        "GetModule(classId VT_I4, create VT_BOOL) -> VT_DISPATCH",
        "note: components.ini: [ProgIDs] Setup: CheckRight: found: CheckRight(rightId VT_BSTR, "
        "level VT_I4, text VT_BSTR by reference, message VT_BSTR by reference) -> VT_BOOL",
        "note: COM server Stock: ExportIssueDocumentsToPelkex: found: ExportIssueDocumentsToPelkex("
        "message VT_BSTR by reference, success VT_BOOL by reference)",
    ], 0, ["create Setup -> Setup#1"], id="dual"),
    pytest.param("MerkanSim.Vtbl.Setup", [
        "note: components.ini: [ProgIDs] Setup: GetModule: found: "
        "GetModule(classId VT_I4, create VT_BOOL) -> VT_UNKNOWN",
        "note: COM server Stock: ExportIssueDocumentsToPelkex: found: ExportIssueDocumentsToPelkex("
        "message VT_BSTR by reference, success VT_BOOL by reference)",
    ], 0, ["create Setup -> Setup#1"], id="vtable-only"),
    pytest.param("MerkanSim.Disp.Setup", [
        "warning: components.ini: [ProgIDs] Setup: the server gives no type information; its "
        "methods are found by name and called with the program's own types",
        "note: components.ini: [ProgIDs] Setup: Login: found",
        "warning: COM server Stock: the methods cannot be looked up: no type library of the "
        "servers made names an interface IStock or a class Stock",
    ], 0, ["create Setup -> Setup#1"], id="dispatch-only"),
    # A server that lacks a method and declares a result no conversion fits.
    pytest.param("MerkanSim.Faulty.Setup", [
        "error: components.ini: [ProgIDs] Setup: SetPreLoginOption: missing",
        "error: components.ini: [ProgIDs] Setup: Login: no conversion fits: "
        "Login: the result: VT_SAFEARRAY does not convert to VT_BOOL",
        "note: components.ini: [ProgIDs] Setup: Logout: found: Logout()",
    ], 1, [], id="faulty"),
]


# Each case names its flavour's ProgID: run once, with the suite's dual run.
@pytest.mark.skipif(COM_FLAVOUR != "dual", reason="names every flavour itself")
@pytest.mark.parametrize("progid, lines, returncode, made", METHOD_CASES)
def test_check_reports_how_the_servers_declare_the_methods_the_tasks_call(app, progid, lines,
                                                                          returncode, made):
    components(app, f"[ProgIDs]\nSetup={progid}\n")
    app.write_config([("S", entry(EksportDokWydDoPelkex=1))])
    proc, out = run_check(app, "/WZKX")
    for line in lines:
        assert line in out.splitlines(), out
    # Only what the planned task calls is asked about.
    assert "GetLoginValue" not in out and "ExportFilesToGefco" not in out, out
    assert proc.returncode == returncode, out
    # Reading declarations calls nothing on the servers.
    assert app.journal() == made

