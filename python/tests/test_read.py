"""read(): every sample against the command line's text, cell for cell; the
columns against the header lines; the DataFrame; the stops."""
import math
import pathlib
import subprocess
import sys

import numpy as np
import pytest

import viduravare
from conftest import RECORDINGS, cli_text, run_cli, sample

MINI_UNITS = {"Volt": "V", "Watt": "W", "Amp": "A"}


def stamp(t):
    """A datetime64 written as the texts write their stamps."""
    if np.isnat(t):
        return None
    return t.astype("datetime64[s]").item().strftime("%d/%m/%y %H:%M:%S")


def assert_matches_text(rec, lines):
    rows = [line.split("\t") for line in lines[2:]]
    assert len(rec) == len(rows) == rec.values.shape[0] == rec.times.shape[0]
    assert rec.values.dtype == np.float64 and rec.times.dtype == "M8[s]"
    assert rec.values.shape[1] == len(rec.columns)
    for i, cells in enumerate(rows):
        assert len(cells) == 1 + len(rec.columns), i
        assert stamp(rec.times[i]) in (cells[0], None), i
        for j, cell in enumerate(cells[1:]):
            got = rec.values[i, j]
            if cell == "":
                assert math.isnan(got), (i, j)
            else:
                assert got == float(cell.replace(",", ".")), (i, j, cell)


def assert_columns_follow_header(rec, lines):
    line1, line2 = (line.split("\t") for line in lines[:2])
    central = sum(unit in ("Volts", "s") for unit in line1)
    for j, col in enumerate(rec.columns):
        top, bottom = line1[j + 1], line2[j + 1]
        if rec.kind == "multichannel" and top in ("Volts", "s"):
            assert (col.unit, col.name, col.module_serial) == (top, bottom, None)
            assert col.group == ("Phase voltages" if j < 3 else "Quality and downtime")
        elif rec.kind == "multichannel":
            assert (col.group, col.module_serial, col.unit) == ("Module " + top, top, "")
            assert col.name == (bottom or f"Channel {(j - central) % 6 + 1}")
        elif rec.kind == "mini-channel":
            title = line1[j // 3 * 3 + 2]
            assert (col.group, col.name, col.unit) == (title, bottom, MINI_UNITS[title])
        elif rec.kind == "block records":  # the energy meter: names above units
            assert (col.group, col.name) == ("Meter " + rec.serial, top)
            assert bottom.startswith(col.unit) and col.unit in ("Wh", "A", "MWh", "kWh")
        else:
            assert (col.group, col.name, col.unit) == ("Logger " + rec.serial, top, bottom)


@pytest.mark.parametrize("name", RECORDINGS)
def test_read_is_the_text_cell_for_cell(name, tmp_path):
    inputs, header, (kind, serial, unit_name) = RECORDINGS[name]
    rec = viduravare.read([sample(n) for n in inputs],
                          header=header and sample(header))
    lines = cli_text([sample(n) for n in inputs], header, tmp_path,
                     "--decimal-separator", ".")
    assert (rec.kind, rec.serial, rec.name) == (kind, serial, unit_name)
    assert_matches_text(rec, lines)
    assert_columns_follow_header(rec, lines)
    assert not np.isnat(rec.times).any()
    assert rec.reports[-1].kind == viduravare.ReportKind.status
    assert rec.reports[-1].text in ("Done...", "Quendar file - Done")


def test_decimal_comma_and_undated_rows_read_as_their_texts(tmp_path, undated_dump):
    comma = viduravare.read(sample("atelier_nord.pdb"), decimal_separator=",")
    np.testing.assert_array_equal(
        comma.values, viduravare.read(sample("atelier_nord.pdb")).values)
    assert_matches_text(comma, cli_text([sample("atelier_nord.pdb")], None, tmp_path,
                                        "--decimal-separator", ","))

    # Without the date check the record with month 13 is a row, and its time NaT.
    undated = viduravare.read(undated_dump, check_dates=False)
    assert np.isnat(undated.times[0]) and not np.isnat(undated.times[1:]).any()
    assert viduravare.read(undated_dump).times[0] == np.datetime64("2018-03-05T00:10")
    assert_matches_text(undated, cli_text([undated_dump], None, tmp_path, "--no-date-check",
                                          "--decimal-separator", "."))


def test_outages_are_the_rows_with_downtime():
    rec = viduravare.read(pathlib.Path(sample("atelier_nord.pdb")))
    downtime = rec.values[:, 12]
    assert rec.columns[12].name == "Downtime"
    assert list(rec.outages["time"]) == list(rec.times[downtime != 0])
    assert rec.outages.tolist() == [(np.datetime64("2018-03-05T16:40:00"), 1.63)]
    assert len(viduravare.read(sample("entrepot_01.pdc").encode(),
                               header=sample("entrepot_header.pdc")).outages) == 0


def test_to_pandas_has_a_time_index_and_labelled_float_columns():
    rec = viduravare.read(sample("atelier_nord.pdb"))
    df = rec.to_pandas()
    assert df.index.name == "time" and str(df.index.dtype) == "datetime64[ns]"
    assert (df.index.values == rec.times.astype("M8[ns]")).all()
    assert list(df.columns.names) == ["group", "name", "unit"]
    assert df.columns[0] == ("Phase voltages", "Ph 1", "Volts")
    assert df.columns[13] == ("Module 00012345", "I1", "")
    assert set(df.dtypes) == {np.dtype("float64")}
    np.testing.assert_array_equal(df.to_numpy(), rec.values)
    hourly = df.resample("1h").mean()
    assert len(hourly) == 24


def test_pandas_is_imported_by_to_pandas_only(monkeypatch):
    code = ("import sys, viduravare; viduravare.read(sys.argv[1]); "
            "assert 'pandas' not in sys.modules")
    subprocess.run([sys.executable, "-c", code, sample("mini_site.pdb")], check=True)
    monkeypatch.setitem(sys.modules, "pandas", None)
    rec = viduravare.read(sample("mini_site.pdb"))
    with pytest.raises(ImportError, match="needs pandas"):
        rec.to_pandas()


@pytest.mark.parametrize("inputs, header", [
    (["absent.pdb"], None),
    (["entrepot_01.pdc", "entrepot_02.pdc"], None),  # a selection without its header
    ("crowded", None),
    (["entrepot_01.pdc"], "crowded"),
])
def test_a_stop_raises_the_status_the_command_line_prints(inputs, header, crowded_header):
    inputs = [crowded_header] if inputs == "crowded" else [sample(n) for n in inputs]
    header = crowded_header if header == "crowded" else header
    args = ["--header", header] if header else []
    code, _, err = run_cli(*args, *inputs, "-o", "-")
    assert code == 1
    with pytest.raises(viduravare.ConversionStopped) as stopped:
        viduravare.read(inputs, header=header)
    assert str(stopped.value) == err[-1]
    assert stopped.value.reports[-1].text == err[-1]
    assert not stopped.value.reports[-1].finding


@pytest.mark.parametrize("args, problem", [
    (([sample("atelier_nord.pdb"), sample("mini_site.pdb")],), "only for logger"),
    (([sample("entrepot_01.pdc"), "/tmp/entrepot_02.pdc"],), "one folder"),
    (([],), "no input"),
    ((sample("atelier_nord.pdb"), None, ""), "one character"),
    ((sample("atelier_nord.pdb"), None, "7"), "cannot be a digit"),
])
def test_arguments_the_command_line_refuses_raise_value_error(args, problem):
    with pytest.raises(ValueError, match=problem):
        viduravare.read(*args)
    with pytest.raises(TypeError):
        viduravare.read(42)
