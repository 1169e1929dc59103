"""Reading a launcher's resources with pefile."""
import pefile


def resources(pe):
    """{(type, name): {language: bytes}}; string type/names as str. Takes a
    pefile.PE or a path."""
    if not isinstance(pe, pefile.PE):
        with pefile.PE(str(pe)) as image:
            return resources(image)

    def key(entry):
        return str(entry.name) if entry.name is not None else entry.id

    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name in rtype.directory.entries:
            for lang in name.directory.entries:
                data = pe.get_data(lang.data.struct.OffsetToData, lang.data.struct.Size)
                found.setdefault((key(rtype), key(name)), {})[lang.id] = data
    return found

