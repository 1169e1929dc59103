"""Many launchers at once, and a temporary folder full of names."""
import os
from concurrent.futures import ThreadPoolExecutor

from wine import LAUNCH_FAILED, windows_path

PACKAGE = os.urandom(256 * 1024)
SLEEP = 3.0  # seconds each stand-in installer runs: every start of a batch overlaps


def run_all(calls):
    with ThreadPoolExecutor(len(calls)) as pool:
        return list(pool.map(lambda call: call(), calls))


def launch_recorded(work, launcher, sleep=0.0):
    """(result, its one record or None)."""
    result, records = work.launch_alone(launcher, env={"STANDIN_SLEEP_MS": str(int(sleep * 1000))})
    assert len(records) <= 1, records
    return result, (records or [None])[0]


def test_simultaneous_launches_each_reserve_their_own_file(work):
    launcher = work.make_launcher("Setup.exe", work.file("product.msi", PACKAGE), params="/qn")
    runs = run_all([lambda: launch_recorded(work, launcher, SLEEP)] * 16)
    assert [(result.status, record["bytes"] == PACKAGE) for result, record in runs] == [(0, True)] * 16
    assert len({record["package"] for _, record in runs}) == 16
    assert list(work.temp.iterdir()) == []


def test_full_temp_folder_recycles_only_names_no_installer_is_using(work):
    # One launcher name in separate folders, each with its own package: a name
    # taken from a running installer shows in the bytes or the order of events.
    writable, launchers = 40, []
    for index in range(8):
        package = work.file(f"l{index}/p.msi", os.urandom(64 * 1024)).read_bytes()
        assert work.update("MSI=p.msi", "WrapperName=Setup.exe", "Params=/qn", cwd=work.root / f"l{index}").status == 0
        launchers.append((work.root / f"l{index}" / "Setup.exe", package))
    for index in range(4000):
        stale = work.file(f"temp/TVX_INST{index}Setup.msi", b"stale")
        stale.chmod(0o644 if index < writable else 0o444)

    runs = run_all([lambda path=path: launch_recorded(work, path, SLEEP) for path, _ in launchers])
    taken = []
    for (result, record), (_, package) in zip(runs, launchers):
        assert not result.crashed
        if result.status == LAUNCH_FAILED:
            # No name left, or (rarely) one taken back by a launcher ending at
            # that moment: either way nothing was installed.
            assert result.lines[-1] == "tmpFileGenerator - Surprise faild to create file aborting operation" \
                or result.lines[-1].startswith("DefaultAction - Surprise ")
            assert record is None
        else:
            assert result.status == 0 and "tmpFileGenerator - Events found an empty file creating it" in result.lines
            assert record is not None and record["bytes"] == package, "the installer read another package"
            taken.append(record)
    assert taken, "no name was recycled"
    # A name serves again only once the installer that had it has ended.
    taken.sort(key=lambda record: record["start"])
    for index, record in enumerate(taken):
        later = [other["start"] for other in taken[index + 1:] if other["package"] == record["package"]]
        assert record["end"] is not None and all(start > record["end"] for start in later), record["package"]
    left = [p.read_bytes() for p in work.temp.iterdir()]
    assert len(left) >= 4000 - writable and set(left) == {b"stale"}


def test_simultaneous_updates_make_distinct_complete_launchers(work):
    work.file("product.msi", PACKAGE)
    results = run_all([lambda: work.update("MSI=product.msi", "Params=/qn", "WrapperName=Setup.exe")] * 16)
    assert [r.status for r in results] == [0] * 16
    names = [line.split(":", 1)[1] for r in results for line in r.lines if "Found new file name:" in line]
    expected = ["Setup.exe"] + [f"({n})Setup.exe" for n in range(1, 16)]
    assert sorted(names) == sorted(expected)
    assert len({(work.root / name).read_bytes() for name in expected}) == 1  # none written twice

    runs = run_all([lambda name=name: launch_recorded(work, work.root / name) for name in expected])
    for (result, record), name in zip(runs, expected):
        assert result.status == 0 and record["bytes"] == PACKAGE and record["parameters"].endswith('" /qn')
        assert record["package"] == windows_path(work.temp / f"TVX_INST0{name[:-4]}.msi")
