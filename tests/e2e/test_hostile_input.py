"""Hostile payloads and arguments, fuzzed within a fixed, seeded budget:
whatever the resources or the command line hold, the launcher passes on
exactly what its rules say, never reads past a resource, never crashes or
hangs. FUZZ_CASES (default 120) and FUZZ_SEED widen or replay the run."""
import os
import random
import re
from concurrent.futures import ThreadPoolExecutor

import pytest

from pe_resources import with_option_bytes
from wine import CAPTURE, LAUNCHER, LAUNCH_FAILED, RUN_AT_INTEGRITY, windows_path

SEED = int(os.environ.get("FUZZ_SEED", "1861"))
CASES = int(os.environ.get("FUZZ_CASES", "120"))
FILLER = b"Z"  # lies past every patched resource's end: a launcher reading on sees it
PACKAGE = random.Random(SEED).randbytes(64 * 1024)
ROOM = 5000
TIMEOUT = 60  # a hang fails the run instead of holding the suite


def parse_record(raw: bytes):
    """(package path, what follows it) from a stand-in record, any bytes."""
    parameters = re.search(rb"\nparameters=(.*)\npackage=", raw, re.S).group(1)
    match = re.fullmatch(rb'/i "([^"]*)" (.*)', parameters, re.S)
    return match.group(1), match.group(2)


def run_one(work, launcher, args, env=None, temp=None, command_line=None):
    """(result, [((package path, what follows it), package bytes)]) of one run."""
    result, records = work.launch_alone(launcher, *args, env=env, temp=temp, timeout=TIMEOUT, command_line=command_line)
    return result, [(parse_record(r["raw"]), r["bytes"]) for r in records]


def run_many(work, jobs):
    with ThreadPoolExecutor(max_workers=3) as pool:
        return list(pool.map(lambda job: run_one(work, *job), jobs))


@pytest.fixture
def base(work):
    """A launcher whose payload resources leave room for every case."""
    package = work.file("base.msi", PACKAGE)
    return work.make_launcher("Base.exe", package, params="Z" * ROOM)


def stored_option_text(data: bytes) -> str:
    """What the launcher makes of a stored option line: UTF-8, or else ANSI (Windows' 1252 table)."""
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return "".join(chr(b) if b in b"\x81\x8d\x8f\x90\x9d" else bytes([b]).decode("cp1252") for b in data)


def per_user_choice(result) -> bytes:
    [probe] = [line for line in result.lines if line.startswith("IsProcesPrivileged - Event ")]
    return b"MSIINSTALLPERUSER=0 " if probe.endswith("High Integrity") else b"MSIINSTALLPERUSER=1 "


def option_texts(rng):
    fixed = [b"", b"\0", b"A", b"\0/qn", b"/qn\0X=1\0", b"%s %n %x %p %% %1 %*",
             bytes(range(1, 256)), b'"unbalanced /qn', b" \t/qn \t"]
    fixed += [bytes(rng.choice(b"abc/=% \"\x80\xe9\xff") for _ in range(n)) for n in (260, 261, 4096)]
    # The rest: random lengths around the edges, random bytes, sometimes a NUL.
    for _ in range(CASES):
        n = rng.choice([0, 1, 2, 259, 260, 261, 1023, 1024, 4095, 4096, rng.randrange(4097)])
        data = bytearray(rng.randrange(1, 256) for _ in range(n))
        if n and rng.random() < 0.3:
            data[rng.randrange(n)] = 0
        fixed.append(bytes(data))
    return fixed


def test_option_text_is_the_bytes_before_the_first_nul_or_the_resource_end(work, base):
    texts = option_texts(random.Random(SEED))
    jobs = [(work.file(f"P{i}.exe", with_option_bytes(base, data, FILLER)), ["/qb", "A=1"]) for i, data in enumerate(texts)]
    for data, (result, seen) in zip(texts, run_many(work, jobs)):
        context = f"seed {SEED}, option resource {data!r}"
        assert result.status == 0 and not result.crashed, (context, result.status, result.lines[-3:])
        [((_, options), package)] = seen
        text = data.split(b"\0")[0]
        probed = any(line.startswith("IsProcesPrivileged") for line in result.lines)
        assert (package, probed) == (PACKAGE, text == b""), context
        assert options == (stored_option_text(text).encode() or per_user_choice(result) + b"/qb A=1 "), context
    assert list(work.temp.iterdir()) == []


ALPHABET = "ab =/\\\"'%snxdp*{}<>|&^!;,.\t\n" + "éüß€ÿДжłź中文"  # in and out of the ANSI code page
FIXED_ARGUMENTS = ["", "%s%n%x", "%n%n%n%n", '"', 'a"b', '\\"', '\\\\"x', "a b", "é€ÿ", "Дмитрий", "安装", "%*", "%1",
                   "A=b c", "_a.9=\t", "9A=b c", "-a b", "/a b", " ", "a b\\", "Ä=b c", "A-B=c d", "X=a\nb c"]
PROPERTY_NAME = re.compile(r"[A-Za-z_][A-Za-z0-9_.]*")


def forwarded(argument: str) -> str:
    """An argument as msiexec gets it: quoted back where the runtime's split
    took a deployment system's quotes away."""
    if not re.search("[ \t]", argument) or '"' in argument or argument[0] in "/-":
        return argument
    name, equals, value = argument.partition("=")
    return f'{name}="{value}"' if equals and PROPERTY_NAME.fullmatch(name) else f'"{argument}"'


def random_arguments(rng, count):
    return ["".join(rng.choice(ALPHABET) for _ in range(rng.choice([0, 1, 3, 20, 200])))
            for _ in range(count)]


def test_hostile_arguments_reach_msiexec_literally(work):
    rng = random.Random(SEED + 1)
    package = work.file("p.msi", b"package")
    launcher = work.make_launcher("Args.exe", package)
    batches = [FIXED_ARGUMENTS, ["x" * 8000, "%s" * 2000]]  # long: far past the log's cut
    batches += [random_arguments(rng, 12) for _ in range(max(4, CASES // 5))]
    jobs = [(work.file(f"A{i}.exe", launcher.read_bytes()), words) for i, words in enumerate(batches)]
    for words, (result, seen) in zip(batches, run_many(work, jobs)):
        context = f"seed {SEED}, arguments {words!r}"
        assert result.status == 0 and not result.crashed, context
        [((_, options), _)] = seen
        expected = per_user_choice(result) + b"".join(forwarded(w).encode() + b" " for w in words)
        assert options == expected, context
    assert list(work.temp.iterdir()) == []


# Arguments as a deployment system writes them after Setup.exe, split by the
# launcher's runtime, and what msiexec gets after the per-user choice.
DEPLOYMENT_LINES = [
    (r'/qn INSTALLDIR="C:\Program Files\Contoso" /l*v "C:\Logs\setup.log"',
     r'/qn INSTALLDIR="C:\Program Files\Contoso" /l*v C:\Logs\setup.log '),
    (r'/qn /l*v "C:\log dir\inst.log"', r'/qn /l*v "C:\log dir\inst.log" '),
    (r'INSTALLDIR=\"C:\Program Files\X\" /l*v \"C:\log dir\x.log\"',  # the old workaround
     r'INSTALLDIR="C:\Program Files\X" /l*v "C:\log dir\x.log" '),
    (r'"/qn REBOOT=ReallySuppress" -l*v "C:\log dir\y.log"', r'/qn REBOOT=ReallySuppress -l*v "C:\log dir\y.log" '),
    (r'"INSTALLDIR=\"C:\Program Files\X\"" "/l*v \"C:\log dir\z.log\""',  # quoted, quotes and all
     r'INSTALLDIR="C:\Program Files\X" /l*v "C:\log dir\z.log" '),
    (r'"INSTALLDIR=C:\Program Files\\" TARGETDIR="C:\A B\\" "C:\a b\\"',  # a backslash ends the value
     r'INSTALLDIR="C:\Program Files\" TARGETDIR="C:\A B\" "C:\a b\" '),
    (r'TRANSFORMS="1033 fr.mst;b.mst" /t "a b.mst" COMPANY=Contoso',
     r'TRANSFORMS="1033 fr.mst;b.mst" /t "a b.mst" COMPANY=Contoso '),
    ('"A=x\ty" "x\ty" /qn ""', 'A="x\ty" "x\ty" /qn  '),  # an empty argument: nothing, then the blank
    (r'INSTALLDIR="C:\Программы\Zażółć gęślą" 安装="a b" 9A="b c"',
     r'INSTALLDIR="C:\Программы\Zażółć gęślą" "安装=a b" "9A=b c" '),
]


def test_deployment_command_lines_reach_msiexec_as_written(work):
    launcher = work.make_launcher("Setup.exe", work.file("p.msi", b"package"))
    # (launcher, arguments, environment, temporary folder, command line)
    jobs = [(work.file(f"D{i}.exe", launcher.read_bytes()), [], None, None, line)
            for i, (line, _) in enumerate(DEPLOYMENT_LINES)]
    for (line, msiexec), (result, seen) in zip(DEPLOYMENT_LINES, run_many(work, jobs)):
        assert result.status == 0 and not result.crashed, line
        [((_, options), _)] = seen
        assert options == per_user_choice(result) + msiexec.encode(), line


def test_a_launcher_started_at_medium_integrity_chooses_by_the_level_it_runs_at(work):
    """Started as a standard user's shell starts it: a duplicated token,
    lowered to medium. Wine 10 leaves it high: NtSetInformationToken takes
    TokenIntegrityLevel as a stub that succeeds ("TokenIntegrityLevel stub!"),
    and NtQueryInformationToken answers 0x3000 for any handle, the token and
    the process read back included. Windows gives medium. Either way the
    launcher's line and choice follow the level its parent reads from it."""
    launcher = work.make_launcher("Setup.exe", work.file("p.msi", b"package"))
    result, records = work.launch_alone(launcher, "/qb", "INSTALLDIR=C:\\A B", via=[RUN_AT_INTEGRITY, "0x2000"])
    token, child = re.search(r"token 0x(-?[0-9a-f]+) child 0x(-?[0-9a-f]+)", result.stderr).groups()
    assert token == child and child in ("2000", "3000"), result.stderr  # the process runs with the token made
    level, choice = ("Medium", "1") if child == "2000" else ("High", "0")
    assert result.status == 0 and result.lines == [f"IsProcesPrivileged - Event Process has {level} Integrity",
                                                   "DefaultAction - Events installer exited with code 0"]
    [record] = records
    assert parse_record(record["raw"])[1] == f'MSIINSTALLPERUSER={choice} /qb INSTALLDIR="C:\\A B" '.encode()


def test_options_too_long_for_one_command_line_never_reach_msiexec_cut(work):
    # A deep temporary folder makes msiexec's command line outgrow the
    # launcher's own, which still fits the platform's 32767 characters.
    temp = work.root / ("t" * 150)
    temp.mkdir()
    launcher = work.make_launcher("L.exe", work.file("p.msi", b"package"))
    own = 32767 - 60 - sum(len(windows_path(p)) for p in (CAPTURE, work.root, launcher))
    msiexec = len(f'"C:\\windows\\system32\\msiexec.exe" /i "{windows_path(temp)}\\TVX_INST0L.msi" ')
    assert msiexec + len("MSIINSTALLPERUSER=0 ") + own + 1 > 32767
    # The longest argument with a blank that fits once quoted, terminator included.
    edge = 32767 - 1 - msiexec - len("MSIINSTALLPERUSER=0 ") - len('"" ')
    for word, fits in [("y" * own, False), ("y y" + "y" * (edge - 2), False), ("y y" + "y" * (edge - 3), True)]:
        context = f"{len(word)} characters"
        result, seen = run_one(work, launcher, [word], temp=temp)
        assert not result.crashed and per_user_choice(result), context  # the launcher did run
        for (_, options), _ in seen:
            assert options == per_user_choice(result) + forwarded(word).encode() + b" ", ("options cut", context)
        assert list(temp.iterdir()) == [], context
        if fits:
            assert result.status == 0 and len(seen) == 1, context
            continue
        assert result.status == LAUNCH_FAILED, context  # the documented failure: msiexec could not be started
        length = msiexec + len("MSIINSTALLPERUSER=0 ") + len(forwarded(word)) + 1
        assert result.lines[-2:] == [f"DefaultAction - Surprise command line for C:\\windows\\system32\\msiexec.exe "
                                     f"too long: {length} characters",
                                     "Zorvane - Events The installation could not be started: the installer options "
                                     "are longer than a command line can be."], context


def cut(message: str) -> str:
    """The message as logged: at most 1023 UTF-8 bytes, never half a character."""
    return message.encode()[:1023].decode("utf-8", "ignore")


def parse_failure(argument: str) -> str:
    message = f"unknown command: {argument.split('=', 1)[0]}" if "=" in argument \
        else f"failed parsing argument: {argument}"
    return "CreateNewWrapper - Surprise " + cut(message)


def test_hostile_update_arguments_are_logged_and_staged_literally(work):
    rng = random.Random(SEED + 2)
    package = work.file("p.msi", b"package")
    hostile = FIXED_ARGUMENTS + random_arguments(rng, min(CASES // 2, 200))  # within the 32767 limit
    hostile += ["x" * 5000, "K" * 3000 + "=v", "=%n", "ж" * 1000]  # the last is cut inside a character
    name, options = "%s%n%x %p é.exe", '%s %n %x "q" é€ %1 %*'
    runs = [hostile + [f"WrapperName={name}", f"MSI={package.name}", f"Params={options}"],
            ["WrapperName=" + "w" * 5000, "MSI=p.msi"],
            ["MSI=" + "%n" * 2500, "WrapperName=U.exe"]]
    made, long_name, long_package = run_many(work, [(LAUNCHER, ["-update", *args]) for args in runs])
    assert made[0].status == 0 and not made[0].crashed
    assert made[0].lines == [parse_failure(a) for a in hostile] + [
        "CreateNewWrapper - Events Found new file name:" + name]
    result, [((_, staged), package_bytes)] = run_one(work, work.root / name, ["ignored"])
    assert result.status == 0 and staged == options.encode() and package_bytes == b"package"

    assert long_name[0].status == 1 and not long_name[0].crashed
    too_long, shown, logged = long_name[0].lines
    assert too_long == "CreateNewWrapper - Surprise " + cut("new file path is too long: " + "w" * 5000)
    # The real reason, not "too many files".
    assert shown.startswith("Zorvane - Events Couldn't create new file. ") and shown.endswith("(error 206)")
    assert logged == "CreateNewWrapper - Surprise Failed to verify file name. " + shown.split("file. ", 1)[1]
    assert long_package[0].status == 1 and not long_package[0].crashed
    assert long_package[0].lines == ["CreateNewWrapper - Events Found new file name:U.exe",
                                     "Zorvane - Events Could not open package file."]
    assert not (work.root / "U.exe").exists()  # no launcher without the package it was asked for
