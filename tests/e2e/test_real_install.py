"""With Wine's own msiexec: a launcher made by the update command really
installs a package built by wixl, and so does a launcher made from it."""


def installed(wine, name):
    return list(wine.path.joinpath("drive_c").glob(f"Program Files*/{name}/hello.txt"))


def test_made_launchers_install_their_package_silently(real_work, sample_msi):
    work = real_work
    package = work.file("Sample.msi", sample_msi.read_bytes())
    a = work.make_launcher("A.exe", package, params="/qn")
    b = work.make_launcher("B.exe", params="/qn REINSTALL=ALL REINSTALLMODE=vomus", source=a)
    c = work.make_launcher("C.exe", source=b)

    for launcher in (a, c):
        for stale in installed(work.wine, "Sample"):
            stale.unlink()  # C's reinstall must bring it back
        result = work.launch(launcher, timeout=300)
        assert result.status == 0, result.lines
        assert result.lines == []
        [file] = installed(work.wine, "Sample")
        assert file.read_bytes() == b"installed by the launcher test\n"
        assert list(work.temp.iterdir()) == []
