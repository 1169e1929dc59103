"""With Wine's own msiexec: a launcher made by the native maker really
installs a package built by wixl, and so do launchers the update command
makes from it; an installation that fails gives msiexec's own code; a
deployment command line's quoted values reach msiexec whole."""
import shutil
import subprocess

import pytest

from conftest import build_msi
from wine import LAUNCHER, MAKER, ROOT, windows_path

README = (ROOT / "examples" / "sample-readme.txt").read_bytes()


def installed(wine):
    return list(wine.path.joinpath("drive_c").glob("Program Files*/Launcher Sample/sample-readme.txt"))


def test_made_launchers_install_their_package_silently(real_work, sample_msi):
    work = real_work
    package = work.file("Sample.msi", sample_msi.read_bytes())
    a = work.root / "A.exe"
    subprocess.run([MAKER, "--msi", package, "--params", "/qn", "-o", a, LAUNCHER], check=True)
    b = work.make_launcher("B.exe", params="/qn REINSTALL=ALL REINSTALLMODE=vomus", source=a)
    c = work.make_launcher("C.exe", source=b)

    for launcher in (a, c):
        for stale in installed(work.wine):
            stale.unlink()  # C's reinstall must bring it back
        result = work.launch(launcher, timeout=300)
        assert (result.status, result.lines) == (0, ["DefaultAction - Events installer exited with code 0"])
        [file] = installed(work.wine)
        assert file.read_bytes() == README
        assert list(work.temp.iterdir()) == []


def with_failing_action(msi, folder):
    """The package with an action that ends the installation with an error."""
    (folder / "CustomAction.idt").write_text(
        "Action\tType\tSource\tTarget\ns72\ti2\tS72\tS255\nCustomAction\tAction\n"
        "Fail\t19\t\tThis package fails on purpose.\n")
    sequence = subprocess.run(["msiinfo", "export", str(msi), "InstallExecuteSequence"], check=True,
                              capture_output=True, text=True).stdout
    (folder / "InstallExecuteSequence.idt").write_text(sequence + "Fail\t\t1450\n")
    subprocess.run(["msibuild", str(msi), "-i", "CustomAction.idt", "InstallExecuteSequence.idt"],
                   cwd=folder, check=True)
    return msi


def test_failed_installations_give_msiexecs_own_code(real_work, sample_msi):
    work = real_work
    damaged = work.file("Damaged.msi", sample_msi.read_bytes()[:4096])
    # A product of its own: one already installed would not run its actions again.
    failing = with_failing_action(build_msi(work.root), work.root)
    for package in (damaged, failing):
        alone = work.wine.run("msiexec", ["/i", windows_path(package), "/qn"], cwd=work.root)
        assert alone.status not in (0, 1641, 3010), package.name
        result = work.launch(work.make_launcher(f"{package.stem}.exe", package, params="/qn"), timeout=300)
        assert (result.status, result.lines) == (
            alone.status, [f"DefaultAction - Events installer exited with code {alone.status}"])


# What a deployment system writes after Setup.exe, for a launcher without an
# option line; where the product lands; the log msiexec writes. Unquoted, the
# first went to C:\Quote with a log named C:\log.
QUOTED_INSTALLS = [
    (r'/qn INSTALLDIR="C:\Quote Test" /l*v "C:\log dir\inst.log"', "Quote Test", "log dir/inst.log"),
    (r'"/qn REBOOT=ReallySuppress" INSTALLDIR=\"C:\Quote Test 2\"', "Quote Test 2", None),  # the old workaround
    (r'/qn "INSTALLDIR=\"C:\Quote Test 3\""', "Quote Test 3", None),  # the workaround, quoted
]


@pytest.mark.parametrize("line, folder, log", QUOTED_INSTALLS, ids=["quoted", "workaround", "quoted-workaround"])
def test_quoted_values_install_where_the_deployment_command_line_says(real_work, line, folder, log):
    work = real_work
    drive = work.wine.path / "drive_c"
    made = [drive / name for name in (folder, "Quote", "log dir", "log")]

    def remove_made():
        for path in made:
            shutil.rmtree(path) if path.is_dir() else path.unlink(missing_ok=True)
    remove_made()
    (drive / "log dir").mkdir()
    try:
        # A product of its own: an installed one would stay where it is.
        launcher = work.make_launcher("Setup.exe", build_msi(work.root))
        result = work.launch(launcher, command_line=line, timeout=300)
        assert (result.status, result.lines[-1]) == (0, "DefaultAction - Events installer exited with code 0")
        assert (drive / folder / "sample-readme.txt").read_bytes() == README
        assert not (drive / "Quote").exists() and not (drive / "log").exists()
        if log:
            assert b"Launcher Sample" in (drive / log).read_bytes().replace(b"\0", b"")
        assert list(work.temp.iterdir()) == []
    finally:
        remove_made()
