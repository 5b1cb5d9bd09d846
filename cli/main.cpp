// viduravare on the command line: converts recordings into text files or workbooks without a
// window, one recording or a whole list of files at once.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <tuple>
#include <vector>

#include "cli/status_printer.h"
#include "convert/batch.h"
#include "convert/converter.h"
#include "platform/paths.h"
#include "platform/standard_descriptors.h"

namespace {

/// The output name that stands for standard output.
constexpr std::string_view kStandardOutput = "-";

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char kSynopsis[] =
    "usage: viduravare IN.pdb OUT.txt\n"
    "         convert IN into OUT.txt in the program's folder (the current folder when the\n"
    "         program's folder cannot be written), as the window's command line does (a\n"
    "         mini-channel dump always goes to mini1.txt there); a logger file IN is the\n"
    "         single-file case: it needs its central record and all its module records\n"
    "       viduravare convert INPUT... -o OUTPUT [options]\n"
    "         convert a concentrator dump, or the logger files of one recording (one\n"
    "         folder, in the order given), into OUTPUT ('-': standard output); logger\n"
    "         files, even one alone, are a selection as in the window: a central record\n"
    "         is a header\n"
    "       viduravare convert --output-dir DIR INPUT... [options]\n"
    "         convert each input on its own into DIR/<its name>.txt (.xlsx with --format xlsx)\n"
    "       viduravare preview FILE\n"
    "         print the serial number and name line of FILE's header\n"
    "       viduravare header H.pdc\n"
    "         load H.pdc as a logger header file and print what was found\n"
    "       viduravare --help | --version\n";

const char kExitText[] =
    "Status texts go to stderr. Exit status: 0 done, 1 a conversion stopped (no output file is\n"
    "left for it), 2 usage error.\n";

// The synopsis alone, or the problem and where to read more.
int Usage(const std::string& problem) {
  if (problem.empty()) {
    std::fputs(kSynopsis, stderr);
  } else {
    std::fprintf(stderr, "viduravare: %s\n", problem.c_str());
  }
  std::fputs("Run 'viduravare --help' for every option.\n", stderr);
  return kExitUsage;
}

// The options of `convert`, as given.
struct ConvertArgs {
  std::vector<std::string> inputs;
  std::string output;
  std::string output_dir;
  std::string header;
  std::string decimal_separator;
  std::string date_separator;
  std::string time_separator;
  bool no_date_check = false;
  bool sn_name = false;
  int jobs = 0;
  std::string format = "txt";
  std::string encoding = "cp1252";
  bool bom = false;
  std::string dates = "dmy";
  std::string delimiter = "tab";
};

void AddConvertOptions(CLI::App& convert, ConvertArgs& a) {
  convert.add_option("inputs", a.inputs, "a dump (.pdb) or logger files (.pdc)")
      ->type_name("INPUT");
  convert.add_option("-o,--output", a.output, "the output file, '-' for standard output")
      ->type_name("OUTPUT");
  convert
      .add_option("--output-dir", a.output_dir, "convert each input alone into DIR/<name>.<ext>")
      ->type_name("DIR");
  convert.add_option("--header", a.header, "load this logger header file first")
      ->type_name("H.pdc");
  convert
      .add_option("--decimal-separator", a.decimal_separator,
                  "decimal separator of the numbers (default: the locale's)")
      ->type_name("C")
      ->check([](const std::string& v) { return v.size() == 1 ? "" : "takes one character"; });
  for (auto [name, field, what] : {std::tuple{"--date-separator", &a.date_separator, "date"},
                                   std::tuple{"--time-separator", &a.time_separator, "time"}}) {
    convert
        .add_option(name, *field,
                    std::string(what) + " separator of Quendar times (default: the locale's)")
        ->type_name("C")
        ->check([](const std::string& v) { return v.size() == 1 ? "" : "takes one character"; });
  }
  convert.add_flag("--no-date-check", a.no_date_check, "take every record's time stamp as valid");
  convert.add_flag("--sn-name", a.sn_name,
                   "name the output after the serial number (in -o's folder)");
  convert
      .add_option("-j,--jobs", a.jobs, "with --output-dir: conversions at once (default: cores)")
      ->type_name("N")
      ->check(CLI::Range(1, 1024).description(""));
  convert.add_option("--format", a.format, "txt (the program's text) or xlsx (a workbook)")
      ->type_name("txt|xlsx")
      ->check(CLI::IsMember({"txt", "xlsx"}).description(""));
  convert.add_option("--encoding", a.encoding, "text: the recordings' bytes (cp1252) or utf-8")
      ->type_name("cp1252|utf-8")
      ->check(CLI::IsMember({"cp1252", "utf-8"}, CLI::ignore_case).description(""));
  convert.add_flag("--bom", a.bom, "with --encoding utf-8: a byte-order mark first");
  convert.add_option("--dates", a.dates, "dd/mm/yy hh:mm:ss (dmy) or yyyy-mm-dd hh:mm:ss (iso)")
      ->type_name("dmy|iso")
      ->check(CLI::IsMember({"dmy", "iso"}).description(""));
  convert.add_option("--delimiter", a.delimiter, "text: between cells; ';' and ',' quote cells")
      ->type_name("tab|;|,")
      ->check(CLI::IsMember({"tab", ";", ","}).description(""));
}

// The request that the options describe, its inputs and output left empty; "" when valid, else
// the usage problem.
std::string MakeRequest(const ConvertArgs& a, vid::Request& r) {
  vid::OutputStyle& style = r.style;
  style.format = a.format == "xlsx" ? vid::OutputFormat::kWorkbook : vid::OutputFormat::kText;
  style.text.encoding = a.encoding == "cp1252" ? vid::Encoding::kCp1252 : vid::Encoding::kUtf8;
  style.text.bom = a.bom;
  style.text.dates = a.dates == "iso" ? vid::DateStyle::kIso : vid::DateStyle::kDayFirst;
  style.text.delimiter = a.delimiter == "tab" ? '\t' : a.delimiter[0];
  if (a.sn_name && !a.output_dir.empty()) return "--sn-name and --output-dir exclude each other";
  if (a.bom && style.text.encoding != vid::Encoding::kUtf8) return "--bom needs --encoding utf-8";
  if (style.format == vid::OutputFormat::kWorkbook && (a.bom || style.text.delimiter != '\t')) {
    return "--bom and --delimiter apply to text output, not to --format xlsx";
  }
  r.header = a.header;
  r.options.copy_to_clipboard = false;
  // The regional separators, each replaced by the one given.
  r.options.UseRegionalSeparators();
  if (!a.decimal_separator.empty()) r.options.decimal_separator = a.decimal_separator[0];
  if (!a.date_separator.empty()) r.options.date_separator = a.date_separator[0];
  if (!a.time_separator.empty()) r.options.time_separator = a.time_separator[0];
  r.options.skip_date_check = a.no_date_check;
  r.options.name_after_serial = a.sn_name;
  return "";
}

// A stopped conversion has said why in its status text already.
int ExitCode(const vid::Result& r) {
  return r.Completed() ? kExitOk : kExitFailed;
}

// The extension of the output files of `format`.
std::string_view Extension(vid::OutputFormat format) {
  return format == vid::OutputFormat::kWorkbook ? "xlsx" : "txt";
}

// The progress line of a batch, on a terminal only: files done of all, and the current name.
class BatchProgressLine {
 public:
  BatchProgressLine() : terminal_(::isatty(STDERR_FILENO) == 1) {}
  void Show(size_t done, size_t total, const std::string& current) {
    if (!terminal_) return;
    const std::string text =
        std::to_string(done) + "/" + std::to_string(total) + "  " + vid::NameOf(current);
    std::fprintf(stderr, "\r%s%*s", text.c_str(), static_cast<int>(Pad(text.size())), "");
    std::fflush(stderr);
  }
  void End() {
    if (terminal_ && width_ > 0) std::fprintf(stderr, "\r%*s\r", static_cast<int>(width_), "");
  }

 private:
  size_t Pad(size_t now) {
    const size_t pad = width_ > now ? width_ - now : 0;
    width_ = std::max(width_, now);
    return pad;
  }
  bool terminal_;
  size_t width_ = 0;
};

int RunBatchConvert(const ConvertArgs& a, const vid::Request& base) {
  std::error_code ec;
  std::filesystem::create_directories(a.output_dir, ec);
  if (ec) {
    std::fprintf(stderr, "viduravare: cannot make the folder %s: %s\n", a.output_dir.c_str(),
                 ec.message().c_str());
    return kExitFailed;
  }
  std::vector<vid::Request> requests;
  std::set<std::string> outputs;
  for (const std::string& input : a.inputs) {
    vid::Request r = base;
    r.inputs = {input};
    r.target = {vid::TargetKind::kFile,
                vid::BatchOutputPath(a.output_dir, input, Extension(base.style.format))};
    if (!outputs.insert(r.target.path).second) {
      return Usage("two inputs would both write " + r.target.path);
    }
    requests.push_back(std::move(r));
  }
  const int jobs = a.jobs > 0 ? a.jobs : static_cast<int>(std::thread::hardware_concurrency());
  BatchProgressLine line;
  const std::vector<vid::Result> results =
      vid::RunBatch(requests, jobs, [&line](size_t done, size_t total, const std::string& name) {
        line.Show(done, total, name);
      });
  line.End();

  size_t stopped = 0;
  for (const vid::Result& r : results) stopped += !r.Completed();
  std::fprintf(stderr, "%zu converted, %zu stopped\n", results.size() - stopped, stopped);
  for (size_t i = 0; i < results.size(); ++i) {
    if (results[i].Completed()) continue;
    std::fprintf(stderr, "stopped: %s: %s\n", a.inputs[i].c_str(), results[i].Status().c_str());
  }
  return stopped ? kExitFailed : kExitOk;
}

int RunConvert(const ConvertArgs& a, bool have_output) {
  if (a.inputs.empty()) return Usage("convert needs an input file");
  vid::Request request;
  if (const std::string problem = MakeRequest(a, request); !problem.empty()) return Usage(problem);
  if (!a.output_dir.empty()) {
    if (have_output) return Usage("-o and --output-dir exclude each other");
    return RunBatchConvert(a, request);
  }
  if (!have_output && !a.sn_name) return Usage("convert needs -o OUTPUT or --output-dir DIR");
  if (a.sn_name && a.output == kStandardOutput) {
    return Usage("--sn-name names a file: it cannot go to standard output");
  }
  if (a.inputs.size() > 1 && !vid::EndsWith(a.inputs[0], "pdc")) {
    return Usage("several inputs form one recording only for logger (.pdc) files");
  }
  for (const std::string& in : a.inputs) {
    if (vid::FolderOf(in) != vid::FolderOf(a.inputs[0])) {
      return Usage("the logger files of one recording must lie in one folder");
    }
  }
  request.inputs = a.inputs;
  if (a.sn_name) {
    request.target = {vid::TargetKind::kFolder, have_output ? a.output : "."};
  } else if (a.output == kStandardOutput) {
    request.target = {vid::TargetKind::kStandardOutput, ""};
  } else {
    request.target = {vid::TargetKind::kFile, a.output};
  }
  vid::StatusPrinter printer;
  return ExitCode(vid::Convert(request, printer));
}

int RunPreview(const std::string& path) {
  vid::Converter converter;
  const vid::Preview preview = converter.ReadPreview(path);
  if (!preview.opened) {
    std::fprintf(stderr, "viduravare: cannot open %s: %s\n", path.c_str(), preview.error.c_str());
    return kExitFailed;
  }
  std::printf("%s\n", preview.line.c_str());
  return kExitOk;
}

int RunHeader(const std::string& path) {
  vid::Converter converter;
  vid::Observer quiet;
  const vid::Result result = converter.LoadHeader(path, quiet);
  std::printf("%s\n", result.Status().c_str());
  return converter.HeaderLoaded() ? kExitOk : kExitFailed;
}

// The window's command line: IN.pdb (or IN.pdc) and OUT.txt converted into the program's folder
// (the current folder when that cannot be written), a mini-channel dump into mini1.txt there, a
// logger file as the single-file case.
int RunTwoNames(const std::vector<std::string>& names) {
  const bool input_ok =
      names.size() == 2 && (vid::EndsWith(names[0], ".pdb") || vid::EndsWith(names[0], ".pdc"));
  if (!input_ok || !vid::EndsWith(names[1], ".txt")) {
    return Usage("expected IN.pdb OUT.txt (or IN.pdc OUT.txt)");
  }
  vid::Request request;
  request.inputs = {names[0]};
  request.single_logger_file = true;
  request.options.UseRegionalSeparators();
  std::string folder = vid::ProgramFolder();
  const bool fallback = !vid::FolderWritable(folder);
  const std::string program_folder = folder;
  if (fallback) folder = vid::CurrentFolder();
  request.target = {vid::TargetKind::kFolder, folder, names[1]};
  vid::StatusPrinter printer;
  const vid::Result result = vid::Convert(request, printer);
  if (result.Completed() && fallback) {
    std::fprintf(stderr,
                 "viduravare: The program's folder %s cannot be written: the output is %s\n",
                 program_folder.c_str(), result.path.c_str());
  }
  return ExitCode(result);
}

}  // namespace

int main(int argc, char** argv) {
  // No output file may take the number of a closed standard stream.
  vid::OpenStandardDescriptors();
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage("");
  if (args[0] == "help") args[0] = "--help";

  CLI::App app(std::string("viduravare converts concentrator dumps (.pdb) and logger files "
                           "(.pdc) into text or workbooks.\n\n") +
                   kSynopsis,
               "viduravare");
  app.footer(kExitText);
  app.get_formatter()->column_width(32);
  app.set_version_flag("--version", "viduravare " VIDURAVARE_VERSION);
  app.require_subcommand(0, 1);
  std::vector<std::string> names;
  app.add_option("names", names, "IN.pdb OUT.txt: the window's command line");

  ConvertArgs convert_args;
  CLI::App* convert = app.add_subcommand("convert", "convert into a text file or a workbook");
  AddConvertOptions(*convert, convert_args);
  std::string preview_file, header_file;
  CLI::App* preview = app.add_subcommand("preview", "print the header line of FILE");
  preview->add_option("file", preview_file, "a dump or a logger file")->required();
  CLI::App* header =
      app.add_subcommand("header", "load a logger header file and say what it holds");
  header->add_option("file", header_file, "a logger header file (.pdc)")->required();

  try {
    std::reverse(args.begin(), args.end());  // CLI11 takes the arguments last first
    app.parse(args);
  } catch (const CLI::CallForHelp&) {
    std::fputs(app.help("", CLI::AppFormatMode::All).c_str(), stdout);
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --version
    return Usage(e.what());
  }

  if (convert->parsed()) return RunConvert(convert_args, convert->count("-o") > 0);
  if (preview->parsed()) return RunPreview(preview_file);
  if (header->parsed()) return RunHeader(header_file);
  return RunTwoNames(names);
}
