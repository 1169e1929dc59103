"""Running the launcher and its test tools under Wine (scripts/wine-run), in
private prefixes. LAUNCHER_BUILD names another build folder to test."""
import os
import shutil
import subprocess
import tempfile
import warnings
from dataclasses import dataclass
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BUILD = Path(os.environ.get("LAUNCHER_BUILD", ROOT / "build" / "win32")).resolve()
MAKER = Path(os.environ.get("LAUNCHER_MAKE", ROOT / "build" / "host" / "launcher-make")).resolve()
CHECKED_MAKER = MAKER.with_name("launcher-make-checked")  # under the sanitizers
LAUNCHER = BUILD / "launcher.exe"
TOOLS = BUILD / "tests"
CAPTURE = TOOLS / "capture_debug_output.exe"
RECORDER = TOOLS / "record_msiexec.exe"
RUN_AT_INTEGRITY = TOOLS / "run_at_integrity.exe"
WINE = str(ROOT / "scripts" / "wine-run")
# A start that never reached the program (the recorder's CreateProcess
# failed) is tried again this many times in all.
START_ATTEMPTS = 3
# Not found, path not found, access denied, bad image, wrong machine.
LASTING_START_ERRORS = {"2", "3", "5", "193", "216"}
# Timeouts catch hangs; an emulated machine (scripts/ia32-vm) stretches every start.
TIMEOUT_SCALE = float(os.environ.get("WINE_TIMEOUT_SCALE", "1"))
# The launcher's own exit code when it could not start the installer.
LAUNCH_FAILED = 1603


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

    @property
    def never_started(self) -> bool:
        """The recorder could not start the program, for a reason that may pass:
        a file that is missing or not a valid image stays so."""
        failed = self.status == 4 and not self.lines and "cannot start" in self.stderr
        return failed and self.stderr.strip().rsplit(": ", 1)[-1] not in LASTING_START_ERRORS


class WinePrefix:
    """One booted prefix, reused by every test of one kind."""

    def __init__(self, path: Path, overrides: str = "", display: str = None, locale: str = "C.UTF-8"):
        self.path = path
        self.overrides = overrides
        self.display = display  # an X display; headless otherwise
        # Wine takes the ANSI code page from the locale: C.UTF-8 gives 1252,
        # as a Western Windows has it, zh_CN.UTF-8 gives 936.
        self.locale = locale

    def env(self, extra=None) -> dict:
        return {"PATH": "/usr/bin:/bin", "HOME": os.environ.get("HOME", "/root"), "WINEPREFIX": str(self.path),
                "WINEDEBUG": "-all", "LANG": self.locale, "LC_ALL": self.locale,
                "WINEDLLOVERRIDES": ";".join(filter(None, ["mscoree,mshtml=", self.overrides])),
                **({"DISPLAY": self.display} if self.display else {}), **(extra or {})}

    def boot(self):
        self.path.mkdir(parents=True, exist_ok=True)
        # A persistent server keeps every later start fast.
        subprocess.run([WINE, "wineserver", "-p"], env=self.env(), check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60 * TIMEOUT_SCALE)
        subprocess.run([WINE, "wineboot", "-i"], env=self.env(), check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300 * TIMEOUT_SCALE)

    def shutdown(self):
        subprocess.run([WINE, "wineserver", "-k"], env=self.env(), timeout=60 * TIMEOUT_SCALE)

    @property
    def system32(self) -> Path:
        """The system directory of a 32-bit process."""
        return self.path / "drive_c" / "windows" / "syswow64"

    def run(self, program, args=(), cwd=None, temp=None, env=None, timeout=120, via=()) -> Result:
        """Runs program with args as a debuggee and returns its exit code, as
        Windows gives it, and its diagnostic lines. temp becomes its TMP and TEMP.
        via: a Windows program and its arguments that start the debugger."""
        for attempt in range(1, START_ATTEMPTS + 1):
            result = self._run_once(program, args, cwd, temp, env, timeout, via)
            if not result.never_started or attempt == START_ATTEMPTS:
                return result
            # Shown in the run's summary: a retried start is never silent.
            warnings.warn(f"start {attempt} of {Path(program).name} never reached it "
                          f"({result.stderr.strip()}); trying again")

    def _run_once(self, program, args, cwd, temp, env, timeout, via) -> Result:
        cwd = Path(cwd or Path.cwd())
        log, errors = (Path(tempfile.mkstemp(prefix="capture-", suffix=kind)[1]) for kind in (".log", ".err"))
        extra = dict(env or {})
        if temp is not None:
            extra["LAUNCHER_TMP"] = windows_path(temp) + "\\"
        try:
            # Files, not pipes: a desktop process that a run starts inherits
            # them and outlives it, which would stall the wait.
            with errors.open("wb") as stderr:
                done = subprocess.run([WINE, *map(str, via), str(CAPTURE), windows_path(log), str(program), *args],
                                      cwd=cwd, env=self.env(extra), stdout=subprocess.DEVNULL,
                                      stderr=stderr, timeout=timeout * TIMEOUT_SCALE)
            # The launcher's lines are UTF-8: any other line fails the test here.
            lines = [part.decode("utf-8") for part in log.read_bytes().split(b"\0")[:-1]]
            # The recorder's last record is the exit code, all 32 bits of it:
            # Wine hands only its low byte to Linux.
            status = done.returncode
            if lines and lines[-1].startswith("<exit "):
                status = int(lines.pop()[6:-1])
            return Result(status, lines, errors.read_text("latin-1"))
        finally:
            log.unlink(missing_ok=True)
            errors.unlink(missing_ok=True)


def install_recorder(prefix: WinePrefix):
    """The recording stand-in takes msiexec's place in the system directory."""
    for system in (prefix.system32, prefix.system32.parent / "system32"):
        shutil.copyfile(RECORDER, system / "msiexec.exe")
