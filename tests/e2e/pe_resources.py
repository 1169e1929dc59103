"""Reading a launcher's resources with pefile."""
from pathlib import Path

import pefile


def regions(path):
    """{(type, name): {language: (file offset, size, address, data entry's file offset)}}, the data
    itself unread; string types and names as str."""
    with pefile.PE(str(path), fast_load=True) as pe:
        pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
        key = lambda entry: str(entry.name) if entry.name is not None else entry.id
        root, found = getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None), {}
        for kind in root.entries if root else []:
            for name in kind.directory.entries:
                for language in name.directory.entries:
                    data = language.data.struct
                    found.setdefault((key(kind), key(name)), {})[language.id] = (
                        pe.get_offset_from_rva(data.OffsetToData), data.Size, data.OffsetToData, data.get_file_offset())
        return found


def resources(path):
    """{(type, name): {language: bytes}}."""
    image = Path(path).read_bytes()
    return {key: {language: image[at:at + size] for language, (at, size, *_) in languages.items()}
            for key, languages in regions(path).items()}


def with_option_bytes(launcher, data: bytes, filler=b"Z") -> bytes:
    """The launcher's bytes with its option line's resource cut to data, filler behind it in the room it had."""
    [(start, room, _, entry)] = regions(launcher)[("PARAMS", 106)].values()
    assert len(data) <= room, "make the launcher with a longer option line"
    image = bytearray(Path(launcher).read_bytes())
    image[start:start + room] = data.ljust(room, filler)
    image[entry + 4:entry + 8] = len(data).to_bytes(4, "little")
    return bytes(image)
