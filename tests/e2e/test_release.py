"""What is shipped: the same bytes from every build of one commit, one
version everywhere, and a Debian package that installs on a bare Debian 12
and makes launchers that install under Wine."""
import hashlib
import re
import shutil
import subprocess
from pathlib import Path

import pefile

from wine import LAUNCHER, MAKER, ROOT

NAME, VERSION = re.search(r"project\((\w+) VERSION ([\d.]+)", (ROOT / "CMakeLists.txt").read_text()).groups()
PACKAGE = b"MSI package bytes" * 1000


def run(*command, **kwargs):
    return subprocess.run([str(part) for part in command], check=True, capture_output=True, text=True, **kwargs)


def link_time(image: Path) -> int:
    with pefile.PE(str(image), fast_load=True) as pe:
        return pe.FILE_HEADER.TimeDateStamp


def test_two_builds_in_two_folders_give_the_same_bytes(tmp_path):
    tree = tmp_path / "another" / "folder"
    tree.mkdir(parents=True)
    files = run("git", "ls-files", "-co", "--exclude-standard", "-z", cwd=ROOT).stdout.split("\0")
    for name in filter(None, files):
        if (ROOT / name).is_file():
            (tree / name).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy2(ROOT / name, tree / name)
    # Configured with the time the tree's own build was; the build itself
    # runs without it, as it may.
    build_env = {"PATH": "/usr/bin:/bin"}
    env = dict(build_env, SOURCE_DATE_EPOCH=str(link_time(LAUNCHER)))
    built = {"win32": ("launcher", LAUNCHER), "host": ("launcher-make", MAKER)}
    for preset, (target, ours) in built.items():
        run("cmake", "--preset", preset, cwd=tree, env=env)
        run("cmake", "--build", "--preset", preset, "--target", target, cwd=tree, env=build_env)
        copy = tree / "build" / preset / ours.name
        assert copy.read_bytes() == ours.read_bytes(), f"{ours.name} differs between two folders"

    # The link time is SOURCE_DATE_EPOCH's, and nothing else changes with it.
    env["SOURCE_DATE_EPOCH"] = "1700000000"
    run("cmake", "--preset", "win32", cwd=tree, env=env)
    run("cmake", "--build", "--preset", "win32", "--target", "launcher", cwd=tree, env=build_env)
    relinked = tree / "build" / "win32" / "launcher.exe"
    assert link_time(relinked) == 1700000000
    with pefile.PE(str(relinked)) as pe:
        pe.FILE_HEADER.TimeDateStamp = link_time(LAUNCHER)
        pe.OPTIONAL_HEADER.CheckSum = 0
        restamped = pe.write()
    with pefile.PE(str(LAUNCHER)) as pe:
        pe.OPTIONAL_HEADER.CheckSum = 0
        assert restamped == pe.write()


def launcher_version(image: Path) -> set:
    """Every version the version resource states: its numbers and its strings."""
    with pefile.PE(str(image)) as pe:
        fixed = pe.VS_FIXEDFILEINFO[0]
        numbers = {fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS}
        strings = {value.decode() for info in pe.FileInfo[0] if hasattr(info, "StringTable")
                   for table in info.StringTable for key, value in table.entries.items() if b"Version" in key}
    major, minor, patch = map(int, VERSION.split("."))
    assert numbers == {major << 16 | minor, patch << 16}
    return strings


def test_one_version_and_a_movable_installed_tree(tmp_path):
    assert launcher_version(LAUNCHER) == {f"{VERSION}.0"}
    assert run(MAKER, "--version").stdout == f"launcher-make {VERSION}\n"

    run("cmake", "--install", MAKER.parent, "--prefix", tmp_path / "installed")
    (tmp_path / "installed").rename(tmp_path / "moved")
    maker = tmp_path / "moved" / "bin" / "launcher-make"
    assert (tmp_path / "moved" / "share" / NAME / "launcher.exe").read_bytes() == LAUNCHER.read_bytes()
    assert "launcher-make" in (tmp_path / "moved" / "share" / "man" / "man1" / "launcher-make.1").read_text()
    (tmp_path / "pkg.msi").write_bytes(PACKAGE)
    run(maker, "--msi", "pkg.msi", "-o", "Installed.exe", cwd=tmp_path)
    run(MAKER, "--msi", "pkg.msi", "-o", "Built.exe", LAUNCHER, cwd=tmp_path)
    assert (tmp_path / "Installed.exe").read_bytes() == (tmp_path / "Built.exe").read_bytes()


def test_debian_package_installs_on_bare_bookworm_and_makes_launchers_that_install(real_work):
    from conftest import build_msi
    from test_real_install import README, installed

    work = real_work
    release = work.root / "release"
    deb = Path(run(ROOT / "scripts" / "package", release).stdout.strip())
    assert deb == release / f"{NAME}_{VERSION}_amd64.deb"
    sums = dict(line.split()[::-1] for line in (release / "SHA256SUMS").read_text().splitlines())
    assert sums == {name: hashlib.sha256((release / name).read_bytes()).hexdigest()
                    for name in (deb.name, "launcher.exe")}
    assert (release / "launcher.exe").read_bytes() == LAUNCHER.read_bytes()

    shutil.copy(build_msi(work.root / "release"), work.root / "Sample.msi")  # a product not installed yet
    inside = run(ROOT / "scripts" / "bookworm-run", "sh", "-c",
                 f"apt install -y ./release/{deb.name} >/dev/null 2>&1 && "
                 "launcher-make --msi Sample.msi --params /qn -o Setup.exe && man launcher-make", cwd=work.root)
    assert "launcher-make - make installer package launchers" in inside.stdout

    for stale in installed(work.wine):
        stale.unlink()
    result = work.launch(work.root / "Setup.exe", timeout=300)
    assert (result.status, result.lines) == (0, ["DefaultAction - Events installer exited with code 0"])
    [file] = installed(work.wine)
    assert file.read_bytes() == README
