"""Static checks of both launcher images. The 32-bit product cannot run here,
so this is what verifies its headers, imports and resources."""
import struct
import xml.etree.ElementTree as ET
from pathlib import Path

import pefile
import pytest

from pe_resources import only_language, resources

ROOT = Path(__file__).resolve().parents[2]
RES = ROOT / "res"

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
IMAGE_FILE_MACHINE_I386, IMAGE_FILE_MACHINE_AMD64 = 0x14C, 0x8664
PE32, PE32_PLUS = 0x10B, 0x20B
HIGH_ENTROPY_VA, DYNAMIC_BASE, NX_COMPAT = 0x20, 0x40, 0x100
EXCEPTION_DIR = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXCEPTION"]
RELOC_DIR = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]

# Only Windows' own DLLs, and only KnownDLLs, which Windows always loads from
# the system directory: a DLL planted beside the launcher cannot stand in for
# a static import. A toolchain runtime DLL (libstdc++, libgcc, winpthread) or
# the UCRT would also stop the single-file launcher starting on a clean machine.
SYSTEM_DLLS = {"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
               "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll"}
X64_ONLY_IMPORTS = {b"RtlLookupFunctionEntry", b"RtlVirtualUnwind", b"RtlUnwindEx",
                    b"RtlAddFunctionTable", b"__C_specific_handler"}
ICON_IMAGES = [(48, 48, 8), (32, 32, 8), (24, 24, 8), (16, 16, 8),
               (256, 256, 32), (48, 48, 32), (32, 32, 32), (24, 24, 32), (16, 16, 32)]

BUILDS = {
    "win32": (IMAGE_FILE_MACHINE_I386, PE32),
    "win64": (IMAGE_FILE_MACHINE_AMD64, PE32_PLUS),
}
# The product asks for the x86 common controls; the twin needs its own
# architecture's assembly to start on 64-bit Windows.
MANIFESTS = {"win32": ("x86", "launcher.manifest"), "win64": ("amd64", "launcher-amd64.manifest")}


def load(build):
    path = ROOT / "build" / build / "launcher.exe"
    if not path.exists():
        pytest.fail(f"missing {path}: cmake --preset {build} && cmake --build build/{build}")
    return pefile.PE(str(path))


@pytest.fixture(scope="module", params=sorted(BUILDS))
def image(request):
    pe = load(request.param)
    yield request.param, pe
    pe.close()


def ico_images(path):
    """[((width, height, bit count), image bytes)] from an .ico file."""
    raw = path.read_bytes()
    reserved, kind, count = struct.unpack_from("<HHH", raw)
    assert (reserved, kind) == (0, 1), "not an icon file"
    images = []
    for i in range(count):
        w, h, _, _, _, bits, size, offset = struct.unpack_from("<BBBBHHII", raw, 6 + 16 * i)
        images.append(((w or 256, h or 256, bits), raw[offset:offset + size]))
    return images


def group_entries(data):
    """[((width, height, bit count), nID)] from an RT_GROUP_ICON resource."""
    reserved, kind, count = struct.unpack_from("<HHH", data)
    assert (reserved, kind) == (0, 1) and len(data) == 6 + 14 * count
    entries = []
    for i in range(count):
        w, h, _, _, _, bits, _, nid = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
        entries.append(((w or 256, h or 256, bits), nid))
    return entries


def test_machine_and_subsystem(image):
    build, pe = image
    machine, magic = BUILDS[build]
    assert pe.FILE_HEADER.Machine == machine
    assert pe.OPTIONAL_HEADER.Magic == magic
    assert pe.OPTIONAL_HEADER.Subsystem == pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]


def test_imports_only_system_dlls(image):
    _, pe = image
    dlls = {e.dll.decode().lower() for e in pe.DIRECTORY_ENTRY_IMPORT}
    assert {"kernel32.dll", "msvcrt.dll"} <= dlls
    assert dlls <= SYSTEM_DLLS, f"non-system imports: {sorted(dlls - SYSTEM_DLLS)}"
    assert not hasattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT")


def test_win32_has_no_x64_only_code():
    assert_no_x64_only_code(load("win32"))


def assert_no_x64_only_code(pe):
    sizes = {imp.struct_table.sizeof() for e in pe.DIRECTORY_ENTRY_IMPORT for imp in e.imports}
    assert sizes == {4}, "64-bit import thunks"
    # These exist only in 64-bit Windows; importing one stops the product loading.
    names = {imp.name for e in pe.DIRECTORY_ENTRY_IMPORT for imp in e.imports}
    assert not names & X64_ONLY_IMPORTS
    assert pe.OPTIONAL_HEADER.DATA_DIRECTORY[EXCEPTION_DIR].Size == 0, "x64 unwind tables"


def test_aslr_and_dep(image):
    build, pe = image
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    wanted = DYNAMIC_BASE | NX_COMPAT | (HIGH_ENTROPY_VA if build == "win64" else 0)
    assert flags & wanted == wanted, hex(flags)
    # Without relocations the loader cannot move the image despite DYNAMIC_BASE.
    assert pe.OPTIONAL_HEADER.DATA_DIRECTORY[RELOC_DIR].Size > 0
    assert not pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]


def test_manifest(image):
    architecture, source = MANIFESTS[image[0]]
    data = only_language(resources(image[1]), RT_MANIFEST, 1, 0)
    root = ET.fromstring(data)
    level = root.find(".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")
    assert level is not None and level.attrib == {"level": "asInvoker", "uiAccess": "false"}
    ident = root.find(".//{urn:schemas-microsoft-com:asm.v1}dependentAssembly/"
                      "{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
    assert ident is not None
    assert {k: ident.get(k) for k in ("name", "version", "processorArchitecture",
                                      "publicKeyToken", "language")} == {
        "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
        "processorArchitecture": architecture, "publicKeyToken": "6595b64144ccf1df",
        "language": "*"}
    assert data == (RES / source).read_bytes()


def test_icon_group_matches_ico_file(image):
    res = resources(image[1])
    entries = group_entries(only_language(res, RT_GROUP_ICON, 105, 0))
    assert [fmt for fmt, _ in entries] == ICON_IMAGES
    expected = dict(ico_images(RES / "launcher.ico"))
    for fmt, nid in entries:
        assert only_language(res, RT_ICON, nid, 0) == expected[fmt], f"icon {nid} {fmt}"
    icons = {name for rtype, name in res if rtype == RT_ICON}
    assert icons == {nid for _, nid in entries}, "RT_ICON resources not used by the group"


def test_version_resource(image):
    _, pe = image
    only_language(resources(pe), RT_VERSION, 1, 1033)
    assert pe.VS_FIXEDFILEINFO[0].Signature == 0xFEEF04BD
    strings = {k.decode(): v.decode() for info in pe.FileInfo[0] if hasattr(info, "StringTable")
               for table in info.StringTable for k, v in table.entries.items()}
    assert strings.get("ProductName") and strings.get("FileVersion"), strings


def test_no_payload_or_extra_resources(image):
    res = resources(image[1])
    # The payload belongs only in copies made by the update command.
    assert {"MSI", "PARAMS"}.isdisjoint(rtype for rtype, _ in res)
    assert {rtype for rtype, _ in res} == {RT_MANIFEST, RT_ICON, RT_GROUP_ICON, RT_VERSION}
    assert {k for k in res if k[0] != RT_ICON} == {(RT_MANIFEST, 1), (RT_GROUP_ICON, 105), (RT_VERSION, 1)}
    multi = {k: list(v) for k, v in res.items() if len(v) > 1}
    assert not multi, f"resources in several languages: {multi}"
