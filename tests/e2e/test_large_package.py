"""Packages of any size up to the image limit: made and launched whole,
refused above it, and never a partial launcher under the requested name."""
import hashlib
import os
import signal
import subprocess
import time
from pathlib import Path

import pytest

from conftest import Workspace, sparse
from pe_resources import regions
from wine import LAUNCHER, LAUNCH_FAILED, WINE

GiB = 1 << 30
# Preferred base + largest ASLR shift + SizeOfImage must stay below the system
# DLLs' range (image/image_layout.cpp).
IMAGE_SPAN = 0x50000000 - 0x00FE0000 - 0x00400000
TOO_LARGE = ("Zorvane - Events Error in setting resource. not enough memory for operation "
             "or file is to large.")


def marked_package(path, size):
    """A sparse file with random marks at its start, middle and end: a cut or
    shifted copy hashes differently, and no disk is used for the rest."""
    with open(sparse(path, size), "r+b") as package:
        for offset in sorted({0, size // 2, max(size - 4096, 0)}):
            package.seek(offset)
            package.write(os.urandom(min(4096, size - offset)))
    return path


def digest(path, offset=0, size=None):
    """SHA-256 of size bytes at offset (to the end by default), read in pieces."""
    hashed, left = hashlib.sha256(), os.path.getsize(path) - offset if size is None else size
    with open(path, "rb") as data:
        data.seek(offset)
        while left > 0 and (piece := data.read(min(left, 1 << 24))):
            hashed.update(piece)
            left -= len(piece)
    return hashed.hexdigest() if left == 0 else "the file ends early"


@pytest.fixture(scope="module")
def largest_package(tmp_path_factory, recording_wine):
    """The largest package the launcher accepts: its data starts at the
    same place whatever its size, so a one-byte probe tells the room left."""
    work = Workspace(tmp_path_factory.mktemp("probe"), recording_wine)
    probe = work.make_launcher("Probe.exe", work.file("one.msi", b"x"), params="/qn")
    return IMAGE_SPAN - regions(probe)[("MSI", 104)][0][2]


@pytest.mark.parametrize("size", [0, 1, GiB, "largest"])
def test_packages_up_to_the_limit_are_made_and_launched_whole(work, size, largest_package):
    size = largest_package if size == "largest" else size
    package = marked_package(work.root / "product.msi", size)
    result = work.update("MSI=product.msi", "Params=/qn", "WrapperName=Made.exe")
    assert (result.status, result.lines) == (0, ["CreateNewWrapper - Events Found new file name:Made.exe"])

    # Read back by pefile: the package whole, the rest of the resources as they were.
    made = work.root / "Made.exe"
    found = regions(made)
    [(offset, length, *_)], [(_, params, *_)] = found.pop(("MSI", 104)).values(), found.pop(("PARAMS", 106)).values()
    expected = digest(package)
    assert (length, params, digest(made, offset, length)) == (size, len(b"/qn\0"), expected)
    assert found.keys() == regions(LAUNCHER).keys()

    launched = work.launch(made, timeout=600)
    installed = [digest(copy) for copy in sorted(work.records.glob("record-*.pkg"))]
    # An empty package counts as none.
    assert (launched.status, installed) == ((LAUNCH_FAILED, []) if size == 0 else (0, [expected]))
    assert list(work.temp.iterdir()) == []
    for big in [made, *work.records.glob("record-*.pkg")]:  # GiBs, not kept for the next run
        big.unlink()


@pytest.mark.parametrize("size", ["largest + 1", 3 * GiB, 4200 << 20])
def test_packages_above_the_limit_are_refused_and_leave_nothing(work, size, largest_package):
    size = largest_package + 1 if size == "largest + 1" else size
    sparse(work.root / "huge.msi", size)  # 4,200 MiB would wrap to 104 MiB in 32 bits
    before = sorted(work.root.iterdir())
    result = work.update("MSI=huge.msi", "Params=/qn", "WrapperName=Huge.exe")
    assert (result.status, result.lines) == (1, ["CreateNewWrapper - Events Found new file name:Huge.exe",
                                                 TOO_LARGE])
    assert sorted(work.root.iterdir()) == before


def kill_all(marker):
    """SIGKILLs every process whose arguments hold marker, the launcher among
    them; False when there is none."""
    killed = False
    for cmdline in Path("/proc").glob("[0-9]*/cmdline"):
        try:
            if marker.encode() in cmdline.read_bytes():
                os.kill(int(cmdline.parent.name), signal.SIGKILL)
                killed = True
        except (OSError, ValueError):
            continue
    return killed


def test_a_make_killed_midway_leaves_no_launcher_under_the_name(work):
    marked_package(work.root / "product.msi", GiB)
    marker = "WrapperName=Killed.exe"
    running = subprocess.Popen([WINE, str(LAUNCHER), "-update", "MSI=product.msi", marker],
                               cwd=work.root, env=work.wine.env(), stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    killed = False
    deadline = time.monotonic() + 120
    while running.poll() is None and time.monotonic() < deadline and not killed:
        # Whatever file the launcher writes, once it is well under way.
        partial = [p for p in work.root.iterdir()
                   if p.name != "product.msi" and p.is_file() and p.stat().st_size > 1 << 20]
        killed = bool(partial) and kill_all(marker)
    running.wait(timeout=60)
    assert killed, "the make ended before it could be killed"
    target = work.root / "Killed.exe"
    # At most the empty reservation: nothing that passes for a launcher.
    assert not target.exists() or target.stat().st_size == 0
