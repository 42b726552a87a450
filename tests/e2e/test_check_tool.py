"""The configuration check zephautomat-check against real instance
directories: each kind of problem is reported with its place, the plan follows
the program's order, the exit code says whether the configuration would run,
and nothing in the instance is ever written or created."""

import os
import pathlib
import pwd
import shutil
import stat
import subprocess
import tempfile

import pytest

import run_program
from conftest import SIM, SWITCH_REFERENCE, WINDOWS, App, command, entry, host_path
from smtp_server import PASSWORD, USER, mail_server  # noqa: F401
from tls_certificates import certificates, pin  # noqa: F401

CHECK = os.environ.get("ZEPH_CHECK", "")


def tree(root):
    """Every path below root with its mode, mtime and bytes (or link target)."""
    out = {}
    for base, dirs, files in os.walk(root):
        for name in dirs + files:
            path = os.path.join(base, name)
            st = os.lstat(path)
            if stat.S_ISLNK(st.st_mode):
                content = os.readlink(path)
            elif stat.S_ISREG(st.st_mode):
                with open(path, "rb") as f:
                    content = f.read()
            else:
                content = None
            out[os.path.relpath(path, root)] = (st.st_mode, st.st_mtime_ns, st.st_nlink, content)
    return out


class Checked:
    def __init__(self, proc):
        self.returncode = proc.returncode
        self.out = proc.stdout.decode("utf-8")
        self.err = proc.stderr.decode("utf-8")

    def lines(self, kind):
        return [line for line in self.out.splitlines() if line.startswith(kind + ": ")]

    def has(self, kind, where, text):
        return any(line.startswith(f"{kind}: {where}") and text in line for line in self.lines(kind))


def check(app, *switches, options=()):
    """Runs the check on the app's directory; asserts it changed nothing."""
    assert CHECK and os.path.exists(CHECK), "ZEPH_CHECK must name the built check tool"
    root = app.dir.parent
    before = tree(root)
    proc = run_program.run(command(CHECK, *options, app.dir, *switches))
    assert tree(root) == before, "the check changed the instance"
    return Checked(proc)


def good_config(app, **mail):
    app.write_config([("A", entry(EksportDoPelkTessaro=1, RaportDzienny=1)),
                      ("B", entry("SRV2", "DB2", RaportDzienny=1))], mail=mail)
    for name in ("A", "B"):
        (app.dir / "work" / name).mkdir(parents=True)
    os.chmod(app.path("serwery.ini"), 0o600)


def test_good_configuration_runs_and_plans_in_program_order(app):
    good_config(app)
    result = check(app, "/rd", "/EK")
    assert result.returncode == 0, result.out
    assert result.lines("error") == []
    plan = [line.strip() for line in result.out.splitlines() if line.startswith("  ")]
    assert plan == ["1. [A] SRV/DB: /EK (EksportDoPelkTessaro, row 1)",
                    "2. [A] SRV/DB: /RD (RaportDzienny, row 3)",
                    "3. [B] SRV2/DB2: /RD (RaportDzienny, row 3)"]
    assert result.has("note", "serwery.ini", "encoding: Windows-1250")
    assert result.out.splitlines()[-1].endswith("the configuration would run")


def test_plan_of_kti_follows_the_full_import_rule(app):
    app.write_config([("A", entry(ImportKlasTowZewn=1, ImportGrafikiDF=1)),
                      ("B", entry(ImportTylkoKlasTowZewn=1, ImportGrafikiDF=1))])
    os.chmod(app.path("serwery.ini"), 0o600)
    result = check(app, "/KTI", "/MET")
    plan = [line.strip() for line in result.out.splitlines() if line.startswith("  ")]
    assert plan[:3] == ["1. [A] SRV/DB: /KTI (ImportKlasTowZewn, row 10)",
                        "2. [B] SRV/DB: /KTI (ImportTylkoKlasTowZewn, row 11)",
                        "3. [B] SRV/DB: /KTI (ImportGrafikiDF, row 15)"]
    assert "/MET: no entry enables it" in result.out


def nested_file_dir(app):
    """A working directory below a regular file: it can never be created."""
    (app.dir / "blocker").write_text("x")
    return str(app.dir / "blocker" / "work")


# (id, how to break the instance, kind, where, text)
PROBLEMS = [
    ("mail-key-empty", lambda app: app.write_config([("A", entry())], mail={"AdresPocztowyNadawcy": ""}),
     "error", "serwery.ini: [Konfiguracja] AdresPocztowyNadawcy", "is empty"),
    ("auth-without-user", lambda app: app.write_config([("A", entry())], mail={"Uwierzytelnianie": "1"}),
     "error", "serwery.ini: [Konfiguracja] Uzytkownik", "Uwierzytelnianie is on"),
    ("entry-without-base", lambda app: app.write_config([("A", {"Serwer": "S", "Uzytkownik": "u"})]),
     "error", "serwery.ini: [A] Baza", "Błędne dane dla serwera: A"),
    ("bad-date", lambda app: app.write_config([("A", entry(OstatniEksport="2024.02.30"))]),
     "error", "serwery.ini: [A] OstatniEksport", "'2024.02.30' is not a valid date"),
    ("enable-not-a-number", lambda app: app.write_config([("A", entry(RaportDzienny="tak"))]),
     "warning", "serwery.ini: [A] RaportDzienny", "\"tak\" is no whole number; it reads as 0 (off)"),
    ("enable-beyond-8-bits", lambda app: app.write_config([("A", entry(RaportDzienny="256"))]),
     "warning", "serwery.ini: [A] RaportDzienny", "lowest 8 bits: 0 (off)"),
    ("missing-file", lambda app: None,
     "error", "serwery.ini", "does not exist"),
    ("working-dir-cannot-be-created",
     lambda app: app.write_config([("A", entry(KatalogRoboczy=nested_file_dir(app)))]),
     "error", "serwery.ini: [A] KatalogRoboczy", "cannot create it"),
    ("working-dir-missing",
     lambda app: app.write_config([("A", entry(KatalogRoboczy=str(app.dir / "new" / "w")))]),
     "warning", "serwery.ini: [A] KatalogRoboczy", "does not exist; the next run creates it"),
    ("utf8-file", lambda app: app.write_ini("[Konfiguracja]\nSerwerPocztowy=h\nAdresPocztowyOdbiorcy=a@b\n"
                                            "AdresPocztowyNadawcy=c@d\n[A]\nUzytkownik=Księgowa\n".encode()),
     "warning", "serwery.ini", "encoding: UTF-8;"),
    ("utf8-bom-file", lambda app: app.write_ini(b"\xef\xbb\xbf[Konfiguracja]\r\nSerwerPocztowy=h\r\n"),
     "warning", "serwery.ini", "encoding: UTF-8 with BOM;"),
    ("utf16-file", lambda app: app.write_ini("[Konfiguracja]\r\nSerwerPocztowy=h\r\n".encode("utf-16")),
     "warning", "serwery.ini", "encoding: UTF-16LE;"),
    ("mixed-encodings", lambda app: app.write_ini("[A]\nUzytkownik=Księgowa\n".encode()
                                                  + "Haslo=żółw\n".encode("cp1250")),
     "warning", "serwery.ini:2", "the file mixes encodings"),
    ("ctrl-z", lambda app: app.write_ini(b"[Konfiguracja]\r\nSerwerPocztowy=h\r\n[A]\r\nRaportDzienny=1\x1a\r\n"),
     "warning", "serwery.ini:4", "a Ctrl-Z byte (0x1A) next to the text, read as a blank"),
    ("empty-section-name", lambda app: app.write_ini(b"[Konfiguracja]\r\n[ ]\r\nSerwer=x\r\n"),
     "warning", "serwery.ini:2", "a section header with an empty name"),
    ("header-without-bracket", lambda app: app.write_ini(b"[Konfiguracja]\r\n[Baza2\r\nHaslo=x\r\n"),
     "warning", "serwery.ini:2", "a section header without \"]\""),
    ("utf8-comment-beyond-1250", lambda app: app.write_ini("[A]\n; bałwan ☃\nSerwer=x\n".encode()),
     "warning", "serwery.ini:2", "holds a character Windows-1250 cannot hold"),
    ("utf8-value-beyond-1250", lambda app: app.write_ini("[Konfiguracja]\nSerwerPocztowy=☃\n".encode()),
     "error", "serwery.ini", "cannot be loaded: "),
    ("byte-without-character", lambda app: app.write_ini(b"[A]\r\nHaslo=\x98\r\n"),
     "warning", "serwery.ini:2", "byte 0x98 has no character in Windows-1250"),
    ("readable-passwords", lambda app: (app.write_config([("A", entry(Haslo="tajne"))]),
                                        os.chmod(app.path("serwery.ini"), 0o644)),
     "warning", "serwery.ini", "holds passwords and is readable by all users (mode 0644)"),
    ("hard-link", lambda app: (app.write_config([("A", entry())]),
                               os.link(app.path("serwery.ini"), app.dir.parent / "copy.ini")),
     "warning", "serwery.ini", "has 2 hard links"),
    ("setup-not-listed", lambda app: (app.write_config([("A", entry(RaportDzienny=1))]),
                                      app.write_components(Setup=None)),
     "error", "components.ini: [InprocServers] Setup", "names no library"),
    ("library-does-not-load", lambda app: (app.write_config([("A", entry(EksportDoPelkTessaro=1))]),
                                           app.write_components(EksportTessaro="missing-lib.so")),
     "error", "components.ini: [InprocServers] EksportTessaro", "Cannot load library"),
    ("library-without-factory", lambda app: (app.write_config([("A", entry(RaportDzienny=1))]),
                                             app.write_components(Setup=system_library())),
     "error", "components.ini: [InprocServers] Setup", "has no entry point"),
    ("class-of-planned-task-missing", lambda app: (app.write_config([("A", entry(ZapisSlownikowDoXML=1))]),
                                                   app.write_components(ZephProc=None)),
     "error", "components.ini: [InprocServers] ZephProc", "the tasks of /XML fail"),
    ("components-missing", lambda app: (app.write_config([("A", entry(RaportDzienny=1))]),
                                        os.unlink(app.path("components.ini"))),
     "error", "components.ini", "does not exist"),
]


# Rows whose finding differs on Windows, where a class that names no
# library is the host's COM server by its class name (not registered here),
# and a file's access list, not its mode, says who may read it (Wine gives a
# file of mode 0644 on its Z: drive an entry letting Everyone read it).
ON_WINDOWS = {
    "readable-passwords": ("warning", "serwery.ini",
                           "holds passwords and is readable by Everyone (its access list allows "
                           "it); icacls "),
    "setup-not-listed": ("error", "components.ini: [ProgIDs] Setup",
                         '"Setup": Class not registered'),
    "class-of-planned-task-missing": ("error", "components.ini: [ProgIDs] ZephProc",
                                      '"ZephProc": Class not registered'),
    "components-missing": ("note", "components.ini",
                           "does not exist; the class names are the ProgIDs"),
}
PROBLEMS = [(p[0], p[1], *ON_WINDOWS[p[0]]) if WINDOWS and p[0] in ON_WINDOWS else p
            for p in PROBLEMS]


def system_library():
    """A shared library that is no host component: on Windows the system's
    kernel32.dll; elsewhere the libm this test's own process has loaded, of
    the machine's architecture (a 32-bit libm of a multiarch system would
    fail to load for another reason)."""
    if WINDOWS:
        return r"C:\windows\system32\kernel32.dll"
    with open("/proc/self/maps") as maps:
        found = [line.split()[-1] for line in maps if line.rstrip().endswith("/libm.so.6")]
    assert found
    return found[0]


@pytest.mark.parametrize("breakage,kind,where,text", [p[1:] for p in PROBLEMS],
                         ids=[p[0] for p in PROBLEMS])
def test_each_problem_is_reported_with_its_place(app, breakage, kind, where, text):
    breakage(app)
    result = check(app, "/RD", "/EK", "/XML")
    assert result.has(kind, where, text), result.out
    if kind == "error":
        assert result.returncode == 1
        assert result.out.splitlines()[-1].endswith("would not run as configured")


def test_report_is_utf8_with_lf_line_ends_whatever_the_names(tmp_path):
    # Paths and arguments come from the system (on Windows in its ANSI code
    # page); the report shows them in UTF-8, and a pipe gets LF line ends.
    app = App(tmp_path, name="Księgowość")
    app.write_config([("A", entry(Haslo="tajne"))])
    os.chmod(app.path("serwery.ini"), 0o644)
    result = check(app)
    assert "\r" not in result.out
    assert f": {host_path(app.dir)}" in result.out.splitlines()[0]
    assert result.has("warning", "serwery.ini", host_path(app.path("serwery.ini"))), result.out
    # "/中" on Windows: from the wide command line, not as the C runtime's
    # argv has it ("/?", the help switch)
    for switch in ("/ĄĘ", "/中"):
        refused = check(app, switch)
        assert refused.returncode == 2, refused.out
        assert f"{switch} is no switch of the program (see {SWITCH_REFERENCE})" in refused.err
        assert "plan:" not in refused.out


@pytest.mark.parametrize("encoding", ["utf-8", "utf-16"])
def test_conversion_advice_uses_the_systems_own_means(app, encoding):
    # Followed on Linux, the advice leaves a file the check takes for
    # Windows-1250; on Windows it names Notepad and PowerShell, not iconv.
    app.write_ini("[Konfiguracja]\r\nSerwerPocztowy=h\r\n[A]\r\nUzytkownik=Księgowa\r\n"
                  .encode(encoding))
    [advice] = [line.split("to convert: ", 1)[1] for line in check(app).lines("warning")
                if "to convert: " in line]
    if WINDOWS:
        assert "iconv" not in advice
        assert advice.startswith("open it in Notepad and save it with the encoding ANSI")
        assert "| Set-Content -Encoding Default serwery.ini.new" in advice
        # Get-Content finds UTF-16 by its byte-order mark, UTF-8 only when told
        assert ("Get-Content -Encoding UTF8 serwery.ini" in advice) == (encoding == "utf-8")
        return
    converting = run_program.run(["/bin/sh", "-c", advice.split(" (without", 1)[0]], cwd=app.dir)
    assert converting.returncode == 0, converting.stderr
    os.replace(app.path("serwery.ini.new"), app.path("serwery.ini"))
    converted = check(app)
    assert converted.has("note", "serwery.ini", "encoding: Windows-1250"), converted.out
    assert "Uzytkownik=Księgowa".encode("cp1250") in app.path("serwery.ini").read_bytes()


def test_every_problem_is_reported_not_only_the_first(app):
    app.write_config([("A", {"Serwer": "S"}), ("B", entry(OstatniEksportMHD="wczoraj")),
                      ("C", entry(Baza=""))], mail={"SerwerPocztowy": ""})
    result = check(app, "/EK")
    assert result.returncode == 1
    for where in ("[Konfiguracja] SerwerPocztowy", "[A] Baza",
                  "[B] OstatniEksportMHD", "[C] Baza"):
        assert result.has("error", "serwery.ini: " + where, ""), (where, result.out)
    assert "the run stops while loading serwery.ini" not in result.out  # no entry enables /EK


def test_polish_names_are_reported_in_utf8(app):
    app.write_config([("Księgowość", {"Serwer": "S"})])
    result = check(app)
    assert result.has("error", "serwery.ini: [Księgowość] Baza", "Błędne dane dla serwera: Księgowość")


def test_keys_the_program_never_reads_as_meant_are_told_with_their_lines(app):
    app.write_ini("Serwer=zgubiony\n"                            # 1  above the first section
                  "[Konfiguracja]\n"                             # 2
                  "SerwerPocztowy=h\n"                           # 3
                  "AdresPocztowyOdbiorcy=a@b\n"                  # 4
                  "AdresPocztowyNadawcy=c@d\n"                   # 5
                  "SzyfrowaniePoczty=starttls\n"                 # 6  known, though optional
                  "serwerpocztowy=inny\n"                        # 7  the same key in other case
                  "Uwierzytelnienie=1\n"                         # 8
                  "[Księgowość]\n"                               # 9
                  "Serwer=S\nBaza=D\nUzytkownik=u\n"            # 10-12
                  f"KatalogRoboczy={app.dir}\n"                  # 13
                  "RaportDzienyy=1\n"                            # 14
                  "  raportdzienny = 0\n"                        # 15 known in any case
                  "Baza=Inna\n"                                  # 16
                  "Kolor=zielony\n"                              # 17 nothing near it
                  "; Kolor=komentarz\n"                          # 18
                  "[KSIĘGOWOŚĆ]\n"                               # 19
                  "Baza=Trzecia\n"                               # 20 in a section never read
                  "Nieznany=1\n")                                # 21
    result = check(app)
    told = [line for line in result.lines("warning") if line.startswith("warning: serwery.ini:")]
    assert told == [
        "warning: serwery.ini:1: Serwer lies above the first section; it is never read",
        "warning: serwery.ini:7: serwerpocztowy in [Konfiguracja] appears again; "
        "the key of line 3 wins, this value is never read",
        "warning: serwery.ini:8: Uwierzytelnienie in [Konfiguracja] is no key; "
        "did you mean Uwierzytelnianie?",
        "warning: serwery.ini:14: RaportDzienyy in [Księgowość] is no key; "
        "did you mean RaportDzienny?",
        "warning: serwery.ini:16: Baza in [Księgowość] appears again; "
        "the key of line 11 wins, this value is never read",
        "warning: serwery.ini:17: Kolor in [Księgowość] is no key; the program ignores it",
        "warning: serwery.ini:19: [KSIĘGOWOŚĆ] appears again; the section of line 9 wins: "
        "only its keys are read, and this header runs as one more entry with them",
    ]
    # warnings only: the configuration would run
    assert result.returncode == 0, result.out


@pytest.mark.parametrize("name, closest", [
    ("RaportDzienyy", "RaportDzienny"),
    ("Hsl", "Haslo"),                        # two edits
    ("Hs", None),                            # three
    ("raportdzienny2", "RaportDzienny"),
    ("SerwerPocztowy", None),                # a mail key is no key of an entry
    ("OstatniEksportMDH", "OstatniEksportMHD"),
    ("RaoprtDzeinny", "RaportDzienny"),      # two swapped pairs: two edits
])
def test_suggestion_is_a_known_key_within_two_edits(app, name, closest):
    app.write_config([("A", {**entry(), name: "1"})])
    result = check(app)
    [line] = [line for line in result.lines("warning") if f" {name} in [A] is no key" in line]
    if closest:
        assert line.endswith(f"did you mean {closest}?"), line
    else:
        assert line.endswith("the program ignores it"), line


# --- the user the run will be started as -------------------------------------

OTHER_USERS = pytest.mark.posix_only("another user's access; on Windows the check judges the "
                                     "account running it only (docs/platform.md)")


@OTHER_USERS
def test_another_user_must_be_able_to_write_what_the_run_writes(app):
    good_config(app)
    app.path("Eksport_PelkTessaro_Auto.log").write_bytes(b"")
    os.chmod(app.path("Eksport_PelkTessaro_Auto.log"), 0o644)
    os.chmod(app.dir, 0o755)
    os.chmod(app.dir / "work" / "A", 0o755)
    result = check(app, options=["--user", "nobody"])
    assert result.returncode == 1
    assert "as user nobody" in result.out.splitlines()[0]
    assert result.has("error", str(app.dir) + "/", "user nobody cannot write in the instance directory")
    # root's file of mode 0600: the run would stop at reading it
    assert result.has("error", "serwery.ini", "user nobody cannot read it (its mode gives others "
                      f"no read permission); every run stops with \"Unable to read {app.dir}/")
    assert not result.has("error", "serwery.ini", "user nobody cannot write it")
    assert result.has("error", "Eksport_PelkTessaro_Auto.log", "user nobody cannot append to it")
    assert result.has("error", "serwery.ini: [A] KatalogRoboczy", "user nobody cannot write in")


@OTHER_USERS
def test_readable_but_not_writable_server_list_is_told_as_such(app):
    good_config(app)
    os.chmod(app.path("serwery.ini"), 0o644)
    os.chmod(app.dir, 0o755)
    result = check(app, options=["--user", "nobody"])
    assert result.has("error", "serwery.ini", "user nobody cannot write it (its mode gives others "
                      "no write permission)")
    assert not result.has("error", "serwery.ini", "cannot read it")


def test_server_list_the_check_cannot_read_is_told_with_the_reason(app):
    good_config(app)
    app.path("serwery.ini").unlink()
    app.path("serwery.ini").mkdir()
    result = check(app)
    assert result.returncode == 1
    me = pwd.getpwuid(os.geteuid()).pw_name
    assert result.has("error", "serwery.ini", f"user {me} cannot read it (Is a directory); "
                      f"every run stops with \"Unable to read "
                      f"{host_path(app.path('serwery.ini'))}\"")


@pytest.mark.posix_only("symbolic links, which the Windows build does not resolve")
def test_log_link_to_a_missing_directory_is_reported(app):
    good_config(app)
    os.symlink(app.dir.parent / "nowhere" / "run.log", app.path("Eksport_PelkTessaro_Auto.log"))
    result = check(app)
    assert result.has("error", "Eksport_PelkTessaro_Auto.log", "is a link to a missing file")


def test_unknown_user_and_options_are_usage_errors(app):
    good_config(app)
    assert check(app, options=["--user", "no-such-user-zeph"]).returncode == 2
    assert check(app, options=["--frobnicate"]).returncode == 2


def test_version():
    proc = run_program.run(command(CHECK, "--version"), timeout=30)
    assert proc.returncode == 0
    assert proc.stdout.startswith(b"zephautomat-check ")


# --- the mail server ----------------------------------------------------------

MAIL_PLACE = "serwery.ini: [Konfiguracja] "


def cn(name):
    """A certificate's name as libcurl's TLS gives it: OpenSSL's (the Linux
    build) "CN = name", Schannel's (the Windows build) "CN=name"."""
    return f"CN={name}" if WINDOWS else f"CN = {name}"


# Without CertyfikatyCA the system's store judges the certificate; Windows'
# Schannel checks it there, Wine's takes any certificate.
SYSTEM_STORE = pytest.mark.wine_gap("Wine's Schannel does not check a certificate against the "
                                    "system's store")


@pytest.mark.parametrize("offer_auth,auth_on,password,ok,finding", [
    (True, "1", PASSWORD, True, ("note", "Uwierzytelnianie", 'the login of "jan" by AUTH LOGIN '
                                                             "is accepted")),
    (True, "1", "złe", False, ("error", "Uwierzytelnianie", "refused the login of \"jan\" by AUTH "
                                                           "LOGIN: 535 5.7.8")),
    (False, "1", PASSWORD, False, ("error", "SerwerPocztowy", "offers no AUTH LOGIN")),
    (False, "0", PASSWORD, True, ("note", "SzyfrowaniePoczty", "offers no STARTTLS")),
], ids=["login-accepted", "login-refused", "auth-needed-not-offered", "auth-off"])
def test_mail_server_is_asked_but_sent_nothing(app, mail_server, offer_auth, auth_on, password,
                                               ok, finding):
    server = mail_server(offer_auth=offer_auth)
    good_config(app, SerwerPocztowy=server.address, Uwierzytelnianie=auth_on, Uzytkownik=USER,
                Haslo=password)
    result = check(app, options=["--mail"])
    assert result.has("note", MAIL_PLACE + "SerwerPocztowy", "answers EHLO"), result.out
    assert (result.returncode == 0) == ok, result.out
    kind, key, text = finding
    assert result.has(kind, MAIL_PLACE + key, text), result.out
    # a login in clear text is warned about, and then QUIT: no envelope, no message
    assert result.has("warning", MAIL_PLACE + "Uwierzytelnianie",
                      "cross the network in clear text") == (auth_on == "1" and offer_auth)
    assert len(server.auth_commands) == (1 if auth_on == "1" and offer_auth else 0)
    assert server.mail_froms == [] and server.deliveries == []


@pytest.mark.parametrize("tls, cert, keys, findings", [
    ("starttls", "server", {"SzyfrowaniePoczty": "starttls", "CertyfikatyCA": "ca"}, [
        ("note", "SzyfrowaniePoczty", "TLS TLSv1."),
        ("note", "SzyfrowaniePoczty", "certificate subject: " + cn("localhost")),
        ("note", "SzyfrowaniePoczty", "issuer: " + cn("ZephAutomat Test CA")),
        ("note", "SzyfrowaniePoczty", "the certificate's chain and name verify"),
        ("note", "MetodaUwierzytelniania", "login methods offered: LOGIN"),
        ("note", "Uwierzytelnianie", "is accepted")]),
    ("implicit", "server", {"SzyfrowaniePoczty": "tls", "CertyfikatyCA": "ca"}, [
        ("note", "SzyfrowaniePoczty", "the certificate's chain and name verify")]),
    ("starttls", "self_signed", {"KluczSerweraPocztowego": "pin"}, [
        ("note", "SzyfrowaniePoczty", "the server's key matches KluczSerweraPocztowego")]),
    pytest.param("starttls", "self_signed", {}, [
        ("warning", "SzyfrowaniePoczty", "auto takes the certificate unchecked; it would not "
                                         "verify: certyfikat serwera pocztowego nie jest zaufany")],
                 marks=SYSTEM_STORE),
    # a configured CA is never ignored: auto with it requires STARTTLS and checks
    ("starttls", "self_signed", {"CertyfikatyCA": "ca"}, [
        ("error", "SerwerPocztowy", "certyfikat serwera pocztowego nie jest zaufany")]),
    ("starttls", "short_lived", {"SzyfrowaniePoczty": "starttls", "CertyfikatyCA": "ca"}, [
        ("warning", "SzyfrowaniePoczty", "the server's certificate expires within 14 days")]),
    (None, None, {"SzyfrowaniePoczty": "starttls"}, [
        ("error", "SerwerPocztowy", "serwer pocztowy nie oferuje STARTTLS")]),
], ids=["starttls", "implicit", "pinned", "auto-unverified", "auto-with-ca-file-verifies",
        "expiring", "no-starttls"])
def test_mail_check_reports_the_tls_outcome(app, mail_server, certificates, tls, cert, keys,
                                            findings):
    server = mail_server(tls=tls, cert=getattr(certificates, cert) if cert else None,
                         offer_auth=tls == "implicit")
    keys = dict(keys)
    if "CertyfikatyCA" in keys:
        keys["CertyfikatyCA"] = host_path(certificates.ca.cert)
    if "KluczSerweraPocztowego" in keys:
        keys["KluczSerweraPocztowego"] = pin(getattr(certificates, cert).cert)
    good_config(app, SerwerPocztowy=server.address, Uwierzytelnianie="1", Uzytkownik=USER,
                Haslo=PASSWORD, **keys)
    result = check(app, options=["--mail"])
    for kind, key, text in findings:
        assert result.has(kind, MAIL_PLACE + key, text), result.out
    assert not result.has("warning", MAIL_PLACE + "Uwierzytelnianie", "clear text")
    assert all(server.auth_in_tls) and server.mail_froms == [] and server.deliveries == []


def test_certificate_is_shown_after_a_refused_login(app, mail_server, certificates):
    server = mail_server(tls="starttls", cert=certificates.server, offer_auth=False)
    good_config(app, SerwerPocztowy=server.address, Uwierzytelnianie="1", Uzytkownik=USER,
                Haslo="złe", SzyfrowaniePoczty="starttls",
                CertyfikatyCA=host_path(certificates.ca.cert))
    result = check(app, options=["--mail"])
    assert result.has("error", MAIL_PLACE + "Uwierzytelnianie", "refused the login"), result.out
    assert result.has("note", MAIL_PLACE + "SzyfrowaniePoczty",
                      "certificate subject: " + cn("localhost")), result.out
    assert not result.has("note", MAIL_PLACE + "SzyfrowaniePoczty", "expires: ;")
    assert server.auth_in_tls == [True] and server.mail_froms == []


@pytest.mark.posix_only("switching users")
@pytest.mark.skipif(os.geteuid() != 0, reason="only root can run a command as another user")
def test_password_command_runs_as_the_checked_user(app, mail_server):
    """The run's login is the service user's: PolecenieHasla prints the name
    of the user it runs as, and only that user's name is the password."""
    server = mail_server(users={USER: "nobody"})
    good_config(app, SerwerPocztowy=server.address, Uwierzytelnianie="1", Uzytkownik=USER,
                PolecenieHasla="id -un")
    as_root = check(app, options=["--mail"])
    as_nobody = check(app, options=["--user", "nobody", "--mail"])
    assert as_root.has("error", MAIL_PLACE + "Uwierzytelnianie", "refused the login")
    assert as_nobody.has("note", MAIL_PLACE + "Uwierzytelnianie", "is accepted"), as_nobody.out


# SerwerPocztowy an IP address: OpenSSL (the Linux build) matches it against
# the certificate's IP address; Schannel (the Windows build) matches only DNS
# names, and the check says what to do instead.
IP_ADDRESS_FINDINGS = {
    False: [("note", "SzyfrowaniePoczty", "the certificate's chain and name verify")],
    True: [("error", "SerwerPocztowy", "nazwa serwera pocztowego (SerwerPocztowy) nie zgadza się "
                                       "z jego certyfikatem: "),
           ("note", "SerwerPocztowy", "names the mail server by its IP address 127.0.0.1, and "
                                      "Windows' TLS (Schannel) matches a certificate against its "
                                      "DNS names only")],
}


def test_mail_check_explains_a_server_named_by_its_ip_address(app, mail_server, certificates):
    server = mail_server(tls="starttls", cert=certificates.server, offer_auth=False)
    good_config(app, SerwerPocztowy=server.ip_address, SzyfrowaniePoczty="starttls",
                CertyfikatyCA=host_path(certificates.ca.cert))
    result = check(app, options=["--mail"])
    for kind, key, text in IP_ADDRESS_FINDINGS[WINDOWS]:
        assert result.has(kind, MAIL_PLACE + key, text), result.out
    assert server.mail_froms == [] and server.deliveries == []


@pytest.mark.parametrize("keys, kind, key, text", [
    ({"SzyfrowaniePoczty": "ssl"}, "error", "SzyfrowaniePoczty",
     '"ssl" is none of auto, starttls, tls, brak'),
    ({"MetodaUwierzytelniania": "NTLM"}, "error", "MetodaUwierzytelniania",
     '"NTLM" is none of LOGIN, PLAIN, XOAUTH2'),
    ({"SzyfrowaniePoczty": "starttls", "CertyfikatyCA": "/nie/ma/ca.pem"}, "error",
     "CertyfikatyCA", "ca.pem\" cannot be read: No such file or directory"),
    ({"SzyfrowaniePoczty": "starttls", "CertyfikatyCA": "/etc/hostname"}, "error",
     "CertyfikatyCA", "holds no PEM certificate"),
    ({"KluczSerweraPocztowego": "sha256//krótki="}, "error", "KluczSerweraPocztowego",
     '"sha256//krótki=" is no pin of the form sha256//<Base64 of 32 bytes>'),
    ({"KluczSerweraPocztowego": "sha256//" + "A" * 43 + "=", "SzyfrowaniePoczty": "brak"},
     "error", "SzyfrowaniePoczty", "brak together with KluczSerweraPocztowego: a configured "
                                   "trust anchor needs TLS"),
    ({"CertyfikatyCA": "/etc/hostname", "KluczSerweraPocztowego": "sha256//" + "A" * 43 + "=",
      "SzyfrowaniePoczty": "brak"},
     "error", "SzyfrowaniePoczty", "brak together with CertyfikatyCA, KluczSerweraPocztowego"),
    ({"Uwierzytelnianie": "1", "Uzytkownik": "jan", "Haslo": "x", "PolecenieHasla": "pass smtp"},
     "note", "Haslo", "is not used: PolecenieHasla gives the password"),
    ({"Uwierzytelnianie": "1", "Uzytkownik": "jan", "SzyfrowaniePoczty": "BRAK"}, "warning",
     "SzyfrowaniePoczty", "the password crosses the network in clear text"),
], ids=["bad-mode", "bad-method", "ca-missing", "ca-not-pem", "bad-pin", "pin-with-brak",
        "ca-and-pin-with-brak", "command-and-haslo", "brak-with-login"])
def test_mail_keys_are_checked_without_the_network(app, keys, kind, key, text):
    if "CertyfikatyCA" in keys:
        keys = dict(keys, CertyfikatyCA=host_path(keys["CertyfikatyCA"]))
    good_config(app, **keys)
    result = check(app)
    assert result.has(kind, MAIL_PLACE + key, text), result.out
    assert (result.returncode == 1) == (kind == "error")


def test_unreachable_mail_server_is_an_error(app):
    good_config(app, SerwerPocztowy="127.0.0.1:1")
    result = check(app, options=["--mail"])
    assert result.returncode == 1
    assert result.has("error", "serwery.ini: [Konfiguracja] SerwerPocztowy", "cannot connect")


# --- the samples ------------------------------------------------------------

EXAMPLES = pathlib.Path(__file__).resolve().parents[2] / "examples"


def test_sample_configuration_converted_as_it_says_passes_the_check(app):
    text = (EXAMPLES / "serwery.ini").read_text(encoding="utf-8")
    assert "iconv -f UTF-8 -t CP1250" in text
    work = app.dir / "work"
    work.mkdir()
    text = text.replace("/srv/zephautomat/centrala/work", str(work))
    converted = subprocess.run(["iconv", "-f", "UTF-8", "-t", "CP1250"], input=text.encode(),
                               capture_output=True, check=True).stdout
    app.write_ini(converted)
    os.chmod(app.path("serwery.ini"), 0o600)
    components = (EXAMPLES / "components.ini").read_text()
    lib = components.split("Setup=", 1)[1].split("\n", 1)[0]
    app.path("components.ini").write_text(components.replace(lib, SIM))
    result = check(app, "/EK", "/RD")
    assert result.returncode == 0, result.out
    assert result.lines("warning") == []
    assert "1. [Centrala] sql01.example.com/FIRMA: /EK" in result.out
    assert "2. [Centrala] sql01.example.com/FIRMA: /RD" in result.out


def test_sample_configuration_unconverted_is_reported_as_utf8(app):
    app.write_ini((EXAMPLES / "serwery.ini").read_bytes())
    assert check(app).has("warning", "serwery.ini", "encoding: UTF-8;")


@pytest.mark.posix_only("switching users")
@pytest.mark.skipif(os.geteuid() != 0, reason="needs root to start the check as another user")
def test_check_that_cannot_switch_user_says_so():
    """Run by nobody for --user root, the check cannot run PolecenieHasla as
    root: it says so and exits 2, rather than judge its own login."""
    root = pathlib.Path(tempfile.mkdtemp(dir="/tmp"))
    try:
        os.chmod(root, 0o755)
        app = App(root)
        good_config(app, Uwierzytelnianie="1", Uzytkownik=USER, PolecenieHasla="id -un")
        os.chmod(app.dir, 0o755)
        os.chmod(app.path("serwery.ini"), 0o644)
        nobody = pwd.getpwnam("nobody")
        proc = run_program.run(command(CHECK, "--user", "root", "--mail", app.dir),
                               preexec_fn=lambda: (os.setgid(nobody.pw_gid),
                                                   os.setuid(nobody.pw_uid)))
        assert proc.returncode == 2, proc.stdout
        assert ("--mail runs PolecenieHasla as user root, as the run would, and this check cannot "
                "switch to that user (only root can)") in proc.stderr.decode()
    finally:
        shutil.rmtree(root)
