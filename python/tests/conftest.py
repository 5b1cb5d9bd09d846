"""What the tests of the Python module share: the samples, the command line
beside the module and its texts. CTest passes the paths in the environment;
run by hand from the source tree (PYTHONPATH=build/python) the defaults hold.
"""
import os
import subprocess
from pathlib import Path

import pytest

SOURCE = Path(__file__).resolve().parents[2]
SAMPLES = Path(os.environ.get("VIDURAVARE_SAMPLES", SOURCE / "samples"))
CLI = os.environ.get("VIDURAVARE_CLI", str(SOURCE / "build" / "viduravare"))
MAKE_DUMP = os.environ.get("VIDURAVARE_MAKE_DUMP") or str(
    SOURCE / "build" / "bench" / "make_bench_dump")

# Every sample recording: its inputs, the header file loaded first, and its
# kind, serial number and name.
RECORDINGS = {
    "atelier_nord": (["atelier_nord.pdb"], None, ("multichannel", "00A1B2C3", "Atelier Nord")),
    "mini_site": (["mini_site.pdb"], None, ("mini-channel", "0051A7E2", "Serre Est")),
    "entrepot": (["entrepot_01.pdc", "entrepot_02.pdc"], "entrepot_header.pdc",
                 ("multichannel", "20E1A7C5", "")),
    "compteur_blocs": (["compteur_blocs.pdc"], None,
                       ("block records", "20C0A1B2", "Compteur TGBT")),
    "quendar_chambre": (["quendar_chambre.pdc"], None, ("Quendar", "00051A2B", "")),
}


def sample(name):
    return str(SAMPLES / name)


def run_cli(*args, cwd=None):
    """`viduravare convert ARGS` in the C locale: exit status and stderr lines."""
    done = subprocess.run([CLI, "convert", *map(str, args)], cwd=cwd, capture_output=True,
                          env=dict(os.environ, LC_ALL="C"), timeout=60)
    return done.returncode, done.stderr.decode().splitlines()


def cli_status(line, name):
    """A status line of the command line without the input's name in front and without the
    hint it adds for the command line's own options: the text the conversion gave."""
    line = line.removeprefix(f"{name}: ")
    return line.removesuffix(" (give the header file with --header H.pdc)")


def cli_lines(tmp_path, *args):
    """The lines of the text the command line writes (Windows-1252)."""
    code, err = run_cli(*args, "-o", tmp_path / "cli.txt")
    assert code == 0, err
    return (tmp_path / "cli.txt").read_bytes().decode("cp1252").split("\r\n")[:-1]


@pytest.fixture(scope="session")
def big_dump(tmp_path_factory):
    """The largest 'f' dump of the speed figures: 43007 rows of 153 columns."""
    if not Path(MAKE_DUMP).exists():
        pytest.skip("make_bench_dump is not built (VIDURAVARE_BENCH=OFF)")
    path = tmp_path_factory.mktemp("big") / "f.pdb"
    subprocess.run([MAKE_DUMP, "f", path], check=True)
    return str(path)
