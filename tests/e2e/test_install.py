"""Installing: `cmake --install` into a prefix, an instance created with the
installed tool and run against the installed simulator, and the Debian
packages cpack builds."""

import os
import pwd
import re
import shutil
import stat
from pathlib import Path

import pytest

import run_program

pytestmark = pytest.mark.posix_only("the Linux install layout and Debian packages; "
                                    "Windows has the ZIP package")

BUILD = os.environ.get("ZEPH_BUILD_DIR", "")
SOURCE = os.environ.get("ZEPH_SOURCE_DIR", "")
TOOLS = ["zephautomat-check", "zephautomat-run", "zephautomat-instance"]
PROGRAM = Path("libexec", "zephautomat", "zephautomat")
VERSION_TAG = re.compile(rb"ZephAutomat \d+\.\d+\.\d+ revision [0-9A-Za-z.+-]+")


def run(*command, **options):
    return run_program.run(command, timeout=300, **options)


@pytest.fixture(scope="module")
def prefix(tmp_path_factory):
    assert BUILD and os.path.isdir(BUILD), "ZEPH_BUILD_DIR must name the build directory"
    assert SOURCE, "ZEPH_SOURCE_DIR must name the source tree"
    root = tmp_path_factory.mktemp("prefix")
    done = run("cmake", "--install", BUILD, "--prefix", root)
    assert done.returncode == 0, done.stderr
    return root


def test_install_puts_the_documented_files_in_place(prefix):
    assert sorted(p.name for p in (prefix / "bin").iterdir()) == sorted(TOOLS)
    # the program is off PATH: run from there it would write beside itself
    for path in [prefix / t for t in ["bin/" + t for t in TOOLS] + [str(PROGRAM)]]:
        assert path.is_file() and os.access(path, os.X_OK), path
    pages = sorted(p.name for p in (prefix / "share" / "man").glob("man*/*"))
    sources = sorted(p.name for p in Path(SOURCE, "docs", "man").glob("*.[1-8]"))
    assert pages == sources
    assert (prefix / "lib" / "zephautomat" / "libmerkan-sim.so").is_file()
    assert list((prefix / "include" / "zephautomat").glob("*.h"))
    assert (prefix / "share" / "zephautomat" / "instance" / "serwery.ini").is_file()
    assert (prefix / "lib" / "systemd" / "system" / "zephautomat@.timer").is_file()
    scheduling = prefix / "share" / "doc" / "zephautomat" / "examples" / "scheduling"
    assert sorted(p.name for p in scheduling.iterdir()) == [
        "zephautomat.cron", "zephautomat.logrotate", "zephautomat@.service.d-override.conf"]


def test_every_binary_carries_one_version(prefix):
    tags = set()
    for path in [prefix / "bin" / t for t in TOOLS if t != "zephautomat-instance"] + [
            prefix / PROGRAM, prefix / "lib" / "zephautomat" / "libmerkan-sim.so"]:
        found = set(VERSION_TAG.findall(path.read_bytes()))
        assert len(found) == 1, (path, found)
        tags |= found
    assert len(tags) == 1
    number = tags.pop().split()[1].decode()
    for tool in ["zephautomat-run", "zephautomat-check", "zephautomat-instance"]:
        out = run(prefix / "bin" / tool, "--version")
        assert out.returncode == 0 and number in out.stdout.decode(), (tool, out.stdout)


def test_created_instance_runs_the_installed_program(prefix, tmp_path):
    instance = tmp_path / "srv" / "main"
    created = run(prefix / "bin" / "zephautomat-instance", "create", instance)
    assert created.returncode == 0, created.stderr

    # the service user must reach its instance through the parents made for it
    assert stat.S_IMODE(instance.parent.stat().st_mode) == 0o755
    assert stat.S_IMODE(instance.stat().st_mode) == 0o700
    assert stat.S_IMODE((instance / "serwery.ini").stat().st_mode) == 0o600
    ini = (instance / "serwery.ini").read_bytes()
    assert ini.endswith(b"\r\n") and b"\n" not in ini.replace(b"\r\n", b"")
    assert "[Baza główna]".encode("cp1250") in ini
    assert f"KatalogRoboczy={instance}/praca".encode() in ini
    simulator = prefix / "lib" / "zephautomat" / "libmerkan-sim.so"
    assert f"Setup={simulator}\n" in (instance / "components.ini").read_text()
    assert (instance / "zephautomat").read_bytes() == (prefix / PROGRAM).read_bytes()

    result = run(prefix / "bin" / "zephautomat-run", instance, "/WDS", "/CSK")
    assert result.returncode == 0, result.stderr.decode()
    assert result.stderr.decode().splitlines()[-1] == (
        "zephautomat-run: 2 tasks run, 0 failed, 0 mails failed; exit code 0")
    assert (instance / "praca").is_dir()


def environment_files(unit, instance):
    """ZEPHAUTOMAT_SWITCHES as the unit's Environment= and EnvironmentFile=
    lines give it for `instance`, later lines overriding earlier ones."""
    switches = None
    for line in unit.read_text().splitlines():
        key, _, value = line.partition("=")
        if key == "Environment":
            pairs = [value.strip('"')]
        elif key == "EnvironmentFile":
            path = Path(value.lstrip("-").replace("/srv/zephautomat/%i", str(instance)))
            pairs = path.read_text().splitlines() if path.exists() else []
        else:
            continue
        for pair in pairs:
            name, _, setting = pair.partition("=")
            if name == "ZEPHAUTOMAT_SWITCHES":
                switches = setting.strip('"')
    return switches


def test_scheduled_runs_of_a_new_instance_run_what_its_sample_enables(prefix, tmp_path):
    instance = tmp_path / "srv" / "main"
    assert run(prefix / "bin" / "zephautomat-instance", "create", instance).returncode == 0
    state = tmp_path / "state"
    state.mkdir()
    wrapper = prefix / "bin" / "zephautomat-run"

    # the unit, with its paths moved into the test's directory
    switches = environment_files(prefix / "lib" / "systemd" / "system" / "zephautomat@.service",
                                 instance)
    assert switches, "the unit gives a new instance no switches"
    by_unit = run(wrapper, "--metrics", state / "unit.prom", instance, *switches.split())
    # the cron line, run by the shell as cron would
    [line] = [line for line in Path(SOURCE, "packaging", "cron", "zephautomat").read_text()
              .splitlines() if line and not line.startswith("#")]
    shell = line.split(None, 6)[6]  # after the five time fields and the user
    for path, moved in [("/srv/zephautomat/main", instance), ("/usr/bin/zephautomat-run", wrapper),
                        ("/var/lib/zephautomat", state)]:
        shell = shell.replace(path, str(moved))
    by_cron = run("sh", "-c", shell)

    for done, metrics in [(by_unit, "unit.prom"), (by_cron, "main.prom")]:
        assert done.returncode == 0, done.stderr.decode()
        text = (state / metrics).read_text()
        # every switch found an enabled task: the sample's two, nothing unused
        assert re.search(r"^zephautomat_last_run_tasks_run\{.*\} 2$", text, re.M), text
        assert re.search(r"^zephautomat_last_run_switches_unused\{.*\} 0$", text, re.M), text


@pytest.mark.skipif(os.geteuid() != 0, reason="needs root")
def test_instance_for_another_user_is_theirs_and_says_how_to_run_it(prefix, tmp_path):
    instance = tmp_path / "srv" / "main"
    done = run(prefix / "bin" / "zephautomat-instance", "create", instance, "--user", "nobody")
    assert done.returncode == 0, done.stderr
    nobody = pwd.getpwnam("nobody")
    for path in [instance, instance / "serwery.ini", instance / "components.ini"]:
        assert path.stat().st_uid == nobody.pw_uid, path
    lines = done.stdout.decode().splitlines()
    assert f"  check: zephautomat-check --user nobody {instance}" in lines
    assert f"  run:   runuser -u nobody -- zephautomat-run {instance} /WDS /CSK" in lines


def test_update_is_idempotent_and_leaves_nothing_behind(prefix, tmp_path):
    tool = prefix / "bin" / "zephautomat-instance"
    instance = tmp_path / "main"
    assert run(tool, "create", instance).returncode == 0
    installed = prefix / PROGRAM
    original = installed.read_bytes()
    version = run(tool, "--version").stdout.decode().split()[-1]

    def update():
        done = run(tool, "update", instance)
        assert done.returncode == 0, done.stderr
        assert sorted(p.name for p in instance.iterdir()) == [
            "components.ini", "serwery.ini", "zephautomat", "zephautomat.env"]
        assert (instance / "zephautomat").read_bytes() == installed.read_bytes()
        return done.stdout.decode().split(": ", 1)[1]

    already = f"{instance} runs the installed binary ({version}) already\n"
    assert update() == already
    assert update() == already
    # an upgrade replaces the installed file (a new inode, as dpkg does)
    try:
        installed.unlink()
        installed.write_bytes(original + b"\0upgrade")
        installed.chmod(0o755)
        assert update() == f"{instance} now runs the installed binary ({version})\n"
        assert update() == already
    finally:
        installed.unlink()
        installed.write_bytes(original)
        installed.chmod(0o755)


@pytest.mark.parametrize("arguments, message", [
    (["create", "{existing}"], "exists already"),
    (["create", "{new}", "--user", "no-such-user-zeph"], "no such user: no-such-user-zeph"),
    (["create", "{new}", "--host-library", "{missing}"], "is not readable"),
    (["update", "{new}"], "is no instance directory"),
])
def test_instance_tool_refuses_with_a_reason(prefix, tmp_path, arguments, message):
    names = {"existing": tmp_path, "new": tmp_path / "new", "missing": tmp_path / "none.so"}
    done = run(prefix / "bin" / "zephautomat-instance", *[a.format(**names) for a in arguments])
    assert done.returncode == 1
    assert message in done.stderr.decode()
    assert not (tmp_path / "new").exists()


MAINTAINER_SCRIPTS = Path(SOURCE, "packaging", "debian")


STATE_DIRECTORY = "install -d -o zephautomat -g zephautomat -m 0755 /var/lib/zephautomat"


@pytest.mark.parametrize("user_exists, systemd_runs, calls", [
    (False, False, ["adduser --system --group --quiet --home /var/lib/zephautomat "
                    "--no-create-home --gecos ZephAutomat runs zephautomat", STATE_DIRECTORY]),
    # the records' directory for cron too, where no StateDirectory= makes it
    (True, False, [STATE_DIRECTORY]),
    (True, True, [STATE_DIRECTORY, "systemctl daemon-reload"]),
])
def test_package_creates_the_service_user_once(tmp_path, user_exists, systemd_runs, calls):
    # the commands the script calls are stand-ins that record how they were called
    stubs = tmp_path / "bin"
    stubs.mkdir()
    log = tmp_path / "calls"
    for name, status in [("getent", 0 if user_exists else 2), ("adduser", 0), ("systemctl", 0),
                         ("install", 0)]:
        (stubs / name).write_text(f'#!/bin/sh\n[ {name} = getent ] || echo "{name} $*" >> {log}\n'
                                  f"exit {status}\n")
        (stubs / name).chmod(0o755)
    script = (MAINTAINER_SCRIPTS / "postinst").read_text()
    if not systemd_runs:
        script = script.replace("/run/systemd/system", str(tmp_path / "no-systemd"))
    elif not Path("/run/systemd/system").is_dir():
        script = script.replace("/run/systemd/system", str(tmp_path))
    (tmp_path / "postinst").write_text(script)

    done = run("sh", "-e", tmp_path / "postinst", "configure",
               env={"PATH": f"{stubs}:/usr/bin:/bin"})

    assert done.returncode == 0, done.stderr
    assert (log.read_text().splitlines() if log.exists() else []) == calls


def test_purge_keeps_the_instances_the_records_and_the_user():
    code = [line for line in (MAINTAINER_SCRIPTS / "postrm").read_text().splitlines()
            if not line.lstrip().startswith("#")]
    for word in ["rm ", "deluser", "userdel", "/srv", "/var/lib"]:
        assert not any(word in line for line in code), word
    for name in ["postinst", "postrm"]:
        assert run("sh", "-n", MAINTAINER_SCRIPTS / name).returncode == 0


@pytest.mark.skipif(shutil.which("dpkg-shlibdeps") is None, reason="needs dpkg-dev")
def test_cpack_builds_the_two_packages(tmp_path):
    done = run("cpack", "-G", "DEB", "-B", tmp_path, "--config",
               os.path.join(BUILD, "CPackConfig.cmake"))
    assert done.returncode == 0, done.stdout.decode() + done.stderr.decode()
    [main] = tmp_path.glob("zephautomat_*.deb")
    [simulator] = tmp_path.glob("zephautomat-simulator_*.deb")

    def contents(deb):
        return run("dpkg-deb", "-c", deb).stdout.decode()

    def field(deb, name):
        return run("dpkg-deb", "-f", deb, name).stdout.decode().strip()

    for tool in TOOLS:
        assert f"./usr/bin/{tool}\n" in contents(main)
    assert "./usr/libexec/zephautomat/zephautomat\n" in contents(main)
    assert "./usr/bin/zephautomat\n" not in contents(main)
    assert "libmerkan-sim.so" not in contents(main)
    assert "./usr/lib/zephautomat/libmerkan-sim.so\n" in contents(simulator)
    # dependencies from the libraries the binaries use, and adduser for the service user
    assert "libcurl" in field(main, "Depends") and "libc6" in field(simulator, "Depends")
    assert "adduser" in field(main, "Depends")
    control = tmp_path / "control"
    run("dpkg-deb", "-e", main, control)
    for name in ["postinst", "postrm"]:
        assert (control / name).read_bytes() == (MAINTAINER_SCRIPTS / name).read_bytes()
        assert os.access(control / name, os.X_OK)
    # stripped: no debugging sections left
    unpacked = tmp_path / "unpacked"
    run("dpkg-deb", "-x", main, unpacked)
    sections = run("readelf", "-S", unpacked / "usr" / PROGRAM).stdout.decode()
    assert ".debug_info" not in sections and ".symtab" not in sections
