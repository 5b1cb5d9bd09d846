#include "export/conversion.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/session.h"
#include "export/line_reader.h"
#include "export/xlsx_sheet.h"
#include "platform/error_text.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "platform/ui.h"

namespace vid {
namespace {

namespace fs = std::filesystem;

// Shows everything on the caller's Ui and keeps the last status text and message.
class RecordingUi : public Ui {
 public:
  explicit RecordingUi(Ui& shown) : shown_(shown) {}
  void SetStatus(std::string_view text) override {
    status = text;
    shown_.SetStatus(text);
  }
  void SetProgress(std::string_view text) override { shown_.SetProgress(text); }
  void ProcessEvents() override { shown_.ProcessEvents(); }
  bool QuitRequested() const override { return shown_.QuitRequested(); }
  bool WantsPauses() const override { return shown_.WantsPauses(); }
  int32_t TickCount() override { return shown_.TickCount(); }
  void ClearClipboard() override { shown_.ClearClipboard(); }
  void SetClipboard(std::string_view text) override { shown_.SetClipboard(text); }
  void MessageBox(std::string_view text) override {
    message = text;
    shown_.MessageBox(text);
  }

  std::string status;
  std::string message;

 private:
  Ui& shown_;
};

// A folder of its own in the temporary folder, removed with everything in it.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "viduravare-XXXXXX").string();
    if (!ec && ::mkdtemp(pattern.data())) path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// The one file the conversion left in `folder`; empty when there is none.
std::string OnlyFileIn(const std::string& folder) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (entry.is_regular_file(ec)) return entry.path().filename().string();
  }
  return "";
}

bool IsSerialText(std::string_view cell) {
  return cell.size() == 8 && cell.find_first_not_of("0123456789ABCDEF") == std::string_view::npos;
}

// Standard output in large blocks.
class StandardOutput {
 public:
  void Write(std::string_view bytes) {
    buffer_.append(bytes);
    if (buffer_.size() >= kBlock) Flush();
  }
  bool Finish(std::string* error) {
    Flush();
    if (!failed_ && std::fflush(stdout) != 0) Fail();
    if (failed_ && error) *error = error_;
    return !failed_;
  }

 private:
  static constexpr size_t kBlock = 1 << 20;
  void Flush() {
    if (!failed_ && std::fwrite(buffer_.data(), 1, buffer_.size(), stdout) != buffer_.size()) {
      Fail();
    }
    buffer_.clear();
  }
  void Fail() {
    failed_ = true;
    error_ = ErrorText(errno ? errno : EIO);
  }

  std::string buffer_;
  std::string error_;
  bool failed_ = false;
};

bool WriteText(LineReader& in, const std::string& target, const TextStyle& style,
               std::string* error) {
  const bool to_stdout = target == kStandardOutput;
  OutputFile file;
  StandardOutput out;
  if (!to_stdout && !file.Open(target, error)) return false;
  std::string line;
  std::string_view text;
  for (size_t index = 0; in.Next(&text); ++index) {
    RewriteLine(text, index, style, line);
    if (to_stdout) {
      out.Write(line);
      out.Write("\r\n");
    } else {
      file.WriteLine(line);
    }
  }
  if (in.Failed()) {
    if (error) *error = "cannot read the converted text";
    return false;
  }
  return to_stdout ? out.Finish(error) : file.Commit(error);
}

bool CopyToStandardOutput(const std::string& path, std::string* error) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (error) *error = ErrorText(errno);
    return false;
  }
  StandardOutput out;
  std::string block(1 << 16, '\0');
  size_t got;
  while ((got = std::fread(block.data(), 1, block.size(), f)) > 0) out.Write({block.data(), got});
  const bool read_ok = !std::ferror(f);
  std::fclose(f);
  if (!read_ok) {
    if (error) *error = "cannot read " + path;
    return false;
  }
  return out.Finish(error);
}

// The workbook goes to a temporary file beside `target` and is renamed over it once written;
// for standard output it is written into `scratch` and copied.
bool WriteXlsx(LineReader& in, const std::string& target, const std::string& scratch,
               SheetLayout layout, const Config& cfg, std::string* error) {
  std::string_view first;
  const bool any = in.Next(&first);
  const std::string_view serial = first.substr(0, first.find('\t'));
  layout.name =
      SheetName(cfg.central_name,
                IsSerialText(serial) ? serial : Hex8(static_cast<uint32_t>(cfg.central_sn)));

  const bool to_stdout = target == kStandardOutput;
  std::string temp = to_stdout ? JoinPath(scratch, "out.xlsx") : target + ".partXXXXXX";
  if (!to_stdout) {
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
      if (error) *error = ErrorText(errno);
      return false;
    }
    ::fchmod(fd, 0644);
    ::close(fd);
  }
  XlsxSheet sheet;
  bool ok = sheet.Open(temp, layout, error);
  if (ok) {
    if (any) sheet.AddLine(first);
    for (std::string_view line; in.Next(&line);) sheet.AddLine(line);
    ok = sheet.Close(error);
  }
  if (ok && in.Failed()) {
    if (error) *error = "cannot read the converted text";
    ok = false;
  }
  if (ok && !to_stdout && std::rename(temp.c_str(), target.c_str()) != 0) {
    if (error) *error = ErrorText(errno);
    ok = false;
  }
  if (ok && to_stdout) ok = CopyToStandardOutput(temp, error);
  if (!ok || to_stdout) ::unlink(temp.c_str());
  return ok;
}

}  // namespace

std::string_view Extension(OutputFormat format) {
  return format == OutputFormat::kXlsx ? "xlsx" : "txt";
}

ConversionResult RunConversion(const ConversionRequest& request, Ui& shown) {
  RecordingUi ui(shown);
  Session session(ui);
  session.ctx.opts = request.options;
  session.ctx.opts.copy_to_clipboard = false;
  Form1 form(session);
  form.Form_Load("");
  auto stopped = [&ui] {
    return ConversionResult{MakeResult::kStopped, ui.message.empty() ? ui.status : ui.message};
  };
  if (!request.header.empty()) {
    // Load Header on the header file first, as the window's button does.
    form.SelectFile(request.header);
    form.BHeader_Click();
    if (!ui.message.empty() || session.ctx.stopped) return stopped();
  }
  form.SelectFile(request.inputs.at(0));
  for (size_t i = 1; i < request.inputs.size(); ++i) {
    form.File1.selected.push_back(NameOf(request.inputs[i]));
  }

  if (request.style.IsDefault() && request.output != kStandardOutput) {
    // The program's own text, straight into its file.
    if (request.sn_name) {
      form.ProgramFolder = request.output;
    } else {
      form.OutputPathOverride = request.output;
    }
    const MakeResult made = form.BMake_Click();
    if (made == MakeResult::kNoInput) return {made, ui.status};
    return made == MakeResult::kDone ? ConversionResult{made, ui.status} : stopped();
  }

  ScratchFolder scratch;
  if (scratch.path().empty()) {
    ui.SetStatus("Cannot make a temporary folder : " + ErrorText(errno));
    return stopped();
  }
  if (request.sn_name) {
    form.ProgramFolder = scratch.path();
  } else {
    form.OutputPathOverride = JoinPath(scratch.path(), "text.txt");
  }
  const MakeResult made = form.BMake_Click();
  if (made == MakeResult::kNoInput) return {made, ui.status};
  if (made != MakeResult::kDone) return stopped();

  // The text is complete: write it out in the style asked for.
  const std::string text_name = request.sn_name ? OnlyFileIn(scratch.path()) : "text.txt";
  std::string target(kStandardOutput);
  if (request.output != kStandardOutput) {
    target = request.output;
    if (request.sn_name) {
      const std::string stem = text_name.substr(0, text_name.rfind('.'));
      target = JoinPath(request.output, stem + "." + std::string(Extension(request.style.format)));
    }
  }
  LineReader in;
  std::string error;
  bool ok = in.Open(JoinPath(scratch.path(), text_name), &error);
  if (ok && request.style.format == OutputFormat::kXlsx) {
    const SheetLayout layout{"", session.ctx.opts.decimal_separator, request.style.text.dates};
    ok = WriteXlsx(in, target, scratch.path(), layout, session.cfg, &error);
  } else if (ok) {
    ok = WriteText(in, target, request.style.text, &error);
  }
  if (!ok) {
    const std::string where = target == kStandardOutput ? "standard output" : target;
    ui.SetStatus("Cannot write " + where + " : " + error);
    return stopped();
  }
  return {MakeResult::kDone, ui.status};
}

}  // namespace vid
