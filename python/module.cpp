// The Python module `viduravare`: read() and convert() over the conversion library. The work is
// done in C++ without the GIL; the module turns Python arguments into a request, a stop into
// ConversionStopped, and the recording's vectors into numpy arrays that own them.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "convert/converter.h"
#include "platform/paths.h"
#include "python/recording.h"

namespace py = pybind11;
using namespace py::literals;

namespace {

const char kModuleDoc[] = R"(Read the recordings of an energy-monitoring installation from Python.

viduravare reads the central unit's dumps (*.pdb), mini-channel dumps and the
logger files (*.pdc) of one recording, and gives their rows as typed columns:

    >>> import viduravare
    >>> rec = viduravare.read("atelier_nord.pdb")
    >>> rec.kind, rec.serial, rec.name
    ('multichannel', '00A1B2C3', 'Atelier Nord')
    >>> rec.times[:2]            # numpy datetime64[s]
    >>> rec.values.shape         # (rows, columns), float64, NaN for an empty cell
    >>> rec.columns[13]          # Column(group='Module 00012345', name='I1', unit='')
    >>> df = rec.to_pandas()     # DatetimeIndex 'time', columns (group, name, unit)

A logger recording is a list of its files in their order; a header file that
carries the installation is loaded first with header=:

    >>> viduravare.read(["entrepot_01.pdc", "entrepot_02.pdc"],
    ...                 header="entrepot_header.pdc")

The values are read from the text the conversion writes, so they are the numbers
that text shows, rounded as it rounds them. convert() writes that text (or a
workbook) to a file, with every option of `viduravare convert`.

A conversion that cannot complete raises ConversionStopped with the status text
the command line prints. Both functions release the GIL while they work and end
cleanly on Ctrl-C (KeyboardInterrupt), leaving no output file behind.

Functions: read, convert.  Classes: Recording, Column, Report, Result,
ReportKind.  Exception: ConversionStopped.
)";

const char kStoppedDoc[] = R"(A conversion stopped without output.

The input is damaged beyond what the converter goes on after, a logger
selection lacks its header, an input cannot be read, or the output cannot be
written: where `viduravare convert` exits with 1. str(exception) is the status
text the command line prints for it; `reports` holds every Report of the
conversion, that status text last.)";

// The exception type, made once when the module is imported and kept for the process's life.
PyObject* g_stopped = nullptr;

// A text from the library in Python: UTF-8, with the bytes of a path that are not UTF-8 kept as
// os.fsdecode keeps them.
py::str Text(const std::string& s) {
  PyObject* o =
      PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "surrogateescape");
  if (!o) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(o);
}

bool IsPath(const py::handle& h) {
  return py::isinstance<py::str>(h) || py::isinstance<py::bytes>(h) || py::hasattr(h, "__fspath__");
}

// A path given as str, bytes or os.PathLike, in the bytes the file system takes.
std::string PathArg(const py::handle& path) {
  if (!IsPath(path)) throw py::type_error("a path is a str, bytes or os.PathLike object");
  return std::string(py::bytes(py::module_::import("os").attr("fsencode")(path)));
}

// One path, or a sequence of paths in their order.
std::vector<std::string> PathsArg(const py::handle& paths) {
  std::vector<std::string> out;
  if (IsPath(paths)) {
    out.push_back(PathArg(paths));
  } else {
    for (const py::handle item : py::iter(paths)) out.push_back(PathArg(item));
  }
  return out;
}

std::string OptionalPath(const py::object& path) {
  return path.is_none() ? std::string() : PathArg(path);
}

// The checks the command line makes on the inputs of one recording.
void CheckInputs(const std::vector<std::string>& inputs) {
  if (inputs.empty()) throw py::value_error("no input file given");
  if (inputs.size() > 1 && !vid::EndsWith(inputs[0], "pdc")) {
    throw py::value_error("several inputs form one recording only for logger (.pdc) files");
  }
  for (const std::string& in : inputs) {
    if (vid::FolderOf(in) != vid::FolderOf(inputs[0])) {
      throw py::value_error("the logger files of one recording must lie in one folder");
    }
  }
}

// A one-character option; `what` names it in the error.
char CharArg(const std::string& value, const char* what) {
  if (value.size() != 1) throw py::value_error(std::string(what) + " takes one character");
  return value[0];
}

// Hears of a conversion on its own thread, the GIL released: between steps it takes the GIL and
// runs the signal handlers that are due. An exception they raise (KeyboardInterrupt on Ctrl-C)
// cancels the conversion and is raised again once it has returned.
class InterruptibleObserver : public vid::Observer {
 public:
  bool Cancelled() override {
    if (error_) return true;
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() == 0) return false;
    error_.emplace();  // takes the exception the handler raised
    return true;
  }
  /// Raises the exception of a signal handler that cancelled the conversion, if one did.
  void RaiseIfInterrupted() {
    if (!error_) return;
    py::error_already_set error = std::move(*error_);
    error_.reset();
    throw error;
  }

 private:
  std::optional<py::error_already_set> error_;
};

py::tuple Reports(const std::vector<vid::Report>& reports) {
  py::tuple out(reports.size());
  for (size_t i = 0; i < reports.size(); ++i) out[i] = py::cast(reports[i]);
  return out;
}

[[noreturn]] void RaiseStopped(const vid::Result& result) {
  const py::handle type(g_stopped);
  py::object error = type(Text(result.Status()));
  error.attr("reports") = Reports(result.reports);
  PyErr_SetObject(type.ptr(), error.ptr());
  throw py::error_already_set();
}

// Runs `work` without the GIL, cancelled by a signal handler's exception; raises that exception
// or ConversionStopped, else returns what `work` returned.
template <class Work>
auto RunInterruptibly(Work work) {
  InterruptibleObserver observer;
  std::optional<decltype(work(observer))> done;
  {
    py::gil_scoped_release release;
    done.emplace(work(observer));
  }
  observer.RaiseIfInterrupted();
  return std::move(*done);
}

const char* KindName(vid::RecordingKind kind) {
  switch (kind) {
    case vid::RecordingKind::kMultichannel:
      return "multichannel";
    case vid::RecordingKind::kMiniChannel:
      return "mini-channel";
    case vid::RecordingKind::kBlockRecords:
      return "block records";
    case vid::RecordingKind::kQuendar:
      return "Quendar";
  }
  return "";
}

// A numpy array over `numbers` (a vector or a CellBuffer), which it keeps alive: no copy.
template <class Numbers>
py::array OwningArray(Numbers numbers, const py::dtype& dtype, std::vector<py::ssize_t> shape) {
  auto* owned = new Numbers(std::move(numbers));
  const py::capsule owner(owned, [](void* p) { delete static_cast<Numbers*>(p); });
  return py::array(dtype, std::move(shape), owned->data(), owner);
}

/// A recording as Python sees it: the texts, and numpy arrays that own the numbers.
struct PyRecording {
  std::string kind, serial, name;
  py::tuple columns;
  py::array times, values, outages;
  py::tuple reports;
  py::ssize_t rows = 0;
};

PyRecording MakeRecording(vid::ReadResult&& read) {
  vid::Recording& r = read.recording;
  PyRecording out;
  out.kind = KindName(r.kind);
  out.serial = r.serial;
  out.name = r.name;
  out.rows = static_cast<py::ssize_t>(r.Rows());
  out.columns = py::tuple(r.columns.size());
  for (size_t c = 0; c < r.columns.size(); ++c) out.columns[c] = py::cast(r.columns[c]);
  out.reports = Reports(read.result.reports);

  const py::dtype seconds("M8[s]");
  std::vector<int64_t> outage_times;
  std::vector<double> outage_seconds;
  for (const vid::Outage& o : vid::Outages(r)) {
    outage_times.push_back(o.time);
    outage_seconds.push_back(o.seconds);
  }
  const auto outages = static_cast<py::ssize_t>(outage_times.size());
  py::list fields;
  fields.append(py::make_tuple("time", "M8[s]"));
  fields.append(py::make_tuple("seconds", "f8"));
  out.outages = py::module_::import("numpy").attr("zeros")(outages, "dtype"_a = fields);
  out.outages.attr("__setitem__")("time", OwningArray(std::move(outage_times), seconds, {outages}));
  out.outages.attr("__setitem__")(
      "seconds", OwningArray(std::move(outage_seconds), py::dtype::of<double>(), {outages}));

  const auto columns = static_cast<py::ssize_t>(r.columns.size());
  out.times = OwningArray(std::move(r.times), seconds, {out.rows});
  out.values = OwningArray(std::move(r.values), py::dtype::of<double>(), {out.rows, columns});
  return out;
}

py::object ToPandas(const PyRecording& r) {
  py::module_ pd;
  try {
    pd = py::module_::import("pandas");
  } catch (py::error_already_set& e) {
    if (!e.matches(PyExc_ImportError)) throw;
    py::raise_from(e, PyExc_ImportError,
                   "Recording.to_pandas() needs pandas, which cannot be imported (Debian: "
                   "apt-get install python3-pandas)");
    throw py::error_already_set();
  }
  py::list groups, names, units;
  for (const py::handle c : r.columns) {
    const auto& column = c.cast<const vid::RecordingColumn&>();
    groups.append(column.group);
    names.append(column.name);
    units.append(column.unit);
  }
  const py::object columns =
      pd.attr("MultiIndex")
          .attr("from_arrays")(py::make_tuple(groups, names, units),
                               "names"_a = py::make_tuple("group", "name", "unit"));
  const py::object index = pd.attr("DatetimeIndex")(r.times, "name"_a = "time");
  return pd.attr("DataFrame")(r.values, "index"_a = index, "columns"_a = columns, "copy"_a = false);
}

PyRecording Read(const py::object& path_or_paths, const py::object& header,
                 const std::string& decimal_separator, bool check_dates) {
  vid::Request request;
  request.inputs = PathsArg(path_or_paths);
  CheckInputs(request.inputs);
  request.header = OptionalPath(header);
  const char decimal = CharArg(decimal_separator, "decimal_separator");
  if ((decimal >= '0' && decimal <= '9') || decimal == '-' || decimal == '\t' || decimal == '\r' ||
      decimal == '\n') {
    throw py::value_error("decimal_separator cannot be a digit, '-', TAB or a line end");
  }
  request.options.decimal_separator = decimal;
  request.options.skip_date_check = !check_dates;

  vid::ReadResult read = RunInterruptibly(
      [&](vid::Observer& observer) { return vid::ReadRecording(std::move(request), observer); });
  if (!read.error.empty()) {
    throw std::runtime_error("viduravare could not read the text it wrote: " + read.error);
  }
  if (!read.result.Completed()) RaiseStopped(read.result);
  return MakeRecording(std::move(read));
}

vid::Result Convert(const py::object& inputs, const py::object& output, const py::object& header,
                    const std::optional<std::string>& decimal_separator,
                    const std::optional<std::string>& date_separator,
                    const std::optional<std::string>& time_separator, bool check_dates,
                    bool sn_name, const std::string& format, std::string encoding, bool bom,
                    const std::string& dates, const std::string& delimiter) {
  vid::Request request;
  request.inputs = PathsArg(inputs);
  CheckInputs(request.inputs);
  request.header = OptionalPath(header);

  vid::OutputStyle& style = request.style;
  if (format != "txt" && format != "xlsx") throw py::value_error("format is 'txt' or 'xlsx'");
  style.format = format == "xlsx" ? vid::OutputFormat::kWorkbook : vid::OutputFormat::kText;
  for (char& c : encoding) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (encoding != "cp1252" && encoding != "utf-8") {
    throw py::value_error("encoding is 'cp1252' or 'utf-8'");
  }
  style.text.encoding = encoding == "utf-8" ? vid::Encoding::kUtf8 : vid::Encoding::kCp1252;
  style.text.bom = bom;
  if (dates != "dmy" && dates != "iso") throw py::value_error("dates is 'dmy' or 'iso'");
  style.text.dates = dates == "iso" ? vid::DateStyle::kIso : vid::DateStyle::kDayFirst;
  if (delimiter != "tab" && delimiter != "\t" && delimiter != ";" && delimiter != ",") {
    throw py::value_error("delimiter is 'tab', ';' or ','");
  }
  style.text.delimiter = delimiter == "tab" ? '\t' : delimiter[0];
  if (bom && style.text.encoding != vid::Encoding::kUtf8) {
    throw py::value_error("bom needs encoding='utf-8'");
  }
  if (style.format == vid::OutputFormat::kWorkbook && (bom || style.text.delimiter != '\t')) {
    throw py::value_error("bom and delimiter apply to text output, not to format='xlsx'");
  }

  // The locale's separators, each replaced by the one given, as on the command line.
  vid::Options& options = request.options;
  options.UseRegionalSeparators();
  if (decimal_separator)
    options.decimal_separator = CharArg(*decimal_separator, "decimal_separator");
  if (date_separator) options.date_separator = CharArg(*date_separator, "date_separator");
  if (time_separator) options.time_separator = CharArg(*time_separator, "time_separator");
  options.skip_date_check = !check_dates;
  options.name_after_serial = sn_name;

  const std::string out = PathArg(output);
  if (sn_name) {
    if (out == "-") throw py::value_error("sn_name names a file: it cannot go to standard output");
    request.target = {vid::TargetKind::kFolder, out};
  } else if (out == "-") {
    py::module_::import("sys").attr("stdout").attr("flush")();
    request.target = {vid::TargetKind::kStandardOutput, ""};
  } else {
    request.target = {vid::TargetKind::kFile, out};
  }
  vid::Result result =
      RunInterruptibly([&](vid::Observer& observer) { return vid::Convert(request, observer); });
  if (!result.Completed()) RaiseStopped(result);
  return result;
}

}  // namespace

PYBIND11_MODULE(viduravare, m) {
  m.doc() = kModuleDoc;
  g_stopped =
      PyErr_NewExceptionWithDoc("viduravare.ConversionStopped", kStoppedDoc, nullptr, nullptr);
  if (!g_stopped) throw py::error_already_set();
  m.add_object("ConversionStopped", py::handle(g_stopped));

  py::enum_<vid::ReportKind>(m, "ReportKind", "What a report says.")
      .value("corrected_header", vid::ReportKind::kCorrectedHeader,
             "the central unit's record table was out of shape (a finding)")
      .value("corrected_module_count", vid::ReportKind::kCorrectedModuleCount,
             "the module count did not match the record table (a finding)")
      .value("missing_data", vid::ReportKind::kMissingData,
             "the file ends before the data it announces (a finding)")
      .value("format_error", vid::ReportKind::kFormatError,
             "a logger record of an unknown type or period (a finding)")
      .value("out_of_range", vid::ReportKind::kOutOfRange,
             "a count or position beyond what the tables hold (a stop)")
      .value("no_header", vid::ReportKind::kNoHeader,
             "logger data without the installation records (a stop)")
      .value("header_not_found", vid::ReportKind::kHeaderNotFound,
             "a header file without a complete installation (a stop)")
      .value("not_a_logger_file", vid::ReportKind::kNotALoggerFile,
             "a header file that is no logger file (a stop)")
      .value("no_input", vid::ReportKind::kNoInput, "nothing to convert (a stop)")
      .value("cannot_open", vid::ReportKind::kCannotOpen, "an input could not be read (a stop)")
      .value("cannot_write", vid::ReportKind::kCannotWrite,
             "the output could not be made or written (a stop)")
      .value("out_of_memory", vid::ReportKind::kOutOfMemory, "the memory ran out (a stop)")
      .value("cancelled", vid::ReportKind::kCancelled, "the conversion was interrupted (a stop)")
      .value("status", vid::ReportKind::kStatus,
             "a status text that is no finding: a completion, a header found");

  py::class_<vid::Report>(m, "Report",
                          "A report of a conversion: what it found on the way, why it stopped,\n"
                          "or its completion text.")
      .def_property_readonly(
          "kind", [](const vid::Report& r) { return r.kind; }, "The ReportKind.")
      .def_property_readonly(
          "text", [](const vid::Report& r) { return Text(r.text); },
          "The text, as the command line prints it.")
      .def_property_readonly(
          "finding", [](const vid::Report& r) { return vid::IsFinding(r.kind); },
          "True for a finding the conversion went on after.")
      .def("__repr__", [](const vid::Report& r) {
        return py::str("Report({}, {!r})").format(py::cast(r.kind), Text(r.text));
      });

  py::class_<vid::RecordingColumn>(m, "Column",
                                   "One column of a Recording, as the text's header lines "
                                   "describe it.")
      .def_readonly("name", &vid::RecordingColumn::name,
                    "The column's name: 'Ph 1', 'Downtime', a module channel's name\n"
                    "('Channel N' when the text leaves it empty), 'P1', 'Temperature'.")
      .def_readonly("unit", &vid::RecordingColumn::unit,
                    "The unit the text gives ('Volts', 's', 'Wh', '°C'; 'V', 'W', 'A' for\n"
                    "the mini-channel titles), or '' when it gives none, as for module\n"
                    "channels.")
      .def_readonly("group", &vid::RecordingColumn::group,
                    "The group: 'Phase voltages', 'Quality and downtime', 'Module 00012345',\n"
                    "'Meter <serial>', 'Blocks', 'Volt'/'Watt'/'Amp', 'Logger <serial>'.")
      .def_property_readonly(
          "module_serial",
          [](const vid::RecordingColumn& c) -> py::object {
            if (c.module_serial.empty()) return py::none();
            return py::str(c.module_serial);
          },
          "The module's serial number ('00012345') for a module channel, else None.")
      .def("__repr__", [](const vid::RecordingColumn& c) {
        return py::str("Column(group={!r}, name={!r}, unit={!r})").format(c.group, c.name, c.unit);
      });

  py::class_<PyRecording>(m, "Recording",
                          "One recording read by read(): its unit, its columns, and one row\n"
                          "per record (per sample of a Quendar recorder). len() is the rows.")
      .def_readonly("kind", &PyRecording::kind,
                    "'multichannel' (a dump, or logger page records), 'mini-channel',\n"
                    "'block records' or 'Quendar'.")
      .def_readonly("serial", &PyRecording::serial,
                    "The unit's serial number, eight hexadecimal digits ('00A1B2C3').")
      .def_readonly("name", &PyRecording::name,
                    "The central unit's name without its trailing blanks; '' when it has none.")
      .def_readonly("columns", &PyRecording::columns, "A tuple of Column, one per value column.")
      .def_readonly("times", &PyRecording::times,
                    "The rows' time stamps: a numpy datetime64[s] array, wall-clock time\n"
                    "as the unit wrote it (no time zone); NaT for a stamp that is no date\n"
                    "(only with check_dates=False).")
      .def_readonly("values", &PyRecording::values,
                    "The cells: a 2-D float64 numpy array, rows by columns, NaN for an\n"
                    "empty cell. The numbers are those the text shows, with its rounding.")
      .def_readonly("outages", &PyRecording::outages,
                    "The outages of a 'g' unit: a numpy structured array of the rows\n"
                    "whose Downtime is not zero, with the fields 'time' (the row's time,\n"
                    "datetime64[s]) and 'seconds' (the downtime the row reports for the\n"
                    "period that ends at its time). Empty for a unit without a Downtime\n"
                    "column.")
      .def_readonly("reports", &PyRecording::reports,
                    "A tuple of Report, as the conversion made them; the completion text last.")
      .def("to_pandas", &ToPandas,
           "A pandas DataFrame of the values (no copy of them): a DatetimeIndex\n"
           "named 'time', and columns labelled (group, name, unit) in a MultiIndex\n"
           "of those names. pandas is imported here only; without it this raises\n"
           "ImportError.")
      .def("__len__", [](const PyRecording& r) { return r.rows; })
      .def("__repr__", [](const PyRecording& r) {
        return py::str("<Recording {} {} {!r}: {} rows, {} columns>")
            .format(r.kind, r.serial, r.name, r.rows, r.columns.size());
      });

  py::class_<vid::Result>(m, "Result", "What convert() did.")
      .def_property_readonly(
          "path", [](const vid::Result& r) { return Text(r.path); },
          "The file written ('' for standard output).")
      .def_readonly("rows", &vid::Result::rows, "The rows written below the header lines.")
      .def_property_readonly(
          "kind", [](const vid::Result& r) { return KindName(r.kind); },
          "What was converted: 'multichannel', 'mini-channel', 'block records'\n"
          "or 'Quendar'.")
      .def_property_readonly(
          "reports", [](const vid::Result& r) { return Reports(r.reports); },
          "A tuple of Report, as the conversion made them; the completion text last.")
      .def_property_readonly(
          "status", [](const vid::Result& r) { return Text(r.Status()); },
          "The completion text ('Done...', 'Quendar file - Done').")
      .def("__repr__", [](const vid::Result& r) {
        return py::str("<Result {}: {} rows, {!r}>").format(Text(r.path), r.rows, Text(r.Status()));
      });

  m.def("read", &Read, "path_or_paths"_a, "header"_a = py::none(), "decimal_separator"_a = ".",
        "check_dates"_a = true,
        R"(Read a recording into a Recording.

path_or_paths: a dump (.pdb), or the logger files (.pdc) of one recording, a list
    in their order (one folder). Logger files, even one alone, are a selection: a
    central record among them makes the header available.
header: a logger header file loaded first (as `--header`).
decimal_separator: the separator of the conversion behind the values ('.'). It
    changes no value; it is there to read exactly what `viduravare convert
    --decimal-separator C` writes.
check_dates: False takes every record's time stamp as valid (`--no-date-check`);
    a stamp that is no date then gives NaT.

Raises ConversionStopped where `viduravare convert` stops (exit status 1), with
its status text; ValueError for arguments the command line refuses.)");

  m.def("convert", &Convert, "inputs"_a, "output"_a, "header"_a = py::none(), py::kw_only(),
        "decimal_separator"_a = py::none(), "date_separator"_a = py::none(),
        "time_separator"_a = py::none(), "check_dates"_a = true, "sn_name"_a = false,
        "format"_a = "txt", "encoding"_a = "cp1252", "bom"_a = false, "dates"_a = "dmy",
        "delimiter"_a = "tab",
        R"(Convert a recording into a file, as `viduravare convert INPUT... -o OUTPUT` does.

inputs: a dump, or the logger files of one recording (a list, in order).
output: the file to write; '-' for standard output; with sn_name the folder.
header: a logger header file loaded first (`--header`).
decimal_separator, date_separator, time_separator: one character each; by default
    the locale's, as on the command line (the date and time separators are those
    of the Quendar sample times).
check_dates: False is `--no-date-check`.
sn_name: name the output after the serial number ('00A1B2C3.txt') in the folder
    `output` (`--sn-name`).
format: 'txt' or 'xlsx' (a workbook).
encoding: 'cp1252' (the recordings' bytes) or 'utf-8'; bom: a byte-order mark
    first (utf-8 only).
dates: 'dmy' (dd/mm/yy hh:mm:ss) or 'iso' (yyyy-mm-dd hh:mm:ss).
delimiter: 'tab', ';' or ','.

Returns a Result. The output is in place only once the conversion has completed:
a stop or an interrupt leaves an earlier file of that name intact. Raises
ConversionStopped where the command line exits with 1, ValueError where it
reports a usage error.)");
}
