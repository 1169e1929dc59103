"""Warning boxes on a virtual X display, seen and dismissed as a person
would: the update command with no free name for the new launcher, and a
launch that cannot start the installer (but never a silent one)."""
import shutil
import subprocess
import time

import pytest

from conftest import PREFIXES, Workspace
from wine import CAPTURE, LAUNCHER, ROOT, WINE, WinePrefix, windows_path

CAPTION = "Quelmar Msi Exe Creator"


@pytest.fixture
def work(tmp_path):
    """A prefix of its own on a display of its own: Wine's desktop takes its display at boot."""
    assert shutil.which("Xvfb") and shutil.which("xdotool"), "install xvfb and xdotool (scripts/bootstrap does)"
    display = f":{90 + int(time.time()) % 9}"
    server = subprocess.Popen(["Xvfb", display, "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    prefix = WinePrefix(PREFIXES / "e2e-display", display=display)
    prefix.boot()
    yield Workspace(tmp_path, prefix)
    prefix.shutdown()
    server.terminate()
    server.wait(timeout=10)


def xdotool(work, *args):
    return subprocess.run(["xdotool", *args], env={"DISPLAY": work.wine.display}, capture_output=True,
                          text=True).stdout.split()


def start(work, log, program, *args, env=None):
    return subprocess.Popen([WINE, str(CAPTURE), windows_path(log), str(program), *args], cwd=work.root,
                            env=work.wine.env(env), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wait_for_box(work, run):
    """The box's window, once it is shown and waits for the user."""
    deadline = time.monotonic() + 60
    while not xdotool(work, "search", "--name", CAPTION):
        assert time.monotonic() < deadline and run.poll() is None, f"no window named {CAPTION!r}"
        time.sleep(0.5)
    [window] = xdotool(work, "search", "--name", CAPTION)[:1]
    time.sleep(1)
    assert run.poll() is None, "the box must wait for the user"
    return window


def test_warning_box_shows_the_caption_and_waits_for_the_user(work):
    for name in ["Box.exe"] + [f"({n})Box.exe" for n in range(1, 100)]:
        work.file(name, b"taken")
    log = work.root / "lines.log"
    run = start(work, log, LAUNCHER, "-update", "WrapperName=Box.exe")
    window = wait_for_box(work, run)

    shot = ROOT / "build" / "screenshots" / "warning-box.png"
    shot.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["import", "-display", work.wine.display, "-window", "root", str(shot)], check=True)
    assert shot.stat().st_size > 1000
    assert " ".join(xdotool(work, "getwindowname", window)) == CAPTION

    xdotool(work, "windowfocus", "--sync", window, "key", "Return")
    assert run.wait(timeout=60) == 1
    assert log.read_bytes().split(b"\0")[:-1] == [
        b"Zorvane - Events Couldn't create new file. Too many files in directory",
        b"CreateNewWrapper - Surprise Failed to verify file name. Too many files in folder", b"<exit 1>"]
    assert [p.read_bytes() for p in work.root.glob("*Box.exe")] == [b"taken"] * 100  # none copied over


# A person who starts a setup that cannot start its installer is told so; a
# deployment system that asked for a silent run is never stopped by a box.
def test_a_failed_launch_is_shown_unless_the_run_is_silent(work):
    launcher = work.make_launcher("Setup.exe", work.file("product.msi", b"package"))
    temp = {"LAUNCHER_TMP": windows_path(work.root / "no-such-folder") + "\\"}
    seen = work.root / "seen.log"
    run = start(work, seen, launcher, env=temp)
    xdotool(work, "windowfocus", "--sync", wait_for_box(work, run), "key", "Return")
    run.wait(timeout=60)
    lines = seen.read_bytes().decode().split("\0")[:-1]
    assert lines[-1] == "<exit 1603>"  # as Windows gives it: Wine hands Linux only its low byte
    assert lines[1].startswith("Zorvane - Events The installation could not be started: no file can be created")

    silent = work.root / "silent.log"
    run = start(work, silent, launcher, "/qn", env=temp)
    run.wait(timeout=60)
    assert not xdotool(work, "search", "--name", CAPTION)
    assert silent.read_bytes().decode().split("\0")[:-1] == [lines[0], "<exit 1603>"]
