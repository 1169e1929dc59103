"""The update command's warning box, on a virtual X display, seen and
dismissed as a person would."""
import shutil
import subprocess
import time

import pytest

from conftest import PREFIXES, Workspace
from wine import CAPTURE, LAUNCHER, ROOT, WINE, WinePrefix, windows_path

CAPTION = "Quelmar Msi Exe Creator"
pytestmark = pytest.mark.skipif(not shutil.which("Xvfb"), reason="needs xvfb")


@pytest.fixture
def display():
    number = 90 + int(time.time()) % 9
    server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "800x600x24", "-nolisten", "tcp"],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    yield f":{number}"
    server.terminate()
    server.wait(timeout=10)


@pytest.fixture
def work(tmp_path, display):
    """A prefix of its own: Wine's desktop takes its display at boot."""
    prefix = WinePrefix(PREFIXES / "e2e-display", display=display)
    prefix.boot()
    yield Workspace(tmp_path, prefix)
    prefix.shutdown()


def wait_for_window(display, name, timeout=60):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        found = subprocess.run(["xdotool", "search", "--name", name], env={"DISPLAY": display},
                               capture_output=True, text=True)
        if found.stdout.split():
            return found.stdout.split()[0]
        time.sleep(0.5)
    pytest.fail(f"no window named {name!r}")


def test_warning_box_shows_the_caption_and_waits_for_the_user(work, display):
    for name in ["Box.exe"] + [f"({n})Box.exe" for n in range(1, 100)]:
        work.file(name, b"taken")
    log = work.root / "lines.log"
    env = work.wine.env()
    run = subprocess.Popen([WINE, str(CAPTURE), windows_path(log), str(LAUNCHER), "-update",
                            "WrapperName=Box.exe"], cwd=work.root, env=env,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    window = wait_for_window(display, CAPTION)
    time.sleep(1)
    assert run.poll() is None, "the box must wait for the user"

    shot = ROOT / "build" / "screenshots" / "warning-box.png"
    shot.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["import", "-display", display, "-window", "root", str(shot)], check=True)
    assert shot.stat().st_size > 1000
    title = subprocess.run(["xdotool", "getwindowname", window], env={"DISPLAY": display},
                           capture_output=True, text=True).stdout.strip()
    assert title == CAPTION

    subprocess.run(["xdotool", "windowfocus", "--sync", window, "key", "Return"],
                   env={"DISPLAY": display}, check=True)
    assert run.wait(timeout=60) == 1
    lines = log.read_bytes().split(b"\0")[:-1]
    assert lines[0] == b"Zorvane - Events Couldn't create new file. Too many files in directory"
