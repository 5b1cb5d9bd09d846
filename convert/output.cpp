#include "convert/output.h"

#include "convert/xlsx_sheet.h"
#include "platform/number_format.h"
#include "platform/paths.h"

namespace vid {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kTextExtension = ".txt";
constexpr std::string_view kWorkbookExtension = ".xlsx";
constexpr const char* kMiniChannelName = "mini1.txt";

std::string WithExtension(std::string name, OutputFormat format) {
  if (format != OutputFormat::kWorkbook) return name;
  if (EndsWith(name, kTextExtension)) name.resize(name.size() - kTextExtension.size());
  return name.append(kWorkbookExtension);
}

}  // namespace

Output::Output(const Target& target, const OutputStyle& style, const Options& options,
               const std::vector<std::string>& inputs)
    : target_(target), style_(style), options_(options), inputs_(inputs) {}

Output::~Output() {
  Discard();
}

bool Output::CheckBeforeReading(std::string* error) const {
  if (target_.kind != TargetKind::kFile) return true;
  return OutputFile::CheckTarget(target_.path, inputs_, error);
}

std::string Output::NameInFolder(const OutputIdentity& identity) const {
  std::string name = target_.file_name;
  if (identity.mini_channel) {
    name = kMiniChannelName;
  } else if (options_.name_after_serial) {
    name = Hex8(static_cast<uint32_t>(identity.serial)) + std::string(kTextExtension);
  }
  return JoinPath(target_.path, WithExtension(name, style_.format));
}

bool Output::Start(const OutputIdentity& identity, std::string* error) {
  identity_ = identity;
  bool opened = false;
  switch (target_.kind) {
    case TargetKind::kMemory:
      file_.OpenMemory();
      opened = true;
      break;
    case TargetKind::kSink:
      if (!style_.IsDefault() || !target_.sink) {
        if (error) *error = "A sink takes the program's own text only";
        return false;
      }
      return target_.sink->Start(identity, error);
    case TargetKind::kStandardOutput:
      opened = file_.OpenForStandardOutput(error);
      break;
    case TargetKind::kFile:
    case TargetKind::kFolder: {
      path_ = target_.kind == TargetKind::kFile ? target_.path : NameInFolder(identity);
      if (!OutputFile::CheckTarget(path_, inputs_, error)) return false;
      std::string why;
      opened = file_.Open(path_, inputs_, &why);
      if (!opened && error) *error = "Cannot write " + path_ + " : " + why;
      break;
    }
  }
  if (!opened) return false;
  if (style_.format == OutputFormat::kWorkbook) {
    const std::string serial = Hex8(static_cast<uint32_t>(identity.serial));
    const SheetLayout layout{SheetName(identity.central_name, serial), options_.decimal_separator,
                             style_.text.dates};
    sheet_ = std::make_unique<XlsxSheet>();
    const std::string where = target_.kind == TargetKind::kMemory ? "" : file_.WritablePath();
    std::string why;
    if (where.empty() || !sheet_->Open(where, layout, &why)) {
      if (error) *error = "Cannot write the workbook : " + (where.empty() ? "no file" : why);
      Discard();
      return false;
    }
  }
  return true;
}

void Output::WriteStyledLine(std::string_view line) {
  if (sheet_) {
    sheet_->AddLine(line);
  } else {
    RewriteLine(line, line_index_, style_.text, line_);
    file_.WriteLine(line_);
  }
  ++line_index_;
}

bool Output::Failed() const {
  if (target_.kind == TargetKind::kSink) return target_.sink && target_.sink->Failed();
  return file_.Failed();
}

std::string Output::Error() const {
  if (target_.kind == TargetKind::kSink) return target_.sink ? target_.sink->Error() : "";
  return file_.Error();
}

void Output::Write(std::string_view whole_lines) {
  if (target_.kind == TargetKind::kSink) {
    if (target_.sink) target_.sink->Write(whole_lines);
    return;
  }
  if (style_.IsDefault()) {
    file_.WriteBlock(whole_lines);
    return;
  }
  // Lines end in CR LF; a CR or LF alone stays inside its line.
  if (!pending_.empty()) {
    pending_.append(whole_lines);
    whole_lines = pending_;
  }
  size_t start = 0;
  for (size_t end; (end = whole_lines.find(kLineEnd, start)) != std::string_view::npos;
       start = end + kLineEnd.size()) {
    WriteStyledLine(whole_lines.substr(start, end - start));
  }
  std::string rest(whole_lines.substr(start));
  pending_ = std::move(rest);
}

bool Output::Commit(std::string* error) {
  if (!pending_.empty()) {
    WriteStyledLine(pending_);
    pending_.clear();
  }
  std::string why;
  bool ok = true;
  if (sheet_) {
    ok = sheet_->Close(&why);
    sheet_.reset();
  }
  if (ok && (target_.kind == TargetKind::kMemory || target_.kind == TargetKind::kSink)) {
    return true;
  }
  ok = ok && file_.Commit(&why);
  if (!ok) {
    file_.Discard();
    if (error) *error = why;
  }
  return ok;
}

void Output::Discard() {
  sheet_.reset();
  file_.Discard();
}

std::string Output::TakeText() {
  return file_.TakeText();
}

}  // namespace vid
