"""Users, names and arguments that the ANSI code page cannot spell, under a
Western (1252) and a Chinese (936) ANSI code page: each case installs or
makes exactly what its ASCII twin does."""
import os
import subprocess

import pytest

from conftest import PREFIXES, Workspace
from pe_resources import resources, with_option_bytes
from wine import MAKER, LAUNCHER, WinePrefix, install_recorder, windows_path

PACKAGE = os.urandom(64 * 1024)
# Each row: a user, a setup's name and a folder, in one script; the first is their ASCII twin.
PEOPLE = {
    "ascii": ("Dmitry", "Setup", "Programs"),
    "cyrillic": ("Дмитрий", "Установка", "Программы"),
    "polish": ("Łukasz Żółć", "Instalacja-źółć", "Zażółć gęślą"),
    "cjk": ("张伟", "安装程序", "程序"),
}
CODE_PAGES = {"C.UTF-8": "cp1252", "zh_CN.UTF-8": "gbk"}


@pytest.fixture(scope="module", params=list(CODE_PAGES), ids=list(CODE_PAGES.values()))
def wine(request):
    prefix = WinePrefix(PREFIXES / f"e2e-{CODE_PAGES[request.param]}", overrides="msiexec.exe=n", locale=request.param)
    prefix.boot()
    install_recorder(prefix)
    yield prefix
    prefix.shutdown()


@pytest.fixture
def work(tmp_path, wine):
    return Workspace(tmp_path, wine)


def twin(text: str, row: str) -> str:
    """text with a row's words put back into their ASCII twins."""
    for word, ascii in zip(PEOPLE[row], PEOPLE["ascii"]):
        text = text.replace(word, ascii)
    return text


def launch_as(work, row, params=None, maker=False):
    """(result, its record) of a setup named in the row's script, made from a package named so too, by
    -update or the maker, and started by the row's user with an install folder in that script."""
    user, name, folder = PEOPLE[row]
    package = work.file(f"{name}-пакет.msi" if row != "ascii" else "package.msi", PACKAGE)
    if maker:
        subprocess.run([MAKER, "--msi", package, "--params", params, "-o", work.root / f"{name}.exe", LAUNCHER],
                       check=True)
        setup = work.root / f"{name}.exe"
    else:
        setup = work.make_launcher(f"{name}.exe", package, params=params)
    work.temp = work.root / "users" / user / "Temp"
    work.temp.mkdir(parents=True)
    result, records = work.launch_alone(setup, "/qb", f"INSTALLDIR=C:\\{folder}\\{name}")
    assert list(work.temp.iterdir()) == []
    return setup, result, records


@pytest.mark.parametrize("row", [r for r in PEOPLE if r != "ascii"])
def test_people_and_setups_named_in_any_script_install_as_their_ascii_twin(tmp_path, wine, row):
    seen = {}
    for each in (row, "ascii"):
        (tmp_path / each).mkdir()
        work = Workspace(tmp_path / each, wine)
        setup, result, [record] = launch_as(work, each)
        user, name, folder = PEOPLE[each]
        package = windows_path(work.temp / f"TVX_INST0{name}.msi")
        assert (record["package"], record["bytes"]) == (package, PACKAGE)
        value = f"C:\\{folder}\\{name}"
        value = f'"{value}"' if " " in value else value  # quoted back, as the caller wrote it
        assert record["parameters"].endswith(f'{package}" MSIINSTALLPERUSER=0 /qb INSTALLDIR={value} ')
        seen[each] = (result.status, [twin(line.replace(windows_path(tmp_path / each), "~"), each) for line in result.lines])
    assert seen[row] == seen["ascii"] and seen[row][0] == 0


@pytest.mark.parametrize("maker", [False, True], ids=["update", "maker"])
def test_option_lines_outside_ascii_are_stored_as_utf8_and_passed_exactly(work, maker):
    options = "/qn INSTALLDIR=C:\\Программы\\安装 COMPANY=Zażółć"
    setup, result, [record] = launch_as(work, "cyrillic", params=options, maker=maker)
    assert resources(setup)[("PARAMS", 106)][0] == options.encode() + b"\0"
    assert result.status == 0 and record["parameters"].endswith(f'TVX_INST0Установка.msi" {options}')


# Text that each code page spells, stored in its bytes, as launchers made before held it.
ANSI_TEXTS = {"cp1252": "café Müller", "gbk": "中文"}


def test_option_lines_of_launchers_made_before_are_read_in_the_ansi_code_page(work):
    text = "/qn NAME=" + ANSI_TEXTS[CODE_PAGES[work.wine.locale]]
    setup = work.make_launcher("Old.exe", work.file("p.msi", PACKAGE), params="Z" * 32)
    old = work.file("Older.exe", with_option_bytes(setup, text.encode(CODE_PAGES[work.wine.locale])))
    result, [record] = work.launch_alone(old)
    assert result.status == 0 and record["parameters"].endswith(f'Older.msi" {text}')


def test_update_takes_package_and_name_in_any_script(work):
    work.file("пакет.msi", PACKAGE)
    result = work.update("MSI=пакет.msi", "Params=/qn", "WrapperName=Установка-2.exe")
    assert (result.status, result.lines) == (0, ["CreateNewWrapper - Events Found new file name:Установка-2.exe"])
    made = resources(work.root / "Установка-2.exe")
    assert (made[("MSI", 104)][0], made[("PARAMS", 106)][0]) == (PACKAGE, b"/qn\0")
    result, [record] = work.launch_alone(work.root / "Установка-2.exe")
    assert result.status == 0 and record["bytes"] == PACKAGE
