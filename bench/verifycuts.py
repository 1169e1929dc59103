"""Checks that the size cuts that are meant to keep behaviour do: builds a copy
of the project (sources, tests, scripts) with those cuts for both
architectures under build/size-exp/verify/, and runs the project's own unit
and end-to-end tests on it, exactly as scripts/test would.

  verifycuts.py [--baseline] [pytest arguments...]

--baseline builds the copy without any cut (build/size-exp/verify-baseline/),
to tell failures of the cuts from failures the project has anyway.
"""
import os
import shutil
import subprocess
import sys
from pathlib import Path

import sizecuts

ROOT = sizecuts.ROOT
TREE = sizecuts.EXP / "verify" / "tree"
BASELINE_TREE = sizecuts.EXP / "verify-baseline" / "tree"
COMPILERS = {"win32": "i686-w64-mingw32-g++-win32", "win64": "x86_64-w64-mingw32-g++-win32"}


def main(argv):
    global TREE
    parts = [sizecuts.BY_NAME[n] for n in sizecuts.KEEPING]
    if "--baseline" in argv:
        argv = [a for a in argv if a != "--baseline"]
        parts, TREE = [], BASELINE_TREE
    if TREE.exists():
        shutil.rmtree(TREE)
    TREE.mkdir(parents=True)
    for part in ("src", "res", "cmake", "tests", "scripts", "examples"):
        shutil.copytree(ROOT / part, TREE / part, ignore=shutil.ignore_patterns("__pycache__", ".pytest_cache"))
    for part in ("CMakeLists.txt", "CMakePresets.json"):
        shutil.copy2(ROOT / part, TREE / part)
    for part in parts:
        if part.edit:
            part.edit(TREE)
    cxx = " ".join(p.cxx for p in parts if p.cxx)
    lto = any(sizecuts.LTO in p.cmake for p in parts)
    status = 0
    for preset, compiler in COMPILERS.items():
        objects = []
        for name in (o for p in parts for o in p.objects):
            target = TREE / "build" / f"{name}-{preset}.o"
            target.parent.mkdir(parents=True, exist_ok=True)
            subprocess.run([compiler, "-std=c++17", "-Os", "-DNDEBUG", "-ffunction-sections", "-fdata-sections",
                            *cxx.split(), *(["-flto", "-fno-fat-lto-objects"] if lto else []), "-c",
                            str(sizecuts.BENCH / "size" / f"{name}.cpp"), "-o", str(target)], check=True)
            objects.append(str(target))
        args = ["cmake", "--preset", preset, f"-DCMAKE_CXX_FLAGS={cxx}",
                f"-DCMAKE_EXE_LINKER_FLAGS_MINSIZEREL={' '.join(objects)}"]
        if lto:
            args.append(sizecuts.LTO)
        subprocess.run(args, cwd=TREE, check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", "--preset", preset], cwd=TREE, check=True, stdout=subprocess.DEVNULL)
        print(f"{preset}: launcher.exe {(TREE / 'build' / preset / 'launcher.exe').stat().st_size:,} bytes")
    env = dict(os.environ, WINEPREFIX=str(TREE / "build" / "wine" / "unit"), HOME=os.environ.get("HOME", "/root"))
    env.pop("DISPLAY", None)
    Path(env["WINEPREFIX"]).mkdir(parents=True, exist_ok=True)
    subprocess.run(["/usr/lib/wine/wineserver", "-p"], env=env)
    subprocess.run([str(TREE / "scripts" / "wine-run"), "wineboot", "-i"], env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    try:
        if subprocess.run(["ctest", "--preset", "win64", "-j2"], cwd=TREE, env=env).returncode != 0:
            status = 1
    finally:
        subprocess.run(["/usr/lib/wine/wineserver", "-k"], env=env)
    env.pop("WINEPREFIX")
    if subprocess.run(["/usr/bin/python3", "-m", "pytest", "-q", "-p", "no:cacheprovider", "tests/e2e", *argv],
                      cwd=TREE, env=env).returncode != 0:
        status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
