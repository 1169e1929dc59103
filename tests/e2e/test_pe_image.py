"""Static checks of the product image: headers, imports and fixed resources."""
import struct
import xml.etree.ElementTree as ET

import pefile
import pytest

from pe_resources import only_language, resources
from wine import LAUNCHER, ROOT

RES = ROOT / "res"

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
DYNAMIC_BASE, NX_COMPAT = 0x40, 0x100
RELOC_DIR = pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]

# Only Windows' own DLLs, and only KnownDLLs, which Windows always loads from
# the system directory: a DLL planted beside the launcher cannot stand in for
# a static import. A toolchain runtime DLL (libstdc++, libgcc, winpthread) or
# the UCRT would also stop the single-file launcher starting on a clean machine.
SYSTEM_DLLS = {"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
               "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll"}
ICON_IMAGES = [(48, 48, 8), (32, 32, 8), (24, 24, 8), (16, 16, 8),
               (256, 256, 32), (48, 48, 32), (32, 32, 32), (24, 24, 32), (16, 16, 32)]


@pytest.fixture(scope="module")
def pe():
    image = pefile.PE(str(LAUNCHER))
    yield image
    image.close()


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


def test_headers_and_imports(pe):
    assert (pe.FILE_HEADER.Machine, pe.OPTIONAL_HEADER.Magic) == (0x14C, 0x10B)  # i386, PE32
    assert pe.OPTIONAL_HEADER.Subsystem == pefile.SUBSYSTEM_TYPE["IMAGE_SUBSYSTEM_WINDOWS_GUI"]
    dlls = {e.dll.decode().lower() for e in pe.DIRECTORY_ENTRY_IMPORT}
    assert {"kernel32.dll", "msvcrt.dll"} <= dlls
    assert dlls <= SYSTEM_DLLS, f"non-system imports: {sorted(dlls - SYSTEM_DLLS)}"
    assert not hasattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT")


def test_aslr_and_dep(pe):
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    assert flags & (DYNAMIC_BASE | NX_COMPAT) == DYNAMIC_BASE | NX_COMPAT, hex(flags)
    # Without relocations the loader cannot move the image despite DYNAMIC_BASE.
    assert pe.OPTIONAL_HEADER.DATA_DIRECTORY[RELOC_DIR].Size > 0
    assert not pe.FILE_HEADER.Characteristics & pefile.IMAGE_CHARACTERISTICS["IMAGE_FILE_RELOCS_STRIPPED"]


def test_manifest(pe):
    data = only_language(resources(pe), RT_MANIFEST, 1, 0)
    root = ET.fromstring(data)
    level = root.find(".//{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")
    assert level is not None and level.attrib == {"level": "asInvoker", "uiAccess": "false"}
    ident = root.find(".//{urn:schemas-microsoft-com:asm.v1}dependentAssembly/"
                      "{urn:schemas-microsoft-com:asm.v1}assemblyIdentity")
    assert ident is not None
    assert {k: ident.get(k) for k in ("name", "version", "processorArchitecture",
                                      "publicKeyToken", "language")} == {
        "name": "Microsoft.Windows.Common-Controls", "version": "6.0.0.0",
        "processorArchitecture": "x86", "publicKeyToken": "6595b64144ccf1df",
        "language": "*"}
    assert data == (RES / "launcher.manifest").read_bytes()


def test_icon_group_matches_ico_file(pe):
    res = resources(pe)
    entries = group_entries(only_language(res, RT_GROUP_ICON, 105, 0))
    assert [fmt for fmt, _ in entries] == ICON_IMAGES
    expected = dict(ico_images(RES / "launcher.ico"))
    for fmt, nid in entries:
        assert only_language(res, RT_ICON, nid, 0) == expected[fmt], f"icon {nid} {fmt}"
    icons = {name for rtype, name in res if rtype == RT_ICON}
    assert icons == {nid for _, nid in entries}, "RT_ICON resources not used by the group"


def test_version_resource(pe):
    only_language(resources(pe), RT_VERSION, 1, 1033)
    assert pe.VS_FIXEDFILEINFO[0].Signature == 0xFEEF04BD
    strings = {k.decode(): v.decode() for info in pe.FileInfo[0] if hasattr(info, "StringTable")
               for table in info.StringTable for k, v in table.entries.items()}
    assert strings.get("ProductName") and strings.get("FileVersion"), strings


def test_no_payload_or_extra_resources(pe):
    res = resources(pe)
    # The payload belongs only in copies made by the update command.
    assert {"MSI", "PARAMS"}.isdisjoint(rtype for rtype, _ in res)
    assert {rtype for rtype, _ in res} == {RT_MANIFEST, RT_ICON, RT_GROUP_ICON, RT_VERSION}
    assert {k for k in res if k[0] != RT_ICON} == {(RT_MANIFEST, 1), (RT_GROUP_ICON, 105), (RT_VERSION, 1)}
    multi = {k: list(v) for k, v in res.items() if len(v) > 1}
    assert not multi, f"resources in several languages: {multi}"
