// Quendar records: the complete sample series of the small Quendar data logger, each decoded and
// written at once as its own text. The first record of a conversion starts the output and writes
// the title and unit lines; every record then writes one line per sample, its time first
// (dd/mm/yy hh:mm:ss, calendar time, with the regional date and time separators of the options)
// and one cell per decoded channel. The optional clipboard
// copy is collected by the context's output and handed over by `FinishQuendar`.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <string>

#include "common/stamp_text.h"
#include "core/context.h"
#include "logger/logger_state.h"
#include "platform/input_file.h"

namespace vid {

/// Sample period in seconds by the low 4 bits of the period code; codes 13..15 have none.
inline constexpr std::array<int32_t, 13> kPeriodSeconds = {1,  2,   5,    10,  15,  20, 30,
                                                           60, 600, 3600, 120, 300, 900};

inline constexpr size_t kQuendarPayload = 540;  ///< the payload size, whatever the length says
inline constexpr int kQuendarWords = 256;       ///< sample words in a record

/// What the Quendar output keeps from one record to the next within a conversion.
struct QuendarOutput {
  const std::string* central_name = nullptr;  ///< of the configuration, for the output's identity
  bool format_error_shown = false;            ///< "File format error detected" was shown
};

/// Reports "File format error detected", once per conversion: a damaged file would repeat it
/// for every record head it puts out of step. False when the conversion was cancelled meanwhile.
bool ReportFormatError(Context& ctx, QuendarOutput& q);

/// With `in` just after the head of a Quendar record: reads the record and its trailer and
/// writes its lines (the title and unit lines first while `first_data` is set). A period code
/// without a period reads the record whole, writes no sample line and reports a format error.
bool DecodeQuendarRecord(Context& ctx, InputFile& in, LoggerState& lg, QuendarOutput& q);

/// The start time of a record from its six packed-BCD bytes (year from 2000, month, day, hour,
/// minute, second). Fields beyond their range carry over as calendar arithmetic does: month 13
/// is January of the next year, day 0 the last day of the month before.
std::chrono::sys_seconds QuendarStartTime(const uint8_t bcd[6]);

inline constexpr size_t kQuendarTimeText = kStampTextLength;  ///< the shape of a stamp text

/// The times of a series as dd/mm/yy hh:mm:ss (`kQuendarTimeText` bytes), with the date and time
/// separators given in place of "/" and ":"; the date part is worked out again only when the day
/// changes.
class QuendarTimeText {
 public:
  explicit QuendarTimeText(char date_separator = '/', char time_separator = ':')
      : date_sep_(date_separator), time_sep_(time_separator) {}
  char* Put(char* p, std::chrono::sys_seconds t);

 private:
  std::chrono::sys_days day_ = std::chrono::sys_days::min();
  char date_[9] = {};  ///< "dd/mm/yy " of `day_`
  char date_sep_;
  char time_sep_;
};

}  // namespace vid
