"""convert() against the command line; what a stop and an interrupt leave:
both functions work without the GIL and end on KeyboardInterrupt."""
import _thread
import sys
import threading
import zipfile

import pytest

import viduravare
from conftest import cli_status, run_cli, sample


@pytest.mark.parametrize("inputs, options, kwargs", [
    (["atelier_nord.pdb"], ["--decimal-separator", ","], {"decimal_separator": ","}),
    (["mini_site.pdb"], ["--encoding", "UTF-8", "--bom", "--dates", "iso", "--delimiter", ";"],
     {"encoding": "UTF-8", "bom": True, "dates": "iso", "delimiter": ";"}),
    (["quendar_chambre.pdc"], ["--date-separator", "-", "--time-separator", "h"],
     {"date_separator": "-", "time_separator": "h"}),
    (["entrepot_01.pdc", "entrepot_02.pdc"],
     ["--header", "entrepot_header.pdc", "--no-date-check"],
     {"header": "entrepot_header.pdc", "check_dates": False}),
    (["compteur_blocs.pdc"], ["--format", "xlsx"], {"format": "xlsx"}),
])
def test_convert_writes_what_the_command_line_writes(inputs, options, kwargs, tmp_path,
                                                     monkeypatch):
    monkeypatch.setenv("LC_ALL", "C")
    monkeypatch.chdir(tmp_path)
    for name in inputs + ["entrepot_header.pdc"]:
        (tmp_path / name).symlink_to(sample(name))
    ext = kwargs.get("format", "txt")
    code, err = run_cli(*inputs, *options, "-o", f"cli.{ext}", cwd=tmp_path)
    result = viduravare.convert(inputs, f"py.{ext}", **kwargs)
    assert code == 0 and result.path == f"py.{ext}"
    assert result.status == cli_status(err[-1], inputs[0])
    if ext == "txt":
        written = (tmp_path / "py.txt").read_bytes()
        assert written == (tmp_path / "cli.txt").read_bytes()
        assert result.rows == written.count(b"\r\n") - 2
    else:  # the same sheet (the document properties hold the time of writing)
        sheet = "xl/worksheets/sheet1.xml"
        assert zipfile.ZipFile("py.xlsx").read(sheet) == zipfile.ZipFile("cli.xlsx").read(sheet)


def test_a_stop_and_a_refused_option_leave_an_earlier_output_intact(tmp_path):
    out = tmp_path / "out.txt"
    out.write_text("earlier")
    with pytest.raises(viduravare.ConversionStopped, match="header first") as stopped:
        viduravare.convert([sample("entrepot_01.pdc")], out)
    assert stopped.value.reports[-1].kind == viduravare.ReportKind.no_header
    for kwargs, problem in [({"bom": True}, "bom needs"), ({"delimiter": "|"}, "delimiter"),
                            ({"format": "xlsx", "delimiter": ";"}, "text output")]:
        with pytest.raises(ValueError, match=problem):
            viduravare.convert(sample("atelier_nord.pdb"), out, **kwargs)
    assert out.read_text() == "earlier" and [p.name for p in tmp_path.iterdir()] == ["out.txt"]
    result = viduravare.convert(sample("atelier_nord.pdb"), tmp_path, sn_name=True)
    assert result.path == str(tmp_path / "00A1B2C3.txt") and result.kind == "multichannel"


def interrupt_while(work):
    """Runs `work` while a second thread sends Ctrl-C; that thread can only run
    once `work` has let go of the GIL, the switch interval being too long."""
    ready = threading.Event()
    sender = threading.Thread(target=lambda: (ready.wait(), _thread.interrupt_main()))
    interval = sys.getswitchinterval()
    sys.setswitchinterval(100)
    try:
        sender.start()
        ready.set()
        with pytest.raises(KeyboardInterrupt):
            try:
                work()
            finally:
                sender.join()
    finally:
        sys.setswitchinterval(interval)


def test_keyboard_interrupt_cancels_a_conversion_that_let_go_of_the_gil(big_dump, tmp_path):
    out = tmp_path / "out.txt"
    out.write_text("earlier")
    interrupt_while(lambda: viduravare.convert(big_dump, out))
    assert out.read_text() == "earlier" and [p.name for p in tmp_path.iterdir()] == ["out.txt"]
    interrupt_while(lambda: viduravare.read(big_dump))
    assert viduravare.read(big_dump).values.shape == (43007, 153)
