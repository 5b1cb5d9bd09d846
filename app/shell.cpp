#include "app/shell.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "convert/batch.h"
#include "platform/paths.h"

namespace vid {
namespace {

constexpr std::string_view kProcessing = "...Processing...";
constexpr std::string_view kNoFileSelected = "No file selected";

// How often the window is kept alive while a Convert each runs on its threads.
constexpr auto kBatchPoll = std::chrono::milliseconds(20);

// "3 converted (1 with reports), 1 stopped".
std::string EachSummary(const std::vector<EachResult>& results) {
  size_t converted = 0, with_reports = 0;
  for (const EachResult& each : results) {
    converted += each.result.Completed();
    with_reports += each.result.outcome == Outcome::kCompletedWithReports;
  }
  std::string text = std::to_string(converted) + " converted";
  if (with_reports > 0) text += " (" + std::to_string(with_reports) + " with reports)";
  return text + ", " + std::to_string(results.size() - converted) + " stopped";
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

std::optional<MakeResult> Shell::Load(std::string_view command_line) {
  busy_ = false;
  command_line_output_.reset();
  unwritable_output_folder.clear();
  converter_.Reset();
  const std::vector<std::string> items = SplitCommandLine(command_line);
  if (items.size() < 2) return std::nullopt;
  const bool input_ok = EndsWith(items[0], ".pdb") || EndsWith(items[0], ".pdc");
  if (!input_ok || !EndsWith(items[1], ".txt")) return std::nullopt;

  options.copy_to_clipboard = false;
  command_line_output_ = items[1];
  if (items[1].front() == '/') {
    // An absolute name is the user's own choice of folder.
    output_folder = FolderOf(items[1]);
    command_line_output_ = NameOf(items[1]);
  } else if (IsSystemFolder(output_folder) || !FolderWritable(output_folder)) {
    // An installed program's folder is not the user's to write, whoever runs it: the output
    // then goes to the current folder, and the caller says where (`FallbackNotice`).
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
  const std::string why = IsSystemFolder(unwritable_output_folder)
                              ? " is an installed program's folder"
                              : " cannot be written";
  return "The program's folder " + unwritable_output_folder + why + ": the output is " +
         output_path;
}

std::string Shell::CurrentPath() const {
  return JoinPath(file_list.folder, file_list.current);
}

MakeResult Shell::Make() {
  if (busy_) return MakeResult::kBusy;
  busy_ = true;
  cancelled_ = false;
  output_path.clear();
  ui_.SetStatus(kProcessing);
  ui_.ProcessEvents();

  Request request;
  request.options = options;
  if (!command_line_output_) request.style = style;
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
  SayCancelled(last_result);

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
  cancelled_ = false;
  ui_.ProcessEvents();
  last_result = converter_.LoadHeader(CurrentPath(), *this);
  loaded_header_ = converter_.HeaderLoaded() ? CurrentPath() : std::string();
  busy_ = false;
}

void Shell::ConvertEach() {
  if (busy_) return;
  each_results.clear();
  if (file_list.selected.empty()) {
    ui_.SetStatus(kNoFileSelected);
    return;
  }
  busy_ = true;
  cancelled_ = false;
  ui_.SetStatus(kProcessing);
  ui_.ProcessEvents();

  // One request for each entry; two inputs that would write one file (a.pdb and a.pdc) are
  // not both converted.
  std::vector<Request> requests;
  std::vector<size_t> of_request;  // the entry of each request
  std::set<std::string> outputs;
  for (const std::string& entry : file_list.selected) {
    EachResult& each = each_results.emplace_back();
    each.input = JoinPath(file_list.folder, entry);
    Request r;
    r.inputs = {each.input};
    if (converter_.HeaderLoaded() && !loaded_header_.empty()) r.header = loaded_header_;
    r.options = options;
    r.options.copy_to_clipboard = false;
    r.options.name_after_serial = false;  // every output is named after its input
    r.style = style;
    r.target = {TargetKind::kFile, BatchOutputPath(output_folder, each.input, style.format)};
    if (!outputs.insert(r.target.path).second) {
      each.result.reports.push_back(
          {ReportKind::kCannotWrite,
           "Not converted: another selected file writes " + r.target.path});
      continue;
    }
    of_request.push_back(each_results.size() - 1);
    requests.push_back(std::move(r));
  }

  // The batch runs on a thread of its own; this one keeps the window alive, shows how far the
  // batch is and passes a cancel on.
  std::atomic<bool> cancel{false};
  std::mutex mutex;
  std::condition_variable changed;
  bool finished = false;
  size_t done = 0;
  std::string current;
  std::vector<Result> results;
  auto run = [&] {
    try {
      results = RunBatch(
          requests, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())),
          [&](size_t d, size_t, const std::string& c) {
            std::lock_guard lock(mutex);
            done = d;
            current = c;
            changed.notify_all();
          },
          {}, &cancel);
    } catch (const std::exception&) {
      results.clear();  // every input is then stopped for want of memory
    }
    std::lock_guard lock(mutex);
    finished = true;
    changed.notify_all();
  };
  auto pass_cancel_on = [&] {
    if (!ui_.QuitRequested() && !ui_.CancelRequested()) return;
    cancelled_ = cancelled_ || !ui_.QuitRequested();
    cancel = true;
  };
  pass_cancel_on();
  std::thread runner;
  try {
    runner = std::thread(run);
  } catch (const std::system_error&) {
    run();
  }
  size_t shown_done = SIZE_MAX;
  std::string shown_current;
  for (;;) {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, kBatchPoll);
    const bool over = finished;
    const size_t now_done = done;
    const std::string now_current = current;
    lock.unlock();
    if (over) break;
    if (now_done != shown_done || now_current != shown_current) {
      shown_done = now_done;
      shown_current = now_current;
      ui_.SetBatchProgress(now_done, requests.size(), NameOf(now_current));
    }
    ui_.ProcessEvents();
    pass_cancel_on();
  }
  if (runner.joinable()) runner.join();

  for (size_t i = 0; i < requests.size(); ++i) {
    Result& result = each_results[of_request[i]].result;
    if (i < results.size()) {
      result = std::move(results[i]);
    } else {
      result.reports.push_back({ReportKind::kOutOfMemory, "Out of memory"});
    }
    SayCancelled(result);
  }
  ui_.SetBatchProgress(requests.size(), requests.size(), {});
  ui_.SetStatus(EachSummary(each_results));
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

void Shell::SayCancelled(Result& result) const {
  if (!cancelled_) return;
  for (Report& report : result.reports) {
    if (report.kind == ReportKind::kCancelled) report.text = kCancelledText;
  }
}

void Shell::OnProgress(const Progress& progress) {
  ui_.SetProgress(progress);
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
    case ReportKind::kCancelled:
      ui_.SetStatus(cancelled_ ? kCancelledText : std::string_view(report.text));
      return;
    default:
      ui_.SetStatus(report.text);
      return;
  }
}

bool Shell::Cancelled() {
  ui_.ProcessEvents();
  if (ui_.QuitRequested()) return true;
  cancelled_ = cancelled_ || ui_.CancelRequested();
  return cancelled_;
}

}  // namespace vid
