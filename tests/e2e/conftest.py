import os
import subprocess
import tempfile
from pathlib import Path

import pytest

from wine import BUILD, LAUNCHER, ROOT, WINE, WinePrefix, install_recorder, windows_path

# Beside the build under test: two suites run side by side on two builds
# never stop each other's wineserver. LAUNCHER_PREFIXES moves them.
PREFIXES = Path(os.environ.get("LAUNCHER_PREFIXES", BUILD / "wine"))


def pytest_sessionstart(session):
    missing = [p for p in (LAUNCHER, BUILD / "tests" / "capture_debug_output.exe") if not p.exists()]
    if missing:
        pytest.exit(f"build the win32 preset first: missing {missing}", returncode=2)
    # Every test here runs the 32-bit launcher: without the Wine that can, none may pass.
    wine = subprocess.run([WINE, "--version"], capture_output=True, text=True)
    if wine.returncode != 0:
        pytest.exit(f"no Wine to run the 32-bit launcher: {wine.stderr.strip()}", returncode=2)


@pytest.fixture(scope="session")
def recording_wine():
    """A prefix whose msiexec is the recording stand-in."""
    prefix = WinePrefix(PREFIXES / "e2e-record", overrides="msiexec.exe=n")
    prefix.boot()
    install_recorder(prefix)
    yield prefix
    prefix.shutdown()


@pytest.fixture(scope="session")
def real_wine():
    """A prefix with Wine's own msiexec."""
    prefix = WinePrefix(PREFIXES / "e2e-real")
    prefix.boot()
    yield prefix
    prefix.shutdown()


class Workspace:
    """A folder for one test: launchers, packages, a private temp folder and
    the stand-in's records."""

    def __init__(self, root: Path, wine: WinePrefix):
        self.root = root
        self.wine = wine
        self.temp = root / "temp"
        self.records = root / "records"
        # The stand-ins' shared counter, for the order of their starts and ends.
        self.sequence = self.records / "sequence"
        self.temp.mkdir()
        self.records.mkdir()

    def file(self, name: str, content: bytes) -> Path:
        path = self.root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(content)
        return path

    def update(self, *args, source=LAUNCHER, cwd=None):
        """Runs `source -update args` in cwd (the workspace by default)."""
        return self.wine.run(source, ["-update", *args], cwd=cwd or self.root, temp=self.temp)

    def make_launcher(self, name: str, package: Path = None, params: str = None, source=LAUNCHER) -> Path:
        args = ([] if package is None else [f"MSI={package.name}"]) + ([] if params is None else [f"Params={params}"])
        result = self.update(f"WrapperName={name}", *args, source=source)
        assert result.status == 0, result.lines
        return self.root / name

    def launch(self, launcher: Path, *args, cwd=None, env=None, timeout=120, temp=None, records=None,
               command_line=None, via=()):
        """command_line: arguments as a deployment system writes them, split by the launcher's runtime."""
        extra = {"RECORD_DIR": windows_path(records or self.records), "RECORD_SEQUENCE": windows_path(self.sequence)}
        extra.update(env or {})
        if command_line is not None:
            extra["DEBUGGEE_ARGUMENTS"] = command_line
        return self.wine.run(launcher, list(args), cwd=cwd or self.root, temp=temp or self.temp,
                             env=extra, timeout=timeout, via=via)

    def launch_alone(self, launcher: Path, *args, **kwargs):
        """(result, records) of one run with a records folder of its own."""
        records = Path(tempfile.mkdtemp(prefix="records-", dir=self.root))
        return self.launch(launcher, *args, records=records, **kwargs), self.records_seen(records)

    def records_seen(self, records=None) -> list:
        """What each stand-in run recorded, first started first: its fields,
        the package's bytes, the raw record, and its start and end (None while
        it runs) in the workspace's order of events."""
        seen = []
        for text in (records or self.records).glob("record-*.txt"):
            raw = text.read_bytes()
            fields = dict(line.split("=", 1) for line in raw.decode("utf-8").split("\n") if "=" in line)
            copy, end = text.with_suffix(".pkg"), text.with_suffix(".end")
            fields.update(bytes=copy.read_bytes() if copy.exists() else None, raw=raw, start=int(fields["start"]),
                          end=int(end.read_text().split("=", 1)[1]) if end.exists() else None)
            # Every installer start the suite sees comes from the 32-bit launcher.
            assert fields.get("parent_wow64") == "1", fields.get("parent")
            seen.append(fields)
        return sorted(seen, key=lambda fields: fields["start"])


@pytest.fixture
def work(tmp_path, recording_wine):
    return Workspace(tmp_path, recording_wine)


@pytest.fixture
def real_work(tmp_path, real_wine):
    return Workspace(tmp_path, real_wine)


@pytest.fixture(scope="session")
def sample_msi(tmp_path_factory):
    return build_msi(tmp_path_factory.mktemp("sample"))


def sparse(path: Path, size: int) -> Path:
    """A file of size bytes that takes no disk."""
    with open(path, "wb") as file:
        file.truncate(size)
    return path


def build_msi(folder: Path) -> Path:
    """The demo's package, built by wixl: installs one file, under a new product code each time."""
    subprocess.run(["wixl", "-o", str(folder / "sample.msi"), "sample.wxs"], cwd=ROOT / "examples", check=True,
                   capture_output=True)
    return folder / "sample.msi"
