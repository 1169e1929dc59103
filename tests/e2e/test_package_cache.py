"""With Wine's own msiexec: a launcher marked to keep its package leaves
Windows Installer a recorded source that exists and holds the package, which
a repair then finds; an unmarked one leaves nothing. A failed installation
and an uninstalled product leave no entry behind, and an entry that others
may write is never run. Wine keeps whole packages in its own installer cache,
so a repair would work there anyway: what is checked is the source record."""
import json
import os
import subprocess

from conftest import build_msi
from test_real_install import installed, with_failing_action
from wine import LAUNCHER, MAKER, TOOLS, windows_path

CACHE = "ProgramData/Quelmar Package Cache"
INSTALLED = "DefaultAction - Events installer exited with code 0"


def identity(package):
    facts = json.loads(subprocess.run([MAKER, "--describe", "--msi", package, LAUNCHER], check=True,
                                      capture_output=True, text=True).stdout)
    return facts["ProductCode"], facts["ProductVersion"]


def make(work, name, package, *options):
    launcher = work.root / name
    subprocess.run([MAKER, "--msi", package, "--params", "/qn", *options, "-o", launcher, LAUNCHER], check=True)
    return launcher


def source_record(work, code):
    """What Windows Installer recorded as the product's source: (folder, package name, state)."""
    out = work.root / "source.txt"
    assert work.wine.run(TOOLS / "product_source.exe", [code, windows_path(out)]).status == 0
    fields = dict(line.split("=", 1) for line in out.read_text(encoding="utf-8").splitlines())
    return fields["InstallSource"], fields["PackageName"], int(fields["State"])


def host_path(wine, path):
    """The Unix path of a C: path in the prefix."""
    assert path[:3].upper() == "C:\\", path
    return wine.path / "drive_c" / path[3:].replace("\\", "/")


def entries(work, code):
    cache = work.wine.path / "drive_c" / CACHE
    return sorted(p.name for p in cache.glob(f"{code}v*")) if cache.exists() else []


def uninstall(work, code):
    assert work.wine.run("msiexec", ["/x", code, "/qn"], timeout=300).status == 0


def test_a_kept_package_is_the_recorded_source_until_its_product_is_gone(real_work):
    work = real_work
    package = build_msi(work.root)
    code, version = identity(package)
    result = work.launch(make(work, "Keep Setup.exe", package, "--keep-package"), timeout=300)
    kept = f"C:\\{CACHE.replace('/', chr(92))}\\{code}v{version}\\Keep Setup.msi"
    assert (result.status, result.lines) == (0, [f"DefaultAction - Events package kept in {kept}", INSTALLED])
    folder, name, state = source_record(work, code)
    assert state == 5 and host_path(work.wine, folder + name).read_bytes() == package.read_bytes()
    assert list(work.temp.iterdir()) == []

    # Launched again, the identical entry is used as it is; a repair by product code
    # brings back a deleted file.
    assert work.launch(work.root / "Keep Setup.exe", timeout=300).lines[-1] == INSTALLED
    for file in installed(work.wine):
        file.unlink()
    repair = ["/i", code, "REINSTALL=ALL", "REINSTALLMODE=omus", "/qn"]  # Wine's msiexec takes no /fa
    assert work.wine.run("msiexec", repair, timeout=300).status == 0
    assert installed(work.wine)

    # After an uninstall the entry stays until the next marked launch, of any product.
    uninstall(work, code)
    assert entries(work, code) == [f"{code}v{version}"]
    (work.root / "other").mkdir()
    other = build_msi(work.root / "other")
    other_code, _ = identity(other)
    result = work.launch(make(work, "Other.exe", other, "--keep-package"), timeout=300)
    removed = f"DefaultAction - Events removed the kept package in {kept.rsplit(chr(92), 1)[0]}: " \
              "its product is no longer installed"
    assert result.status == 0 and removed in result.lines
    assert entries(work, code) == []
    uninstall(work, other_code)


def test_an_unmarked_launcher_keeps_nothing(real_work):
    work = real_work
    package = build_msi(work.root)
    code, _ = identity(package)
    result = work.launch(make(work, "Plain.exe", package), timeout=300)
    assert (result.status, result.lines) == (0, [INSTALLED])
    folder, name, _ = source_record(work, code)
    assert folder.startswith("Z:") and not os.path.exists(work.temp / name)
    assert entries(work, code) == [] and list(work.temp.iterdir()) == []
    uninstall(work, code)


def test_a_failed_installation_leaves_no_entry(real_work):
    work = real_work
    failing = with_failing_action(build_msi(work.root), work.root)
    code, version = identity(failing)
    result = work.launch(make(work, "Failing.exe", failing, "--keep-package"), timeout=300)
    assert result.status == 1603
    assert result.lines[-1] == \
        f"DefaultAction - Events kept package removed from C:\\{CACHE.replace('/', chr(92))}\\{code}v{version}" \
        "\\Failing.msi: the installation did not succeed"
    assert entries(work, code) == []


def test_an_entry_others_may_write_is_never_run(real_work):
    work = real_work
    package = build_msi(work.root)
    code, version = identity(package)
    cache = work.wine.path / "drive_c" / CACHE
    cache.mkdir(parents=True, exist_ok=True)
    planted = cache / f"{code}v{version}"
    planted.mkdir()
    (planted / "Planted.msi").write_bytes(package.read_bytes())
    try:
        for folder_mode, file_mode in ((0o777, 0o644), (0o755, 0o666)):
            os.chmod(planted, folder_mode)
            os.chmod(planted / "Planted.msi", file_mode)
            result = work.launch(make(work, "Planted.exe", package, "--keep-package", "--force"), timeout=300)
            assert result.status == 0 and result.lines[-1] == INSTALLED
            # Stale entries an earlier test left may be removed first.
            [refused] = [line for line in result.lines if "package not kept" in line]
            assert refused.startswith("DefaultAction - Events package not kept, C:\\") and \
                refused.endswith(": its DACL lets others write, delete or change permissions"), refused
            folder, name, _ = source_record(work, code)
            assert folder.startswith("Z:") and list(work.temp.iterdir()) == []
    finally:
        os.chmod(planted, 0o755)
        uninstall(work, code)
        for file in planted.iterdir():
            file.unlink()
        planted.rmdir()


def test_a_package_windows_installer_cannot_read_is_installed_from_the_temporary_folder(work):
    launcher = make(work, "Odd.exe", work.file("odd.msi", b"not a database"), "--keep-package")
    result = work.launch(launcher)
    [record] = work.records_seen()
    assert (result.status, record["bytes"]) == (0, b"not a database")
    assert result.lines[0].startswith("DefaultAction - Events package not kept, Windows Installer cannot open the "
                                      "package: "), result.lines
    assert list(work.temp.iterdir()) == []
