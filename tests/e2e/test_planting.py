"""Nothing planted beside a launcher or in the current folder runs inside it.
Every planting case shows its control first: a program without the launcher's
protection, placed and started the same way, picks the same plant up."""
import shutil
import subprocess

import pytest

from wine import BUILD, RECORDER, WINE, windows_path

PROBE, UXTHEME = BUILD / "tests" / "planted" / "plant_probe.exe", BUILD / "tests" / "planted" / "uxtheme.dll"
SYSTEM_MSIEXEC = "c:\\windows\\syswow64\\msiexec.exe"  # a 32-bit process's
SESSION_MANAGER = r"HKLM\System\CurrentControlSet\Control\Session Manager"


@pytest.fixture(scope="module")
def unsafe_search(recording_wine):
    """The legacy search order: the current folder before the system
    directory, as on machines with SafeDllSearchMode off."""
    reg = [WINE, "reg", "add", SESSION_MANAGER, "/v", "SafeDllSearchMode", "/t", "REG_DWORD", "/d", "0", "/f"]
    subprocess.run(reg, env=recording_wine.env(), capture_output=True, check=True)
    yield
    subprocess.run([WINE, "reg", "delete", *reg[3:6], "/f"], env=recording_wine.env(), capture_output=True)


def layouts(work, plant_name, plant_source):
    """(case, launcher folder, current folder): planted beside the launcher and
    started from there; beside it and started elsewhere; in the current folder only."""
    launcher = work.make_launcher("Setup.exe", work.file("p.msi", b"package"), params="/qn")
    for case, planted, current in [("from-there", "app", "app"), ("from-elsewhere", "app", "cwd"),
                                   ("in-cwd", "cwd", "cwd")]:
        app, cwd = work.root / case / "app", work.root / case / current
        app.mkdir(parents=True)
        cwd.mkdir(exist_ok=True)
        shutil.copyfile(plant_source, work.root / case / planted / plant_name)
        for program in (launcher, PROBE):
            shutil.copyfile(program, app / program.name)
        yield case, app, cwd


def taken_records(work):
    seen = work.records_seen()
    for record in work.records.iterdir():
        record.unlink()
    return seen


def test_planted_msiexec_never_runs(work):
    # The control asks for "msiexec": Wine itself maps a bare "msiexec.exe"
    # to its system copy, Windows would not. Under WoW64 Wine's shell finds
    # the plant only in some layouts; one is enough to show that it works.
    planted_ran = []
    for case, app, cwd in layouts(work, "msiexec.exe", RECORDER):
        assert work.launch(app / PROBE.name, "run", "msiexec", cwd=cwd).status == 0, case
        [control] = taken_records(work)
        planted_ran.append(control["exe"].lower() != SYSTEM_MSIEXEC)

        assert work.launch(app / "Setup.exe", cwd=cwd).status == 0
        [record] = taken_records(work)
        assert record["exe"].lower() == SYSTEM_MSIEXEC, case
    assert any(planted_ran)


# uxtheme is loaded by name after the entry point, by the warning box, under
# Wine as on Windows: the search the launcher restricts for the whole process.
def test_planted_dll_is_never_loaded(work, unsafe_search):
    env = {"WINEDLLOVERRIDES": work.wine.env()["WINEDLLOVERRIDES"] + ";uxtheme=n,b"}
    for case, app, cwd in layouts(work, UXTHEME.name, UXTHEME):
        markers = work.root / case / "markers"
        markers.mkdir()
        env["PLANT_MARKER_DIR"] = windows_path(markers)
        assert work.launch(app / PROBE.name, "load", UXTHEME.name, cwd=cwd, env=env).status == 0
        [marker] = markers.iterdir()
        assert marker.read_text().endswith(PROBE.name), case
        marker.unlink()

        run = work.launch(app / "Setup.exe", "-update", "MSI=missing.msi", cwd=cwd, env={**env, "WINEDEBUG": "+loaddll"})
        # Wine names a 32-bit process's system directory either way.
        assert any(f'loaded l"c:\\\\windows\\\\{system}\\\\uxtheme.dll"' in run.stderr.lower()
                   for system in ("system32", "syswow64")), case
        assert list(markers.iterdir()) == [], case

