"""The update command end to end: made launchers, their resources, names,
arguments and every reported failure."""
import os
import subprocess

import pytest

from pe_resources import resources
from wine import LAUNCHER, MAKER

PACKAGE = os.urandom(32 * 1024)
OPTIONS = "/qb ADDLOCAL=ALL PROP=" + "v" * 2000  # far past any path-sized buffer
SOURCE_RESOURCES = resources(LAUNCHER)


def payload(path):
    """(package bytes, parameters bytes) of a launcher; None where absent.
    Fails when a payload resource has any other name or language."""
    found = resources(path)
    for key, languages in found.items():
        if key[0] in ("MSI", "PARAMS"):
            assert key in (("MSI", 104), ("PARAMS", 106)) and list(languages) == [0], key
    return tuple(found.get(key, {}).get(0) for key in (("MSI", 104), ("PARAMS", 106)))


def assert_fixed_resources_inherited(path):
    fixed = lambda found: {key: value for key, value in found.items() if key[0] not in ("MSI", "PARAMS")}
    assert fixed(resources(path)) == fixed(SOURCE_RESOURCES)


@pytest.fixture
def package(work):
    return work.file("product.msi", PACKAGE)


def test_launchers_made_from_launchers_carry_and_replace_their_payload(work, package):
    a = work.make_launcher("A.exe", package, params="/qn")
    assert payload(a) == (PACKAGE, b"/qn\0")
    b = work.make_launcher("B.exe", params=OPTIONS, source=a)
    assert payload(b) == (PACKAGE, OPTIONS.encode() + b"\0")
    other = work.file("other.msi", b"another package")
    c = work.make_launcher("C.exe", other, source=b)
    assert payload(c) == (b"another package", OPTIONS.encode() + b"\0")
    for made in (a, b, c):
        assert_fixed_resources_inherited(made)

    assert work.launch(c, "ignored").status == 0
    [record] = work.records_seen()
    assert record["bytes"] == b"another package"
    assert record["parameters"] == f'/i "{record["package"]}" {OPTIONS}'


def test_the_keep_package_mark_survives_every_update(work, package):
    marked = work.root / "Marked.exe"
    subprocess.run([MAKER, "--keep-package", "--no-product-info", "-o", marked, LAUNCHER], check=True)
    a = work.make_launcher("A.exe", package, params="/qn", source=marked)
    b = work.make_launcher("B.exe", source=a)  # the plain copy
    for made in (a, b):
        assert resources(made)[("KEEPMSI", 107)] == {0: b"1"}


def test_names_are_never_reused(work):
    local = work.root / "launcher.exe"
    local.write_bytes(LAUNCHER.read_bytes())
    for expected in ("(1)launcher.exe", "(2)launcher.exe"):
        result = work.update(source=local)
        assert result.lines == [f"CreateNewWrapper - Events Found new file name:{expected}"]
        assert (work.root / expected).read_bytes() == LAUNCHER.read_bytes()

    (work.root / "sub").mkdir()
    for expected in ("sub/New.exe", "sub/(1)New.exe"):
        assert work.update("WrapperName=sub\\New.exe").status == 0
        assert (work.root / expected).read_bytes() == LAUNCHER.read_bytes()


def test_a_plain_copy_is_a_new_file_of_the_checked_bytes(work):
    """Copied from the stream its checks read, not by name again: the new
    launcher has the source's bytes, but neither its read-only flag nor its time."""
    source = work.file("Source.exe", LAUNCHER.read_bytes())
    long_ago = 978307200  # 2001-01-01
    os.utime(source, (long_ago, long_ago))
    source.chmod(0o555)
    result = work.update("WrapperName=Copy.exe", source=source)
    copy = work.root / "Copy.exe"
    assert result.status == 0 and copy.read_bytes() == LAUNCHER.read_bytes()
    assert copy.stat().st_mode & 0o200 and copy.stat().st_mtime > long_ago + 86400


def test_argument_forms(work, package):
    work.file("app.ico", b"\0\0\1\0" + os.urandom(64))  # taken, and changes nothing
    result = work.update("msi=a.msi", "MSI", "=x", "Params=", f"MSI={package.name}", "Icon=app.ico",
                         "WrapperName=Args.exe", "Params=/qb X=1=2")
    assert (result.status, result.lines) == (0, [
        "CreateNewWrapper - Surprise unknown command: msi",
        "CreateNewWrapper - Surprise failed parsing argument: MSI",
        "CreateNewWrapper - Surprise unknown command: ",
        "CreateNewWrapper - Events Found new file name:Args.exe",
    ])
    assert payload(work.root / "Args.exe") == (PACKAGE, b"/qb X=1=2\0")
    assert_fixed_resources_inherited(work.root / "Args.exe")

    # An empty option line is no option line: the launcher uses its arguments.
    made = work.make_launcher("NoParams.exe", package, params="")
    assert payload(made) == (PACKAGE, None)
    assert work.launch(made, "/qb").status == 0
    assert work.records_seen()[-1]["parameters"].endswith(" /qb ")


@pytest.fixture
def small_disk(work):
    """mount(size): a folder on a file system of its own, of that size."""
    folder = work.root / "disk"
    folder.mkdir()

    def mount(size):
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs", str(folder)],
                                 capture_output=True, text=True)
        assert mounted.returncode == 0, f"mounting a small tmpfs needs root: {mounted.stderr}"
        return folder

    yield mount
    subprocess.run(["umount", str(folder)], capture_output=True)


def test_failed_copy_is_shown_and_leaves_nothing(work, small_disk):
    disk = small_disk(64 * 1024)  # the reservation fits, the launcher does not
    result = work.update("WrapperName=Copy.exe", cwd=disk)
    assert (result.status, result.lines) == (1, ["CreateNewWrapper - Events Found new file name:Copy.exe",
                                                 "Zorvane - Events Could not copy the launcher to the new file."])
    assert list(disk.iterdir()) == []


def test_failed_commit_is_shown_and_reported(work, small_disk):
    disk = small_disk(LAUNCHER.stat().st_size + 64 * 1024)  # the copy fits, the package does not
    work.file("big.msi", os.urandom(1 << 20))
    result = work.update(f"MSI={work.root / 'big.msi'}", "WrapperName=Commit.exe", cwd=disk)
    assert (result.status, result.lines[-1]) == (1, "Zorvane - Events Could not write changes to file.")
    assert list(disk.iterdir()) == []  # no half-written launcher left


# A folder that takes no new file is no "too many files": the real reason is
# shown and logged, and nothing is tried or left.
@pytest.mark.parametrize("name, code", [("missing\\New.exe", 3), ("bad|name.exe", 123)])
def test_unusable_target_is_shown_with_its_reason(work, name, code):
    before = set(work.root.rglob("*"))
    result = work.update(f"WrapperName={name}")
    shown, logged = result.lines
    assert result.status == 1 and shown.startswith("Zorvane - Events Couldn't create new file. ")
    assert shown.endswith(f"(error {code})") and "Too many" not in shown
    assert logged == "CreateNewWrapper - Surprise Failed to verify file name. " + shown.split("file. ", 1)[1]
    assert set(work.root.rglob("*")) == before
