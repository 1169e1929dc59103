"""Launchers that look like their product: the native maker gives them the
package's version values, an icon and deployment metadata. Packages in
Cyrillic and CJK get their texts from Windows Installer's own API under Wine
(wixl drops texts outside ASCII)."""
import filecmp
import json
import os
import random
import struct
import subprocess

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
    assert {row["InstallerReturnCode"] for row in fragment["ExpectedReturnCodes"]} == {1602, 1618, 1641, 3010, 1603}
    if params:
        assert "InstallerSwitches" not in fragment and "ignores the arguments" in text
    else:
        assert fragment["InstallerSwitches"] == {"Silent": "/qn", "SilentWithProgress": "/qb",
                                                 "Log": '/l*v "<LOGPATH>"'}


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
