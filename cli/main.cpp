// viduravare on the command line: converts recordings into text files or workbooks without a
// window, one recording or a whole list of files at once.
#include <sys/mman.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "cli/status_printer.h"
#include "convert/batch.h"
#include "convert/converter.h"
#include "platform/paths.h"
#include "platform/standard_descriptors.h"

namespace {

/// The name that stands for standard output (after -o) and standard input (as an input).
constexpr std::string_view kStandardStream = "-";
/// What standard input is called in messages and output names.
constexpr std::string_view kStdinName = "stdin";

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNothing = 3;

constexpr int kMaxJobs = 1024;

const char kHelp[] =
    "usage: viduravare convert INPUT... -o OUTPUT [options]\n"
    "       viduravare convert --output-dir DIR [-j N] INPUT... [options]\n"
    "       viduravare preview FILE\n"
    "       viduravare header H.pdc\n"
    "       viduravare IN.pdb OUT.txt\n"
    "       viduravare --help | --version\n"
    "\n"
    "Converts concentrator dumps (.pdb) and logger files (.pdc) into text or workbooks.\n"
    "\n"
    "commands:\n"
    "  convert INPUT... -o OUTPUT  a dump, or the logger files of one recording (one folder, in\n"
    "                              the order given), into OUTPUT: a workbook when its name ends\n"
    "                              in .xlsx, text otherwise; '-' is standard output\n"
    "  convert --output-dir DIR INPUT...\n"
    "                              each input on its own into DIR/<its name>.txt (.xlsx with\n"
    "                              --format xlsx); each logger file is its own recording\n"
    "  preview FILE                print the serial number and name line of FILE's header\n"
    "  header H.pdc                load a logger header file and print what it holds\n"
    "  IN.pdb OUT.txt              the window's command line: IN (.pdb or .pdc) into OUT.txt in\n"
    "                              the program's folder, or in the current folder when the\n"
    "                              program is installed (a mini-channel dump into mini1.txt)\n"
    "An INPUT '-' is standard input, named stdin.\n"
    "\n"
    "options of convert:\n"
    "  -o, --output OUTPUT         the output file ('-': standard output); with --sn-name, the\n"
    "                              folder of the output\n"
    "  --output-dir DIR            convert each input alone into DIR (made when missing)\n"
    "  -j, --jobs N                with --output-dir: conversions at once, 1 to 1024 (default:\n"
    "                              the number of processors)\n"
    "  --header H.pdc              load this logger header file first (logger inputs only)\n"
    "  --strict                    every report stops the conversion: no output, exit status 1\n"
    "  -q, --quiet                 print only reports and errors\n"
    "  --decimal-separator C       of the numbers (default: the locale's)\n"
    "  --date-separator C          of Quendar sample times (default: the locale's)\n"
    "  --time-separator C          of Quendar sample times (default: the locale's)\n"
    "  --no-date-check             take every record's time stamp as valid\n"
    "  --sn-name                   name the output after the serial number (00A1B2C3.txt)\n"
    "  --format txt|xlsx           text or a workbook, with --output-dir, --sn-name or -o -;\n"
    "                              otherwise OUTPUT's name decides and --format must agree\n"
    "  text output only:\n"
    "  --encoding cp1252|utf-8     the recordings' own bytes (default) or UTF-8\n"
    "  --bom                       with --encoding utf-8: a byte-order mark first\n"
    "  --dates dmy|iso             dd/mm/yy hh:mm:ss (default) or yyyy-mm-dd hh:mm:ss\n"
    "  --delimiter tab|;|,         between cells (default: tab); ';' and ',' quote cells\n"
    "\n"
    "Reports go to stderr as 'INPUT: text'; the conversion goes on after them (unless\n"
    "--strict), and a batch's summary counts the inputs with reports apart:\n"
    "  ...Invalid Concentrator Header section.. Corrected...\n"
    "      the record table gives the central unit's record an unusual length\n"
    "  ..Incoherent Module Number..Corrected\n"
    "      the module count differs from the module records in the table: the table's wins\n"
    "  Error detected in file : Missing data\n"
    "      the file ends before the data it announces: the missing bytes read as zero\n"
    "  File format error detected\n"
    "      a logger record of an unknown type, or a Quendar record of an unknown period\n"
    "\n"
    "Exit status: 0 converted (with or without reports), 1 a conversion stopped or an input\n"
    "could not be read (no output is left, an earlier file stays), 2 usage error, 3 nothing to\n"
    "convert: the inputs hold no record (no output is written).\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "viduravare: %s\n", problem.c_str());
  std::fputs("Run 'viduravare --help' for every option.\n", stderr);
  return kExitUsage;
}

int Failed(const std::string& problem) {
  vid::WriteToStandardError("viduravare: " + problem + "\n");
  return kExitFailed;
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
  std::string jobs;
  bool no_date_check = false;
  bool sn_name = false;
  bool strict = false;
  bool quiet = false;
  std::string format = "txt";
  std::string encoding = "cp1252";
  bool bom = false;
  std::string dates = "dmy";
  std::string delimiter = "tab";
};

void AddConvertOptions(CLI::App& app, ConvertArgs& a) {
  auto one_character = [](const std::string& v) {
    return v.size() == 1 ? "" : "takes one character";
  };
  app.add_option("inputs", a.inputs);
  app.add_option("-o,--output", a.output);
  app.add_option("--output-dir", a.output_dir);
  app.add_option("--header", a.header);
  app.add_option("--decimal-separator", a.decimal_separator)->check(one_character);
  app.add_option("--date-separator", a.date_separator)->check(one_character);
  app.add_option("--time-separator", a.time_separator)->check(one_character);
  app.add_flag("--no-date-check", a.no_date_check);
  app.add_flag("--sn-name", a.sn_name);
  app.add_flag("--strict", a.strict);
  app.add_flag("-q,--quiet", a.quiet);
  app.add_option("-j,--jobs", a.jobs);
  app.add_option("--format", a.format)->check(CLI::IsMember({"txt", "xlsx"}));
  app.add_option("--encoding", a.encoding)
      ->check(CLI::IsMember({"cp1252", "utf-8"}, CLI::ignore_case));
  app.add_flag("--bom", a.bom);
  app.add_option("--dates", a.dates)->check(CLI::IsMember({"dmy", "iso"}));
  app.add_option("--delimiter", a.delimiter)->check(CLI::IsMember({"tab", ";", ","}));
}

// An input as the conversion sees it: its path and kind, and the name messages give it.
struct Input {
  std::string path;
  std::string name;
  vid::InputKind kind = vid::InputKind::kByName;

  bool IsLogger() const {
    return kind == vid::InputKind::kLogger ||
           (kind == vid::InputKind::kByName && vid::EndsWith(path, "pdc"));
  }
};

// Standard input read whole into an unnamed file in memory, within the size bound of its kind:
// the conversions read it by the name /proc/self/fd/N.
bool ReadStandardInput(Input& input, std::string* error) {
  if (::isatty(STDIN_FILENO) == 1) {
    *error = "standard input is a terminal: give it a recording with '<' or a pipe";
    return false;
  }
  const uint64_t largest = vid::MaxInputBytes(vid::InputKind::kByName);
  std::string bytes;
  char chunk[1 << 16];
  for (;;) {
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = "cannot read stdin : " + std::to_string(errno) + ": " + std::strerror(errno);
      return false;
    }
    if (n == 0) break;
    bytes.append(chunk, static_cast<size_t>(n));
    if (bytes.size() > largest) break;
  }
  input.kind = vid::KindOfContent(std::string_view(bytes).substr(0, 2));
  const uint64_t bound = vid::MaxInputBytes(input.kind);
  if (bytes.size() > bound) {
    *error =
        "stdin : more than " + std::to_string(bound) + " bytes, larger than any file of its kind";
    return false;
  }
  const int fd = ::memfd_create("stdin", 0);
  size_t done = 0;
  while (fd >= 0 && done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  if (fd < 0 || done < bytes.size()) {
    *error = "cannot keep stdin : " + std::to_string(errno) + ": " + std::strerror(errno);
    return false;
  }
  input.path = "/proc/self/fd/" + std::to_string(fd);  // open until the program ends
  return true;
}

// What the command line decided about the output.
struct Plan {
  vid::OutputFormat format = vid::OutputFormat::kText;
  std::string format_source;  ///< the option or name that decided the format
};

bool IsWorkbookName(const std::string& name) {
  std::string tail = name.substr(name.size() > 5 ? name.size() - 5 : 0);
  std::transform(tail.begin(), tail.end(), tail.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return tail == ".xlsx";
}

std::string Shown(char c) {
  if (c == '\t') return "TAB";
  if (c == '\r') return "CR";
  if (c == '\n') return "LF";
  return std::string("'") + c + "'";
}

// The problem with a separator given by `option`; "" when there is none.
std::string SeparatorProblem(const std::string& option, char c, char delimiter, bool text) {
  if (c == '\r' || c == '\n') {
    return option + " " + Shown(c) + ": a line end cannot stand inside a cell (lines end in CR LF)";
  }
  if (c == '\t') {
    return option + " TAB is the cell delimiter (of the converted lines, and --delimiter's " +
           "default): every cell would split in two";
  }
  if (text && c == delimiter) {
    return option + " " + Shown(c) + " is the --delimiter: every cell would split in two";
  }
  return "";
}

// Checks the options against each other and fills the request's options and style; "" when
// they agree, else the problem.
std::string MakeRequest(const CLI::App& app, const ConvertArgs& a, vid::Request& r, Plan& plan) {
  auto given = [&app](const char* option) { return app.count(option) > 0; };
  const bool to_file = given("-o") && !a.sn_name && a.output != kStandardStream;
  if (given("-o") && !a.output_dir.empty()) return "-o and --output-dir exclude each other";
  if (!given("-o") && a.output_dir.empty() && !a.sn_name) {
    return "convert needs -o OUTPUT or --output-dir DIR";
  }
  if (!a.jobs.empty() && a.output_dir.empty()) {
    return "-j applies to --output-dir only: without it there is one conversion";
  }
  if (a.sn_name && !a.output_dir.empty()) return "--sn-name and --output-dir exclude each other";
  if (a.sn_name && a.output == kStandardStream) {
    return "--sn-name names a file: it cannot go to standard output (-o -)";
  }

  // The format: the output's name decides; --format must agree with it.
  plan.format = a.format == "xlsx" ? vid::OutputFormat::kWorkbook : vid::OutputFormat::kText;
  plan.format_source = "--format " + a.format;
  if (to_file) {
    const bool workbook = IsWorkbookName(a.output);
    if (given("--format") && workbook != (plan.format == vid::OutputFormat::kWorkbook)) {
      return "--format " + a.format + " contradicts -o " + a.output + ": " +
             (workbook ? "a name ending in .xlsx is a workbook"
                       : "a workbook is named .xlsx, any other name is text");
    }
    plan.format = workbook ? vid::OutputFormat::kWorkbook : vid::OutputFormat::kText;
    plan.format_source = "-o " + a.output;
  }
  const bool text = plan.format == vid::OutputFormat::kText;
  if (!text) {
    for (const char* option : {"--encoding", "--bom", "--delimiter", "--dates"}) {
      if (given(option)) {
        return std::string(option) + " applies to text, not to the workbook of " +
               plan.format_source;
      }
    }
  }
  vid::OutputStyle& style = r.style;
  style.format = plan.format;
  style.text.encoding = a.encoding == "cp1252" ? vid::Encoding::kCp1252 : vid::Encoding::kUtf8;
  style.text.bom = a.bom;
  style.text.dates = a.dates == "iso" ? vid::DateStyle::kIso : vid::DateStyle::kDayFirst;
  style.text.delimiter = a.delimiter == "tab" ? '\t' : a.delimiter[0];
  if (a.bom && style.text.encoding != vid::Encoding::kUtf8) return "--bom needs --encoding utf-8";

  r.options.copy_to_clipboard = false;
  // The regional separators, each replaced by the one given.
  r.options.UseRegionalSeparators();
  const std::pair<const char*, const std::string*> separators[] = {
      {"--decimal-separator", &a.decimal_separator},
      {"--date-separator", &a.date_separator},
      {"--time-separator", &a.time_separator}};
  for (const auto& [option, value] : separators) {
    if (value->empty()) continue;
    const std::string problem = SeparatorProblem(option, (*value)[0], style.text.delimiter, text);
    if (!problem.empty()) return problem;
  }
  if (!a.decimal_separator.empty()) r.options.decimal_separator = a.decimal_separator[0];
  if (!a.date_separator.empty()) r.options.date_separator = a.date_separator[0];
  if (!a.time_separator.empty()) r.options.time_separator = a.time_separator[0];
  r.options.skip_date_check = a.no_date_check;
  r.options.name_after_serial = a.sn_name;
  r.strict = a.strict;
  return "";
}

// -j's value: 1 to 1024 conversions at once; 0 when it is no such number.
int JobsOf(const std::string& text) {
  if (text.empty() || text.size() > 4 || !std::all_of(text.begin(), text.end(), ::isdigit)) {
    return 0;
  }
  const int n = std::stoi(text);
  return n <= kMaxJobs ? n : 0;
}

int ExitCode(const vid::Result& r) {
  if (r.Completed()) return kExitOk;
  return r.outcome == vid::Outcome::kNothingToConvert ? kExitNothing : kExitFailed;
}

// The progress line of a batch, on a terminal only: files done of all, and the current name.
class BatchProgressLine {
 public:
  explicit BatchProgressLine(bool quiet) : terminal_(!quiet && ::isatty(STDERR_FILENO) == 1) {}
  void Show(size_t done, size_t total, const std::string& current) {
    if (!terminal_) return;
    const std::string text = std::to_string(done) + "/" + std::to_string(total) + "  " + current;
    const size_t pad = width_ > text.size() ? width_ - text.size() : 0;
    width_ = std::max(width_, text.size());
    vid::WriteToStandardError("\r" + text + std::string(pad, ' '));
  }
  void End() {
    if (terminal_ && width_ > 0) vid::WriteToStandardError("\r" + std::string(width_, ' ') + "\r");
    width_ = 0;
  }

 private:
  bool terminal_;
  size_t width_ = 0;
};

int RunBatchConvert(const ConvertArgs& a, const std::vector<Input>& inputs,
                    const vid::Request& base) {
  std::error_code ec;
  std::filesystem::create_directories(a.output_dir, ec);
  if (ec) return Failed("cannot make the folder " + a.output_dir + " : " + ec.message());
  const int jobs =
      a.jobs.empty() ? static_cast<int>(std::thread::hardware_concurrency()) : JobsOf(a.jobs);
  std::vector<vid::Request> requests;
  std::set<std::string> outputs;
  for (const Input& input : inputs) {
    vid::Request r = base;
    r.inputs = {input.path};
    r.input_kind = input.kind;
    r.target = {vid::TargetKind::kFile,
                vid::BatchOutputPath(a.output_dir, input.name, base.style.format)};
    if (!outputs.insert(r.target.path).second) {
      return Usage("two inputs would both write " + r.target.path);
    }
    requests.push_back(std::move(r));
  }
  const vid::PrintStyle style{a.quiet, true};
  BatchProgressLine line(a.quiet);
  auto progress = [&](size_t done, size_t total, const std::string& path) {
    for (const Input& input : inputs) {
      if (input.path == path) return line.Show(done, total, vid::NameOf(input.name));
    }
  };
  // Reports as they come; the status texts of each conversion only in the summary's terms.
  auto report = [&](size_t i, const vid::Report& r) {
    if (r.kind == vid::ReportKind::kStatus) return;
    line.End();
    vid::WriteToStandardError(ReportLine(inputs[i].name, r, style));
  };
  const std::vector<vid::Result> results = vid::RunBatch(requests, jobs, progress, report);
  line.End();

  size_t clean = 0, with_reports = 0, stopped = 0, nothing = 0;
  std::string list;
  for (size_t i = 0; i < results.size(); ++i) {
    const vid::Result& r = results[i];
    switch (r.outcome) {
      case vid::Outcome::kCompleted:
        ++clean;
        break;
      case vid::Outcome::kCompletedWithReports:
        ++with_reports;
        for (const vid::Report& report : r.reports) {
          if (vid::IsFinding(report.kind)) {
            list += "with reports: " + inputs[i].name + ": " + report.text + "\n";
          }
        }
        break;
      case vid::Outcome::kNothingToConvert:
        ++nothing;
        list += "nothing to convert: " + inputs[i].name + ": " + r.Status() + "\n";
        break;
      case vid::Outcome::kStopped:
        ++stopped;
        if (!r.reports.empty())
          list += "stopped: " + ReportLine(inputs[i].name, r.reports.back(), style);
        break;
    }
  }
  std::string summary = std::to_string(clean) + " converted, " + std::to_string(with_reports) +
                        " with reports, " + std::to_string(stopped) + " stopped";
  if (nothing > 0) summary += ", " + std::to_string(nothing) + " with nothing to convert";
  if (!a.quiet || !list.empty()) vid::WriteToStandardError(summary + "\n" + list);
  if (stopped > 0) return kExitFailed;
  return nothing > 0 ? kExitNothing : kExitOk;
}

// The inputs as given: '-' read from standard input (once), every other name as it is.
int ResolveInputs(const ConvertArgs& a, std::vector<Input>& inputs) {
  if (std::count(a.inputs.begin(), a.inputs.end(), std::string(kStandardStream)) > 1) {
    return Usage("standard input ('-') can be read once only");
  }
  for (const std::string& path : a.inputs) {
    Input input{path, path};
    if (path == kStandardStream) {
      input.name = kStdinName;
      std::string error;
      if (!ReadStandardInput(input, &error)) return Failed(error);
    }
    inputs.push_back(input);
  }
  return kExitOk;
}

int RunConvert(const CLI::App& app, const ConvertArgs& a) {
  if (a.inputs.empty()) return Usage("convert needs an input file");
  vid::Request request;
  Plan plan;
  if (const std::string problem = MakeRequest(app, a, request, plan); !problem.empty()) {
    return Usage(problem);
  }
  if (!a.jobs.empty() && JobsOf(a.jobs) == 0) {
    return Usage("-j takes the number of conversions at once, 1 to 1024, not '" + a.jobs + "'");
  }
  if (a.output_dir.empty()) {
    if (a.inputs.size() > 1 && !vid::EndsWith(a.inputs[0], "pdc")) {
      return Usage("several inputs form one recording only for logger (.pdc) files");
    }
    for (const std::string& in : a.inputs) {
      if (vid::FolderOf(in) != vid::FolderOf(a.inputs[0])) {
        return Usage("the logger files of one recording must lie in one folder");
      }
    }
  }
  std::vector<Input> inputs;
  if (const int code = ResolveInputs(a, inputs); code != kExitOk) return code;
  if (!a.header.empty() &&
      std::none_of(inputs.begin(), inputs.end(), [](const Input& i) { return i.IsLogger(); })) {
    return Usage("--header " + a.header +
                 " loads a logger header, but no input is a logger file (.pdc)");
  }

  // The header is loaded once, and its reports are its own.
  const vid::PrintStyle style{a.quiet, true};
  vid::Converter converter;
  if (!a.header.empty()) {
    vid::StatusPrinter printer(a.header, style);
    if (!converter.LoadHeader(a.header, printer).Completed()) return kExitFailed;
  }
  request.header = a.header;
  if (!a.output_dir.empty()) return RunBatchConvert(a, inputs, request);

  request.header.clear();
  for (const Input& input : inputs) request.inputs.push_back(input.path);
  request.input_kind = inputs[0].kind;
  if (a.sn_name) {
    request.target = {vid::TargetKind::kFolder, !a.output.empty() ? a.output : "."};
  } else if (a.output == kStandardStream) {
    request.target = {vid::TargetKind::kStandardOutput, ""};
  } else {
    request.target = {vid::TargetKind::kFile, a.output};
  }
  vid::StatusPrinter printer(inputs[0].name, style);
  return ExitCode(converter.Convert(request, printer));
}

int RunPreview(const std::string& path) {
  vid::Converter converter;
  const vid::Preview preview = converter.ReadPreview(path);
  if (!preview.opened) return Failed("cannot open " + path + ": " + preview.error);
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

// The window's command line: IN.pdb (or IN.pdc) converted into OUT.txt, a mini-channel dump
// into mini1.txt, a logger file as the single-file case. The output goes into the program's
// folder, unless the program is an installed one (under a system prefix, whoever runs it) or its
// folder cannot be written: then into the current folder, and the program says so. An absolute
// OUT is used as given.
int RunTwoNames(const std::vector<std::string>& names) {
  const bool input_ok = vid::EndsWith(names[0], ".pdb") || vid::EndsWith(names[0], ".pdc");
  if (!input_ok || !vid::EndsWith(names[1], ".txt")) {
    return Usage("expected IN.pdb OUT.txt (or IN.pdc OUT.txt)");
  }
  vid::Request request;
  request.inputs = {names[0]};
  request.single_logger_file = true;
  request.options.UseRegionalSeparators();
  std::string folder = vid::ProgramFolder(), name = names[1], why;
  if (name.front() == '/') {
    folder = vid::FolderOf(name);
    name = vid::NameOf(name);
  } else if (vid::IsSystemFolder(folder)) {
    why = "The program lies in the system folder " + folder;
  } else if (!vid::FolderWritable(folder)) {
    why = "The program's folder " + folder + " cannot be written";
  }
  if (!why.empty()) folder = vid::CurrentFolder();
  request.target = {vid::TargetKind::kFolder, folder, name};
  vid::StatusPrinter printer(names[0], {});
  const vid::Result result = vid::Convert(request, printer);
  if (result.Completed() && !why.empty()) {
    vid::WriteToStandardError("viduravare: " + why + ": the output is " + result.path + "\n");
  }
  return ExitCode(result);
}

// The first word names no command: an unknown one, with the list of those there are.
int UnknownCommand(const std::string& word) {
  return Usage("unknown command '" + word +
               "'; the commands are convert, preview and header (or IN.pdb OUT.txt, the "
               "window's form)");
}

int RunOneFile(const std::string& command, const std::vector<std::string>& rest) {
  if (rest.size() != 1 || (rest[0].size() > 1 && rest[0][0] == '-')) {
    return Usage(command + " takes one file name");
  }
  return command == "preview" ? RunPreview(rest[0]) : RunHeader(rest[0]);
}

}  // namespace

int main(int argc, char** argv) {
  // No output file may take the number of a closed standard stream.
  vid::OpenStandardDescriptors();
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage("no command given");
  const bool help = args[0] == "help" || std::any_of(args.begin(), args.end(), [](auto& a) {
                      return a == "--help" || a == "-h";
                    });
  if (help) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (args[0] == "--version" && args.size() == 1) {
    std::printf("viduravare %s\n", VIDURAVARE_VERSION);
    return kExitOk;
  }
  const std::string command = args[0];
  args.erase(args.begin());
  if (command == "preview" || command == "header") return RunOneFile(command, args);
  if (command != "convert") {
    if (args.size() == 1 && command[0] != '-') return RunTwoNames({command, args[0]});
    if (command[0] == '-')
      return Usage("the options come after a command (convert " + command + ")");
    return UnknownCommand(command);
  }

  CLI::App app("", "viduravare convert");
  app.set_help_flag();
  ConvertArgs convert_args;
  AddConvertOptions(app, convert_args);
  try {
    std::reverse(args.begin(), args.end());  // CLI11 takes the arguments last first
    app.parse(args);
  } catch (const CLI::ParseError& e) {
    return Usage(std::string("convert: ") + e.what());
  }
  return RunConvert(app, convert_args);
}
