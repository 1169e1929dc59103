"""The default command end to end: extraction, exit code, clean-up (msiexec's
command line: test_hostile_input)."""
import os

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
    assert (result.status, result.lines) == (LAUNCH_FAILED, ["DefaultAction - Surprise couldn't find resource"])
    assert work.records_seen() == []
