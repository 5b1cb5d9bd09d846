"""convert() against the command line, and what an interrupt leaves: both
functions work without the GIL and end on KeyboardInterrupt."""
import _thread
import sys
import threading
import zipfile

import numpy as np
import pytest

import viduravare
from conftest import run_cli, sample

ENTREPOT = ["entrepot_01.pdc", "entrepot_02.pdc"]


@pytest.mark.parametrize("inputs, options, kwargs", [
    (["atelier_nord.pdb"], [], {}),
    (["atelier_nord.pdb"], ["--decimal-separator", ","], {"decimal_separator": ","}),
    (["mini_site.pdb"], ["--encoding", "UTF-8", "--bom", "--dates", "iso", "--delimiter", ";"],
     {"encoding": "UTF-8", "bom": True, "dates": "iso", "delimiter": ";"}),
    (["quendar_chambre.pdc"], ["--date-separator", "-", "--time-separator", "h",
                               "--delimiter", ","],
     {"date_separator": "-", "time_separator": "h", "delimiter": ","}),
    (ENTREPOT, ["--header", "entrepot_header.pdc", "--no-date-check"],
     {"header": "entrepot_header.pdc", "check_dates": False}),
    (["compteur_blocs.pdc"], ["--format", "xlsx"], {"format": "xlsx"}),
])
def test_convert_writes_what_the_command_line_writes(inputs, options, kwargs, tmp_path,
                                                     monkeypatch):
    monkeypatch.setenv("LC_ALL", "C")  # the locale's separators, as the command line's
    monkeypatch.chdir(tmp_path)
    for name in inputs + ["entrepot_header.pdc"]:
        (tmp_path / name).symlink_to(sample(name))
    ext = "xlsx" if "xlsx" in options else "txt"
    code, _, err = run_cli(*inputs, *options, "-o", f"cli.{ext}", cwd=tmp_path)
    assert code == 0, err
    result = viduravare.convert(inputs if len(inputs) > 1 else inputs[0], f"py.{ext}", **kwargs)
    assert result.path == f"py.{ext}"
    assert result.reports[-1].text == result.status == err[-1]
    if ext == "txt":
        written = (tmp_path / "py.txt").read_bytes()
        assert written == (tmp_path / "cli.txt").read_bytes()
        assert result.rows == written.count(b"\r\n") - 2
    else:  # the same sheet; the document properties carry the time of writing
        with zipfile.ZipFile(tmp_path / "py.xlsx") as py, zipfile.ZipFile("cli.xlsx") as cli:
            assert py.namelist() == cli.namelist()
            for member in py.namelist():
                if member != "docProps/core.xml":
                    assert py.read(member) == cli.read(member), member


def test_serial_number_name_and_refused_options(tmp_path):
    result = viduravare.convert(sample("atelier_nord.pdb"), tmp_path, sn_name=True)
    assert result.path == str(tmp_path / "00A1B2C3.txt") and result.kind == "multichannel"
    for kwargs, problem in [({"bom": True}, "bom needs"), ({"format": "pdf"}, "format"),
                            ({"format": "xlsx", "delimiter": ";"}, "text output"),
                            ({"delimiter": "|"}, "delimiter"), ({"dates": "ymd"}, "dates"),
                            ({"sn_name": True, "output": "-"}, "standard output")]:
        args = {"output": tmp_path / "x.txt", **kwargs}
        with pytest.raises(ValueError, match=problem):
            viduravare.convert(sample("atelier_nord.pdb"), **args)
    assert sorted(p.name for p in tmp_path.iterdir()) == ["00A1B2C3.txt"]


def test_a_stop_leaves_an_earlier_output_intact(tmp_path):
    out = tmp_path / "out.txt"
    out.write_text("earlier")
    with pytest.raises(viduravare.ConversionStopped, match="header first") as stopped:
        viduravare.convert([sample(n) for n in ENTREPOT], out)
    assert stopped.value.reports[-1].kind == viduravare.ReportKind.no_header
    assert out.read_text() == "earlier"
    assert [p.name for p in tmp_path.iterdir()] == ["out.txt"]


def interrupted_while_running(work):
    """Runs `work` with an interrupt that a second thread can only send once
    `work` has let go of the GIL: the switch interval is too long for it to run
    before. Returns what `work` raised."""
    ready = threading.Event()
    sender = threading.Thread(target=lambda: (ready.wait(), _thread.interrupt_main()))
    interval = sys.getswitchinterval()
    sys.setswitchinterval(100)
    try:
        sender.start()
        ready.set()
        with pytest.raises(KeyboardInterrupt) as interrupted:
            try:
                work()
            finally:
                sender.join()
        return interrupted.value
    finally:
        sys.setswitchinterval(interval)


def test_keyboard_interrupt_cancels_a_conversion_without_the_gil(big_dump, tmp_path):
    out = tmp_path / "out.txt"
    out.write_text("earlier")
    interrupted_while_running(lambda: viduravare.convert(big_dump, out))
    assert out.read_text() == "earlier"
    assert [p.name for p in tmp_path.iterdir()] == ["out.txt"]
    interrupted_while_running(lambda: viduravare.read(big_dump))
    # Nothing of the interrupted runs stays: the next read is whole.
    assert len(viduravare.read(big_dump)) == 43007


def test_reads_on_two_threads_at_once_agree(big_dump):
    results = [None, None]

    def read(i):
        results[i] = viduravare.read(big_dump)

    threads = [threading.Thread(target=read, args=(i,)) for i in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    np.testing.assert_array_equal(results[0].values, results[1].values)
    np.testing.assert_array_equal(results[0].times, results[1].times)
    assert results[0].values.shape == (43007, 153)
