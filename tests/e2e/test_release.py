"""What is shipped: the same bytes from every build of one commit, one
version everywhere, and a Debian package that installs on a bare Debian 12
and makes launchers that install under Wine."""
import hashlib
import re
import shutil
import subprocess
from pathlib import Path

import pefile

from pe_resources import resources
from wine import LAUNCHER, MAKER, ROOT

NAME, VERSION = re.search(r"project\((\w+) VERSION ([\d.]+)", (ROOT / "CMakeLists.txt").read_text()).groups()
PACKAGE = b"MSI package bytes" * 1000


def run(*command, **kwargs):
    done = subprocess.run([str(part) for part in command], capture_output=True, text=True, **kwargs)
    assert done.returncode == 0, f"{command[0]} failed: {done.stderr.strip()[-2000:]}"
    return done


def link_time(image: Path) -> int:
    with pefile.PE(str(image), fast_load=True) as pe:
        return pe.FILE_HEADER.TimeDateStamp


def versions(launcher: Path) -> set:
    """Every version the launcher states: version resource numbers and strings, manifest."""
    with pefile.PE(str(launcher)) as pe:
        fixed = pe.VS_FIXEDFILEINFO[0]
        numbers = {fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS}
        strings = {value.decode() for info in pe.FileInfo[0] if hasattr(info, "StringTable")
                   for table in info.StringTable for key, value in table.entries.items() if b"Version" in key}
    manifest = re.search(rb'MsiLauncher" version="([\d.]+)"', resources(launcher)[(24, 1)][0]).group(1).decode()
    return {f"{n >> 16}.{n & 0xFFFF}" for n in numbers} | strings | {manifest}


def test_builds_are_reproducible_and_take_time_and_version_from_one_place(tmp_path):
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

    def build():
        for preset, (target, _) in built.items():
            run("cmake", "--preset", preset, "-DLAUNCHER_TESTS=OFF", cwd=tree, env=env)
            run("cmake", "--build", "--preset", preset, "--target", target, cwd=tree, env=build_env)
        return tree / "build" / "win32" / LAUNCHER.name, tree / "build" / "host" / MAKER.name

    launcher, maker = build()
    assert launcher.read_bytes() == LAUNCHER.read_bytes(), "launcher.exe differs between two folders"
    assert maker.read_bytes() == MAKER.read_bytes(), "launcher-make differs between two folders"
    major, minor, patch = VERSION.split(".")
    assert versions(LAUNCHER) == {f"{major}.{minor}", f"{patch}.0", f"{VERSION}.0"}
    assert run(MAKER, "--version").stdout == f"launcher-make {VERSION}\n"

    # Another version and time, each set in its one place.
    cmake_lists = tree / "CMakeLists.txt"
    cmake_lists.write_text(cmake_lists.read_text().replace(f"VERSION {VERSION}", "VERSION 2.3.4", 1))
    env["SOURCE_DATE_EPOCH"] = "1700000000"
    launcher, maker = build()
    assert link_time(launcher) == 1700000000
    assert versions(launcher) == {"2.3", "4.0", "2.3.4.0"}
    assert run(maker, "--version").stdout == "launcher-make 2.3.4\n"


def test_installed_tree_can_be_moved_and_makes_launchers_without_a_source(tmp_path):
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
