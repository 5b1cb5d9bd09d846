#include "minichannel/Lit_minivoies.h"

#include <algorithm>
#include <array>
#include <string>

#include "common/Module1.h"
#include "platform/number_format.h"

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
constexpr double kVoltDivisor = 64;  // a voltage word is 1/64 V
constexpr double kAmpDivisor = 256;  // a current word is 1/256 of the scaled ampere

// What the scan found beyond the tables: the row of the last time stamp at or below the write
// pointer, and the OR of the masks of all time stamps (the columns every row carries).
struct MiniState {
  int32_t MiniLastStamp = 0;
  uint8_t MiniTypes = 0;
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
// sample tables. `missing` tells whether the input ended before `DataLimit` bytes were read.
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
  t.StampCount = 0;
  missing = false;
  for (;;) {
    if (addr % kBlockSize == 0) {
      // A block beyond the record table has no address: reading goes on behind the last one.
      const int32_t entry = blocks + 2;
      if (entry <= kRecAddrLast) NextRecordDates(in, cfg, entry);
      ++blocks;
    }
    in.Read(rec.data(), kRecordSize);
    if (in.PastEnd() && addr < cfg.DataLimit) missing = true;

    if (IsTimeStamp(rec)) {
      if (t.StampCount >= kMaxRecords) {
        return ctx.Stop("Error in file : more than " + std::to_string(kMaxRecords) +
                        " time stamps, conversion stopped");
      }
      ++t.StampCount;
      if (addr <= cfg.EndAddr) m.MiniLastStamp = t.StampCount;
      t.StampPart(t.StampCount) = UnpackStamp(rec);
      // A type missing from this time stamp's records reads 0, not what the row held before.
      auto& raw = t.RawSample(t.StampCount);
      std::fill_n(raw.begin(), kRowColumns, int16_t{0});
      mask = rec[1];
      m.MiniTypes |= rec[1];
      type = 0;
    } else if (type < kNoMoreTypes) {
      do {
        ++type;
      } while (type < kNoMoreTypes && ((mask >> (type - 1)) & 1) == 0);
      if (type < kNoMoreTypes) {
        int16_t* dst = t.RawSample(t.StampCount).data() + (type - 1) * 3;
        for (int p = 0; p < 3; ++p) dst[p] = Be16(rec.data() + 2 * p);
      }
    }

    const int64_t next = int64_t{addr} + kRecordSize;
    if (next >= cfg.DataLimit) break;
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
  ctx.out.WriteLine(out);
  out.clear();
  for (int k = 0; k < 3; ++k) {
    if ((types >> k) & 1) out.append("\tP1\tP2\tP3");
  }
  ctx.out.WriteLine(out);
}

// The three cells (TAB and value, phases 1 to 3) of each type: voltages with one decimal,
// powers without decimals, currents with three. With a scale divisor of 0 the power and current
// cells are empty (a TAB each).
void VoltCells(const int16_t* raw, char sep, std::string& out) {
  for (int p = 0; p < 3; ++p) {
    out.push_back('\t');
    AppendFixed(out, raw[kVoltColumn + p] / kVoltDivisor, 1, sep);
  }
}

void WattCells(const int16_t* raw, const Config& cfg, char sep, std::string& out) {
  if (cfg.MiniDiv == 0) {
    out.append("\t\t\t");
    return;
  }
  const int64_t mult = cfg.MiniMult;
  for (int p = 0; p < 3; ++p) {
    out.push_back('\t');
    const double product = static_cast<double>(raw[kWattColumn + p] * mult);
    AppendFixed(out, product / cfg.MiniDiv, 0, sep);
  }
}

void AmpCells(const int16_t* raw, const Config& cfg, char sep, std::string& out) {
  if (cfg.MiniDiv == 0) {
    out.append("\t\t\t");
    return;
  }
  for (int p = 0; p < 3; ++p) {
    out.push_back('\t');
    AppendFixed(out, raw[kAmpColumn + p] / kAmpDivisor * cfg.MiniMult / cfg.MiniDiv, 3, sep);
  }
}

// Builds the row of time stamp `stamp` (1..100000) in `out` and writes it. The columns follow
// the types of the whole memory, so every row has the same ones.
bool MiniWriteRow(Context& ctx, const Config& cfg, RecordTables& t, uint8_t types, int32_t stamp,
                  std::string& out) {
  if (!RecordTables::Holds(stamp)) return ctx.OutOfRange("time stamp", stamp);
  const char sep = ctx.opts.decimal_sep;
  const int16_t* raw = t.RawSample(stamp).data();
  out.clear();
  AppendStampParts(out, t.StampPart(stamp), AppendDec2);
  if (types & 1) VoltCells(raw, sep, out);
  if (types & 2) WattCells(raw, cfg, sep, out);
  if (types & 4) AmpCells(raw, cfg, sep, out);
  ctx.out.WriteLine(out);
  return true;
}

}  // namespace

bool MiniConvert(Context& ctx, InputFile& in, const Config& cfg, RecordTables& t) {
  MiniState m;
  bool missing = false;
  if (!ScanMemory(ctx, in, cfg, t, m, missing)) return false;
  if (missing && !ctx.ReportMissingData()) return false;

  std::string out;
  WriteHeaderLines(ctx, m.MiniTypes, out);
  const int32_t count = t.StampCount;
  // A wrapped memory holds its older time stamps above the write pointer: they come first.
  if (cfg.WrapFlag > 0) {
    for (int32_t i = m.MiniLastStamp + 1; i <= count; ++i) {
      if (!MiniWriteRow(ctx, cfg, t, m.MiniTypes, i, out)) return false;
    }
  }
  for (int32_t i = 1; i <= m.MiniLastStamp; ++i) {
    if (!MiniWriteRow(ctx, cfg, t, m.MiniTypes, i, out)) return false;
  }
  if (!ctx.CheckWrites()) return false;
  ctx.ui.SetStatus("Done...");
  return true;
}

}  // namespace vid
