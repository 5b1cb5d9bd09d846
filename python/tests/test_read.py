"""read(): every sample against the command line's text, cell for cell, and
its columns against the header lines; the DataFrame; the stops."""
import math
import struct
import subprocess
import sys

import numpy as np
import pytest

import viduravare
from conftest import RECORDINGS, cli_lines, cli_status, run_cli, sample


def assert_matches_text(rec, lines):
    rows = [line.split("\t") for line in lines[2:]]
    assert rec.values.dtype == np.float64 and rec.times.dtype == "M8[s]"
    want = [[float(c.replace(",", ".")) if c else math.nan for c in cells[1:]] for cells in rows]
    np.testing.assert_array_equal(rec.values, np.array(want).reshape(len(rows), len(rec.columns)))
    for t, cells in zip(rec.times, rows, strict=True):
        assert np.isnat(t) or t.item().strftime("%d/%m/%y %H:%M:%S") == cells[0]


def assert_columns_follow_header(rec, lines):
    top, bottom = (line.split("\t")[1:] for line in lines[:2])
    central = sum(unit in ("Volts", "s") for unit in top)
    for j, col in enumerate(rec.columns):
        labels = (col.group, col.name, col.unit, col.module_serial)
        if rec.kind == "multichannel" and j < central:
            group = "Phase voltages" if j < 3 else "Quality and downtime"
            assert labels == (group, bottom[j], top[j], None)
        elif rec.kind == "multichannel":
            name = bottom[j] or f"Channel {(j - central) % 6 + 1}"
            assert labels == ("Module " + top[j], name, "", top[j])
        elif rec.kind == "mini-channel":  # the title stands above the middle phase
            title = top[j // 3 * 3 + 1]
            assert labels == (title, bottom[j], title[0], None)
        elif rec.kind == "block records":  # the meter: names, then units
            assert col.unit and bottom[j].startswith(col.unit)
            assert labels == ("Meter " + rec.serial, top[j], col.unit, None)
        else:
            assert labels == ("Logger " + rec.serial, top[j], bottom[j], None)


@pytest.mark.parametrize("name", RECORDINGS)
def test_read_is_the_text_cell_for_cell(name, tmp_path):
    inputs, header, identity = RECORDINGS[name]
    rec = viduravare.read([sample(n) for n in inputs], header=header and sample(header))
    args = ["--header", sample(header)] if header else []
    lines = cli_lines(tmp_path, *args, *map(sample, inputs), "--decimal-separator", ".")
    assert (rec.kind, rec.serial, rec.name) == identity and not np.isnat(rec.times).any()
    assert_matches_text(rec, lines)
    assert_columns_follow_header(rec, lines)
    assert rec.reports[-1].text in ("Done...", "Quendar file - Done")


def test_a_decimal_comma_and_a_stamp_that_is_no_date(tmp_path):
    comma = viduravare.read(sample("atelier_nord.pdb"), decimal_separator=",")
    assert_matches_text(comma, cli_lines(tmp_path, sample("atelier_nord.pdb"),
                                         "--decimal-separator", ","))
    # Month 13 in the first record: a row without the date check, its time NaT.
    data = bytearray(open(sample("atelier_nord.pdb"), "rb").read())
    data[struct.unpack_from(">I", data, 78 + 8 * 3)[0] + 1] = 0x13  # the first data page
    (tmp_path / "undated.pdb").write_bytes(data)
    undated = viduravare.read(tmp_path / "undated.pdb", check_dates=False)
    assert np.isnat(undated.times[0]) and not np.isnat(undated.times[1:]).any()
    assert_matches_text(undated, cli_lines(tmp_path, tmp_path / "undated.pdb",
                                           "--no-date-check", "--decimal-separator", "."))


def test_outages_and_the_dataframe():
    rec = viduravare.read(sample("atelier_nord.pdb"))
    assert rec.columns[12].name == "Downtime"
    assert list(rec.outages["time"]) == list(rec.times[rec.values[:, 12] != 0])
    assert rec.outages.tolist() == [(np.datetime64("2018-03-05T16:40:00"), 1.63)]
    df = rec.to_pandas()
    assert df.index.name == "time" and str(df.index.dtype) == "datetime64[ns]"
    assert (df.index.values == rec.times).all() and set(df.dtypes) == {np.dtype("float64")}
    assert list(df.columns.names) == ["group", "name", "unit"]
    assert df.columns[13] == ("Module 00012345", "I1", "")
    np.testing.assert_array_equal(df.to_numpy(), rec.values)
    assert len(df.resample("1h").mean()) == 24


def test_pandas_is_imported_by_to_pandas_only(monkeypatch):
    code = ("import sys, viduravare; viduravare.read(sys.argv[1]); "
            "assert 'pandas' not in sys.modules")
    subprocess.run([sys.executable, "-c", code, sample("mini_site.pdb")], check=True)
    monkeypatch.setitem(sys.modules, "pandas", None)
    with pytest.raises(ImportError, match="needs pandas"):
        viduravare.read(sample("mini_site.pdb")).to_pandas()


@pytest.mark.parametrize("inputs", [["absent.pdb"], ["entrepot_01.pdc", "entrepot_02.pdc"]])
def test_a_stop_raises_the_status_the_command_line_prints(inputs):
    code, err = run_cli(*map(sample, inputs), "-o", "-")
    with pytest.raises(viduravare.ConversionStopped) as stopped:
        viduravare.read([sample(n) for n in inputs])
    assert code == 1 and str(stopped.value) == stopped.value.reports[-1].text
    assert str(stopped.value) == cli_status(err[-1], sample(inputs[0]))
