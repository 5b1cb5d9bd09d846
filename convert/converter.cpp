#include "convert/converter.h"

#include <new>
#include <system_error>

#include "convert/output.h"
#include "core/tables.h"
#include "dump/config.h"
#include "dump/layout.h"
#include "logger/convert.h"
#include "logger/logger_state.h"
#include "logger/pdc_frame.h"
#include "minichannel/convert.h"
#include "multichannel/convert.h"
#include "platform/number_format.h"
#include "platform/paths.h"
#include "platform/text_codec.h"

namespace vid {
namespace {

constexpr std::string_view kNoFileSelected = "No file selected";
constexpr std::string_view kOutOfMemory = "Out of memory";

// A logger file is told by the last three letters of its name, in lower case.
bool IsLoggerName(std::string_view path) {
  return EndsWith(path, "pdc");
}

bool IsLogger(InputKind kind, std::string_view path) {
  return kind == InputKind::kByName ? IsLoggerName(path) : kind == InputKind::kLogger;
}

// The largest file of the kind a name announces.
uint64_t SizeBound(std::string_view path) {
  return IsLoggerName(path) ? kMaxLoggerBytes : kMaxDumpBytes;
}

// Writes nothing: what Load Header runs with.
class NoOutput : public TextSink {
 public:
  bool Start(const OutputIdentity&, std::string* error) override {
    if (error) *error = "no output";
    return false;
  }
  void Write(std::string_view) override {}
  bool Failed() const override { return false; }
  std::string Error() const override { return {}; }
};

Outcome OutcomeOf(const Context& ctx) {
  if (ctx.stopped) return Outcome::kStopped;
  for (const Report& r : ctx.reports) {
    if (IsFinding(r.kind)) return Outcome::kCompletedWithReports;
  }
  return Outcome::kCompleted;
}

RecordingKind KindOf(const Request& request, const Config& cfg, const LoggerState& logger) {
  if (!IsLoggerName(request.inputs.front())) {
    return cfg.mini_channel ? RecordingKind::kMiniChannel : RecordingKind::kMultichannel;
  }
  if (logger.quendar_seen) return RecordingKind::kQuendar;
  return logger.block_mode ? RecordingKind::kBlockRecords : RecordingKind::kMultichannel;
}

// The stop of a conversion that could not go on for a reason outside the file.
void StopOnException(Context& ctx, ReportKind kind, std::string_view text) {
  if (!ctx.stopped) ctx.Stop(kind, text);
}

}  // namespace

uint64_t MaxInputBytes(InputKind kind) {
  return kind == InputKind::kDump ? kMaxDumpBytes : kMaxLoggerBytes;
}

InputKind KindOfContent(std::string_view first_bytes) {
  if (first_bytes.size() < 2) return InputKind::kDump;
  const auto marker = static_cast<uint16_t>(static_cast<uint8_t>(first_bytes[0]) << 8 |
                                            static_cast<uint8_t>(first_bytes[1]));
  return marker == kSectionInstall || marker == kSectionBlock ? InputKind::kLogger
                                                              : InputKind::kDump;
}

Converter::Converter()
    : cfg_(std::make_unique<Config>()), logger_(std::make_unique<LoggerState>()) {
  // The tables are taken now, as the window starts, so that a conversion does not wait for
  // them; where the memory is short, the first conversion tries again and stops with its report.
  try {
    tables_ = std::make_unique<Tables>();
  } catch (const std::bad_alloc&) {
  }
}

Converter::~Converter() = default;

void Converter::Reset() {
  cfg_ = std::make_unique<Config>();
  logger_ = std::make_unique<LoggerState>();
}

bool Converter::HeaderLoaded() const {
  return logger_->header_loaded;
}

Result Converter::Convert(const Request& request, Observer& observer) {
  Result result;
  if (!request.header.empty()) {
    result = LoadHeader(request.header, observer);
    if (!result.Completed()) return result;
  }
  Result converted = Run(request, observer);
  result.reports.insert(result.reports.end(), converted.reports.begin(), converted.reports.end());
  converted.reports = std::move(result.reports);
  return converted;
}

Result Converter::Run(const Request& request, Observer& observer) {
  Output output(request.target, request.style, request.options, request.inputs);
  Context ctx(request.options, observer, output);
  ctx.stop_on_findings = request.strict;
  Result result;
  bool nothing_to_convert = false;
  auto finish = [&] {
    result.outcome = nothing_to_convert ? Outcome::kNothingToConvert : OutcomeOf(ctx);
    result.reports = std::move(ctx.reports);
    return std::move(result);
  };

  // Nothing of the conversion before may reach this one.
  cfg_->central_name = kBlankName;
  logger_->block_mode = false;
  logger_->block.no_stamp = false;

  if (request.inputs.empty()) {
    ctx.Stop(ReportKind::kNoInput, kNoFileSelected);
    nothing_to_convert = true;
    return finish();
  }
  std::string error;
  if (!output.CheckBeforeReading(&error)) {
    ctx.Stop(ReportKind::kCannotWrite, error);
    return finish();
  }

  try {
    if (!tables_) tables_ = std::make_unique<Tables>();
    tables_->Clear();
    const std::string& first = request.inputs.front();
    InputFile in;
    bool done = false;
    if (IsLogger(request.input_kind, first)) {
      done = ConvertLogger(ctx, in, *cfg_, *tables_, *logger_, request.inputs,
                           !request.single_logger_file);
    } else if (!in.Open(first, &error, kMaxDumpBytes)) {
      ctx.Stop(ReportKind::kCannotOpen, CannotOpenText(first, error));
    } else if (ReadDumpConfiguration(ctx, in, *cfg_)) {
      done = cfg_->mini_channel ? ConvertMiniChannel(ctx, in, *cfg_, tables_->records)
                                : ConvertDump(ctx, in, *cfg_, *tables_);
    }
    // Two header lines above no row are no conversion: nothing is written.
    if (done && ctx.rows == 0) {
      ctx.Stop(ReportKind::kNoRecords, kNoRecordsFound);
      nothing_to_convert = true;
      done = false;
    }
    if (done && !output.Commit(&error)) {
      ctx.Stop(ReportKind::kCannotWrite, "Error writing the output file : " + error);
      done = false;
    }
    if (done) {
      result.kind = KindOf(request, *cfg_, *logger_);
      result.identity = output.Identity();
      result.path = output.Path();
      result.rows = ctx.rows;
      if (request.target.kind == TargetKind::kMemory) result.text = output.TakeText();
      if (request.options.copy_to_clipboard) result.clipboard = std::move(ctx.clipboard);
      ctx.Report(ReportKind::kStatus, ctx.finish_text.empty() ? kDone : ctx.finish_text);
    }
  } catch (const std::bad_alloc&) {
    StopOnException(ctx, ReportKind::kOutOfMemory, kOutOfMemory);
  } catch (const std::system_error& e) {
    // A worker thread that could not be started.
    StopOnException(ctx, ReportKind::kOutOfMemory, std::string(kOutOfMemory) + " : " + e.what());
  }
  if (ctx.stopped) output.Discard();
  return finish();
}

Result Converter::LoadHeader(const std::string& path, Observer& observer) {
  NoOutput none;
  Options options;
  Context ctx(options, observer, none);
  Result result;
  try {
    InputFile in;
    const HeaderResult found =
        vid::LoadHeader(ctx, in, *cfg_, *logger_, FolderOf(path), NameOf(path));
    result.outcome = found == HeaderResult::kFound ? Outcome::kCompleted : Outcome::kStopped;
  } catch (const std::bad_alloc&) {
    StopOnException(ctx, ReportKind::kOutOfMemory, kOutOfMemory);
    logger_->header_loaded = false;
    result.outcome = Outcome::kStopped;
  }
  result.reports = std::move(ctx.reports);
  return result;
}

Preview Converter::ReadPreview(const std::string& path) {
  Preview preview;
  Config& cfg = *cfg_;
  cfg.central_name = kBlankName;
  InputFile in;
  if (!in.Open(path, &preview.error, SizeBound(path))) return preview;
  preview.opened = true;
  const bool logger = IsLoggerName(path);
  if (logger) {
    ReadLoggerPreview(in, cfg, *logger_);
  } else {
    ReadDumpHeader(in, cfg);
    ReadCentralRecord(in, cfg);
  }
  preview.line = "Concentrator SN: " + Hex8(static_cast<uint32_t>(cfg.central_sn)) + " - ";
  if (cfg.central_name.empty()) {
    preview.line += "data file, starting address: " + std::to_string(logger_->page_address);
  } else {
    preview.line += Cp1252ToUtf8(cfg.central_name);
    if (logger) preview.line += " This File has a Header";
  }
  return preview;
}

Result Convert(const Request& request, Observer& observer) {
  try {
    Converter converter;
    return converter.Convert(request, observer);
  } catch (const std::bad_alloc&) {
    Result result;
    result.reports.push_back({ReportKind::kOutOfMemory, std::string(kOutOfMemory)});
    observer.OnReport(result.reports.back());
    return result;
  }
}

Result Convert(const Request& request) {
  Observer quiet;
  return Convert(request, quiet);
}

}  // namespace vid
