#include "minichannel/Lit_minivoies.h"

#include <algorithm>

#include "common/Module1.h"
#include "platform/number_format.h"
#include "platform/ui.h"

namespace vid {
namespace {

constexpr int32_t kBlockSize = 1056;  // four 264-byte pages; no record straddles two blocks
constexpr int32_t kRecordSize = 6;
constexpr int kNoMoreTypes = 8;  // type index past the last type a mask can announce
constexpr int kRowColumns = 9;   // voltages, powers, currents: the columns the rows show
constexpr int kVoltColumn = 0;
constexpr int kWattColumn = 3;
constexpr int kAmpColumn = 6;
constexpr int32_t kMissingDataPauseMs = 500;

bool IsTimeStamp(const std::array<uint8_t, 6>& r) {
  return r[0] == 0x7F && (r[1] == 0x07 || r[1] == 0xFF);
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
bool ScanMemory(Session& s, bool& missing) {
  const Config& cfg = s.cfg;
  InputFile& in = s.shell.InFile;
  MiniState& m = s.mini;
  RecordTables& t = s.rec;

  m = MiniState{};
  t.StampCount = 0;
  int type = 0;  // 1-based type of the latest data record since the latest time stamp
  missing = false;
  for (;;) {
    if (m.MiniAddr % kBlockSize == 0) {
      // A block beyond the record table has no address: reading goes on behind the last one.
      const int32_t entry = m.MiniBlock + 2;
      if (entry <= kRecAddrLast) NextRecordDates(in, cfg, entry);
      ++m.MiniBlock;
    }
    in.Read(m.MiniRec.data(), kRecordSize);
    if (in.PastEnd() && m.MiniAddr < cfg.DataLimit) missing = true;
    const std::array<uint8_t, 6>& r = m.MiniRec;

    if (IsTimeStamp(r)) {
      if (t.StampCount >= kMaxRecords) {
        return Stop(s, "Error in file : more than " + std::to_string(kMaxRecords) +
                           " time stamps, conversion stopped");
      }
      ++t.StampCount;
      if (m.MiniAddr <= cfg.EndAddr) m.MiniLastStamp = t.StampCount;
      t.StampPart(t.StampCount) = UnpackStamp(r);
      // A type missing from this time stamp's records reads 0, not what the row held before.
      auto& raw = t.RawSample(t.StampCount);
      std::fill_n(raw.begin(), kRowColumns, int16_t{0});
      m.MiniMask = r[1];
      m.MiniTypes |= r[1];
      type = 0;
    } else if (type < kNoMoreTypes) {
      do {
        ++type;
      } while (type < kNoMoreTypes && ((m.MiniMask >> (type - 1)) & 1) == 0);
      if (type < kNoMoreTypes) {
        int16_t* dst = t.RawSample(t.StampCount).data() + (type - 1) * 3;
        for (int p = 0; p < 3; ++p) dst[p] = Be16(r.data() + 2 * p);
      }
    }

    const int64_t next = int64_t{m.MiniAddr} + kRecordSize;
    if (next >= cfg.DataLimit) break;
    if (in.AtEnd()) {
      missing = true;
      break;
    }
    m.MiniAddr = static_cast<int32_t>(next);
  }
  return true;
}

// Line 1 puts each title above the middle one of its type's three columns; line 2 labels the
// phases of every group of cells the rows carry.
void WriteHeaderLines(Session& s) {
  static constexpr const char* kTitles[5] = {"Volt", "Watt", "Amp", "Var", "xx"};
  const uint8_t types = s.mini.MiniTypes;
  std::string& out = s.shell.OutLine;
  out = "Date\t";
  for (int k = 0; k < 5; ++k) {
    if ((types >> k) & 1) out.append("\t").append(kTitles[k]).append("\t\t");
  }
  s.shell.OutFile.WriteLine(out);
  out.clear();
  for (int k = 0; k < 3; ++k) {
    if ((types >> k) & 1) out.append("\tP1\tP2\tP3");
  }
  s.shell.OutFile.WriteLine(out);
}

}  // namespace

void MiniVoltCells(Session& s, int32_t stamp, std::string& out) {
  const auto& raw = s.rec.RawSample(stamp);
  for (int p = 0; p < 3; ++p) {
    out.push_back('\t');
    AppendFixed(out, raw[kVoltColumn + p] / 64.0, 1, s.opts.decimal_sep);
  }
}

void MiniWattCells(Session& s, int32_t stamp, std::string& out) {
  const int16_t div = s.cfg.MiniDiv;
  if (div == 0) {
    out.append("\t\t\t");
    return;
  }
  const int64_t mult = s.cfg.MiniMult;
  const auto& raw = s.rec.RawSample(stamp);
  for (int p = 0; p < 3; ++p) {
    out.push_back('\t');
    const double product = static_cast<double>(raw[kWattColumn + p] * mult);
    AppendFixed(out, product / div, 0, s.opts.decimal_sep);
  }
}

void MiniAmpCells(Session& s, int32_t stamp, std::string& out) {
  const int16_t div = s.cfg.MiniDiv;
  if (div == 0) {
    out.append("\t\t\t");
    return;
  }
  const int16_t mult = s.cfg.MiniMult;
  const auto& raw = s.rec.RawSample(stamp);
  for (int p = 0; p < 3; ++p) {
    out.push_back('\t');
    AppendFixed(out, raw[kAmpColumn + p] / 256.0 * mult / div, 3, s.opts.decimal_sep);
  }
}

bool MiniWriteRow(Session& s, int32_t stamp) {
  if (!RecordTables::Holds(stamp)) {
    return Stop(s, "Error in file : time stamp " + std::to_string(stamp) +
                       " out of range, conversion stopped");
  }
  std::string& out = s.shell.OutLine;
  out.clear();
  AppendStampParts(out, s.rec.StampPart(stamp), AppendDec2);
  // The columns follow the types of the whole memory, so every row has the same ones.
  const uint8_t types = s.mini.MiniTypes;
  if (types & 1) MiniVoltCells(s, stamp, out);
  if (types & 2) MiniWattCells(s, stamp, out);
  if (types & 4) MiniAmpCells(s, stamp, out);
  s.shell.OutFile.WriteLine(out);
  return true;
}

bool MiniConvert(Session& s) {
  bool missing = false;
  if (!ScanMemory(s, missing)) return false;
  if (missing) {
    s.ui.SetStatus("Error detected in file : Missing data");
    WaitMs(s.ui, kMissingDataPauseMs);
    if (s.ui.QuitRequested()) return Stop(s, "Stopped: the program is ending");
  }

  WriteHeaderLines(s);
  const MiniState& m = s.mini;
  const int32_t count = s.rec.StampCount;
  // A wrapped memory holds its older time stamps above the write pointer: they come first.
  if (s.cfg.WrapFlag > 0) {
    for (int32_t i = m.MiniLastStamp + 1; i <= count; ++i) {
      if (!MiniWriteRow(s, i)) return false;
    }
  }
  for (int32_t i = 1; i <= m.MiniLastStamp; ++i) {
    if (!MiniWriteRow(s, i)) return false;
  }
  if (s.shell.OutFile.Failed()) {
    return Stop(s, "Error writing the output file, conversion stopped");
  }
  s.ui.SetStatus("Done...");
  return true;
}

}  // namespace vid
