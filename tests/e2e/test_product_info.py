"""Launchers that look like their product: the native maker gives them the
package's version values, an icon and deployment metadata. Packages in
Cyrillic and CJK get their texts from Windows Installer's own API under Wine
(wixl drops texts outside ASCII)."""
import filecmp
import hashlib
import json
import os
import random
import re
import struct
import subprocess
from xml.sax.saxutils import escape

import pefile
import pytest
import yaml

from pe_resources import resources
from wine import CHECKED_MAKER, LAUNCHER, MAKER, ROOT, TOOLS, windows_path

PRODUCT_CODE = "{5B1C3A52-6F0E-4D7B-9C61-2E8A4F0D9B17}"
UPGRADE_CODE = "{0E4F9D21-3A7C-4B58-8D16-7C2B5E9A1F30}"
VERSION = "2.10.345"
# Each row: the code page the package's texts are kept in, ProductName and
# Manufacturer. Quotes, a colon and a hash must not bend the JSON or YAML.
SCRIPTS = {
    "cyrillic": (1251, 'Учёт склада: "Про" #1', "ООО «Ромашка»"),
    "cjk": (936, "库存管理", "北京软件有限公司"),
}
WXS = f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{PRODUCT_CODE}" Name="Placeholder" Language="1033" Version="{VERSION}" Manufacturer="Placeholder"
           UpgradeCode="{UPGRADE_CODE}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="p.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="Product Info Sample">
          <Component Id="Readme" Guid="1f6e0b52-8c3d-4a7e-9b21-5d4c3a2f1e09">
            <File Id="Readme" Source="sample-readme.txt" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="Readme"/></Feature>
  </Product>
</Wix>
"""
ICON = ROOT / "res" / "launcher.ico"
README = ROOT / "examples" / "sample-readme.txt"


def make(cwd, *args):
    return subprocess.run([str(MAKER), *map(str, args)], cwd=cwd, capture_output=True, text=True, timeout=120)


@pytest.fixture(scope="module")
def packages(real_wine, tmp_path_factory):
    folder = tmp_path_factory.mktemp("localized")
    (folder / "product.wxs").write_text(WXS, encoding="utf-8")
    (folder / README.name).write_bytes(README.read_bytes())  # wixl takes only relative sources
    built = {}
    for script, (codepage, name, manufacturer) in SCRIPTS.items():
        package, values = folder / f"{script}.msi", folder / f"{script}.txt"
        subprocess.run(["wixl", "-o", package, "product.wxs"], cwd=folder, check=True, capture_output=True)
        values.write_text(f"ProductName={name}\nManufacturer={manufacturer}\n", encoding="utf-8")
        result = real_wine.run(TOOLS / "set_msi_property.exe",
                               [windows_path(package), str(codepage), windows_path(values)], cwd=folder)
        assert result.status == 0, result.stderr
        built[script] = package
    return built


def version_values(wine, path):
    out = path.with_suffix(".version")
    assert wine.run(TOOLS / "print_version.exe", [windows_path(path), windows_path(out)]).status == 0
    return dict(line.split("=", 1) for line in out.read_text(encoding="utf-8").splitlines())


@pytest.mark.parametrize("script", SCRIPTS)
def test_windows_reads_back_the_packages_version_values(real_work, packages, script):
    _, name, manufacturer = SCRIPTS[script]
    made = make(real_work.root, "--msi", packages[script], "-o", "Setup.exe", LAUNCHER)
    assert (made.returncode, made.stderr) == (0, "")
    assert version_values(real_work.wine, real_work.root / "Setup.exe") == {
        "ProductName": name, "CompanyName": manufacturer, "ProductVersion": VERSION,
        "FileDescription": f"{name} Setup", "OriginalFilename": "Setup.exe", "FileVersion": f"{VERSION}.0",
        "Translation": "040904B0", "Fixed": f"{VERSION}.0 {VERSION}.0"}


@pytest.mark.parametrize("params", [None, "/qb ADDLOCAL=ALL"])
@pytest.mark.parametrize("script", SCRIPTS)
def test_describe_and_winget_give_the_packages_codes(tmp_path, packages, script, params):
    _, name, manufacturer = SCRIPTS[script]
    made = make(tmp_path, "--msi", packages[script], *["--params", params] * bool(params), "--describe",
                "--winget-manifest", "fragment.yaml", "-o", "Setup.exe", LAUNCHER)
    assert made.returncode == 0, made.stderr
    described = json.loads(made.stdout)
    assert {key: described[key] for key in ("ProductCode", "UpgradeCode", "ProductVersion", "ProductName",
                                            "Manufacturer", "Scope", "OptionLine")} == {
        "ProductCode": PRODUCT_CODE, "UpgradeCode": UPGRADE_CODE, "ProductVersion": VERSION, "ProductName": name,
        "Manufacturer": manufacturer, "Scope": "perMachine", "OptionLine": params}
    assert {row["Code"] for row in described["ExitCodes"]} == {0, 3010, 1641, 1618, 1602, 1603}

    text = (tmp_path / "fragment.yaml").read_text(encoding="utf-8")
    fragment = yaml.safe_load(text)
    assert (fragment["InstallerType"], fragment["ProductCode"]) == ("exe", PRODUCT_CODE)
    assert fragment["AppsAndFeaturesEntries"] == [{
        "DisplayName": name, "Publisher": manufacturer, "DisplayVersion": VERSION, "ProductCode": PRODUCT_CODE,
        "UpgradeCode": UPGRADE_CODE, "InstallerType": "msi"}]
    assert fragment["ManifestVersion"] == "1.28.0"
    assert {row["InstallerReturnCode"]: row["ReturnResponse"] for row in fragment["ExpectedReturnCodes"]} == \
        RETURN_CODES
    if params:
        assert "InstallerSwitches" not in fragment and "ignores the arguments" in text
    else:
        assert fragment["InstallerSwitches"] == {"Silent": "/qn", "SilentWithProgress": "/qb",
                                                 "Log": '/l*v "<LOGPATH>"'}


# What winget's 1.28.0 schemas demand of the fields the maker writes.
ID_PART = r'[^.\s\\/:*?"<>|\x01-\x1f]{1,32}'
PATTERNS = {
    "PackageIdentifier": rf"{ID_PART}(\.{ID_PART}){{1,7}}",
    "PackageVersion": r'[^\\/:*?"<>|\x01-\x1f]+',
    "InstallerSha256": r"[A-Fa-f0-9]{64}",
    "InstallerUrl": r"[Hh][Tt][Tt][Pp][Ss]?://.+",
    "PackageLocale": r"([a-zA-Z]{2,3}|[iI]-[a-zA-Z]+|[xX]-[a-zA-Z]{1,8})(-[a-zA-Z]{1,8})*",
}
LENGTHS = {"PackageIdentifier": (1, 128), "PackageVersion": (1, 128), "Publisher": (2, 256),
           "PackageName": (2, 256), "License": (3, 512), "ShortDescription": (3, 256), "InstallerUrl": (1, 2048)}
REQUIRED = {
    "version": {"PackageIdentifier", "PackageVersion", "DefaultLocale", "ManifestType", "ManifestVersion"},
    "defaultLocale": {"PackageIdentifier", "PackageVersion", "PackageLocale", "Publisher", "PackageName", "License",
                      "ShortDescription", "ManifestType", "ManifestVersion"},
    "installer": {"PackageIdentifier", "PackageVersion", "Installers", "ManifestType", "ManifestVersion"},
}
# winget's own return codes for MSI installers, and the launcher's own failure.
RETURN_CODES = {1618: "installInProgress", 112: "diskFull", 1601: "contactSupport", 3010: "rebootRequiredToFinish",
                1641: "rebootInitiated", 1602: "cancelledByUser", 1638: "alreadyInstalled",
                **dict.fromkeys([1654, 1623, 1633], "systemNotSupported"),
                **dict.fromkeys([1625, 1644, 1643, 1649, 1640], "blockedByPolicy"),
                **dict.fromkeys([87, 1628, 1639, 1650], "invalidParameter"), 1603: "contactSupport"}
PACKAGE_ID = "Romashka.Uchet"
URL = "https://example.com/releases/Setup.exe"
FILES = {"version": f"{PACKAGE_ID}.yaml", "defaultLocale": f"{PACKAGE_ID}.locale.en-US.yaml",
         "installer": f"{PACKAGE_ID}.installer.yaml"}


def checked_field(name, value):
    if name in PATTERNS:
        assert isinstance(value, str) and re.fullmatch(PATTERNS[name], value), (name, value)
    if name in LENGTHS:
        least, most = LENGTHS[name]
        assert least <= len(value) <= most, (name, value)


def manifests(folder):
    """The three files, parsed and checked against what the schemas demand."""
    assert sorted(p.name for p in folder.iterdir()) == sorted(FILES.values())
    found = {}
    for kind, name in FILES.items():
        text = (folder / name).read_text(encoding="utf-8")
        assert text.startswith(f"# yaml-language-server: $schema=https://aka.ms/winget-manifest.{kind}.1.28.0"
                               ".schema.json\n"), text
        document = yaml.safe_load(text)
        assert REQUIRED[kind] <= set(document) and (document["ManifestType"], document["ManifestVersion"]) == (
            kind, "1.28.0"), document
        for field, value in [*document.items(), *document.get("Installers", [{}])[0].items()]:
            checked_field(field, value)
        found[kind] = document
    return found


def summary_comments(package):
    info = subprocess.run(["msiinfo", "suminfo", package], capture_output=True, text=True, check=True).stdout
    return re.search(r"^Comments: (.*)$", info, re.M).group(1)


def winget(cwd, launcher, *extra):
    (cwd / "out").mkdir(exist_ok=True)
    return make(cwd, "--winget", "out", "--package-id", PACKAGE_ID, "--installer-url", URL, *extra, launcher)


@pytest.mark.parametrize("params", [None, "/qb ADDLOCAL=ALL"])
@pytest.mark.parametrize("script", SCRIPTS)
def test_winget_manifests_describe_the_released_file(tmp_path, packages, script, params):
    _, name, manufacturer = SCRIPTS[script]
    assert make(tmp_path, "--msi", packages[script], *["--params", params] * bool(params), "-o", "Setup.exe",
                LAUNCHER).returncode == 0
    made = winget(tmp_path, "Setup.exe")
    assert made.returncode == 0 and made.stderr.count("\n") == (1 if params else 0), made.stderr
    found = manifests(tmp_path / "out")
    for document in found.values():
        assert (document["PackageIdentifier"], document["PackageVersion"]) == (PACKAGE_ID, VERSION)
    assert found["version"]["DefaultLocale"] == "en-US"
    assert {key: found["defaultLocale"][key] for key in ("PackageLocale", "Publisher", "PackageName", "License",
                                                         "ShortDescription")} == {
        "PackageLocale": "en-US", "Publisher": manufacturer, "PackageName": name, "License": "Proprietary",
        "ShortDescription": summary_comments(packages[script])}
    installer = found["installer"]
    assert installer["Installers"] == [{"Architecture": "x86", "InstallerUrl": URL, "InstallerSha256": hashlib.sha256(
        (tmp_path / "Setup.exe").read_bytes()).hexdigest().upper()}]
    assert (installer["InstallerType"], installer["Scope"], installer["ProductCode"]) == ("exe", "machine",
                                                                                         PRODUCT_CODE)
    assert installer["AppsAndFeaturesEntries"] == [{
        "DisplayName": name, "Publisher": manufacturer, "DisplayVersion": VERSION, "ProductCode": PRODUCT_CODE,
        "UpgradeCode": UPGRADE_CODE, "InstallerType": "msi"}]
    assert {row["InstallerReturnCode"]: row["ReturnResponse"] for row in installer["ExpectedReturnCodes"]} == \
        RETURN_CODES
    if params:
        assert "InstallerSwitches" not in installer and "winget cannot make it silent" in made.stderr
        assert "ignores the arguments" in (tmp_path / "out" / FILES["installer"]).read_text(encoding="utf-8")
    else:
        assert installer["InstallerSwitches"] == {"Silent": "/qn", "SilentWithProgress": "/qb",
                                                  "Log": '/l*v "<LOGPATH>"'}


def built(folder, name="Placeholder", manufacturer="Placeholder", comments=None, sql=None, scope="perMachine"):
    """A wixl package with these texts (any ASCII, line breaks too), changed by msibuild's sql."""
    attribute = lambda text: escape(text, {'"': "&quot;", "\n": "&#10;"})
    wxs = WXS.replace('Name="Placeholder"', f'Name="{attribute(name)}"').replace(
        'Manufacturer="Placeholder"', f'Manufacturer="{attribute(manufacturer)}"').replace(
        'InstallScope="perMachine"', f'InstallScope="{scope}"' + (
            f' Comments="{attribute(comments)}"' if comments else ""))
    (folder / "product.wxs").write_text(wxs, encoding="utf-8")
    (folder / README.name).write_bytes(README.read_bytes())
    subprocess.run(["wixl", "-o", "p.msi", "product.wxs"], cwd=folder, check=True, capture_output=True)
    if sql:
        subprocess.run(["msibuild", "p.msi", "-q", sql], cwd=folder, check=True, capture_output=True)
    assert make(folder, "--msi", "p.msi", "-o", "Setup.exe", "--force", LAUNCHER).returncode == 0
    return folder / "Setup.exe"


def test_no_text_of_the_package_bends_the_manifests_or_the_json(tmp_path):
    texts = {"ProductName": '- Dash: "quoted" #x\n  line2: [a]', "Manufacturer": "key: value # not\n- item",
             "Comments": "? q: 'x'\nExtra: {1}, &anchor *alias"}
    launcher = built(tmp_path, texts["ProductName"], texts["Manufacturer"], texts["Comments"], scope="perUser")
    made = winget(tmp_path, launcher, "--describe", "--license", 'MIT: "see" #LICENSE\n- file')
    assert (made.returncode, made.stderr) == (0, ""), made.stderr
    found = manifests(tmp_path / "out")
    assert found["defaultLocale"] == {
        "PackageIdentifier": PACKAGE_ID, "PackageVersion": VERSION, "PackageLocale": "en-US",
        "Publisher": texts["Manufacturer"], "PackageName": texts["ProductName"], "License": 'MIT: "see" #LICENSE\n- file',
        "ShortDescription": texts["Comments"], "ManifestType": "defaultLocale", "ManifestVersion": "1.28.0"}
    assert set(found["installer"]) == {"PackageIdentifier", "PackageVersion", "InstallerType", "Scope",
                                       "InstallerSwitches", "ExpectedReturnCodes", "ProductCode",
                                       "AppsAndFeaturesEntries", "Installers", "ManifestType", "ManifestVersion"}
    assert found["installer"]["Scope"] == "user"
    [entry] = found["installer"]["AppsAndFeaturesEntries"]
    assert (entry["DisplayName"], entry["Publisher"]) == (texts["ProductName"], texts["Manufacturer"])
    described = json.loads(made.stdout)
    assert (described["ProductName"], described["Manufacturer"], described["ALLUSERS"]) == (
        texts["ProductName"], texts["Manufacturer"], None)


# Each row: how the package is made, and what the one error line says. A
# manifest winget would refuse is never written.
UNFIT_PACKAGES = {
    "no Manufacturer": (dict(sql="DELETE FROM `Property` WHERE `Property` = 'Manufacturer'"), "Manufacturer is empty"),
    "a one-letter name": (dict(name="X"), "ProductName has 1 character"),
    "a version with a slash": (dict(sql="UPDATE `Property` SET `Value` = '1.0/beta' WHERE `Property` = "
                                        "'ProductVersion'"), '"1.0/beta" holds a character'),
    "no package": (None, "carries no package"),
}


@pytest.mark.parametrize("package, message", UNFIT_PACKAGES.values(), ids=UNFIT_PACKAGES)
def test_a_package_winget_cannot_take_is_refused_and_nothing_written(tmp_path, package, message):
    launcher = LAUNCHER if package is None else built(tmp_path, **package)
    made = winget(tmp_path, launcher)
    assert made.returncode == 1 and made.stderr.count("\n") == 1 and message in made.stderr, made.stderr
    assert list((tmp_path / "out").iterdir()) == []


# Each row: arguments in place of the good ones, what the one line says.
WRONG_COMMAND_LINES = {
    "one-part id": (["--package-id", "Uchet"], "--package-id must be"),
    "blank in the id": (["--package-id", "Romashka.My Uchet"], "--package-id must be"),
    "ftp URL": (["--installer-url", "ftp://example.com/Setup.exe"], "--installer-url must be"),
    "line break in the URL": (["--installer-url", "https://example.com/\nSetup.exe"], "--installer-url must be"),
    "folder is a file": (["--winget", "Setup.exe"], "Setup.exe: not a folder"),
    "folder missing": (["--winget", "none"], "none: No such file or directory"),
    "with -o": (["-o", "Other.exe"], "-o, --msi, --params and --icon do not go with it"),
}


@pytest.mark.parametrize("args, message", WRONG_COMMAND_LINES.values(), ids=WRONG_COMMAND_LINES)
def test_a_wrong_winget_command_line_writes_nothing(tmp_path, args, message):
    launcher = built(tmp_path)
    (tmp_path / "out").mkdir()
    made = make(tmp_path, "--winget", "out", "--package-id", PACKAGE_ID, "--installer-url", URL, *args, launcher)
    assert made.returncode == 2 and made.stderr.count("\n") == 1 and message in made.stderr, made.stderr
    assert list((tmp_path / "out").iterdir()) == [] and not (tmp_path / "Other.exe").exists()


def test_an_existing_manifest_is_replaced_only_with_force(tmp_path):
    launcher = built(tmp_path)
    (tmp_path / "out").mkdir()
    (tmp_path / "out" / FILES["defaultLocale"]).write_text("mine")
    made = winget(tmp_path, launcher)
    assert made.returncode == 1 and "File exists" in made.stderr and made.stderr.count("\n") == 1, made.stderr
    assert [p.name for p in (tmp_path / "out").iterdir()] == [FILES["defaultLocale"]]
    assert winget(tmp_path, launcher, "--force").returncode == 0
    assert manifests(tmp_path / "out")["defaultLocale"]["PackageName"] == "Placeholder"


def icon_file(images):
    """An .ico of (entry's first 8 bytes: size, colours, planes, bits; image) pairs."""
    head = struct.pack("<HHH", 0, 1, len(images))
    offset, entries, data = len(head) + 16 * len(images), b"", b""
    for common, image in images:
        entries += common + struct.pack("<II", len(image), offset + len(data))
        data += image
    return head + entries + data


def icon_images(path):
    data = path.read_bytes()
    entries = [data[6 + 16 * i:6 + 16 * i + 16] for i in range(struct.unpack_from("<H", data, 4)[0])]
    return [(e[:8], data[struct.unpack_from("<I", e, 12)[0]:][:struct.unpack_from("<I", e, 8)[0]]) for e in entries]


def test_icon_replaces_the_group_explorer_shows_and_its_images(tmp_path):
    # Another icon than the launcher's: a 256 PNG and a 16 bitmap, in this order.
    images = [icon_images(ICON)[i] for i in (4, 3)]
    (tmp_path / "new.ico").write_bytes(icon_file(images))
    assert make(tmp_path, "--icon", "new.ico", "-o", "Out.exe", LAUNCHER).returncode == 0
    found = resources(tmp_path / "Out.exe")
    assert found[(14, 105)] == {0: icon_file(images)[:6] + b"".join(
        common + struct.pack("<IH", len(image), i + 1) for i, (common, image) in enumerate(images))}
    assert {name: languages for (kind, name), languages in found.items() if kind == 3} == {
        i + 1: {0: image} for i, (_, image) in enumerate(images)}


def one_image_for_every_entry():
    common, image = icon_images(ICON)[4]
    return struct.pack("<HHH", 0, 1, 256) + (common + struct.pack("<II", len(image), 6 + 16 * 256)) * 256 + image


DAMAGED_ICONS = {
    "empty": b"",
    "one image for every entry": one_image_for_every_entry(),
    "no images": icon_file([]),
    "image cut short": icon_file(icon_images(ICON)[4:5])[:-100],
    "not an icon": b"\x89PNG\r\n\x1a\n" * 10,
}


@pytest.mark.parametrize("output", [["-o", "Out.exe"], ["--describe"]], ids=["written", "described"])
@pytest.mark.parametrize("content", DAMAGED_ICONS.values(), ids=DAMAGED_ICONS)
def test_a_damaged_icon_is_refused_and_nothing_written(tmp_path, content, output):
    (tmp_path / "bad.ico").write_bytes(content)
    made = make(tmp_path, "--icon", "bad.ico", *output, LAUNCHER)
    assert made.returncode == 1 and made.stderr.count("\n") == 1 and "bad.ico" in made.stderr, made.stderr
    assert made.stdout == ""
    assert sorted(p.name for p in tmp_path.iterdir()) == ["bad.ico"]


def test_a_package_that_is_no_database_keeps_the_version_resource(tmp_path):
    package = os.urandom(64 * 1024)
    (tmp_path / "junk.msi").write_bytes(package)
    made = make(tmp_path, "--msi", "junk.msi", "-o", "Out.exe", LAUNCHER)
    assert made.returncode == 0 and made.stderr.count("\n") == 1, made.stderr
    assert "junk.msi" in made.stderr and "version resource was kept" in made.stderr
    found = resources(tmp_path / "Out.exe")
    assert found[(16, 1)] == resources(LAUNCHER)[(16, 1)] and found[("MSI", 104)] == {0: package}


def crashing_packages(folder, wanted=3):
    """Bit-flipped or cut twins of a wixl package on which msitools' own msiinfo dies by a signal."""
    (folder / "product.wxs").write_text(WXS, encoding="utf-8")
    (folder / README.name).write_bytes(README.read_bytes())
    subprocess.run(["wixl", "-o", "sound.msi", "product.wxs"], cwd=folder, check=True, capture_output=True)
    sound, rng, found = (folder / "sound.msi").read_bytes(), random.Random(28), []
    for i in range(400):
        package = bytearray(sound)
        if i % 2:
            del package[rng.randrange(len(package)):]
        for _ in range(rng.randrange(1, 8) * (1 - i % 2)):
            package[rng.randrange(len(package))] ^= 1 << rng.randrange(8)
        (folder / "probe.msi").write_bytes(package)
        if subprocess.run(["msiinfo", "export", "probe.msi", "Property"], cwd=folder, capture_output=True).returncode < 0:
            found.append(bytes(package))
            if len(found) == wanted:
                return found
    raise AssertionError(f"only {len(found)} of 400 packages crashed msiinfo")


@pytest.mark.parametrize("maker", [MAKER, CHECKED_MAKER], ids=["plain", "checked"])
def test_a_package_that_crashes_libmsi_is_carried_with_the_warning(tmp_path, maker):
    for package in crashing_packages(tmp_path):
        (tmp_path / "crash.msi").write_bytes(package)
        made = subprocess.run([maker, "--msi", "crash.msi", "-o", "Out.exe", "--force", LAUNCHER], cwd=tmp_path,
                              capture_output=True, text=True, timeout=120)
        assert made.returncode == 0 and made.stderr.count("\n") == 1, made.stderr
        assert "crash.msi" in made.stderr and "version resource was kept" in made.stderr
        found = resources(tmp_path / "Out.exe")
        assert found[(16, 1)] == resources(LAUNCHER)[(16, 1)] and found[("MSI", 104)] == {0: package}
        described = subprocess.run([maker, "--describe", "Out.exe"], cwd=tmp_path, capture_output=True, text=True,
                                   timeout=120)
        assert (described.returncode, described.stderr) == (0, "")
        assert json.loads(described.stdout)["ProductCode"] is None


def test_a_version_past_windows_installers_limits_gives_0_0_0_0_and_a_warning(tmp_path):
    (tmp_path / "product.wxs").write_text(WXS.replace(f'Version="{VERSION}"', 'Version="300.1.1"'), encoding="utf-8")
    (tmp_path / README.name).write_bytes(README.read_bytes())
    subprocess.run(["wixl", "-o", "v.msi", "product.wxs"], cwd=tmp_path, check=True, capture_output=True)
    made = make(tmp_path, "--msi", "v.msi", "-o", "Out.exe", LAUNCHER)
    assert made.returncode == 0 and made.stderr.count("\n") == 1 and "v.msi: warning" in made.stderr, made.stderr
    with pefile.PE(str(tmp_path / "Out.exe")) as pe:
        fixed = pe.VS_FIXEDFILEINFO[0]
        [table] = [t for info in pe.FileInfo[0] if hasattr(info, "StringTable") for t in info.StringTable]
    assert (fixed.FileVersionMS, fixed.FileVersionLS, fixed.ProductVersionMS, fixed.ProductVersionLS) == (0, 0, 0, 0)
    assert (table.entries[b"FileVersion"], table.entries[b"ProductVersion"]) == (b"0.0.0.0", b"300.1.1")


def test_without_product_info_the_bytes_are_the_update_commands(real_work, packages):
    package = real_work.file("Product.msi", packages["cyrillic"].read_bytes())
    windows = real_work.make_launcher("Windows.exe", package, params="/qn")
    for flag, same in (["--no-product-info"], True), ([], False):
        made = make(real_work.root, "--msi", package, "--params", "/qn", *flag, "-o", "Native.exe", "--force",
                    LAUNCHER)
        assert made.returncode == 0, made.stderr
        assert filecmp.cmp(windows, real_work.root / "Native.exe", shallow=False) == same


def test_a_launcher_with_product_info_and_icon_still_installs(real_work, packages):
    made = make(real_work.root, "--msi", packages["cyrillic"], "--params", "/qn", "--icon", ICON, "-o", "Setup.exe",
                LAUNCHER)
    assert made.returncode == 0, made.stderr
    result = real_work.launch(real_work.root / "Setup.exe", timeout=300)
    assert (result.status, result.lines) == (0, ["DefaultAction - Events installer exited with code 0"])
    [file] = real_work.wine.path.joinpath("drive_c").glob("Program Files*/Product Info Sample/sample-readme.txt")
    assert file.read_bytes() == README.read_bytes()
