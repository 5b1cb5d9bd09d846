// viduravare on the command line: converts recordings into tab-separated text without a window.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/session.h"
#include "cli/cli_ui.h"
#include "platform/number_format.h"
#include "platform/paths.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

const char kUsage[] =
    "usage: viduravare IN.pdb OUT.txt\n"
    "         convert IN into OUT.txt in the program's folder (the current folder when the\n"
    "         program's folder cannot be written), as the window's command line does (a\n"
    "         mini-channel dump always goes to mini1.txt there); a logger file IN is the\n"
    "         single-file case: it needs its central record and all its module records\n"
    "       viduravare convert INPUT... -o OUTPUT [options]\n"
    "         convert a concentrator dump, or the logger files of one recording (one\n"
    "         folder, in the order given), into the text file OUTPUT; logger files, even\n"
    "         one alone, are a selection as in the window: a central record is a header\n"
    "       viduravare preview FILE\n"
    "         print the serial number and name line of FILE's header\n"
    "       viduravare header H.pdc\n"
    "         load H.pdc as a logger header file and print what was found\n"
    "       viduravare --help\n"
    "\n"
    "options of convert:\n"
    "  -o OUTPUT                 the output text file (with --sn-name: the folder for it)\n"
    "  --header H.pdc            load this logger header file first\n"
    "  --decimal-separator C     decimal separator of the numbers (default: from the locale)\n"
    "  --date-separator C        date separator of Quendar times (default: from the locale)\n"
    "  --time-separator C        time separator of Quendar times (default: from the locale)\n"
    "  --no-date-check           take every record's time stamp as valid\n"
    "  --sn-name                 name the output after the concentrator serial number\n"
    "\n"
    "Status texts go to stderr. Exit status: 0 done, 1 the conversion stopped (no output file\n"
    "is left), 2 usage error.\n";

int Usage(const char* problem) {
  if (problem) std::fprintf(stderr, "viduravare: %s\n\n", problem);
  std::fputs(kUsage, stderr);
  return kExitUsage;
}

// A conversion that did not complete has said why in its status text already.
int ExitCode(vid::MakeResult r) {
  return r == vid::MakeResult::kDone ? kExitOk : kExitFailed;
}

// Points the file list at `path` alone, as a click on it would.
void SelectFile(vid::Form1& form, const std::string& path) {
  form.File1.folder = vid::FolderOf(path);
  form.File1.file_name = vid::NameOf(path);
  form.File1.selected = {form.File1.file_name};
}

int RunConvert(const std::vector<std::string>& args) {
  std::vector<std::string> inputs;
  std::string output, header;
  bool have_output = false, sn_name = false, no_date_check = false;
  char sep = 0, date_sep = 0, time_sep = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const char* what) -> const std::string* {
      if (i + 1 >= args.size()) {
        Usage((std::string(what) + " needs a value").c_str());
        return nullptr;
      }
      return &args[++i];
    };
    if (a == "-o" || a == "--output") {
      const std::string* v = value("-o");
      if (!v) return kExitUsage;
      output = *v;
      have_output = true;
    } else if (a == "--header") {
      const std::string* v = value("--header");
      if (!v) return kExitUsage;
      header = *v;
    } else if (a == "--decimal-separator") {
      const std::string* v = value("--decimal-separator");
      if (!v) return kExitUsage;
      if (v->size() != 1) return Usage("--decimal-separator takes one character");
      sep = (*v)[0];
    } else if (a == "--date-separator" || a == "--time-separator") {
      const std::string* v = value(a.c_str());
      if (!v) return kExitUsage;
      if (v->size() != 1) return Usage((a + " takes one character").c_str());
      (a == "--date-separator" ? date_sep : time_sep) = (*v)[0];
    } else if (a == "--no-date-check") {
      no_date_check = true;
    } else if (a == "--sn-name") {
      sn_name = true;
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage(("unknown option " + a).c_str());
    } else {
      inputs.push_back(a);
    }
  }
  if (inputs.empty()) return Usage("convert needs an input file");
  if (!have_output && !sn_name) return Usage("convert needs -o OUTPUT");
  if (inputs.size() > 1 && !vid::EndsWith(inputs[0], "pdc")) {
    return Usage("several inputs are taken only for logger (.pdc) files");
  }
  for (const std::string& in : inputs) {
    if (vid::FolderOf(in) != vid::FolderOf(inputs[0])) {
      return Usage("the logger files of one recording must lie in one folder");
    }
  }

  vid::CliUi ui;
  vid::Session session(ui);
  session.ctx.opts.copyclip = false;
  session.ctx.opts.decimal_sep = sep ? sep : vid::LocaleDecimalSeparator();
  session.ctx.opts.date_sep = date_sep ? date_sep : vid::LocaleDateSeparator();
  session.ctx.opts.time_sep = time_sep ? time_sep : vid::LocaleTimeSeparator();
  session.ctx.opts.datetimecheck = no_date_check;
  session.ctx.opts.check_txt_name = sn_name;
  vid::Form1 form(session);
  form.Form_Load("");
  session.ctx.opts.copyclip = false;
  if (!header.empty()) {
    // Load Header on the header file first, as the window's button does.
    SelectFile(form, header);
    form.BHeader_Click();
    if (!ui.Message().empty() || session.ctx.stopped) return kExitFailed;
  }
  SelectFile(form, inputs[0]);
  for (size_t i = 1; i < inputs.size(); ++i) form.File1.selected.push_back(vid::NameOf(inputs[i]));
  if (sn_name) {
    form.ProgramFolder = have_output ? output : ".";
  } else {
    form.OutputPathOverride = output;
  }
  return ExitCode(form.BMake_Click());
}

// A quiet session whose file list points at one file: what `preview` and `header` start from.
struct OneFile {
  explicit OneFile(const std::string& path) : session(ui), form(session) {
    ui.quiet = true;
    form.Form_Load("");
    SelectFile(form, path);
  }
  vid::CliUi ui;
  vid::Session session;
  vid::Form1 form;
};

int RunPreview(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage("preview takes one file");
  OneFile f(args[0]);
  f.form.File1_Click();
  if (!f.form.Text1.empty()) {
    std::fprintf(stderr, "viduravare: cannot open %s: %s\n", args[0].c_str(), f.form.Text1.c_str());
    return kExitFailed;
  }
  std::printf("%s\n", f.ui.Status().c_str());
  return kExitOk;
}

int RunHeader(const std::vector<std::string>& args) {
  if (args.size() != 1) return Usage("header takes one file");
  OneFile f(args[0]);
  f.form.BHeader_Click();
  std::printf("%s\n", (f.ui.Message().empty() ? f.ui.Status() : f.ui.Message()).c_str());
  return f.session.log.HeaderLoaded ? kExitOk : kExitFailed;
}

// The window's command line: the items behind the program name, split at every blank.
int RunTwoNames(const std::string& line) {
  vid::CliUi ui;
  vid::Session session(ui);
  session.ctx.opts.decimal_sep = vid::LocaleDecimalSeparator();
  session.ctx.opts.date_sep = vid::LocaleDateSeparator();
  session.ctx.opts.time_sep = vid::LocaleTimeSeparator();
  vid::Form1 form(session);
  form.ProgramFolder = vid::ProgramFolder();
  const std::optional<vid::MakeResult> r = form.Form_Load(line);
  if (!r) return Usage("expected IN.pdb OUT.txt (or IN.pdc OUT.txt)");
  const std::string notice = form.FallbackNotice();
  if (*r == vid::MakeResult::kDone && !notice.empty()) {
    std::fprintf(stderr, "viduravare: %s\n", notice.c_str());
  }
  return ExitCode(*r);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage(nullptr);
  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "help") {
    std::fputs(kUsage, stdout);
    return kExitOk;
  }
  const std::vector<std::string> rest(args.begin() + 1, args.end());
  if (first == "convert") return RunConvert(rest);
  if (first == "preview") return RunPreview(rest);
  if (first == "header") return RunHeader(rest);
  std::string line;
  for (size_t i = 0; i < args.size(); ++i) line += (i ? " " : "") + args[i];
  return RunTwoNames(line);
}
