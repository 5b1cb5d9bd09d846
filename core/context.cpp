#include "core/context.h"

#include "common/sensor_formulas.h"
#include "common/stamp_text.h"
#include "platform/number_format.h"

namespace vid {

std::string OutOfRangeText(std::string_view what, int64_t value) {
  std::string text = "Error in file : ";
  text.append(what).append(" ").append(std::to_string(value));
  return text.append(" out of range, conversion stopped");
}

std::string CannotOpenText(std::string_view path, std::string_view error) {
  std::string text = "Cannot open ";
  return text.append(path).append(" : ").append(error);
}

std::string SerialOutName(int32_t sn) {
  return "\\" + Hex8(static_cast<uint32_t>(sn)) + ".txt";
}

void Options::UseRegionalSeparators() {
  decimal_separator = LocaleDecimalSeparator();
  date_separator = LocaleDateSeparator();
  time_separator = LocaleTimeSeparator();
}

void Context::Reset() {
  stopped = false;
  out.CollectClipboard(false);
}

bool Context::Stop(std::string_view text) {
  stopped = true;
  ui.SetStatus(text);
  return false;
}

bool Context::Yield() {
  ui.ProcessEvents();
  return ui.QuitRequested() ? Stop(kStoppedEnding) : true;
}

bool Context::ReportMissingData() {
  ui.SetStatus(kMissingData);
  WaitMs(ui, kMissingDataPauseMs);
  return ui.QuitRequested() ? Stop(kStoppedEnding) : true;
}

bool Context::PutClipboard() {
  ui.SetClipboard(out.ClipboardText());
  return Yield();
}

}  // namespace vid
