#include "app/shell.h"

#include "platform/paths.h"

namespace vid {
namespace {

constexpr std::string_view kProcessing = "...Processing...";
constexpr std::string_view kNoFileSelected = "No file selected";

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

std::optional<MakeResult> Shell::Load(std::string_view command_line) {
  busy_ = false;
  command_line_output_.reset();
  converter_.Reset();
  const std::vector<std::string> items = SplitCommandLine(command_line);
  if (items.size() < 2) return std::nullopt;
  const bool input_ok = EndsWith(items[0], ".pdb") || EndsWith(items[0], ".pdc");
  if (!input_ok || !EndsWith(items[1], ".txt")) return std::nullopt;

  options.copy_to_clipboard = false;
  command_line_output_ = items[1];
  // An installed program's folder is not the user's to write: the output then goes to the
  // current folder, and the caller says where (`FallbackNotice`).
  if (!FolderWritable(output_folder)) {
    unwritable_output_folder = output_folder;
    output_folder = CurrentFolder();
  }
  SelectFile(items[0]);
  return Make();
}

void Shell::SelectFile(const std::string& path) {
  file_list.folder = FolderOf(path);
  file_list.current = NameOf(path);
  file_list.selected = {file_list.current};
}

std::string Shell::FallbackNotice() const {
  if (unwritable_output_folder.empty() || output_path.empty()) return {};
  return "The program's folder " + unwritable_output_folder + " cannot be written: the output is " +
         output_path;
}

std::string Shell::CurrentPath() const {
  return JoinPath(file_list.folder, file_list.current);
}

MakeResult Shell::Make() {
  if (busy_) return MakeResult::kBusy;
  busy_ = true;
  output_path.clear();
  ui_.SetStatus(kProcessing);
  ui_.ProcessEvents();

  Request request;
  request.options = options;
  request.target = {TargetKind::kFolder, output_folder,
                    command_line_output_ ? *command_line_output_ : "mv1.txt"};
  if (!file_list.current.empty()) {
    if (command_line_output_) {
      // The one file named on the command line.
      request.inputs = {CurrentPath()};
      request.single_logger_file = true;
    } else if (EndsWith(file_list.current, "pdc")) {
      // Every selected logger file, in list order, however many there are.
      for (const std::string& entry : file_list.selected) {
        request.inputs.push_back(JoinPath(file_list.folder, entry));
      }
    } else {
      request.inputs = {CurrentPath()};
    }
  }
  last_result = converter_.Convert(request, *this);

  MakeResult made = MakeResult::kStopped;
  if (last_result.Completed()) {
    made = MakeResult::kDone;
    output_path = last_result.path;
    if (!last_result.clipboard.empty()) {
      ui_.ClearClipboard();
      ui_.SetClipboard(last_result.clipboard);
    }
  } else if (last_result.outcome == Outcome::kNothingToConvert ||
             (!last_result.reports.empty() &&
              last_result.reports.back().kind == ReportKind::kCannotOpen)) {
    made = MakeResult::kNoInput;
  }
  busy_ = false;
  return made;
}

void Shell::LoadHeader() {
  if (busy_) return;
  if (file_list.current.empty()) {
    ui_.SetStatus(kNoFileSelected);
    return;
  }
  busy_ = true;
  ui_.ProcessEvents();
  converter_.LoadHeader(CurrentPath(), *this);
  busy_ = false;
}

void Shell::ClickFile() {
  if (busy_) return;
  busy_ = true;
  ui_.ProcessEvents();
  file_name = CurrentPath();
  last_error.clear();
  if (file_list.current.empty()) {
    last_error = kNoFileSelected;
  } else {
    const Preview preview = converter_.ReadPreview(file_name);
    if (preview.opened) {
      ui_.SetStatus(preview.line);
    } else {
      last_error = preview.error;
    }
  }
  busy_ = false;
}

void Shell::OnProgress(const Progress& progress) {
  ui_.SetProgress(progress.text);
}

void Shell::OnReport(const Report& report) {
  switch (report.kind) {
    case ReportKind::kNotALoggerFile:
      ui_.MessageBox(report.text);
      return;
    case ReportKind::kCorrectedHeader:
    case ReportKind::kCorrectedModuleCount:
      ui_.SetStatus(report.text);
      ui_.ProcessEvents();
      WaitMs(ui_, kCorrectionPauseMs);
      return;
    case ReportKind::kMissingData:
      ui_.SetStatus(report.text);
      WaitMs(ui_, kMissingDataPauseMs);
      return;
    default:
      ui_.SetStatus(report.text);
      return;
  }
}

bool Shell::Cancelled() {
  ui_.ProcessEvents();
  return ui_.QuitRequested();
}

}  // namespace vid
