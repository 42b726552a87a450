"""The documents hold together: every link of the README and of docs/ leads
to a file, and README-Windows.txt, the one document of the Windows package,
describes the keys and switches of serwery.ini(5), key for key and row for
row, so that the two cannot drift apart."""

import pathlib
import re

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
SERVER_LIST_PAGE = ROOT / "docs" / "man" / "serwery.ini.5"
README_WINDOWS = ROOT / "packaging" / "windows" / "README-Windows.txt"


def page_block(marker):
    """The lines of serwery.ini(5) between `.\\" <marker>-begin` and `-end`."""
    lines = SERVER_LIST_PAGE.read_text(encoding="ascii").splitlines()
    begin = lines.index(f'.\\" {marker}-begin')
    return lines[begin + 1:lines.index(f'.\\" {marker}-end')]


def page_keys(marker):
    """(key, the first line of its description, or None when that line is
    markup) for every key of a block: a key is the first ".B" after ".TP"."""
    keys = []
    lines = page_block(marker)
    for i, line in enumerate(lines):
        if line == ".TP" and lines[i + 1].startswith(".B "):
            summary = lines[i + 2]
            keys.append((lines[i + 1][3:], None if summary.startswith(".")
                         else summary.replace("\\-", "-")))
    return keys


def readme_windows():
    return README_WINDOWS.read_text(encoding="ascii")


def sections():
    """README-Windows' sections by heading (a line underlined with dashes)."""
    lines = readme_windows().splitlines()
    starts = [i for i in range(1, len(lines))
              if re.fullmatch(r"-+", lines[i]) and len(lines[i]) == len(lines[i - 1])]
    ends = [s - 1 for s in starts[1:]] + [len(lines)]
    return {lines[s - 1]: lines[s + 1:e] for s, e in zip(starts, ends)}


def described_keys(heading):
    """(key, description) for every key of a section: the key alone on its
    line, its description indented below it."""
    lines = sections()[heading]
    keys = []
    for i, line in enumerate(lines[:-1]):
        if re.fullmatch(r"[A-Z][A-Za-z]+", line) and lines[i + 1].startswith("    "):
            text = []
            for follow in lines[i + 1:]:
                if not follow.startswith("    "):
                    break
                text.append(follow.strip())
            keys.append((line, " ".join(text)))
    return keys


@pytest.mark.parametrize("marker, heading", [
    ("mail-keys", "Key reference: [Konfiguracja]"),
    ("mail-options", "Key reference: optional mail keys"),
    ("entry-keys", "Key reference: entry sections"),
])
def test_readme_windows_describes_every_key_of_the_manual_page(marker, heading):
    page = page_keys(marker)
    described = described_keys(heading)
    assert [key for key, _ in described] == [key for key, _ in page]
    for (key, summary), (_, description) in zip(page, described):
        # type and default as the page gives them
        assert summary is None or description.startswith(summary), (key, summary, description)


def test_readme_windows_lists_the_rows_of_the_order_of_work_as_the_manual_page():
    rows = [line for line in sections()["Switches and enable keys"]
            if re.match(r"^\s*\d+\s+/", line)]
    assert rows == page_block("dispatch-table")


def test_readme_windows_gives_every_option_of_the_run_wrappers_manual_page():
    page = (ROOT / "docs" / "man" / "zephautomat-run.1").read_text(encoding="ascii")
    options = page.split("\n.SH OPTIONS\n", 1)[1].split("\n.SH ", 1)[0]
    # an option is introduced by ".TP" and then ".B \-\-name" or ".BI \-\-name " arg""
    listed = re.findall(r"^\.TP\n\.BI? \\-\\-([a-z-]+)", options, re.MULTILINE)
    section = "\n".join(sections()["The run wrapper and monitoring"])
    described = re.findall(r"^  --([a-z-]+)", section, re.MULTILINE)
    assert listed and described == listed


def test_readme_windows_contents_name_its_sections_in_order():
    text = readme_windows()
    listed = text.split("Contents:\n", 1)[1].split("\n\n", 1)[0].splitlines()
    assert [line.strip() for line in listed] == list(sections())


def test_readme_windows_has_the_section_the_run_wrapper_refers_to():
    # zephautomat-run.exe names it when refusing an argument that is no switch
    assert "Switches and enable keys" in sections()


def test_links_of_the_readme_and_the_notes_lead_to_files():
    for document in [ROOT / "README.md", *sorted((ROOT / "docs").glob("*.md"))]:
        text = document.read_text(encoding="utf-8")
        links = re.findall(r"\]\(([^)#\s]+)(?:#[^)]*)?\)", text)
        for target in links:
            if re.match(r"[a-z]+:", target):
                continue
            assert (document.parent / target).exists(), f"{document.name}: {target}"
