"""launcher-make, the native maker: the bytes the launcher's own -update
writes, and nothing left behind by any failure. LAUNCHER_MAKE names the
binary to test."""
import filecmp
import json
import os
import resource
import signal
import subprocess
import time

import pefile
import pytest

from pe_resources import regions, resources
from conftest import sparse
from wine import LAUNCHER, MAKER

PACKAGE = os.urandom(256 * 1024)


def make(cwd, *args, limit_file_size=None):
    def limit():
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)  # a failing write, not a killed process
        resource.setrlimit(resource.RLIMIT_FSIZE, (limit_file_size, limit_file_size))

    return subprocess.run([str(MAKER), *map(str, args)], cwd=cwd, capture_output=True, text=True,
                          timeout=600, preexec_fn=limit if limit_file_size else None)


@pytest.fixture(scope="session")
def signer(tmp_path_factory):
    """sign(unsigned, signed) with a throwaway certificate; verifies(path)."""
    folder = tmp_path_factory.mktemp("signer")
    cert, key = folder / "cert.pem", folder / "key.pem"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                    "-subj", "/CN=Launcher Test", "-keyout", key, "-out", cert], check=True, capture_output=True)
    tool = lambda *args: subprocess.run(["osslsigncode", *args], capture_output=True).returncode == 0
    return (lambda unsigned, signed: tool("sign", "-certs", cert, "-key", key, "-in", unsigned, "-out", signed),
            lambda path: tool("verify", "-CAfile", cert, "-in", path))


# Each row: how the source is made, the package (bytes, a sparse size, or
# None), the option line (None: not given).
IDENTITY_CASES = {
    "empty option line": ("built", PACKAGE, ""),
    "empty package": ("built", b"", "/qn"),
    "1 GiB package": ("built", 1 << 30, "/qn"),
    "from a made launcher": ("made", None, "/qb ADDLOCAL=ALL"),
    "signed source": ("signed", PACKAGE, "/qn"),
    "nothing replaced": ("signed", None, None),
}


@pytest.mark.parametrize("source_kind, package, params", IDENTITY_CASES.values(), ids=IDENTITY_CASES)
def test_same_bytes_as_the_launchers_own_update(work, signer, source_kind, package, params):
    source = work.root / "Source.exe"
    sign, verifies = signer
    assert sign(LAUNCHER, source) if source_kind == "signed" else source.write_bytes(LAUNCHER.read_bytes())
    if source_kind == "made":
        source = work.make_launcher("Made.exe", work.file("first.msi", PACKAGE), params="/qn", source=source)
    path = None if package is None else \
        sparse(work.root / "pkg.msi", package) if isinstance(package, int) else work.file("pkg.msi", package)
    work.make_launcher("Windows.exe", path, params, source=source)
    result = make(work.root, "-o", "Native.exe", "--no-product-info", *["--msi", "pkg.msi"] * (path is not None),
                  *["--params", params] * (params is not None), source)
    assert (result.returncode, result.stderr) == (0, "")
    assert filecmp.cmp(work.root / "Windows.exe", work.root / "Native.exe", shallow=False)
    if isinstance(package, bytes):
        assert resources(work.root / "Native.exe")[("MSI", 104)][0] == package
    if source_kind == "signed" and (package is not None or params):
        # A clean unsigned image, not a corrupt signed one: it signs again.
        with pefile.PE(str(work.root / "Native.exe")) as pe:
            security = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
            assert (security.VirtualAddress, security.Size, pe.get_overlay()) == (0, 0, None)
            assert pe.OPTIONAL_HEADER.CheckSum == pe.generate_checksum()
        assert not verifies(work.root / "Native.exe")
        assert sign(work.root / "Native.exe", work.root / "Resigned.exe") and verifies(work.root / "Resigned.exe")
    elif source_kind == "signed":
        assert verifies(work.root / "Native.exe")  # an exact copy keeps its signature


def test_the_keep_package_mark_is_added_kept_and_described(tmp_path):
    (tmp_path / "pkg.msi").write_bytes(PACKAGE)
    assert make(tmp_path, "--msi", "pkg.msi", "--keep-package", "-o", "Kept.exe", LAUNCHER).returncode == 0
    assert make(tmp_path, "--params", "/qn", "-o", "Again.exe", "Kept.exe").returncode == 0  # no option: kept
    for made in ("Kept.exe", "Again.exe"):
        assert resources(tmp_path / made)[("KEEPMSI", 107)] == {0: b"1"}
        starts = {key: at for key, languages in regions(tmp_path / made).items() for at, *_ in languages.values()}
        assert max(starts, key=starts.get) == ("MSI", 104)  # the package still ends the file
    described = {launcher: json.loads(make(tmp_path, "--describe", launcher).stdout)["KeepsPackage"]
                 for launcher in ("Again.exe", LAUNCHER)}
    assert described == {"Again.exe": True, LAUNCHER: False}


# Each row: arguments (with {source} filled in), what stderr says (damaged
# sources: test_damaged_input). Status 1 but for the wrong command line.
MISSING = ": No such file or directory"
FAILURES = {
    "missing source": (["--msi", "pkg.msi", "-o", "Out.exe", "missing.exe"], "missing.exe" + MISSING),
    "missing package": (["--msi", "missing.msi", "-o", "Out.exe", "{source}"], "missing.msi" + MISSING),
    "missing output folder": (["--msi", "pkg.msi", "-o", "none/Out.exe", "{source}"], "none/Out.exe" + MISSING),
    "package over the limit": (["--msi", "huge.msi", "-o", "Out.exe", "{source}"], "huge.msi: too large"),
    "existing output": (["--msi", "pkg.msi", "-o", "taken.exe", "{source}"], "taken.exe: File exists"),
    "output fills the disk": (["--msi", "pkg.msi", "-o", "Out.exe", "{source}"], "Out.exe: File too large"),
    "no output": (["--msi", "pkg.msi", "{source}"], "missing -o/--output FILE"),
    "package is a FIFO": (["--msi", "fifo.msi", "-o", "Out.exe", "{source}"], "fifo.msi: not a regular file"),
    "package longer than its size": (["--msi", "/proc/self/status", "-o", "Out.exe", "{source}"], "status: read error"),
    "option line msiexec cannot get": (["--params", "x" * 32240, "-o", "Out.exe", "{source}"], "--params is longer"),
    # A build tree has no installed launcher beside the maker.
    "no source, none installed": (["--msi", "pkg.msi", "-o", "Out.exe"], "share/launcher/launcher.exe" + MISSING),
    # No output replaces an input, a node that is no regular file or, without --force, any file.
    "fragment over the package": (["--msi", "pkg.msi", "--winget-manifest", "pkg.msi", "--force", "-o", "Out.exe",
                                   "{source}"], "pkg.msi: is also an input"),
    "output over its source": (["--msi", "pkg.msi", "-o", "src.exe", "--force", "src.exe"], "src.exe: is also an input"),
    "output over a link to its source": (["-o", "src-link.exe", "--force", "src.exe"], "src-link.exe: is also an input"),
    "fragment over a file": (["--winget-manifest", "taken.exe", "{source}"], "taken.exe: File exists"),
    "output through a link to standard output": (["-o", "stdout.exe", "--force", "{source}"],
                                                 "stdout.exe: not a regular file"),
    "output over a FIFO": (["-o", "fifo.msi", "--force", "{source}"], "fifo.msi: not a regular file"),
    "output over a device": (["-o", "null.exe", "--force", "{source}"], "null.exe: not a regular file"),
    "one name for two outputs": (["-o", "Out.exe", "--winget-manifest", "./Out.exe", "{source}"],
                                 "./Out.exe: named for two outputs"),
    # Every output is checked before the first is written.
    "fragment's folder missing": (["--msi", "pkg.msi", "-o", "Out.exe", "--winget-manifest", "none/w.yaml",
                                   "{source}"], "none/w.yaml" + MISSING),
    "output named -": (["-o", "-", "{source}"], "-o -: outputs are files"),
}
USAGE_ERRORS = ("missing -o", "--params", "-o -")


@pytest.mark.parametrize("args, message", FAILURES.values(), ids=FAILURES)
def test_failures_are_named_and_leave_no_file(tmp_path, args, message):
    (tmp_path / "pkg.msi").write_bytes(PACKAGE)
    (tmp_path / "taken.exe").write_bytes(b"mine")
    sparse(tmp_path / "huge.msi", 3 << 30)
    os.mkfifo(tmp_path / "fifo.msi")  # no writer: opening it for reading would wait
    (tmp_path / "src.exe").write_bytes(LAUNCHER.read_bytes())
    os.symlink("src.exe", tmp_path / "src-link.exe")
    os.symlink("/proc/self/fd/1", tmp_path / "stdout.exe")
    os.symlink("/dev/null", tmp_path / "null.exe")  # a link: a missed refusal replaces only the link
    unread = ("huge.msi", "fifo.msi", "stdout.exe")
    before = {p: p.read_bytes() for p in tmp_path.iterdir() if p.name not in unread}

    filled = [a.format(source=LAUNCHER) for a in args]
    fills_disk = message.endswith("File too large")
    result = make(tmp_path, *filled, limit_file_size=len(PACKAGE) // 2 if fills_disk else None)
    assert result.returncode == (2 if message.startswith(USAGE_ERRORS) else 1)
    assert len(result.stderr.splitlines()) == 1 and message in result.stderr, result.stderr
    assert {p: p.read_bytes() for p in tmp_path.iterdir() if p.name not in unread} == before


@pytest.mark.parametrize("stdout", ["/dev/full", "closed pipe"])
def test_a_description_that_cannot_be_written_publishes_no_file(tmp_path, stdout):
    (tmp_path / "pkg.msi").write_bytes(PACKAGE)
    read, write = os.pipe()
    os.close(read)
    with open(stdout if stdout.startswith("/") else os.devnull, "wb") as full:
        result = subprocess.run([MAKER, "--msi", "pkg.msi", "--describe", "--winget-manifest", "w.yaml", "-o",
                                 "Out.exe", LAUNCHER], cwd=tmp_path, stdout=write if stdout == "closed pipe" else full,
                                stderr=subprocess.PIPE, text=True, timeout=120)
    os.close(write)
    assert result.returncode == 1 and result.stderr.count("\n") == 1, result.stderr
    assert result.stderr.startswith("launcher-make: standard output: ") and "(no file was written)" in result.stderr
    assert sorted(p.name for p in tmp_path.iterdir()) == ["pkg.msi"]


def test_force_replaces_and_an_interrupted_write_leaves_nothing(tmp_path):
    (tmp_path / "taken.exe").write_bytes(b"mine")
    (tmp_path / "pkg.msi").write_bytes(PACKAGE)
    assert make(tmp_path, "--msi", "pkg.msi", "-o", "taken.exe", "--force", LAUNCHER).returncode == 0
    assert resources(tmp_path / "taken.exe")[("MSI", 104)][0] == PACKAGE

    sparse(tmp_path / "big.msi", 1 << 30)
    before = set(tmp_path.iterdir())
    maker = subprocess.Popen([MAKER, "--msi", "big.msi", "-o", "Big.exe", LAUNCHER], cwd=tmp_path)
    while set(tmp_path.iterdir()) == before and maker.poll() is None:
        time.sleep(0.01)
    maker.terminate()
    assert maker.wait(60) == -signal.SIGTERM
    assert set(tmp_path.iterdir()) == before


def swapped(image, table, i, j):
    """image with entries i and j of the resource table at file offset table swapped."""
    a, b = (table + 16 + 8 * k for k in (i, j))
    out = bytearray(image)
    out[a:a + 8], out[b:b + 8] = image[b:b + 8], image[a:a + 8]
    return bytes(out)


# Each row: what PARAMS is renamed to, and the named entries in the order
# Windows' binary search needs: compared upper-cased ("_" after letters).
@pytest.mark.parametrize("rename, order", [("_arams", ["MSI", "_arams"]), ("a_____", ["a_____", "MSI"])])
def test_resources_are_written_in_windows_search_order_and_remade_unchanged(tmp_path, rename, order):
    (tmp_path / "pkg.msi").write_bytes(PACKAGE)
    assert make(tmp_path, "--msi", "pkg.msi", "--params", "/qn", "-o", "Made.exe", LAUNCHER).returncode == 0
    image = (tmp_path / "Made.exe").read_bytes()
    with pefile.PE(data=image) as pe:
        rsrc = pe.DIRECTORY_ENTRY_RESOURCE
        start = pe.get_offset_from_rva(pe.OPTIONAL_HEADER.DATA_DIRECTORY[2].VirtualAddress)
        params = start + (rsrc.entries[1].struct.Name & 0x7FFFFFFF) + 2
        image = image[:params] + rename.encode("utf-16-le") + image[params + 12:]
        # Unsorted at the first two levels: named entries, IDs, icons.
        root, icons = rsrc.struct.get_file_offset(), rsrc.entries[2].directory.struct.get_file_offset()
        image = swapped(swapped(swapped(image, root, 0, 1), root, 2, len(rsrc.entries) - 1), icons, 0, 1)
    (tmp_path / "Unsorted.exe").write_bytes(image)
    for source, target in (("Unsorted.exe", "Sorted.exe"), ("Sorted.exe", "Again.exe")):
        assert make(tmp_path, "--msi", "pkg.msi", "-o", target, source).returncode == 0
    with pefile.PE(str(tmp_path / "Sorted.exe")) as pe:
        keys = [str(e.name) if e.name else e.id for e in pe.DIRECTORY_ENTRY_RESOURCE.entries]
        icons = [e.id for e in pe.DIRECTORY_ENTRY_RESOURCE.entries[2].directory.entries]
    assert keys == order + [3, 14, 16, 24] and icons == sorted(icons)
    assert (tmp_path / "Again.exe").read_bytes() == (tmp_path / "Sorted.exe").read_bytes()
