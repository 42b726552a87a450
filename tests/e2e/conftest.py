"""Black-box harness: the real binary in a temporary directory beside its
serwery.ini, components.ini and host-sim.ini, against the host simulator."""

import os
import re
import shutil
import subprocess

import pytest

BIN = os.environ.get("ZEPH_BIN", "")
SIM = os.environ.get("ZEPH_SIM", "")
# "com": the simulator's classes are reached through COM by the ProgIDs it
# registers (Windows; scripts/test-com.sh registers it first); otherwise
# through components.ini's library paths.
HOST_MODE = os.environ.get("ZEPH_HOST_MODE", "library")
TOOLS = os.environ.get("ZEPH_TOOLS", "")

START = b"Automatyczny eksport zostal uruchomiony.\nProsze czekac...\n"
END = b"Automatyczny eksport zostal zakonczony.\nMozna zakonczyc dzialanie aplikacji.\n"

TS = re.compile(rb"^\d{4}\.\d{2}\.\d{2} \d{2}:\d{2}:\d{2}  ", re.M)

INDENT = " " * 21  # an indented log line

# How a mail failure is reported, up to the cause.
MAIL_FAILURE = ("Wystąpił błąd podczas wysyłania wiadomości e-mail.\r\n"
                "Sprawdź konfigurację aplikacji - ustawienia dotyczące wysyłania e-mail.\r\n"
                "(komunikat: ")

MAIL = {
    "SerwerPocztowy": "127.0.0.1:1",
    "AdresPocztowyOdbiorcy": "odbiorca@example.com",
    "AdresPocztowyNadawcy": "nadawca@example.com",
}


def cp(text):
    """Windows-1250 bytes of a text."""
    return text.encode("cp1250")


def log_block(*lines):
    """Log bytes of the given lines, each ended by CR LF."""
    return b"".join(cp(line) + b"\r\n" for line in lines)


def mask(data):
    """Log bytes with every timestamp replaced by 'TS'."""
    return TS.sub(b"TS  ", data)


class Result:
    def __init__(self, app, proc):
        self.app = app
        self.returncode = proc.returncode
        self.console = proc.stdout
        self.stderr = proc.stderr

    @property
    def body(self):
        """Console bytes between the start and closing banners."""
        out = self.console
        assert out.startswith(START), out
        assert out.endswith(END), out
        return out[len(START):len(out) - len(END)]


class App:
    """One installation of the program in its own directory."""

    def __init__(self, root):
        self.dir = root / "app"
        self.dir.mkdir()
        self.exe = self.dir / "zephautomat"
        shutil.copy2(BIN, self.exe)
        self.write_components()

    # --- files beside the executable -------------------------------------
    def path(self, name):
        return self.dir / name

    def write_components(self, **classes):
        """components.ini naming the simulator for every class; a class given
        None is left out, one given a path gets that library. Through COM the
        simulator's classes are named by ProgID instead."""
        names = {"Setup": SIM, "Invoices": SIM, "EksportTessaro": SIM, "ZephProc": SIM}
        names.update(classes)
        lines = ["[InprocServers]"]
        progids = ["[ProgIDs]"]
        for key, value in names.items():
            if value is None:
                continue
            if HOST_MODE == "com" and value == SIM:
                progids.append(f"{key}=MerkanSim.{key}")
            else:
                lines.append(f"{key}={value}")
        if len(progids) > 1:
            lines += progids
        (self.dir / "components.ini").write_text("\n".join(lines) + "\n")

    def write_sim(self, text):
        (self.dir / "host-sim.ini").write_text(text, encoding="utf-8")

    def write_ini(self, data):
        """serwery.ini from bytes, or from text written as Windows-1250 with CR LF."""
        if isinstance(data, str):
            data = cp(data.replace("\r\n", "\n").replace("\n", "\r\n"))
        (self.dir / "serwery.ini").write_bytes(data)

    def write_config(self, entries, mail=None, extra=""):
        """serwery.ini with a Konfiguracja section and one section per entry.

        entries: list of (section name, dict of keys). Entries get a working
        directory under the app directory unless they name one."""
        settings = dict(MAIL)
        settings.update(mail or {})
        lines = ["[Konfiguracja]"] + [f"{k}={v}" for k, v in settings.items()]
        for name, keys in entries:
            keys = dict(keys)
            keys.setdefault("KatalogRoboczy", str(self.dir / "work" / name))
            lines.append(f"[{name}]")
            lines += [f"{k}={v}" for k, v in keys.items()]
        self.write_ini("\n".join(lines) + "\n" + extra)

    def ini(self):
        return (self.dir / "serwery.ini").read_bytes()

    def ini_value(self, key):
        """The value of the first line `key=...` of serwery.ini, or None."""
        match = re.search(rb"^" + key.encode() + rb"=(.*?)\r$", self.ini(), re.M)
        return match.group(1).decode("cp1250") if match else None

    def log(self):
        p = self.dir / "Eksport_PelkTessaro_Auto.log"
        return p.read_bytes() if p.exists() else None

    def masked_log(self):
        data = self.log()
        return None if data is None else mask(data)

    def journal(self):
        p = self.dir / "host-sim.journal"
        return p.read_text(encoding="utf-8").splitlines() if p.exists() else []

    def run(self, *args, cwd=None, timeout=120, env=None, at=None):
        """Runs the program; with `at` its clock stands still at that moment."""
        full_env = dict(os.environ)
        full_env.update(env or {})
        command = [str(self.exe), *args]
        if at is not None:
            command = ["faketime", "--exclude-monotonic", "-f", at] + command
        proc = subprocess.run(command, cwd=cwd or self.dir,
                              stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                              timeout=timeout, env=full_env)
        return Result(self, proc)


@pytest.fixture
def app(tmp_path):
    assert BIN and os.path.exists(BIN), "ZEPH_BIN must name the built program"
    return App(tmp_path)


def entry(server="SRV", base="DB", **keys):
    """Keys of one server entry with a login."""
    out = {"Serwer": server, "Baza": base, "Uzytkownik": "Jan", "Haslo": "x"}
    out.update(keys)
    return out
