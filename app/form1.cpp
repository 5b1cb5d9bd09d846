#include "app/form1.h"

#include "dump/config.h"
#include "dump/layout.h"
#include "logger/convert.h"
#include "logger/pdc_frame.h"
#include "minichannel/convert.h"
#include "multichannel/convert.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "platform/ui.h"

namespace vid {
namespace {

bool IsLoggerName(std::string_view name) {
  return EndsWith(name, "pdc");
}

// No file of the list is current (an empty list, or none clicked yet).
constexpr const char* kNoFileSelected = "No file selected";

// The largest file of the kind a name announces.
uint64_t SizeBound(std::string_view name) {
  return IsLoggerName(name) ? kMaxLoggerBytes : kMaxDumpBytes;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view text) {
  std::vector<std::string> items;
  size_t start = 0;
  for (;;) {
    const size_t blank = text.find(' ', start);
    if (blank == std::string_view::npos) {
      items.emplace_back(text.substr(start));
      return items;
    }
    items.emplace_back(text.substr(start, blank - start));
    start = blank + 1;
  }
}

std::optional<MakeResult> Form1::Form_Load(std::string_view command_line) {
  s_.log.header_loaded = false;
  s_.cfg.module_count = 0;
  s_.shell.OutName = kDefaultOutName;
  s_.shell.Busy = false;
  s_.shell.CmdLineMode = false;

  const std::vector<std::string> items = SplitCommandLine(command_line);
  if (items.size() < 2) return std::nullopt;
  const bool input_ok = EndsWith(items[0], ".pdb") || EndsWith(items[0], ".pdc");
  if (!input_ok || !EndsWith(items[1], ".txt")) return std::nullopt;

  s_.ctx.opts.copy_to_clipboard = false;
  s_.shell.OutName = std::string("\\").append(items[1]);
  s_.shell.CmdLineMode = true;
  // An installed program's folder is not the user's to write: the output then goes to the
  // current folder, and the caller says where (`FallbackNotice`).
  if (!OutputToMemory && !OutputPathOverride && !FolderWritable(ProgramFolder)) {
    UnwritableProgramFolder = ProgramFolder;
    ProgramFolder = CurrentFolder();
  }
  SelectFile(items[0]);
  return BMake_Click();
}

void Form1::SelectFile(const std::string& path) {
  File1.folder = FolderOf(path);
  File1.file_name = NameOf(path);
  File1.selected = {File1.file_name};
}

std::string Form1::FallbackNotice() const {
  if (UnwritableProgramFolder.empty() || OutputPath.empty()) return {};
  return "The program's folder " + UnwritableProgramFolder + " cannot be written: the output is " +
         OutputPath;
}

std::string Form1::InputPath() const {
  return JoinPath(File1.folder, File1.file_name);
}

MakeResult Form1::BMake_Click() {
  ShellState& sh = s_.shell;
  if (sh.Busy) return MakeResult::kBusy;
  sh.Busy = true;
  // Nothing of the file converted before may reach this conversion.
  s_.ClearForMake();
  OutputPath.clear();
  s_.ui.SetStatus("...Processing...");
  s_.ui.ProcessEvents();

  MakeResult result = Convert();

  OutputFile& file = s_.ctx.out.file;
  std::string error;
  if (result == MakeResult::kDone && file.IsOpen() && !file.Commit(&error)) {
    s_.ui.SetStatus("Error writing the output file : " + error);
    result = MakeResult::kStopped;
  }
  file.Discard();
  sh.InFile.Close();
  sh.Busy = false;
  return result;
}

MakeResult Form1::Convert() {
  ShellState& sh = s_.shell;
  Config& cfg = s_.cfg;
  if (File1.file_name.empty()) {
    s_.ctx.Stop(kNoFileSelected);
    return MakeResult::kNoInput;
  }
  std::string error;
  if (!sh.InFile.Open(InputPath(), &error, SizeBound(File1.file_name))) {
    s_.ctx.Stop(CannotOpenText(InputPath(), error));
    return MakeResult::kNoInput;
  }
  if (!sh.CmdLineMode) sh.OutName = kDefaultOutName;

  if (IsLoggerName(File1.file_name)) {
    sh.InFile.Close();
    // One file on the command line; in the window every selected file, in list order, however
    // many there are: that is a selection even of one file.
    std::vector<std::string> inputs;
    if (sh.CmdLineMode) {
      inputs.push_back(InputPath());
    } else {
      for (const std::string& entry : File1.selected)
        inputs.push_back(JoinPath(File1.folder, entry));
    }
    const bool done =
        ConvertLogger(s_.ctx, sh.InFile, cfg, s_.tables, s_.log, inputs, !sh.CmdLineMode,
                      sh.OutName, [this](const std::string& name) { return OpenOutput(name); });
    return done ? MakeResult::kDone : MakeResult::kStopped;
  }

  ReadDumpHeader(sh.InFile, cfg);
  ReadCentralRecord(sh.InFile, cfg, s_.ui, true);
  if (s_.ui.QuitRequested()) {
    s_.ctx.Stop(kStoppedEnding);
    return MakeResult::kStopped;
  }
  if (cfg.module_count > kMaxModules) {
    s_.ctx.Stop("Error in file : " + std::to_string(cfg.module_count) +
                " modules, no more than 25 can be read; conversion stopped");
    return MakeResult::kStopped;
  }
  const int32_t modules = cfg.module_count;
  for (int32_t m = 1; m <= modules; ++m) ReadModuleRecord(sh.InFile, cfg, m);

  if (cfg.mini_channel) {
    // A mini-channel dump always goes to mini1.txt, whatever name was asked for.
    if (!OpenOutput("\\mini1.txt")) return MakeResult::kStopped;
    return ConvertMiniChannel(s_.ctx, sh.InFile, cfg, s_.tables.records) ? MakeResult::kDone
                                                                         : MakeResult::kStopped;
  }
  if (s_.ctx.opts.name_after_serial) sh.OutName = SerialOutName(cfg.central_sn);
  if (!OpenOutput(sh.OutName)) return MakeResult::kStopped;
  return ConvertDump(s_.ctx, sh.InFile, cfg, s_.tables) ? MakeResult::kDone : MakeResult::kStopped;
}

bool Form1::OpenOutput(const std::string& out_name) {
  OutputFile& file = s_.ctx.out.file;
  if (OutputToMemory) {
    file.OpenMemory();
    return true;
  }
  const std::string path =
      OutputPathOverride ? *OutputPathOverride : JoinOutName(ProgramFolder, out_name);
  OutputPath = path;
  std::string error;
  if (!file.Open(path, &error)) return s_.ctx.Stop("Cannot write " + path + " : " + error);
  return true;
}

void Form1::BHeader_Click() {
  ShellState& sh = s_.shell;
  if (sh.Busy) return;
  if (File1.file_name.empty()) {
    s_.ui.SetStatus(kNoFileSelected);
    return;
  }
  sh.Busy = true;
  s_.ctx.stopped = false;
  LoadHeader(s_.ctx, sh.InFile, s_.cfg, s_.log, File1.folder, File1.file_name);
  sh.InFile.Close();
  sh.Busy = false;
}

void Form1::File1_Click() {
  ShellState& sh = s_.shell;
  Config& cfg = s_.cfg;
  if (sh.Busy) return;
  sh.Busy = true;
  cfg.central_name = kBlankName;
  s_.ui.ProcessEvents();

  Text2 = InputPath();
  Text1.clear();
  std::string error;
  if (File1.file_name.empty()) {
    error = kNoFileSelected;
  } else {
    sh.InFile.Open(Text2, &error, SizeBound(File1.file_name));
  }
  if (!sh.InFile.IsOpen()) {
    Text1 = error;
    sh.Busy = false;
    return;
  }
  const bool logger = IsLoggerName(File1.file_name);
  if (logger) {
    ReadLoggerPreview(sh.InFile, cfg, s_.log);
  } else {
    ReadDumpHeader(sh.InFile, cfg);
    ReadCentralRecord(sh.InFile, cfg, s_.ui, false);
  }
  const std::string sn = Hex8(static_cast<uint32_t>(cfg.central_sn));
  std::string line = "Concentrator SN: " + sn + " - ";
  if (cfg.central_name.empty()) {
    line += "data file, starting address: " + std::to_string(s_.log.page_address);
  } else {
    line += Cp1252ToUtf8(cfg.central_name);
    if (logger) line += " This File has a Header";
  }
  s_.ui.SetStatus(line);
  sh.InFile.Close();
  sh.Busy = false;
}

}  // namespace vid
