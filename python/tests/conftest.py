"""What the tests of the Python module share: the samples, the command line
beside the module, its texts read back, and the inputs the tests make.

CTest passes the folders through the environment; run by hand from the
source tree (PYTHONPATH=build/python) the defaults find them there.
"""
import os
import struct
import subprocess
from pathlib import Path

import pytest

SOURCE = Path(__file__).resolve().parents[2]
SAMPLES = Path(os.environ.get("VIDURAVARE_SAMPLES", SOURCE / "samples"))
CLI = Path(os.environ.get("VIDURAVARE_CLI", SOURCE / "build" / "viduravare"))
MAKE_DUMP = os.environ.get("VIDURAVARE_MAKE_DUMP") or str(
    SOURCE / "build" / "bench" / "make_bench_dump")

# Every sample recording: its inputs, a header file to load first, and what
# read() should say of it.
RECORDINGS = {
    "atelier_nord": (["atelier_nord.pdb"], None,
                     ("multichannel", "00A1B2C3", "Atelier Nord")),
    "mini_site": (["mini_site.pdb"], None,
                  ("mini-channel", "0051A7E2", "Serre Est")),
    "entrepot": (["entrepot_01.pdc", "entrepot_02.pdc"], "entrepot_header.pdc",
                 ("multichannel", "20E1A7C5", "")),
    "compteur_blocs": (["compteur_blocs.pdc"], None,
                       ("block records", "20C0A1B2", "Compteur TGBT")),
    "quendar_chambre": (["quendar_chambre.pdc"], None,
                        ("Quendar", "00051A2B", "")),
}


def sample(name):
    return str(SAMPLES / name)


def run_cli(*args, cwd=None):
    """`viduravare convert ARGS` in the C locale: exit status, stdout, the
    stderr lines."""
    env = dict(os.environ, LC_ALL="C")
    done = subprocess.run([str(CLI), "convert", *map(str, args)], cwd=cwd,
                          env=env, capture_output=True, timeout=60)
    return done.returncode, done.stdout, done.stderr.decode().splitlines()


def cli_text(inputs, header, tmp_path, *options):
    """The text the command line writes for a recording, as its lines
    (Windows-1252 decoded, without CR LF)."""
    out = tmp_path / "cli.txt"
    args = ["--header", sample(header)] if header else []
    code, _, err = run_cli(*args, *inputs, *options, "-o", out)
    assert code == 0, err
    text = out.read_bytes()
    assert text.endswith(b"\r\n")
    return text.decode("cp1252").split("\r\n")[:-1]


@pytest.fixture(scope="session")
def big_dump(tmp_path_factory):
    """The largest 'f' dump of the speed figures (25 modules, 43007 rows)."""
    if not Path(MAKE_DUMP).exists():
        pytest.skip("make_bench_dump is not built (VIDURAVARE_BENCH=OFF)")
    path = tmp_path_factory.mktemp("big") / "f.pdb"
    subprocess.run([MAKE_DUMP, "f", str(path)], check=True)
    return str(path)


@pytest.fixture(scope="session")
def crowded_header(tmp_path_factory):
    """A logger file whose installation has 26 modules, one more than the
    tables hold: its conversion stops."""
    data = (SAMPLES / "entrepot_header.pdc").read_bytes()
    records, at = [], 0
    while at < len(data):  # frame: marker, LE16 length, BE16 type, payload, trailer
        length = struct.unpack_from("<H", data, at + 2)[0]
        records.append(data[at:at + 8 + length])
        at += 8 + length
    module = next(r for r in records if struct.unpack_from(">H", r, 4)[0] == 2)
    path = tmp_path_factory.mktemp("crowded") / "crowded.pdc"
    path.write_bytes(records[0] + module * 26)
    return str(path)


@pytest.fixture(scope="session")
def undated_dump(tmp_path_factory):
    """atelier_nord.pdb with month 13 in its first record's time stamp: a row
    with --no-date-check, passed over otherwise."""
    data = bytearray((SAMPLES / "atelier_nord.pdb").read_bytes())
    first_page = struct.unpack_from(">I", data, 78 + 8 * 3)[0]
    data[first_page + 1] = 0x13
    path = tmp_path_factory.mktemp("undated") / "undated.pdb"
    path.write_bytes(bytes(data))
    return str(path)
