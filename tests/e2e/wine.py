"""Running the 64-bit twin and its test tools under wine64, in private prefixes."""
import os
import shutil
import subprocess
import tempfile
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = ROOT / "build" / "win64"
LAUNCHER = BUILD / "launcher.exe"
TOOLS = BUILD / "tests"
CAPTURE = TOOLS / "capture_debug_output.exe"
RECORDER = TOOLS / "record_msiexec.exe"
WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver"


def windows_path(path) -> str:
    """The Wine drive path of a Unix path."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


@dataclass
class Result:
    status: int
    lines: list  # diagnostic lines, exactly as written
    stderr: str

    @property
    def crashed(self) -> bool:
        return any(line.startswith("<crash ") for line in self.lines)


class WinePrefix:
    """One booted prefix, reused by every test of one kind."""

    def __init__(self, path: Path, overrides: str = "", display: str = None):
        self.path = path
        self.overrides = overrides
        self.display = display  # an X display; headless otherwise

    def env(self, extra=None) -> dict:
        env = {
            "PATH": "/usr/bin:/bin",
            "HOME": os.environ.get("HOME", "/root"),
            "WINEPREFIX": str(self.path),
            "WINELOADER": WINE64,
            "WINEDEBUG": "-all",
            "LANG": "C.UTF-8",  # Wine reads non-ASCII Unix arguments through the locale
            "WINEDLLOVERRIDES": ";".join(filter(None, ["mscoree,mshtml=", self.overrides])),
        }
        if self.display:
            env["DISPLAY"] = self.display
        env.update(extra or {})
        return env

    def boot(self):
        self.path.mkdir(parents=True, exist_ok=True)
        # A persistent server keeps every later start fast.
        subprocess.run([WINESERVER, "-p"], env=self.env(), check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        subprocess.run([WINE64, "wineboot", "-i"], env=self.env(), check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)

    def shutdown(self):
        subprocess.run([WINESERVER, "-k"], env=self.env(), check=False, timeout=60)

    @property
    def system32(self) -> Path:
        return self.path / "drive_c" / "windows" / "system32"

    def run(self, program, args=(), cwd=None, temp=None, env=None, timeout=120) -> Result:
        """Runs program with args as a debuggee and returns its exit status and
        diagnostic lines. temp becomes its TMP and TEMP."""
        cwd = Path(cwd or Path.cwd())
        log, errors = (Path(tempfile.mkstemp(prefix="capture-", suffix=kind)[1]) for kind in (".log", ".err"))
        extra = dict(env or {})
        if temp is not None:
            extra["LAUNCHER_TMP"] = windows_path(temp) + "\\"
        try:
            # Files, not pipes: a desktop process that a run starts inherits
            # them and outlives it, which would stall the wait.
            with errors.open("wb") as stderr:
                done = subprocess.run([WINE64, str(CAPTURE), windows_path(log), str(program), *args],
                                      cwd=cwd, env=self.env(extra), stdout=subprocess.DEVNULL,
                                      stderr=stderr, timeout=timeout)
            lines = [part.decode("latin-1") for part in log.read_bytes().split(b"\0")[:-1]]
            return Result(done.returncode, lines, errors.read_text("latin-1"))
        finally:
            log.unlink(missing_ok=True)
            errors.unlink(missing_ok=True)

    def run_plain(self, program, args=(), cwd=None, env=None, timeout=120):
        return subprocess.run([WINE64, str(program), *args], cwd=cwd, env=self.env(env),
                              capture_output=True, timeout=timeout)


def install_recorder(prefix: WinePrefix):
    """The recording stand-in takes msiexec's place in the system directory."""
    shutil.copyfile(RECORDER, prefix.system32 / "msiexec.exe")
