"""The default command end to end: extraction, msiexec's command line, clean-up."""
import os

import pytest

from wine import LAUNCHER, LAUNCH_FAILED, windows_path

PACKAGE = os.urandom(64 * 1024)


@pytest.fixture
def package(work):
    return work.file("product.msi", PACKAGE)


def parameters_after_path(record):
    """What follows the quoted package path."""
    prefix = f'/i "{record["package"]}" '
    assert record["parameters"].startswith(prefix)
    return record["parameters"][len(prefix):]


def test_option_line_is_passed_alone_and_arguments_are_ignored(work, package):
    launcher = work.make_launcher("Setup.exe", package, params="/qn")
    result = work.launch(launcher, "/qb", "X=1")
    assert result.status == 0
    [record] = work.records_seen()
    assert parameters_after_path(record) == "/qn"
    assert not any(line.startswith("IsProcesPrivileged") for line in result.lines)


def test_installers_exit_code_is_the_launchers(work, package):
    launcher = work.make_launcher("Setup.exe", package, params="/qn")
    # Success, cancelled, failed, retry later, restart started, restart needed, crashed.
    for code in (0, 1602, 1603, 1618, 1641, 3010, 0xC0000005):
        result = work.launch(launcher, env={"STANDIN_EXIT_CODE": str(code)})
        assert (result.status, result.lines) == (code, [f"DefaultAction - Events installer exited with code {code}"])


def test_without_option_line_arguments_follow_the_per_user_choice(work, package):
    launcher = work.make_launcher("Setup.exe", package)
    result = work.launch(launcher, "/qb", "X=1", "TARGETDIR=C:\\Program Files\\App", "*.msi")
    assert result.status == 0
    [record] = work.records_seen()
    [probe] = [line for line in result.lines if line.startswith("IsProcesPrivileged - Event ")]
    choice = "MSIINSTALLPERUSER=0 " if probe.endswith("High Integrity") else "MSIINSTALLPERUSER=1 "
    assert parameters_after_path(record) == choice + "/qb X=1 TARGETDIR=C:\\Program Files\\App *.msi "


def test_package_is_extracted_under_the_launchers_name_and_deleted_after(work, package):
    launcher = work.make_launcher("a.b.exe", package, params="/qn")
    (work.temp / "TVX_INST0a.b.msi").write_bytes(b"earlier run")
    result = work.launch(launcher)
    assert result.status == 0
    [record] = work.records_seen()
    assert record["package"] == windows_path(work.temp / "TVX_INST1a.b.msi")
    assert record["exists"] == "1" and int(record["size"]) == len(PACKAGE)
    assert record["bytes"] == PACKAGE
    assert sorted(p.name for p in work.temp.iterdir()) == ["TVX_INST0a.b.msi"]
    assert result.lines == ["tmpFileGenerator - Events found an existing file in the name trying again",
                            "DefaultAction - Events installer exited with code 0"]


def test_reservation_failure_ends_with_status_1_and_no_installer(work, package):
    launcher = work.make_launcher("Setup.exe", package, params="/qn")
    for index in range(4000):
        path = work.temp / f"TVX_INST{index}Setup.msi"
        path.write_bytes(b"")
        path.chmod(0o444)  # read-only: cannot be recycled
    result = work.launch(launcher)
    assert result.status == LAUNCH_FAILED and not result.crashed
    assert result.lines[-1] == "tmpFileGenerator - Surprise faild to create file aborting operation"
    assert work.records_seen() == []


def test_launcher_without_payload_logs_and_starts_nothing(work):
    result = work.launch(LAUNCHER)
    assert result.lines == ["DefaultAction - Surprise couldn't find resource"]
    assert result.status == LAUNCH_FAILED
    assert work.records_seen() == []
