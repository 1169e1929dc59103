#!/usr/bin/python3
"""Seeds for the icon and package fuzz targets, written under DIR:
  tests/host/fuzz_seeds.py DIR
icons/: the launcher's own icon and the shapes the icon parser must refuse
(one image for every entry, images that overlap); packages/: a wixl package
of the sample, and twins of it cut short or with bits flipped."""
import random
import struct
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]


def icon(images):
    """An .ico of (first 8 bytes of an entry, image size, image offset) triples, followed by data."""
    head = struct.pack("<HHH", 0, 1, len(images))
    return head + b"".join(common + struct.pack("<II", size, offset) for common, size, offset in images)


def icon_seeds():
    own = (ROOT / "res" / "launcher.ico").read_bytes()
    common = own[6:14]
    size, offset = struct.unpack_from("<II", own, 14)
    image = own[offset:offset + size]
    two, many = 6 + 32, 6 + 16 * 256
    return {
        "launcher.ico": own,
        "two.ico": icon([(common, size, two), (common, size, two + size)]) + image * 2,
        "shared.ico": icon([(common, size, many)] * 256) + image,
        "overlapping.ico": icon([(common, size + 1, two), (common, size, two + size)]) + image * 2,
    }


def package_seeds(folder):
    subprocess.run(["wixl", "-o", folder / "sample.msi", ROOT / "examples" / "sample.wxs"], cwd=ROOT / "examples",
                   check=True, capture_output=True)
    sound = (folder / "sample.msi").read_bytes()
    rng = random.Random(26)
    seeds = {"sample.msi": sound, "half.msi": sound[:len(sound) // 2], "header.msi": sound[:512]}
    for i in range(4):
        flipped = bytearray(sound)
        for _ in range(4):
            flipped[rng.randrange(len(flipped))] ^= 1 << rng.randrange(8)
        seeds[f"flipped-{i}.msi"] = bytes(flipped)
    return seeds


def main(target):
    target = target.resolve()
    target.mkdir(parents=True, exist_ok=True)
    for kind, seeds in (("icons", icon_seeds()), ("packages", package_seeds(target))):
        (target / kind).mkdir(parents=True, exist_ok=True)
        for name, data in seeds.items():
            (target / kind / name).write_bytes(data)
    (target / "sample.msi").unlink()


if __name__ == "__main__":
    main(Path(sys.argv[1]))
