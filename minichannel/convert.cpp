#include "minichannel/convert.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <string>

#include "common/sensor_formulas.h"
#include "common/stamp_text.h"
#include "core/ordered_chunks.h"
#include "platform/number_format.h"
#include "platform/text_block.h"

namespace vid {
namespace {

// doc/formats.md, "Mini-channel data memory".
constexpr int32_t kBlockSize = 1056;  // four 264-byte pages; no record straddles two blocks
constexpr int32_t kRecordSize = 6;
constexpr uint8_t kStampMarker = 0x7F;   // byte 0 of a time stamp ...
constexpr uint8_t kStampMaskLow = 0x07;  // ... whose mask byte is one of these two
constexpr uint8_t kStampMaskAll = 0xFF;
constexpr int kNoMoreTypes = 8;  // type index past the last type a mask can announce
constexpr int kRowColumns = 9;   // voltages, powers, currents: the columns the rows show
constexpr int kVoltColumn = 0;
constexpr int kWattColumn = 3;
constexpr int kAmpColumn = 6;
constexpr double kVoltDivisor = 64;   // a voltage word is 1/64 V
constexpr double kAmpDivisor = 256;   // a current word is 1/256 of the scaled ampere
constexpr int64_t kChunkRows = 2048;  // rows formatted as one block

// What the scan found beyond the tables: the row of the last time stamp at or below the write
// pointer, and the OR of the masks of all time stamps (the columns every row carries).
struct MiniState {
  int32_t last_newer_stamp = 0;
  uint8_t types_seen = 0;
};

bool IsTimeStamp(const std::array<uint8_t, 6>& r) {
  return r[0] == kStampMarker && (r[1] == kStampMaskLow || r[1] == kStampMaskAll);
}

int16_t Be16(const uint8_t* p) {
  return static_cast<int16_t>(p[0] << 8 | p[1]);
}

// The packed date and time of a time-stamp record: year, month, day, hour, minute, second.
std::array<uint8_t, 6> UnpackStamp(const std::array<uint8_t, 6>& r) {
  const uint32_t w = uint32_t{r[2]} << 24 | uint32_t{r[3]} << 16 | uint32_t{r[4]} << 8 | r[5];
  return {static_cast<uint8_t>(w >> 26),        static_cast<uint8_t>((w >> 22) & 15),
          static_cast<uint8_t>((w >> 17) & 31), static_cast<uint8_t>((w >> 12) & 31),
          static_cast<uint8_t>((w >> 6) & 63),  static_cast<uint8_t>(w & 63)};
}

// The first pass: every record of the data memory, block after block, into the time-stamp and
// sample tables. `missing` tells whether the input ended before `data_limit` bytes were read.
//
// Once the input is exhausted every further record reads as six zero bytes, a data record. Such
// a record can only fill a slot of the latest time stamp that no record has filled yet, and those
// slots were cleared to 0 when the time stamp was found: the rest of the memory cannot change a
// row. The scan therefore ends there, which also bounds it by the file size when the central
// record claims a memory far larger than the file.
bool ScanMemory(Context& ctx, InputFile& in, const Config& cfg, RecordTables& t, MiniState& m,
                bool& missing) {
  std::array<uint8_t, 6> rec{};
  int32_t addr = 0;    // data-memory address of the record being read
  int32_t blocks = 0;  // blocks entered so far
  uint8_t mask = 0;    // type mask of the latest time stamp
  int type = 0;        // 1-based type of the latest data record since the latest time stamp
  t.stamp_count = 0;
  missing = false;
  for (;;) {
    if (addr % kBlockSize == 0) {
      // A block beyond the record table has no address: reading goes on behind the last one.
      const int32_t entry = blocks + 2;
      if (entry <= kRecAddrLast) SeekRecord(in, cfg, entry);
      ++blocks;
    }
    in.Read(rec.data(), kRecordSize);
    if (in.PastEnd() && addr < cfg.data_limit) missing = true;

    if (IsTimeStamp(rec)) {
      if (t.stamp_count >= kMaxRecords) {
        return ctx.Stop(ReportKind::kOutOfRange, "Error in file : more than " +
                                                     std::to_string(kMaxRecords) +
                                                     " time stamps, conversion stopped");
      }
      ++t.stamp_count;
      if (addr <= cfg.end_address) m.last_newer_stamp = t.stamp_count;
      t.StampBytes(t.stamp_count) = UnpackStamp(rec);
      // A type missing from this time stamp's records reads 0, not what the row held before.
      auto& raw = t.RawWords(t.stamp_count);
      std::fill_n(raw.begin(), kRowColumns, int16_t{0});
      mask = rec[1];
      m.types_seen |= rec[1];
      type = 0;
    } else if (type < kNoMoreTypes) {
      do {
        ++type;
      } while (type < kNoMoreTypes && ((mask >> (type - 1)) & 1) == 0);
      if (type < kNoMoreTypes) {
        int16_t* dst = t.RawWords(t.stamp_count).data() + (type - 1) * 3;
        for (int p = 0; p < 3; ++p) dst[p] = Be16(rec.data() + 2 * p);
      }
    }

    const int64_t next = int64_t{addr} + kRecordSize;
    if (next >= cfg.data_limit) break;
    if (in.AtEnd()) {
      missing = true;
      break;
    }
    addr = static_cast<int32_t>(next);
  }
  return true;
}

// Line 1 puts each title above the middle one of its type's three columns; line 2 labels the
// phases of every group of cells the rows carry.
void WriteHeaderLines(Context& ctx, uint8_t types, std::string& out) {
  static constexpr const char* kTitles[5] = {"Volt", "Watt", "Amp", "Var", "xx"};
  out = "Date\t";
  for (int k = 0; k < 5; ++k) {
    if ((types >> k) & 1) out.append("\t").append(kTitles[k]).append("\t\t");
  }
  ctx.WriteLine(out);
  out.clear();
  for (int k = 0; k < 3; ++k) {
    if ((types >> k) & 1) out.append("\tP1\tP2\tP3");
  }
  ctx.WriteLine(out);
}

// How the cells of a row are written, chosen once per conversion. Each value is the quotient of
// two integers; it is written from them exactly, and that is the text the double of the same
// quotient gives (`AppendFixed`) wherever no rounding of the double can reach across a half:
// always for the voltages (a 64th has a short decimal form) and the powers (whole numbers of a
// divisor below 2^15), and for the currents whenever the scale keeps them far enough apart,
// which `CurrentsExact` checks. Otherwise the currents are written from their double.
struct MiniFormat {
  char sep = '.';
  uint8_t types = 0;
  bool scaled = false;  ///< the divisor is not 0: power and current cells have values
  bool negate = false;  ///< the divisor is negative
  int32_t mult = 0;
  RatioCell volts;
  RatioCell watts;
  ConstDivisor amp_divisor;  ///< 64 x |divisor|
  uint64_t amp_half = 0;     ///< 32 x |divisor|
  bool amps_exact = false;
};

// True when every current cell, raw x mult / (256 x div) with three decimals, has the same text
// from the integers as from its double. The exact quotient in thousandths lies at least
// 1 / (2 x 256 x div) from a half unless it is one; the double path decides by the double's
// fraction while it is more than 1e-7 + x 1e-13 from a half, and otherwise by 15 significant
// digits. Both agree with the exact value when neither error can reach that far.
bool CurrentsExact(int32_t mult, int32_t div) {
  const double d = 256.0 * std::abs(div);
  const double v_max = 32768.0 * std::abs(mult) / d;
  const double x_max = 1000 * v_max;
  const double fast_margin = 1e-7 + x_max * 1e-13;
  const double digits_error =
      0.5e3 * std::pow(10.0, std::floor(std::log10(std::max(v_max, 1.0))) - 14);
  return 1 / (2 * d) > 2 * (fast_margin + digits_error);
}

MiniFormat MakeMiniFormat(const Config& cfg, uint8_t types, char sep) {
  MiniFormat f;
  f.sep = sep;
  f.types = types;
  f.volts = RatioCell(static_cast<uint32_t>(kVoltDivisor), 1);
  f.scaled = cfg.mini_divisor != 0;
  if (f.scaled) {
    const int32_t div = std::abs(int32_t{cfg.mini_divisor});
    f.negate = cfg.mini_divisor < 0;
    f.mult = cfg.mini_multiplier;
    f.watts = RatioCell(static_cast<uint32_t>(div), 0);
    f.amp_divisor = ConstDivisor(static_cast<uint32_t>(64 * div));
    f.amp_half = static_cast<uint64_t>(32 * div);
    f.amps_exact = CurrentsExact(cfg.mini_multiplier, cfg.mini_divisor);
  }
  return f;
}

// The three cells (TAB and value, phases 1 to 3) of each type: voltages with one decimal,
// powers without decimals, currents with three. With a scale divisor of 0 the power and current
// cells are empty (a TAB each).
char* PutVoltCells(char* p, const MiniFormat& f, const int16_t* raw) {
  for (int k = 0; k < 3; ++k) {
    *p++ = '\t';
    p = f.volts.Put(p, raw[kVoltColumn + k], f.sep);
  }
  return p;
}

char* PutWattCells(char* p, const MiniFormat& f, const int16_t* raw) {
  for (int k = 0; k < 3; ++k) {
    *p++ = '\t';
    if (!f.scaled) continue;
    const int32_t n = raw[kWattColumn + k] * f.mult;  // |n| <= 2^30
    p = f.watts.Put(p, f.negate ? -n : n, f.sep);
  }
  return p;
}

char* PutAmpCells(char* p, const MiniFormat& f, const Config& cfg, const int16_t* raw) {
  for (int k = 0; k < 3; ++k) {
    *p++ = '\t';
    if (!f.scaled) continue;
    const int16_t w = raw[kAmpColumn + k];
    if (!f.amps_exact) {
      p = PutFixed(p, w / kAmpDivisor * cfg.mini_multiplier / cfg.mini_divisor, 3, f.sep);
      continue;
    }
    // In thousandths raw x mult / (256 x div) is 125 x n / (32 x div); rounded half away from
    // zero, floor((250 |n| + 32 |div|) / (64 |div|)). Below 2^38 by below 2^21: the constant
    // division is exact, and the quotient stays below 2^32.
    int32_t n = w * f.mult;  // |n| <= 2^30
    if (f.negate) n = -n;
    const uint64_t m = n < 0 ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
    const auto q = static_cast<uint32_t>(f.amp_divisor.DivideNotByOne(250 * m + f.amp_half));
    p = PutScaledShort<3>(p, n < 0, q, f.sep);
  }
  return p;
}

// The room one row may take: the time stamp, nine cells and the line end.
constexpr size_t kMaxMiniRow = 24 + 9 * (1 + kMaxFixedText) + 2;

// Writes the row of time stamp `stamp` with its line end. The columns follow the types of the
// whole memory, so every row has the same ones.
char* PutMiniRow(char* p, const MiniFormat& f, const Config& cfg, const RecordTables& t,
                 int32_t stamp) {
  const int16_t* raw = t.RawWords(stamp).data();
  p = PutDecStamp(p, t.StampBytes(stamp));
  if (f.types & 1) p = PutVoltCells(p, f, raw);
  if (f.types & 2) p = PutWattCells(p, f, raw);
  if (f.types & 4) p = PutAmpCells(p, f, cfg, raw);
  p[0] = '\r';
  p[1] = '\n';
  return p + 2;
}

}  // namespace

bool ConvertMiniChannel(Context& ctx, InputFile& in, const Config& cfg, RecordTables& t) {
  MiniState m;
  bool missing = false;
  // A file that ended in its configuration has said so already.
  const bool reported = in.PastEnd();
  if (!ScanMemory(ctx, in, cfg, t, m, missing)) return false;
  if (missing && !reported && !ctx.Report(ReportKind::kMissingData, kMissingData)) return false;

  if (!ctx.StartOutput({cfg.central_sn, cfg.central_name, true})) return false;
  std::string out;
  WriteHeaderLines(ctx, m.types_seen, out);
  // A wrapped memory holds its older time stamps above the write pointer: they come first.
  const int32_t count = t.stamp_count;
  const int32_t older = cfg.wrap_flag > 0 ? std::max(count - m.last_newer_stamp, 0) : 0;
  const int64_t rows = int64_t{older} + m.last_newer_stamp;
  auto stamp_at = [&](int64_t at) {
    return static_cast<int32_t>(at < older ? m.last_newer_stamp + 1 + at : at - older + 1);
  };
  // The scan stored every row it counted (at most kMaxRecords): all of them lie in the tables.

  const MiniFormat f = MakeMiniFormat(cfg, m.types_seen, ctx.opts.decimal_separator);
  const int64_t chunk_rows = kChunkRows;
  const RecordTables& records = t;
  auto format = [&](int64_t chunk, TextBlock& text) {
    const int64_t end = std::min(rows, (chunk + 1) * chunk_rows);
    for (int64_t at = chunk * chunk_rows; at < end; ++at) {
      text.Commit(PutMiniRow(text.Reserve(kMaxMiniRow), f, cfg, records, stamp_at(at)));
    }
  };
  auto write = [&](int64_t, const TextBlock& text) {
    ctx.WriteBlock(text.View());
    return true;
  };
  FormatInOrder((rows + chunk_rows - 1) / chunk_rows, FormatThreads(), format, write);
  if (!ctx.CheckWrites()) return false;
  ctx.rows += rows;
  ctx.Finish(kDone);
  return true;
}

}  // namespace vid
