"""Damaged launchers, and names and paths at the platform's limits."""
import os
import random
import struct

import pefile
import pytest

from wine import LAUNCH_FAILED, windows_path

PACKAGE = os.urandom(64 * 1024)


def damage(image: bytes, how: str) -> bytes:
    pe = pefile.PE(data=image)
    [rsrc] = [s for s in pe.sections if s.Name.rstrip(b"\0") == b".rsrc"]
    start, size = rsrc.PointerToRawData, rsrc.SizeOfRawData
    [package] = [language.data.struct for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries if str(kind.name) == "MSI"
                 for name in kind.directory.entries for language in name.directory.entries]
    entry = package.get_file_offset()  # offset (4 bytes), then size (4 bytes)
    cut, garbage = {"cut after headers": pe.OPTIONAL_HEADER.SizeOfHeaders, "cut inside package": start + size // 2,
                    "last byte cut": len(image) - 1}.get(how), random.Random(how).randbytes
    at, replacement = {"resource directory garbage": (start, garbage(256)),
                       "resource section garbage": (start, garbage(size)),
                       "package size past image": (entry + 4, struct.pack("<I", 0x7FFFFFF0)),
                       "package offset past image": (entry, struct.pack("<I", 0x7FFF0000))}.get(how, (0, b""))
    return image[:cut] if cut else image[:at] + replacement + image[at + len(replacement):]


DAMAGES = ["cut after headers", "cut inside package", "last byte cut", "resource directory garbage",
           "resource section garbage", "package size past image", "package offset past image"]


@pytest.mark.parametrize("how", DAMAGES)
def test_damaged_launcher_neither_launches_nor_makes_a_broken_result(work, how):
    made = work.make_launcher("Good.exe", work.file("product.msi", PACKAGE), params="/qn")
    damaged = work.file("Damaged.exe", damage(made.read_bytes(), how))
    result = work.launch(damaged, timeout=60)
    if result.status == 4 and "cannot start" in result.stderr and not result.lines:
        return  # Wine will not map a truncated image: no launcher code ran
    assert result.status in (0, LAUNCH_FAILED) and not result.crashed, result.lines[-3:]
    # Success means the whole package reached the installer.
    assert [r["bytes"] == PACKAGE for r in work.records_seen()] == [True] * (result.status == 0)
    assert list(work.temp.iterdir()) == []

    result = work.update("Params=/qb", "WrapperName=Made.exe", source=damaged)
    assert result.status in (0, 1) and not result.crashed, result.lines[-3:]
    if result.status == 0:
        launched, [record] = work.launch_alone(work.root / "Made.exe")
        assert launched.status == 0 and record["bytes"] == PACKAGE and record["parameters"].endswith('" /qb')


def tree(work):
    """Every path in the workspace but the stand-in's records."""
    return {p for p in work.root.rglob("*") if work.records not in (p, *p.parents)}


def nested(root, length):
    """A new folder under root whose Windows path has exactly length characters."""
    folder = root / "n"
    while len(windows_path(folder)) < length - 101:
        folder /= "d" * 100
    folder /= "e" * (length - len(windows_path(folder)) - 1)
    folder.mkdir(parents=True)
    return folder


# Full length of <temp>\TVX_INST0Setup.msi: 259 fits every platform (the
# limit is 259 or 260), 261 never fits, and a temp folder longer than the
# limit cannot even be read.
@pytest.mark.parametrize("length, refusal", [
    (259, None),
    (261, "tmpFileGenerator - Surprise faild to create file aborting operation"),
    (400, "tmpFileGenerator - Surprise error while trying to recive tmp folder path"),
])
def test_temp_paths_at_the_limit_are_used_whole_or_refused(work, length, refusal):
    launcher = work.make_launcher("Setup.exe", work.file("product.msi", PACKAGE), params="/qn")
    work.temp = nested(work.root, length - len("\\TVX_INST0Setup.msi"))
    expected = windows_path(work.temp / "TVX_INST0Setup.msi")
    assert len(expected) == length
    before = tree(work)
    result = work.launch(launcher)
    records = [(r["package"], r["bytes"]) for r in work.records_seen()]
    if refusal is None:
        assert (result.status, records) == (0, [(expected, PACKAGE)])
    else:
        assert (result.status, result.lines[-1], records) == (LAUNCH_FAILED, refusal, [])
    assert tree(work) == before  # nothing left, nothing under a cut name


def test_wrapper_names_at_the_limit_are_used_whole_or_refused(work):
    work.file("product.msi", PACKAGE)
    fits = "F" * (259 - len(windows_path(work.root)) - 5) + ".exe"  # <workspace>\F...F.exe: 259
    assert work.update("MSI=product.msi", f"WrapperName={fits}").status == 0
    before = tree(work)
    # Taken, then one too long, then the longest name the file system holds.
    for name, refused in ((fits, "(1)" + fits), ("G" + fits, "G" + fits), ("L" * 251 + ".exe",) * 2):
        result = work.update("MSI=product.msi", f"WrapperName={name}")
        assert result.status == 1 and not result.crashed
        assert f"CreateNewWrapper - Surprise new file path is too long: {refused}" in result.lines
    assert tree(work) == before
