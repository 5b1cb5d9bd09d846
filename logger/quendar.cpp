#include "logger/quendar.h"

#include <algorithm>
#include <cstring>

#include "common/sensor_formulas.h"
#include "common/stamp_text.h"
#include "dump/decode.h"
#include "platform/number_format.h"
#include "platform/text_block.h"

namespace vid {
namespace {

// The start time: the seconds come last, and bit 7 of their byte is no part of the time.
constexpr int kSecondsByte = 5;
constexpr uint8_t kSecondsBits = 0x7F;
// The low 4 bits of the period code select the sample period.
constexpr uint8_t kPeriodCodeBits = 0x0F;
// Data types 1..4, each with up to four channels, one per bit of the channel mask.
constexpr int kDataTypes = 4;
constexpr int kChannelsPerType = 4;
// The longest line: the time, then a tab and a whole number for each channel, and the line end.
constexpr size_t kMaxSampleLine = kQuendarTimeText + kChannelsPerType * (1 + kMaxIntText) + 2;

// How a channel's sample word becomes its value.
enum class Value : uint8_t {
  kNone,     // no word is read
  kHundred,  // w / 100, one decimal (temperature, humidity)
  kHigh1,    // high word 1 x 65536 + w, whole number
  kHigh2,    // high word 2 x 65536 + w, whole number
  kPlain,    // w, whole number
};

struct Channel {
  const char* title;  // nullptr: no column
  const char* unit;
  Value value;
};

#define DEG \
  "\xB0"    \
  "C"

// By data type 1..4 and mask bit 0..3.
constexpr Channel kChannels[kDataTypes][kChannelsPerType] = {
    {{"Temperature1", DEG, Value::kHundred},
     {"Temperature2", DEG, Value::kHundred},
     {"Pulses", "", Value::kHigh1},
     {"On Time", "s", Value::kHigh2}},
    {{"Temperature", DEG, Value::kHundred},
     {"Humidity", "RH", Value::kHundred},
     {"Pulses1", "", Value::kHigh1},
     {"Pulses2", "", Value::kHigh2}},
    {{"Light", "%", Value::kNone},
     {"", "", Value::kNone},
     {"SwitchOn", "", Value::kNone},
     {"On Time", "s", Value::kNone}},
    {{"Temperature1", DEG, Value::kHundred},
     {"Temperature2", DEG, Value::kHundred},
     {"CO2", "ppm", Value::kPlain},
     {nullptr, nullptr, Value::kNone}},
};

#undef DEG

const Channel* ChannelsOf(uint16_t data_type) {
  return data_type >= 1 && data_type <= kDataTypes ? kChannels[data_type - 1] : nullptr;
}

bool WriteTitleLines(Context& ctx, uint32_t sn, uint16_t data_type, uint8_t mask,
                     std::string& out) {
  ctx.KeepClipboardCopy();
  if (!ctx.Continue()) return false;
  const Channel* channels = ChannelsOf(data_type);
  out = Hex8(sn);
  for (int bit = 0; bit < kChannelsPerType && channels; ++bit) {
    if ((mask >> bit & 1) && channels[bit].title) (out += '\t') += channels[bit].title;
  }
  ctx.WriteLine(out);
  out = "date";
  for (int bit = 0; bit < kChannelsPerType && channels; ++bit) {
    if ((mask >> bit & 1) && channels[bit].title) (out += '\t') += channels[bit].unit;
  }
  ctx.WriteLine(out);
  return true;
}

// The fields of a record in front of its sample words.
struct QuendarHead {
  uint32_t sn = 0;
  uint16_t data_type = 0;
  uint8_t stamp[6] = {};  ///< the start time, packed BCD, year to second
  uint8_t period_code = 0;
  uint8_t mask = 0;    ///< the channels present, one bit each
  uint8_t count = 0;   ///< samples in the record
  uint32_t high1 = 0;  ///< the high word of channel 3's values
  uint32_t high2 = 0;  ///< the high word of channel 4's values
};

QuendarHead ReadQuendarHead(InputFile& in) {
  QuendarHead h;
  h.sn = static_cast<uint32_t>(in.ReadLe32());
  in.ReadLe32();  // not interpreted
  h.data_type = static_cast<uint16_t>(in.ReadLe16());
  in.ReadLe32();  // two words, not interpreted
  in.Read(h.stamp, sizeof h.stamp);
  h.stamp[kSecondsByte] &= kSecondsBits;
  h.period_code = in.ReadByte();
  h.mask = in.ReadByte();
  h.count = in.ReadByte();
  h.high1 = static_cast<uint16_t>(in.ReadLe16());
  h.high2 = static_cast<uint16_t>(in.ReadLe16());
  in.ReadByte();  // not interpreted
  return h;
}

// The first Quendar record of a conversion starts the output, named after its logger when the
// options ask for the serial-number name; the first of a conversion writes the title and unit
// lines.
bool StartQuendarText(Context& ctx, LoggerState& lg, const QuendarOutput& q,
                      const QuendarHead& head) {
  if (!ctx.OutputStarted() && !ctx.StartOutput({static_cast<int32_t>(head.sn),
                                                q.central_name ? *q.central_name : "", false})) {
    return false;
  }
  if (lg.first_data) {
    std::string out;
    if (!WriteTitleLines(ctx, head.sn, head.data_type, head.mask, out)) return false;
    lg.first_data = false;
  }
  return true;
}

// How the values of one sample are made, in the order of its words; returns how many there are.
int SampleValues(const QuendarHead& head, Value (&values)[kChannelsPerType]) {
  const Channel* channels = ChannelsOf(head.data_type);
  int per_sample = 0;
  for (int bit = 0; bit < kChannelsPerType && channels; ++bit) {
    if ((head.mask >> bit & 1) && channels[bit].value != Value::kNone) {
      values[per_sample++] = channels[bit].value;
    }
  }
  return per_sample;
}

// With `in` at the sample words: writes one line per sample, its time first, `period` apart.
void WriteSampleLines(Context& ctx, InputFile& in, const QuendarHead& head,
                      std::chrono::seconds period) {
  Value values[kChannelsPerType];
  const int per_sample = SampleValues(head, values);
  // The words hold whole samples only: a count that needs more than 256 words ends with the
  // last sample that fits.
  int samples = head.count;
  if (per_sample > 0) samples = std::min(samples, kQuendarWords / per_sample);

  std::chrono::sys_seconds t = QuendarStartTime(head.stamp);
  const char sep = ctx.opts.decimal_separator;
  const RatioCell hundredths(100, 1);
  TextBlock text;
  QuendarTimeText times(ctx.opts.date_separator, ctx.opts.time_separator);
  // The words straight from the input when all of them are there; otherwise word by word,
  // the missing ones reading 0.
  const size_t words_size = 2 * static_cast<size_t>(samples) * static_cast<size_t>(per_sample);
  const bool whole = in.Remaining() >= words_size;
  const uint8_t* word = in.Cursor();
  auto next_word = [&]() -> int16_t {
    if (!whole) return in.ReadLe16();
    const auto w = static_cast<int16_t>(word[0] | word[1] << 8);
    word += 2;
    return w;
  };
  for (int i = 0; i < samples; ++i, t += period) {
    char* p = text.Reserve(kMaxSampleLine);
    p = times.Put(p, t);
    for (int k = 0; k < per_sample; ++k) {
      const int16_t w = next_word();
      *p++ = '\t';
      switch (values[k]) {
        case Value::kHundred:
          p = hundredths.Put(p, w, sep);
          break;
        case Value::kHigh1:
        case Value::kHigh2: {
          const uint32_t high = values[k] == Value::kHigh1 ? head.high1 : head.high2;
          p = PutInt(p, static_cast<int32_t>(high << 16 | static_cast<uint16_t>(w)));
          break;
        }
        default:
          p = PutInt(p, w);
          break;
      }
    }
    p[0] = '\r';
    p[1] = '\n';
    text.Commit(p + 2);
  }
  ctx.rows += samples;
  if (whole) in.SkipTo(static_cast<int64_t>(in.Position() + words_size));
  ctx.WriteBlock(text.View());
}

}  // namespace

std::chrono::sys_seconds QuendarStartTime(const uint8_t bcd[6]) {
  using namespace std::chrono;
  const year_month first = year{2000 + BcdToInt(bcd[0])} / January + months{BcdToInt(bcd[1]) - 1};
  const sys_days date = sys_days{first / 1} + days{BcdToInt(bcd[2]) - 1};
  return date + hours{BcdToInt(bcd[3])} + minutes{BcdToInt(bcd[4])} + seconds{BcdToInt(bcd[5])};
}

char* QuendarTimeText::Put(char* p, std::chrono::sys_seconds t) {
  using namespace std::chrono;
  const sys_days date = floor<days>(t);
  if (date != day_) {
    const year_month_day ymd{date};
    const int yy = (static_cast<int>(ymd.year()) % 100 + 100) % 100;
    std::memcpy(date_, kDigitPairs + 2 * unsigned{ymd.day()}, 2);
    date_[2] = date_sep_;
    std::memcpy(date_ + 3, kDigitPairs + 2 * unsigned{ymd.month()}, 2);
    date_[5] = date_sep_;
    std::memcpy(date_ + 6, kDigitPairs + 2 * yy, 2);
    date_[8] = ' ';
    day_ = date;
  }
  const auto in_day = static_cast<uint32_t>((t - date).count());
  std::memcpy(p, date_, sizeof date_);
  p += sizeof date_;
  std::memcpy(p, kDigitPairs + 2 * (in_day / 3600), 2);
  p[2] = time_sep_;
  std::memcpy(p + 3, kDigitPairs + 2 * (in_day / 60 % 60), 2);
  p[5] = time_sep_;
  std::memcpy(p + 6, kDigitPairs + 2 * (in_day % 60), 2);
  return p + 8;
}

bool DecodeQuendarRecord(Context& ctx, InputFile& in, LoggerState& lg, QuendarOutput& q) {
  const uint64_t start = in.Position();
  const QuendarHead head = ReadQuendarHead(in);
  if (!StartQuendarText(ctx, lg, q, head)) return false;
  const int code = head.period_code & kPeriodCodeBits;
  if (code >= static_cast<int>(kPeriodSeconds.size())) {
    if (!ReportFormatError(ctx, q)) return false;
  } else {
    WriteSampleLines(ctx, in, head, std::chrono::seconds{kPeriodSeconds[code]});
  }
  in.SkipTo(static_cast<int64_t>(start + kQuendarPayload));
  in.ReadLe16();  // trailer, not checked
  return true;
}

bool ReportFormatError(Context& ctx, QuendarOutput& q) {
  if (q.format_error_shown) return true;
  q.format_error_shown = true;
  return ctx.Report(ReportKind::kFormatError, "File format error detected");
}

}  // namespace vid
