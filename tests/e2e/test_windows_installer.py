"""The Windows installer (cpack -G NSIS with Debian's makensis), run under
Wine in the tests' prefix: a silent install into a chosen folder and into
Program Files, the program it installs, a second install over the first,
and the uninstaller registered in Add/Remove Programs, which removes what
was installed and never the operator's files."""

import os
import re
import shutil
from pathlib import Path

import pytest

import run_program
from conftest import HOST_MODE, THIS_BUILD, WINDOWS, App, cp, host_path

pytestmark = [
    pytest.mark.skipif(not WINDOWS, reason="the Windows installer, under Wine "
                       "(scripts/test-windows.sh)"),
    pytest.mark.skipif(HOST_MODE == "com", reason="installing does not depend on how the "
                       "host is reached: run once, with the host's DLL"),
]

BUILD = os.environ.get("ZEPH_BUILD_DIR", "")
PREFIX = Path(os.environ.get("WINEPREFIX") or Path.home() / ".wine")
PROGRAM_FILES = PREFIX / "drive_c" / "Program Files" / "ZephAutomat"
START_MENU = PREFIX / "drive_c" / "ProgramData" / "Microsoft" / "Windows" / "Start Menu" / \
    "Programs" / "ZephAutomat"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZephAutomat"
VENDOR_KEY = r"HKLM\Software\ZephAutomat"
# Where an installation on this system takes PATH from.
ENVIRONMENT_KEYS = [r"HKLM\System\CurrentControlSet\Control\Session Manager\Environment",
                    r"HKCU\Environment"]
# What the installer adds to the packages' install set: the uninstaller, and
# the operator's two files made from the samples on a first install.
ADDED = {"Uninstall.exe", "serwery.ini", "components.ini"}


def run(argv, **options):
    return run_program.run(argv, timeout=300, **options)


def start(program, *args, tail=""):
    """Runs a Windows GUI program (the installer, the uninstaller) to its
    end: Wine does not wait for one by itself, `start /wait` does and gives
    its exit code. NSIS takes /D= and _?= unquoted to the end of the line;
    Wine quotes an argument that holds a blank, so `tail` goes in words,
    which Wine joins with blanks as written."""
    return run([*THIS_BUILD.runner, "start", "/wait", "/unix", program, *args,
                *(tail.split(" ") if tail else [])])


def registry(key):
    """The values of a key in the 64-bit registry view as `reg query` shows
    them, or None without the key."""
    done = run([*THIS_BUILD.runner, "reg", "query", key, "/reg:64"])
    return done.stdout.decode("cp1250") if done.returncode == 0 else None


def uninstall_string():
    match = re.search(r"^\s+UninstallString\s+REG_SZ\s+(.*?)\r?$",
                      registry(UNINSTALL_KEY) or "", re.M)
    return match.group(1) if match else None


def unix_path(path):
    """A path of the prefix's drives C: and Z: on the Linux file system."""
    drive, rest = path[0].upper(), path[2:].replace("\\", "/").lstrip("/")
    return PREFIX / "drive_c" / rest if drive == "C" else Path("/", rest)


def files(folder):
    """Every file under a folder by relative path, with its bytes."""
    return {str(p.relative_to(folder)): p.read_bytes()
            for p in sorted(Path(folder).rglob("*")) if p.is_file()}


class Installer:
    def __init__(self, exe, staged):
        self.exe = exe
        self.staged = files(staged)

    def install(self, folder=None):
        """A silent install; into `folder` (Linux path) when given."""
        return start(self.exe, "/S", tail="/D=" + host_path(folder) if folder else "")

    def uninstall(self, scratch):
        """The uninstaller that Add/Remove Programs names, run silently. Started
        from there it copies itself out of the folder it removes and runs the
        copy with _?=<folder>; the same done here lets the test wait for it."""
        registered = uninstall_string()
        assert registered and registered.startswith('"'), registered
        registered = registered.strip('"')
        copy = scratch / "Un.exe"
        shutil.copy(unix_path(registered), copy)
        return start(copy, "/S", tail="_?=" + registered.rsplit("\\", 1)[0])

    def assert_installed(self, folder):
        """The whole install set in the folder, byte for byte."""
        installed = files(folder)
        assert set(self.staged) <= set(installed), set(self.staged) - set(installed)
        for name, data in self.staged.items():
            assert installed[name] == data, name


@pytest.fixture(scope="module")
def installer(tmp_path_factory):
    assert BUILD and os.path.isdir(BUILD), "ZEPH_BUILD_DIR must name the build directory"
    out = tmp_path_factory.mktemp("installer")
    done = run(["cpack", "-G", "NSIS", "-B", out, "--config",
                Path(BUILD, "CPackConfig.cmake")])
    assert done.returncode == 0, done.stdout.decode() + done.stderr.decode()
    [exe] = out.glob("zephautomat-*.exe")
    # What cpack installed to pack: the install set the ZIP has too.
    [staged] = [p for p in out.glob("_CPack_Packages/*/NSIS/zephautomat-*") if p.is_dir()]
    return Installer(exe, staged)


@pytest.fixture
def program_files():
    """The default folder, empty before and after (it is the prefix's own)."""
    shutil.rmtree(PROGRAM_FILES, ignore_errors=True)
    yield PROGRAM_FILES
    shutil.rmtree(PROGRAM_FILES, ignore_errors=True)


def test_the_operators_files_are_samples_in_the_install_set(installer):
    assert not ADDED & set(installer.staged)
    assert {"serwery.sample.ini", "components.sample.ini"} <= set(installer.staged)


def test_install_reinstall_and_uninstall_never_touch_the_operators_files(installer, tmp_path):
    folder = tmp_path / "Zeph Automat"  # a blank, as in "Program Files"
    paths = [registry(key) for key in ENVIRONMENT_KEYS]

    done = installer.install(folder)
    assert done.returncode == 0, done.stderr
    installer.assert_installed(folder)
    assert set(files(folder)) == set(installer.staged) | ADDED
    for name in ["serwery.ini", "components.ini"]:
        sample = name.replace(".ini", ".sample.ini")
        assert (folder / name).read_bytes() == installer.staged[sample], name
    assert uninstall_string() == '"' + host_path(folder / "Uninstall.exe") + '"'
    assert (START_MENU / "Uninstall.lnk").is_file()
    assert [registry(key) for key in ENVIRONMENT_KEYS] == paths

    # The installed program, with the folder's files, helps as the built one does.
    built = App(tmp_path)
    built.write_ini(installer.staged["serwery.sample.ini"])
    installed = run(THIS_BUILD.command(folder / "zephautomat.exe", "/?"), cwd=tmp_path)
    assert installed.returncode == 0
    assert installed.stdout == built.run("/?").console
    assert b"/EK" in installed.stdout  # the help itself, not the banners alone

    # The operator's files: serwery.ini as the program rewrote it, the rest
    # as the operator and the program's runs leave them.
    assert (folder / "serwery.ini").read_bytes() != installer.staged["serwery.sample.ini"]
    (folder / "components.ini").write_bytes(b"[InprocServers]\r\nSetup=C:\\Host\\setup.dll\r\n")
    (folder / "Eksport_PelkTessaro_Auto.log").write_bytes(cp("2024.03.05 10:11:12  Błąd\r\n"))
    errors = folder / "LOGI" / "EksportFakturDoEDok" / "2024" / "03"
    errors.mkdir(parents=True)
    (errors / "bledy.txt").write_bytes(b"x\r\n")
    operators = {name: data for name, data in files(folder).items()
                 if name not in installer.staged and name != "Uninstall.exe"}
    assert sorted(operators) == ["Eksport_PelkTessaro_Auto.log",
                                 "LOGI/EksportFakturDoEDok/2024/03/bledy.txt",
                                 "components.ini", "serwery.ini"]

    # Installed again over an older program: the program is replaced, the
    # operator's files stay.
    (folder / "zephautomat.exe").write_bytes(b"older")
    done = installer.install(folder)
    assert done.returncode == 0, done.stderr
    installer.assert_installed(folder)
    assert {n: d for n, d in files(folder).items() if n in operators} == operators

    done = installer.uninstall(tmp_path)
    assert done.returncode == 0, done.stderr
    assert files(folder) == operators
    assert registry(UNINSTALL_KEY) is None and registry(VENDOR_KEY) is None
    assert not START_MENU.exists()
    assert [registry(key) for key in ENVIRONMENT_KEYS] == paths


def test_silent_install_goes_to_program_files(installer, program_files, tmp_path):
    done = installer.install()
    assert done.returncode == 0, done.stderr
    installer.assert_installed(program_files)
    assert uninstall_string() == '"C:\\Program Files\\ZephAutomat\\Uninstall.exe"'

    done = installer.uninstall(tmp_path)
    assert done.returncode == 0, done.stderr
    assert sorted(files(program_files)) == ["components.ini", "serwery.ini"]
    assert registry(UNINSTALL_KEY) is None
