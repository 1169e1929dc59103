"""The default command end to end: extraction, exit code, clean-up (msiexec's
command line: test_hostile_input)."""
import os
import re
import subprocess

import pytest

from wine import LAUNCHER, LAUNCH_FAILED, windows_path

PACKAGE = os.urandom(64 * 1024)


def test_installers_exit_code_is_the_launchers(work):
    launcher = work.make_launcher("Setup.exe", work.file("product.msi", PACKAGE), params="/qn")
    # Success, cancelled, failed, retry later, restart started, restart needed, crashed.
    for code in (0, 1602, 1603, 1618, 1641, 3010, 0xC0000005):
        result = work.launch(launcher, env={"STANDIN_EXIT_CODE": str(code)})
        assert (result.status, result.lines) == (code, [f"DefaultAction - Events installer exited with code {code}"])


@pytest.mark.parametrize("launcher, temp, package", [
    ("a.b.exe", "temp", "TVX_INST1a.b.msi"),  # TVX_INST0a.b.msi is taken
    ("My App v1.2.exe", "temp with spaces", "TVX_INST1My App v1.2.msi"),
    ("Setup", "temp", "TVX_INST1Setup.msi"),
    ("x.msi.exe", "temp", "TVX_INST1x.msi.msi"),
])
def test_package_is_extracted_under_the_launchers_name_and_deleted_after(work, launcher, temp, package):
    made = work.make_launcher(launcher, work.file("product.msi", PACKAGE), params="/qn")
    work.temp = work.root / temp
    work.temp.mkdir(exist_ok=True)
    taken = work.temp / package.replace("INST1", "INST0")
    taken.write_bytes(b"earlier run")
    result = work.launch(made)
    [record] = work.records_seen()
    assert (record["package"], record["bytes"]) == (windows_path(work.temp / package), PACKAGE)
    assert list(work.temp.iterdir()) == [taken]
    assert (result.status, result.lines) == (0, ["tmpFileGenerator - Events found an existing file in the name trying again",
                                                 "DefaultAction - Events installer exited with code 0"])


def test_launcher_without_payload_logs_and_starts_nothing(work):
    result = work.launch(LAUNCHER)
    assert (result.status, result.lines) == (LAUNCH_FAILED, [
        "DefaultAction - Surprise couldn't find resource",
        "Zorvane - Events The installation could not be started: the setup carries no installer package."])
    assert work.records_seen() == []


@pytest.fixture
def read_only_folder(work):
    """A folder on a read-only file system: root ignores permissions, not this."""
    folder = work.root / "read-only"
    folder.mkdir()
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "ro,size=64k", "tmpfs", str(folder)], capture_output=True)
    assert mounted.returncode == 0, f"mounting a read-only tmpfs needs root: {mounted.stderr.decode()}"
    yield folder
    subprocess.run(["umount", str(folder)], capture_output=True)


REFUSED = re.compile(r"tmpFileGenerator - Surprise tmp folder refuses new files, error (\d+): (.*)")


# A temporary folder that takes no file ends the search at once: no 4000
# retries, no recycling of other files. A person is told why; a silent run is not.
@pytest.mark.parametrize("args, box", [((), True), (("/qn",), False), (("/QUIET", "X=1"), False), (("/qb",), True)])
@pytest.mark.parametrize("folder", ["missing", "read-only"])
def test_unusable_temp_folder_fails_at_once_and_tells_a_person(work, read_only_folder, folder, args, box):
    launcher = work.make_launcher("Setup.exe", work.file("product.msi", PACKAGE))
    temp = work.root / "missing" if folder == "missing" else read_only_folder
    result = work.launch(launcher, *args, temp=temp)
    assert result.status == LAUNCH_FAILED and work.records_seen() == []
    refused, *shown = result.lines
    code, path = REFUSED.fullmatch(refused).groups()
    assert path == windows_path(temp / "TVX_INST0Setup.msi")
    # Path not found; a write-protected medium (access denied on some file systems).
    assert int(code) in ((3,) if folder == "missing" else (5, 19))
    told = ("Zorvane - Events The installation could not be started: no file can be created in the temporary "
            f"folder {windows_path(temp)}\\: ")
    assert len(shown) == box and all(s.startswith(told) and s.endswith(f"(error {code})") for s in shown)


def test_a_name_held_by_a_folder_is_passed_over(work):
    launcher = work.make_launcher("Setup.exe", work.file("product.msi", PACKAGE), params="/qn")
    (work.temp / "TVX_INST0Setup.msi").mkdir()
    result = work.launch(launcher)
    assert (result.status, result.lines) == (0, ["tmpFileGenerator - Events found an existing file in the name trying again",
                                                 "DefaultAction - Events installer exited with code 0"])
    assert work.records_seen()[0]["package"] == windows_path(work.temp / "TVX_INST1Setup.msi")
