"""Static checks of the product image: headers, imports and fixed resources."""
import struct

import pefile
import pytest

from pe_resources import resources
from wine import BUILD, LAUNCHER

RT_ICON, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 14, 16, 24
# Only KnownDLLs, which Windows always loads from the system directory: a DLL
# planted beside the launcher cannot stand in for a static import, and no
# toolchain runtime DLL stops the single-file launcher on a clean machine.
SYSTEM_DLLS = {"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll", "ole32.dll",
               "oleaut32.dll", "shell32.dll", "shlwapi.dll", "user32.dll"}
ICON_IMAGES = [(48, 48, 8), (32, 32, 8), (24, 24, 8), (16, 16, 8),
               (256, 256, 32), (48, 48, 32), (32, 32, 32), (24, 24, 32), (16, 16, 32)]


@pytest.fixture(scope="module")
def pe():
    with pefile.PE(str(LAUNCHER)) as image:
        yield image


def test_32_bit_gui_image_with_system_imports_aslr_and_dep(pe):
    header = pe.OPTIONAL_HEADER
    assert (pe.FILE_HEADER.Machine, header.Magic, header.Subsystem) == (0x14C, 0x10B, 2)  # i386, PE32, GUI
    dlls = {e.dll.decode().lower() for e in pe.DIRECTORY_ENTRY_IMPORT}
    assert "kernel32.dll" in dlls and dlls <= SYSTEM_DLLS, sorted(dlls)
    assert not hasattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT")
    assert header.DllCharacteristics & 0x140 == 0x140  # dynamic base, NX compatible
    # Without relocations the loader cannot move the image despite the flag.
    assert header.DATA_DIRECTORY[5].Size > 0 and not pe.FILE_HEADER.Characteristics & 1


def test_fixed_resources_are_the_sources_and_nothing_else(pe):
    res = resources(LAUNCHER)
    assert {key: list(langs) for key, langs in res.items() if key[0] != RT_ICON} == {
        (RT_MANIFEST, 1): [0], (RT_GROUP_ICON, 105): [0], (RT_VERSION, 1): [1033]}
    manifest = res[(RT_MANIFEST, 1)][0]
    assert manifest == (BUILD / "generated" / "launcher.manifest").read_bytes()  # with the project's version
    assert b'level="asInvoker"' in manifest

    # The group's entries: width, height, bit count and the image's ID.
    group = res[(RT_GROUP_ICON, 105)][0]
    images = [struct.unpack_from("<BBxxxxHxxxxH", group, 6 + 14 * i) for i in range(group[4])]
    assert [(w or 256, h or 256, bits) for w, h, bits, _ in images] == ICON_IMAGES
    assert {nid for rtype, nid in res if rtype == RT_ICON} == {nid for *_, nid in images}

    strings = {k.decode(): v.decode() for info in pe.FileInfo[0] if hasattr(info, "StringTable")
               for table in info.StringTable for k, v in table.entries.items()}
    assert strings.get("ProductName") and strings.get("FileVersion"), strings
