"""Damaged launchers, and names and paths at the platform's limits."""
import os
import random
import subprocess

import pefile
import pytest

from conftest import Workspace
from pe_resources import regions
from wine import CHECKED_MAKER, LAUNCHER, LAUNCH_FAILED, windows_path

PACKAGE = os.urandom(64 * 1024)


class Image:
    """A launcher's bytes and where its damages aim."""

    def __init__(self, path):
        self.bytes = path.read_bytes()
        self.pe = pe = pefile.PE(data=self.bytes)
        tree = pe.OPTIONAL_HEADER.DATA_DIRECTORY[2].VirtualAddress
        self.rsrc = next(s for s in pe.sections if s.VirtualAddress == tree)
        self.rsrc_number = pe.sections.index(self.rsrc) + 1  # as the makers count them
        self.root, entries = pe.DIRECTORY_ENTRY_RESOURCE.struct.get_file_offset(), pe.DIRECTORY_ENTRY_RESOURCE.entries
        self.entries = [e.struct.get_file_offset() for e in entries]  # MSI, PARAMS, then IDs
        self.ids = [e.id for e in entries]
        self.names = [self.rsrc.PointerToRawData + (e.struct.Name & 0x7FFFFFFF) for e in entries if e.name]
        # The payload's data entries: each an address, then a size.
        found = regions(path)
        [self.package] = [entry for *_, entry in found.get(("MSI", 104), {}).values()] or [None]
        [self.params] = [entry for *_, entry in found.get(("PARAMS", 106), {}).values()] or [None]

    def poke(self, structure, field, value, width=4):
        """The bytes with one field set: a pefile structure's named field, or the field at a file offset plus field."""
        at = structure + field if isinstance(structure, int) else structure.get_field_absolute_offset(field)
        return self.put(at, value.to_bytes(width, "little"))

    def put(self, at, data):
        return self.bytes[:at] + data + self.bytes[at + len(data):]


def overlapping_sections(made):
    first, second = made.pe.sections[:2]
    return made.poke(first, "Misc_VirtualSize", second.VirtualAddress - first.VirtualAddress + 0x1000)


def relocations_kept(made):
    """The built launcher, whose relocations follow its resources, with them no longer discardable."""
    built = Image(LAUNCHER)
    reloc = built.pe.sections[-1]
    return built.poke(reloc, "Characteristics", reloc.Characteristics & ~0x02000000)


# Each row: what is damaged, and how, on a launcher made with PACKAGE, and
# the check the makers name ({rsrc}: the resource section's number).
# Damaged headers are the loader's to refuse: only the makers read them here.
HEADER_DAMAGES = {
    "cut inside the headers": ("file ends inside the headers", lambda made: made.bytes[:0x100]),
    "no PE signature": ("no PE signature", lambda made: made.poke(made.pe.NT_HEADERS, "Signature", 0x14550)),
    "PE header past the end": ("PE header lies past the end of the file",
                               lambda made: made.poke(made.pe.DOS_HEADER, "e_lfanew", 0x7FFFFFF0)),
    "no sections": ("no sections", lambda made: made.poke(made.pe.FILE_HEADER, "NumberOfSections", 0, 2)),
    "optional header past the headers": ("section table lies past the headers", lambda made: made.poke(
        made.pe.FILE_HEADER, "SizeOfOptionalHeader", 0xFFFF, 2)),
    "too many data directories": ("more than 16 data directories", lambda made: made.poke(
        made.pe.OPTIONAL_HEADER, "NumberOfRvaAndSizes", 0xFFFF)),
    "headers past the end": ("headers larger than 64 KiB", lambda made: made.poke(
        made.pe.OPTIONAL_HEADER, "SizeOfHeaders", 0xFFFFFFF0)),
}
CUT = "section {rsrc} lies past the end of the file"
DAMAGES = {
    "cut inside the resource tree": (CUT, lambda made: made.bytes[:made.root + 20]),
    "cut inside the package": (CUT, lambda made: made.bytes[:-len(PACKAGE) // 2]),
    "last byte cut": (CUT, lambda made: made.bytes[:-1]),
    "section data past the end": (CUT, lambda made: made.poke(made.rsrc, "PointerToRawData", 0x7FFFFE00)),
    "sections overlap in memory": ("section 2 does not follow the one before it in memory", overlapping_sections),
    # Moved, the tree's directory reaches past the section's end.
    "resource tree not at a section start": ("data directory 2 lies outside every section", lambda made: made.poke(
        made.pe.OPTIONAL_HEADER.DATA_DIRECTORY[2], "VirtualAddress", made.rsrc.VirtualAddress + 16)),
    "kept data after the resources": ("section after the resources is not discardable", relocations_kept),
    "root entry count past the section": ("resource tree has more than 4096 entries",
                                          lambda made: made.poke(made.root, 14, 0xFFFF, 2)),
    "root entry points at the root": ("resource tree is not three levels deep",
                                      lambda made: made.poke(made.entries[0], 4, 0x80000000)),
    "name past the section": ("resource tree reaches past its section",
                              lambda made: made.poke(made.entries[0], 0, 0xFFFFFFF0)),
    "name length past the section": ("resource tree reaches past its section",
                                     lambda made: made.poke(made.names[0], 0, 0xFFFF, 2)),
    "two equal IDs": ("two entries of one resource table are equal",
                      lambda made: made.poke(made.entries[2], 0, made.ids[3])),
    "two names equal but for case": ("two entries of one resource table are equal",
                                     lambda made: made.put(made.names[1], b"\3\0" + "msi".encode("utf-16-le"))),
    "package size past the image": ("resource data lies outside every section's file data",
                                    lambda made: made.poke(made.package, 4, 0x7FFFFFF0)),
    "package offset past the image": ("resource data lies outside every section's file data",
                                      lambda made: made.poke(made.package, 0, 0x7FFF0000)),
    "resource tree garbage": ("resource tree has more than 4096 entries",
                              lambda made: made.put(made.root, random.Random(1).randbytes(256))),
    # Whole-image checks: a directory the new resources would cover, a section
    # the loader would not map, one range written once per resource.
    "debug directory in no section": ("data directory 6 lies outside every section", lambda made: made.poke(
        made.pe.OPTIONAL_HEADER.DATA_DIRECTORY[6], "VirtualAddress", 0x7FFF0000)),
    "section off its alignment": ("section 1 is off the section alignment", lambda made: made.poke(
        made.pe.sections[0], "VirtualAddress", made.pe.sections[0].VirtualAddress - 0x200)),
    "option line sharing the package's data": ("two resources share their data", lambda made: made.put(
        made.params, made.bytes[made.package:made.package + 4])),
}
ALL_DAMAGES = {**HEADER_DAMAGES, **DAMAGES}


@pytest.fixture(scope="module")
def made(tmp_path_factory, recording_wine):
    work = Workspace(tmp_path_factory.mktemp("made"), recording_wine)
    return Image(work.make_launcher("Good.exe", work.file("product.msi", PACKAGE), params="/qn"))


@pytest.mark.parametrize("how", ALL_DAMAGES)
def test_damaged_launcher_is_refused_whole_never_run_broken(work, made, how):
    reason, damage = ALL_DAMAGES[how]
    damaged = work.file("Damaged.exe", damage(made))
    # The image writer built with the address and undefined-behaviour
    # sanitizers: a read out of bounds ends it with a report.
    checked = subprocess.run([CHECKED_MAKER, "--params", "/qb", "-o", "Out.exe", damaged], cwd=work.root,
                             capture_output=True, text=True)
    assert checked.returncode == 1 and checked.stderr.count("\n") == 1, checked.stderr[-2000:]
    expected = "not a launcher image (damaged, or not a launcher.exe): " + reason.format(rsrc=made.rsrc_number)
    assert checked.stderr == f"launcher-make: {damaged}: {expected}\n" and not (work.root / "Out.exe").exists()
    if how in HEADER_DAMAGES:
        return

    result = work.launch(damaged, timeout=60)
    # Success means the whole package reached the installer.
    assert [r["bytes"] == PACKAGE for r in work.records_seen()] == [True] * (result.status == 0)
    assert not result.crashed and list(work.temp.iterdir()) == []
    if not result.lines:
        return  # the loader refused the image: no launcher code ran
    assert result.status in (0, LAUNCH_FAILED), result.lines[-3:]
    result = work.update("Params=/qb", "WrapperName=Made.exe", source=damaged)
    assert result.status == 1 and not result.crashed and not (work.root / "Made.exe").exists(), result.lines[-3:]


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
# limit is 259 or 260), 261 never fits (and no longer name would: the search
# ends at once), and a temp folder longer than the limit cannot even be read.
@pytest.mark.parametrize("length, refusal", [
    (259, None),
    (261, "tmpFileGenerator - Surprise tmp folder refuses new files, error "),
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
        assert (result.status, records) == (LAUNCH_FAILED, []) and result.lines[-1].startswith(refusal)
        assert len(result.lines) == 1
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
