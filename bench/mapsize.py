"""What each part of the program contributes to a linked image, from the
GNU ld link map (-Wl,-Map=...).

  mapsize.py MAP [--members N]

Every input section kept in the image is charged to a group (our code, the
C++ runtime split into its demangler, exception machinery and the rest, the
unwinder, the mingw C runtime, import thunks, resources) and to one output
section. Sizes are bytes of the input sections before the output sections
are padded to the file alignment, so the total is a little below the file
size; the padding and the headers are shown as their own row by the caller.
"""
import re
import sys
from collections import defaultdict

# Output sections as the PE image names them (ld writes ".eh_frame" in the map,
# objdump shows it cut to 8 characters).
SECTIONS = (".text", ".rdata", ".eh_frame", ".data", ".bss", ".idata", ".CRT", ".tls", ".rsrc", ".reloc")

# Members of libstdc++/libsupc++ that make up the exception machinery and the
# default terminate handler, as opposed to strings, allocation and the rest.
EH_MEMBERS = re.compile(
    r"^(eh_\w+|vterminate|del_op\w*|new_handler|pure|guard|atexit_thread|cxx11-ios_failure|"
    r"functexcept|functional|cow-stdexcept|stdexcept|system_error|class_type_info|si_class_type_info|"
    r"vmi_class_type_info|tinfo\d?|bad_\w+|dyncast|pointer_type_info|pbase_type_info|"
    r"fundamental_type_info|function_type_info|array_type_info|enum_type_info|"
    r"pmem_type_info|ptr_to_member_type_info|exception|snprintf_lite)\.o$"
)

GROUPS = (
    "our code",
    "C++ runtime: demangler (cp-demangle)",
    "C++ runtime: exceptions, RTTI, terminate",
    "C++ runtime: other (strings, new/delete, ...)",
    "libgcc + unwinder (libgcc_eh)",
    "mingw C runtime: libmingwex (printf, ...)",
    "mingw C runtime: startup (crt2, libmingw32, ...)",
    "import thunks and tables (lib*32.a, libmsvcrt.a)",
    "resources (icon, manifest, version)",
    "linker-made (relocations, import directory)",
)


def group_of(source: str) -> str:
    if not source or source == "dll stuff":
        return GROUPS[9]
    if source.endswith(".res") or "launcher.rc" in source:
        return GROUPS[8]
    if "liblauncher_lib.a(" in source or "CMakeFiles/" in source or ".ltrans" in source:
        # With -flto the program's own code comes out of the link as ltrans objects.
        return GROUPS[0]
    member = re.search(r"\(([^()]*)\)$", source)
    member = member.group(1) if member else source.rsplit("/", 1)[-1]
    if "libstdc++" in source or "libsupc++" in source:
        if member == "cp-demangle.o":
            return GROUPS[1]
        if EH_MEMBERS.match(member):
            return GROUPS[2]
        return GROUPS[3]
    if "libgcc" in source:
        return GROUPS[4]
    if "libmingwex.a" in source:
        return GROUPS[5]
    if re.search(r"lib(mingw32|moldname)\.a|crt2\.o|crtbegin\.o|crtend\.o|dllcrt2\.o", source):
        return GROUPS[6]
    if re.search(r"/lib[a-z0-9_]+\.a\(", source):
        return GROUPS[7]
    return GROUPS[6]


def parse(map_text: str):
    """[(output section, input section, size, source)] of everything kept."""
    lines = map_text.split("\n")
    start = next(i for i, line in enumerate(lines) if line.startswith("Linker script and memory map"))
    kept = []
    output = None
    pending = None  # an input section name alone on its line
    for line in lines[start + 1:]:
        head = re.match(r"^(\.\S+|\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)", line)
        if head and not line.startswith(" "):
            output = head.group(1)
            pending = None
            continue
        if re.match(r"^\S", line):
            output = line.split()[0] if line.strip() and not line.startswith("LOAD") else output
            pending = None
            continue
        item = re.match(r"^ (\S+)\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)(?:\s+(.*))?$", line)
        if item and not item.group(1).startswith("0x"):
            kept.append((output, item.group(1), int(item.group(3), 16), (item.group(4) or "").strip()))
            pending = None
            continue
        alone = re.match(r"^ (\.\S+|COMMON)\s*$", line)
        if alone:
            pending = alone.group(1)
            continue
        cont = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line)
        if cont and pending:
            kept.append((output, pending, int(cont.group(2), 16), cont.group(3).strip()))
            pending = None
    return [k for k in kept if k[2] > 0 and k[0] in SECTIONS]


def by_group(kept):
    table = defaultdict(lambda: defaultdict(int))
    for output, _, size, source in kept:
        table[group_of(source)][output] += size
    return table


def by_member(kept):
    sizes = defaultdict(int)
    for _, _, size, source in kept:
        short = re.sub(r"^.*/", "", source) if source else "(linker)"
        sizes[short] += size
    return sorted(sizes.items(), key=lambda item: -item[1])


def format_table(kept) -> str:
    table = by_group(kept)
    columns = [s for s in SECTIONS if any(table[g].get(s) for g in table)]
    width = max(len(g) for g in GROUPS)
    out = [f"{'part':<{width}} " + " ".join(f"{c:>9}" for c in columns) + f" {'total':>9}"]
    totals = defaultdict(int)
    for group in GROUPS:
        row = table.get(group, {})
        total = sum(row.values())
        for c in columns:
            totals[c] += row.get(c, 0)
        out.append(f"{group:<{width}} " + " ".join(f"{row.get(c, 0):>9}" for c in columns) + f" {total:>9}")
    out.append(f"{'all':<{width}} " + " ".join(f"{totals[c]:>9}" for c in columns) + f" {sum(totals.values()):>9}")
    return "\n".join(out)


def main(argv):
    if not argv:
        print(__doc__)
        return 2
    members = 25
    if "--members" in argv:
        members = int(argv[argv.index("--members") + 1])
    with open(argv[0], encoding="latin-1") as handle:
        kept = parse(handle.read())
    print(format_table(kept))
    print()
    print(f"largest {members} contributors (bytes, all sections):")
    for name, size in by_member(kept)[:members]:
        print(f"{size:>9}  {name}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
