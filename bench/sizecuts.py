"""Size experiments on the 32-bit launcher, each in its own build folder under
build/size-exp/ (the project's files are never changed: flag-only cuts build
the project's sources with extra flags; cuts that need other code or another
icon build a copy of the sources with the change applied).

  sizecuts.py [--only NAME,...] [--no-leave-one-out] [--jobs N]

Prints one table: for each cut alone, the file size, the bytes saved against
the unchanged build and the change of each section; then the cuts that keep
behaviour, all together, and the same set with each one left out (what that
one saves on top of the others).
"""
import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
BENCH = ROOT / "bench"
EXP = ROOT / "build" / "size-exp"
OBJDUMP = "i686-w64-mingw32-objdump"
CXX = "i686-w64-mingw32-g++-win32"
SIZED = (".text", ".rdata", ".eh_fram", ".data", ".idata", ".rsrc", ".reloc")
LTO = "-DCMAKE_INTERPROCEDURAL_OPTIMIZATION=ON"


# --- edits of a copy of the sources -------------------------------------------

def png_icon(folder: Path, drop_8bpp=False):
    args = [sys.executable, str(BENCH / "size" / "png_icon.py"), str(ROOT / "res" / "launcher.ico"),
            str(folder / "res" / "launcher.ico")]
    if drop_8bpp:
        args.append("--drop-8bpp")
    subprocess.run(args, check=True, stdout=subprocess.DEVNULL)


def replace(path: Path, old: str, new: str):
    text = path.read_text()
    if old not in text:
        raise RuntimeError(f"{path}: the text to replace is no longer there: {old[:60]!r}")
    path.write_text(text.replace(old, new))


def no_map(folder: Path):
    """The four keywords in a vector searched in order instead of a std::map
    (exact match either way; no red-black tree code from the library)."""
    header = folder / "src" / "update" / "create_new_wrapper.h"
    replace(header, "#include <map>\n", "#include <utility>\n#include <vector>\n")
    replace(header, "std::map<std::string, UpdateKey> keywords_;",
            "std::vector<std::pair<std::string, UpdateKey>> keywords_;")
    source = folder / "src" / "update" / "create_new_wrapper.cpp"
    replace(source, "#include <windows.h>\n", "#include <windows.h>\n#include <algorithm>\n")
    replace(source, "auto keyword = keywords_.find(key);",
            "auto keyword = std::find_if(keywords_.begin(), keywords_.end(),\n"
            "                                    [&](const auto& entry) { return entry.first == key; });")


def no_exception_handlers(folder: Path):
    """The two handlers go; nothing else in the sources throws or catches."""
    dispatch = folder / "src" / "core" / "dispatch.cpp"
    text = dispatch.read_text()
    text = text.replace("    try {\n", "    {\n")
    text, n = re.subn(r"    \} catch \(const std::exception&\) \{.*?\n        return kExitFailure;\n    \}\n",
                      "    }\n", text, flags=re.S)
    if n != 1:
        raise RuntimeError("dispatch.cpp: the handler is no longer there")
    dispatch.write_text(text)
    generator = folder / "src" / "launch" / "tmp_file_generator.cpp"
    text = generator.read_text()
    text, n = re.subn(r"    try \{\n        if \(deleteOnDestroy_\) DeleteReservation\(\);\n    \} catch \(\.\.\.\) \{.*?\n    \}\n",
                      "    if (deleteOnDestroy_) DeleteReservation();\n", text, flags=re.S)
    if n != 1:
        raise RuntimeError("tmp_file_generator.cpp: the handler is no longer there")
    generator.write_text(text)


# --- the cuts -------------------------------------------------------------------

class Cut:
    """One cut: what it adds to a build."""

    def __init__(self, name, what, cxx="", ld="", objects=(), edit=None, cmake=(), optimize=None, cost=""):
        self.name, self.what, self.cxx, self.ld = name, what, cxx, ld
        self.objects, self.edit, self.cmake, self.optimize = tuple(objects), edit, tuple(cmake), optimize
        self.cost = cost


INLINE = f"-include {BENCH / 'size' / 'inline_string.h'}"
PARTS = [
    Cut("ansi-stdio-off", "-D__USE_MINGW_ANSI_STDIO=0", cxx="-D__USE_MINGW_ANSI_STDIO=0"),
    Cut("terminate", "own __gnu_cxx::__verbose_terminate_handler that only aborts (bench/size/terminate_handler.cpp)",
         objects=["terminate_handler"],
         cost="an uncaught exception no longer prints its type on stderr (a GUI program has none)"),
    Cut("throw-helpers", "own std::__throw_* helpers throwing one small std::exception (bench/size/throw_helpers.cpp)",
         objects=["throw_helpers"],
         cost="the failure's exception type differs; it is still caught as std::exception (exit 1)"),
    Cut("inline-string", "no extern template for std::string (-include bench/size/inline_string.h, or C++20)",
         cxx=INLINE, cost="relies on a libstdc++ internal macro; C++20 does it officially"),
    Cut("no-async-unwind", "-fno-asynchronous-unwind-tables", cxx="-fno-asynchronous-unwind-tables"),
    Cut("exclude-libs", "-Wl,--exclude-libs,ALL", ld="-Wl,--exclude-libs,ALL"),
    Cut("Oz", "-Oz instead of -Os", optimize="-Oz -DNDEBUG"),
    Cut("lto", "-flto (CMAKE_INTERPROCEDURAL_OPTIMIZATION ON)", cmake=[LTO], cost="slower link"),
    Cut("no-rtti", "-fno-rtti", cxx="-fno-rtti"),
    Cut("stack-boundary-2", "-mpreferred-stack-boundary=2 (4-byte stack alignment, the Win32 ABI's own)",
         cxx="-mpreferred-stack-boundary=2"),
    Cut("no-map", "keywords in a vector instead of std::map (code change in create_new_wrapper)",
         edit=no_map),
    Cut("png-icon", "32 bpp icon images stored as PNG (bench/size/png_icon.py)", edit=png_icon,
         cost="Windows XP cannot draw the PNG images (Vista and later can)"),
    Cut("icon-no-8bpp", "8 bpp icon images dropped (needs png-icon to matter)",
         edit=lambda folder: png_icon(folder, drop_8bpp=True),  # rewrites png-icon's icon
         cost="CHANGES what a 256-colour display shows (the 32 bpp image, reduced)"),
    Cut("no-exceptions", "-fno-exceptions with the two handlers removed", cxx="-fno-exceptions",
         edit=no_exception_handlers,
         cost="CHANGES behaviour: a library failure (out of memory) aborts (exit 3) instead of exit 1 "
              "and leaves the reserved temporary file"),
    Cut("file-align-4k", "-Wl,--file-alignment=0x1000 (not a cut: what page-aligned sections cost, see the "
         "launch breakdown)", ld="-Wl,--file-alignment=0x1000",
         cost="larger file; lets Wine map the package instead of reading it whole at start"),
    Cut("fail-fast", "-fno-exceptions, handlers removed, own operator new and std::__throw_* that exit 1 "
         "(bench/size/fail_fast.cpp)", cxx="-fno-exceptions", edit=no_exception_handlers, objects=["fail_fast"],
         cost="on out of memory the reserved temporary file stays (exit status 1 as today); "
              "the handler would have to delete it"),
]
BY_NAME = {p.name: p for p in PARTS}
# Together: every cut that keeps behaviour and saves something.
KEEPING = ["terminate", "throw-helpers", "inline-string", "lto", "no-map", "png-icon"]


def compile_object(name: str, parts, folder: Path) -> str:
    """One extra source of a code cut, compiled with the build's own flags (an
    object built without -flto cannot share typeinfo with LTO objects)."""
    target = folder / f"{name}.o"
    optimize = next((p.optimize for p in parts if p.optimize), "-Os -DNDEBUG")
    flags = optimize.split() + " ".join(p.cxx for p in parts).split()
    if any(LTO in p.cmake for p in parts):
        flags += ["-flto", "-fno-fat-lto-objects"]
    if name == "throw_helpers":
        flags.append("-fexceptions")  # it throws, whatever the program is built with
    subprocess.run([CXX, "-std=c++17", "-ffunction-sections", "-fdata-sections", "-Wall", "-Wextra", *flags,
                    "-c", str(BENCH / "size" / f"{name}.cpp"), "-o", str(target)], check=True)
    return str(target)


def copy_tree(folder: Path):
    if folder.exists():
        shutil.rmtree(folder)
    folder.mkdir(parents=True)
    for part in ("src", "res", "cmake"):
        shutil.copytree(ROOT / part, folder / part)
    shutil.copy2(ROOT / "CMakeLists.txt", folder / "CMakeLists.txt")


def build(name: str, parts, jobs: int):
    folder = EXP / name
    folder.mkdir(parents=True, exist_ok=True)
    source = ROOT
    edits = [p.edit for p in parts if p.edit]
    # In the order of the parts: icon-no-8bpp, after png-icon, rewrites its icon.
    if edits:
        source = folder / "tree"
        copy_tree(source)
        for edit in edits:
            edit(source)
    binary = folder / "build"
    if binary.exists():
        shutil.rmtree(binary)
    # Objects go in the configuration's link flags, which the compiler checks
    # at configure time do not use.
    objects = " ".join(compile_object(o, parts, folder) for p in parts for o in p.objects)
    args = ["cmake", "-S", str(source), "-B", str(binary), "-G", "Ninja",
            f"-DCMAKE_TOOLCHAIN_FILE={source / 'cmake' / 'mingw-i686.cmake'}",
            "-DCMAKE_BUILD_TYPE=MinSizeRel", "-DLAUNCHER_TESTS=OFF",
            f"-DCMAKE_CXX_FLAGS={' '.join(p.cxx for p in parts if p.cxx)}",
            f"-DCMAKE_EXE_LINKER_FLAGS={' '.join(p.ld for p in parts if p.ld)}",
            f"-DCMAKE_EXE_LINKER_FLAGS_MINSIZEREL={objects}"]
    args += [arg for p in parts for arg in p.cmake]
    optimize = next((p.optimize for p in parts if p.optimize), None)
    if optimize:
        args.append(f"-DCMAKE_CXX_FLAGS_MINSIZEREL={optimize}")
    configured = subprocess.run(args, capture_output=True, text=True)
    if configured.returncode != 0:
        return None, (configured.stdout + configured.stderr)[-1500:]
    done = subprocess.run(["cmake", "--build", str(binary), "--target", "launcher", "-j", str(jobs)],
                          capture_output=True, text=True)
    if done.returncode != 0:
        return None, (done.stdout + done.stderr)[-1500:]
    return binary / "launcher.exe", ""


def sections(exe: Path) -> dict:
    out = subprocess.run([OBJDUMP, "-h", str(exe)], capture_output=True, text=True, check=True).stdout
    sizes = {}
    for line in out.splitlines():
        parts = line.split()
        if len(parts) >= 7 and parts[0].isdigit():
            sizes[parts[1]] = int(parts[2], 16)
    return sizes


def imports(exe: Path) -> list:
    out = subprocess.run([OBJDUMP, "-p", str(exe)], capture_output=True, text=True, check=True).stdout
    return sorted(set(re.findall(r"DLL Name: (\S+)", out)), key=str.lower)


def main(argv):
    only = None
    jobs = os.cpu_count() or 2
    if "--only" in argv:
        only = set(argv[argv.index("--only") + 1].split(","))
    if "--jobs" in argv:
        jobs = int(argv[argv.index("--jobs") + 1])
    plan = [("unchanged", [], "the project's own flags", "")]
    plan += [(p.name, [p], p.what, p.cost) for p in PARTS if not only or p.name in only]
    keeping = [BY_NAME[n] for n in KEEPING]
    plan.append(("together", keeping, "all cuts that keep behaviour: " + ", ".join(KEEPING), ""))
    if "--no-leave-one-out" not in argv:
        for part in keeping:
            plan.append((f"together-without-{part.name}", [p for p in keeping if p is not part],
                         f"what {part.name} saves on top of the others", ""))
    plan.append(("together+icon-no-8bpp", keeping + [BY_NAME["icon-no-8bpp"]], "together, 8 bpp images dropped",
                 BY_NAME["icon-no-8bpp"].cost))
    plan.append(("together+no-exceptions", keeping + [BY_NAME["no-exceptions"]], "together, -fno-exceptions",
                 BY_NAME["no-exceptions"].cost))
    fail_fast = [p for p in keeping if p.name != "throw-helpers"] + [BY_NAME["fail-fast"]]
    plan.append(("together+fail-fast", fail_fast, "together, fail-fast instead of throw-helpers",
                 BY_NAME["fail-fast"].cost))

    rows = []
    base = None
    together = None
    for name, parts, what, cost in plan:
        exe, error = build(name, parts, jobs)
        if exe is None:
            print(f"{name}: build failed\n{error}", file=sys.stderr)
            rows.append((name, None, None, what, cost))
            continue
        size, secs = exe.stat().st_size, sections(exe)
        if base is None:
            base = (size, secs)
        if name == "together":
            together = (size, secs, exe)
        rows.append((name, size, secs, what, cost))
        print(f"  built {name}: {size} bytes", file=sys.stderr)

    print(f"{'build':<34} {'bytes':>7} {'saved':>7}  " + " ".join(f"{s:>8}" for s in SIZED) + "  what")
    for name, size, secs, what, cost in rows:
        if size is None:
            print(f"{name:<34} {'failed':>7}")
            continue
        if name.startswith("together-without-"):
            # Saved by the part left out, on top of all the others.
            saved = size - together[0]
            cells = [f"{together[1].get(s, 0) - secs.get(s, 0):>+8}" for s in SIZED]
        else:
            saved = base[0] - size
            cells = [f"{secs.get(s, 0):>8}" if name == "unchanged" else f"{secs.get(s, 0) - base[1].get(s, 0):>+8}"
                     for s in SIZED]
        note = f"  [{cost}]" if cost else ""
        print(f"{name:<34} {size:>7} {saved:>7}  " + " ".join(cells) + f"  {what}{note}")
    if together:
        print(f"together: imports {', '.join(imports(together[2]))}; map: {together[2].with_suffix('.map')}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
