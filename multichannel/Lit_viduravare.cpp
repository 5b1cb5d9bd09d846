#include "multichannel/Lit_viduravare.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "common/Module1.h"
#include "dump/decode.h"
#include "dump/layout.h"
#include "platform/number_format.h"

namespace vid {
namespace {

/// The 12-byte records: phase RMS = sqrt((44.74 / N) x S) for a sum S of N samples ...
constexpr double kPhaseFactor = 44.74;
/// ... and a phase below 10 V is written as 0.
constexpr double kPhaseFloor = 10;
/// The 12-byte records: quality RMS = 1.002 x sqrt((178.96 / N) x F) ...
constexpr double kQualityFactor = 178.96;
constexpr double kQualityGain = 1.002;
/// ... and the minimum and maximum = 1.182 x sqrt(F).
constexpr double kExtremeGain = 1.182;
/// Written into the phase 1 RMS of a row whose quality record is an outage marker (the phase 3
/// RMS then holds the marker's tick count until the row is written).
constexpr double kOutageMarker = -64;
/// The downtime count of a row whose central record has no samples: the unit was down.
constexpr double kDownRow = 63;
/// The text rows: the quality channel counts downtime in ticks of this many per second.
constexpr double kTicksPerSecond = 5859;
/// The text rows: modules whose serial number lies in 0x1800..0x18FF keep the values -1..1
/// that every other ordinary module writes as 0.
constexpr int32_t kKeepSmallSerialFamily = 24;
/// The text rows: the words of a kind-coded channel that stand for an empty cell.
constexpr bool IsEmptyWord(uint16_t w) {
  return w == 0x8000 || w == 0x7FFE || w == 0x7FFF;
}
/// The text rows: the kind codes whose word is taken unsigned.
constexpr bool IsUnsignedKind(uint8_t kind) {
  return kind == 0x80 || kind == 0x81 || kind == 0x90 || kind == 0x91 || kind == 0x92;
}
/// Block records: the word that leaves its cell empty.
constexpr int16_t kBlockEmptyWord = 0x7FFE;
/// Block records: a line has at most 255 cells (the count is kept in a byte).
constexpr int kBlockCellMask = 0xFF;

bool ValidBcd(uint8_t b, uint8_t limit) {
  return (b & 0x0F) <= 9 && b <= limit;
}

bool ValidStamp(const uint8_t* b) {
  // year, month, day, hour, minute, second; no lower limit
  return ValidBcd(b[2], 0x31) && ValidBcd(b[1], 0x12) && ValidBcd(b[0], 0x23) &&
         ValidBcd(b[3], 0x23) && ValidBcd(b[4], 0x59) && ValidBcd(b[5], 0x59);
}

int16_t RoundToInt16(double v) {
  const double r = std::nearbyint(v);  // half to even
  if (r > 32767) return 32767;
  if (r < -32768) return -32768;
  return static_cast<int16_t>(r);
}

// The module columns of a record: the channel column of module m.
int ModuleColumn(const Config& cfg, int m) {
  return cfg.CentralTypeG ? m + 1 : m;
}

// The sample count N spread over bits 1..0 of bytes 6, 8 and 10 of a central record.
int32_t SampleCount(const uint8_t* b) {
  return (b[6] & 3) + 4 * (b[8] & 3) + 16 * (b[10] & 3);
}

// RMS voltage of phase p (1..3) of a central record of `n` samples.
double PhaseVrms(const uint8_t* b, int32_t n, int p) {
  if (n <= 0) return 0;
  const double sum = 256.0 * b[2 * p + 5] + (b[2 * p + 4] & 0xFC);
  const double v = std::nearbyint(10 * std::sqrt((kPhaseFactor / n) * sum)) / 10;
  return v < kPhaseFloor ? 0 : v;
}

// Decodes a quality record, whose central record has `n` samples, into row r.
void DecodeQualityRecord(const uint8_t* b, int32_t n, RecordTables& t, int64_t r) {
  t.QualDowntime(r) = (b[0] & 3) + 4 * (b[2] & 3) + 16 * (b[4] & 3);
  const double ticks = (b[4] & 0xC0) + 256.0 * b[5];
  if ((b[0] & 0xC0) == 0xC0 && b[1] == 0xFF) {
    t.QualVrms(r, 1) = kOutageMarker;
    t.QualVrms(r, 2) = 0;
    t.QualVrms(r, 3) = ticks;
  } else if (n > 0) {
    for (int p = 1; p <= 3; ++p) {
      const double f = (b[2 * p - 2] & 0xC0) + 256.0 * b[2 * p - 1];
      t.QualVrms(r, p) =
          std::nearbyint(10 * kQualityGain * std::sqrt((kQualityFactor / n) * f)) / 10;
    }
  } else {
    t.QualVrms(r, 1) = 0;
    t.QualVrms(r, 2) = 0;
    t.QualVrms(r, 3) = ticks;
    t.QualDowntime(r) = kDownRow;
  }
  static constexpr int kMinHigh[3] = {7, 9, 11};
  static constexpr int kMaxHigh[3] = {6, 8, 10};
  for (int p = 1; p <= 3; ++p) {
    const uint8_t x = b[2 * p - 2];
    const uint8_t ylo = b[kMinHigh[p - 1]];
    t.QualUmin(r, p) = ((x & 0x30) == 0x30 && ylo == 0xFF)
                           ? 0
                           : kExtremeGain * std::sqrt(4.0 * (x & 0x30) + 256.0 * ylo);
    t.QualUmax(r, p) = kExtremeGain * std::sqrt(16.0 * (x & 0x0C) + 256.0 * b[kMaxHigh[p - 1]]);
  }
}

// Scans the channel table into the record tables; `pos` receives the scan's final offset.
bool ScanRecords(Context& ctx, const Config& cfg, Tables& tables, const RecordSource& src,
                 int64_t& pos) {
  RecordTables& t = tables.rec;
  const PageTable& pb = tables.PageBuf;
  const BlockLayout* block = src.block ? &*src.block : nullptr;

  const int record_size = block ? 2 * block->words : kRecordSize;
  if (block) {
    if (block->modules >= kPageBufColumns) {
      return ctx.OutOfRange("block module count", block->modules);
    }
    if (block->modules * block->words > kSampleColumns) {
      return ctx.OutOfRange("block word count", block->modules * block->words);
    }
  } else if (cfg.ModuleCount < 0 ||
             cfg.ModuleCount + (cfg.CentralTypeG ? 1 : 0) >= kPageBufColumns) {
    return ctx.OutOfRange("module count", cfg.ModuleCount);
  }
  if (record_size == 0 && cfg.DataLimit > 0) {
    // Blocks of no words would never move the scan on through the data.
    return ctx.Stop("Error in file : block records without words, conversion stopped");
  }
  const int read_size = std::max(record_size, 6);
  const bool every_position = block && block->no_stamp;

  t.StampCount = 1;
  pos = 0;
  const uint8_t* col0 = pb.Column(0);
  do {
    if (pos + 6 > kPageBufBytes) return ctx.OutOfRange("record offset", pos);
    if (!RecordTables::Holds(t.StampCount)) return ctx.OutOfRange("record", t.StampCount);
    auto& stamp = t.StampPart(t.StampCount);
    for (int k = 0; k < 6; ++k) stamp[k] = col0[pos + k];
    const bool valid = ctx.opts.datetimecheck || ValidStamp(stamp.data());
    if (!valid && !every_position) {
      ++pos;
      continue;
    }
    if (pos + read_size > kPageBufBytes) return ctx.OutOfRange("record offset", pos);
    const int64_t r = t.StampCount;
    auto& raw = t.RawSample(r);
    if (!block) {
      const uint8_t* central = col0 + pos;
      const int32_t n = SampleCount(central);
      for (int p = 1; p <= 3; ++p) t.PhaseVolts(r, p) = PhaseVrms(central, n, p);
      if (cfg.CentralTypeG) DecodeQualityRecord(pb.Column(1) + pos, n, t, r);
      for (int mod = 1; mod <= cfg.ModuleCount; ++mod) {
        const uint8_t* w = pb.Column(ModuleColumn(cfg, mod)) + pos;
        int16_t* dst = raw.data() + 6 * (mod - 1);
        for (int k = 0; k < 6; ++k) dst[k] = makeword(w[2 * k], w[2 * k + 1]);
      }
    } else {
      for (int p = 1; p <= 3; ++p) t.PhaseVolts(r, p) = 0;
      for (int mod = 1; mod <= block->modules; ++mod) {
        const uint8_t* w = pb.Column(mod) + pos;
        int16_t* dst = raw.data() + block->words * (mod - 1);
        for (int k = 0; k < block->words; ++k) dst[k] = makeword(w[2 * k], w[2 * k + 1]);
      }
    }
    ++t.StampCount;
    pos += record_size;
  } while (pos < cfg.DataLimit);
  return true;
}

// What links one row of a 'g' unit to the next: the time stamp of the row before and the tick
// count of the latest outage marker.
struct DowntimeChain {
  std::string PrevStamp;
  int32_t OutageTicks = 0;
};

// Builds the row of record r in `out` and writes it.
bool MultiWriteRow(Context& ctx, const Config& cfg, RecordTables& t, DowntimeChain& chain,
                   int64_t r, std::string& out) {
  if (!RecordTables::Holds(r)) return ctx.OutOfRange("record", r);
  const char sep = ctx.opts.decimal_sep;
  out.clear();
  AppendStampText(out, t.StampPart(r));
  for (int p = 1; p <= 3; ++p) {
    out.push_back('\t');
    AppendFixed(out, t.PhaseVolts(r, p), 1, sep);
  }

  if (cfg.CentralTypeG) {
    if (t.QualVrms(r, 1) == kOutageMarker) {
      chain.OutageTicks = static_cast<int32_t>(std::nearbyint(t.QualVrms(r, 3)));
      t.QualVrms(r, 1) = 0;
      t.QualVrms(r, 3) = 0;
    }
    double d = 0;
    const std::string stamp = out.substr(0, 17);
    if (t.QualDowntime(r) == kDownRow) {
      double now = 0, before = 0;
      if (t.QualVrms(r, 3) > 0) {
        d = t.QualVrms(r, 3) / kTicksPerSecond;
      } else if (StampTextToDays(chain.PrevStamp, before) && StampTextToDays(stamp, now)) {
        if (!RecordTables::Holds(r + 1)) return ctx.OutOfRange("record", r + 1);
        const double span = (now - before) * 24 * 3600;
        d = span + 1 + (-128 * t.QualDowntime(r + 1) - chain.OutageTicks) / kTicksPerSecond;
        if (d < 0) d = span;
      }
      t.QualVrms(r, 3) = 0;
    }
    for (int p = 1; p <= 3; ++p) {
      out.push_back('\t');
      AppendFixed(out, t.QualVrms(r, p), 1, sep);
    }
    for (int p = 1; p <= 3; ++p) {
      out.push_back('\t');
      AppendFixed(out, t.QualUmin(r, p), 1, sep);
    }
    for (int p = 1; p <= 3; ++p) {
      out.push_back('\t');
      AppendFixed(out, t.QualUmax(r, p), 1, sep);
    }
    out.push_back('\t');
    AppendFixed(out, d, 2, sep);
    chain.PrevStamp = stamp;
  }

  const auto& raw = t.RawSample(r);
  for (int mod = 1; mod <= cfg.ModuleCount; ++mod) {
    const bool kinds = HasChannelKinds(cfg.ModuleType[mod]);
    const bool keep_small = cfg.ModuleSN[mod] / 256 == kKeepSmallSerialFamily;
    const auto& scale = cfg.ChannelScale[mod];
    for (int c = 1; c <= 6; ++c) {
      const int16_t w = raw[6 * (mod - 1) + c - 1];
      const int64_t mult = scale[2 * c - 1];
      // The readers store every divisor as at least 1; a slot no reader filled counts as 1.
      const int64_t div = std::max<int64_t>(scale[2 * c], 1);
      const int decimals = div <= 1 ? 0 : (div <= 100 ? 1 : 2);
      out.push_back('\t');
      int64_t numerator;
      if (!kinds) {
        numerator = mult * w;
        // Products of -1, 0 and 1 are written as 0. The test is made on the scaled value as
        // the unit's software makes it; from 3 on, rounding cannot bring it inside.
        if (!keep_small && numerator > -3 && numerator < 3) {
          const double scaled = static_cast<double>(numerator) / static_cast<double>(div);
          const double back = static_cast<double>(div) * scaled;
          if (back > -2 && back < 2) numerator = 0;
        }
      } else {
        if (IsEmptyWord(static_cast<uint16_t>(w))) continue;
        numerator = mult * (IsUnsignedKind(cfg.ChannelKind[mod][c]) ? U32(w) : w);
      }
      AppendRatio(out, numerator, div, decimals, sep);
    }
  }
  ctx.out.WriteLine(out);
  return true;
}

// The value of cell j of a block row by the block's format.
double BlockValue(const BlockLayout& block, int j, int16_t w) {
  if (block.format == kBlockSensors) {
    const int k = j % block.words;
    if (k == 0 || k == 2 || k == 4) return RhFromRaw(w);
    if (k == 1 || k == 3 || k == 5) return TempFromRaw(w);
    if (k <= 8) return CubicFromRaw(w);
  } else if (block.format == kBlockScaled) {
    if (j <= 5 || j == 10 || j == 11) return w / 10.0;
    if ((j >= 12 && j <= 27) || j == 31) return w / 256.0;
  }
  return w;
}

bool BlockWriteRow(Context& ctx, const BlockLayout& block, RecordTables& t, int64_t r,
                   std::string& out) {
  if (!RecordTables::Holds(r)) return ctx.OutOfRange("record", r);
  out.clear();
  AppendStampText(out, t.StampPart(r));
  const auto& raw = t.RawSample(r);
  const int cells = (block.modules * block.words) & kBlockCellMask;
  for (int j = 0; j < cells && j < kSampleColumns; ++j) {
    out.push_back('\t');
    if (raw[j] == kBlockEmptyWord) continue;
    AppendFixed(out, BlockValue(block, j, raw[j]), 1, ctx.opts.decimal_sep);
  }
  ctx.out.WriteLine(out);
  return true;
}

void WriteHeaderLines(Context& ctx, const Config& cfg, const BlockLayout* block, std::string& out) {
  const bool energy = block && block->format == kBlockEnergy;
  // Line 1: serial numbers and units.
  out = Hex8(static_cast<uint32_t>(cfg.CentralSN));
  out.push_back('\t');
  if (!block) {
    out += "Volts\tVolts\tVolts\t";
    if (cfg.CentralTypeG) {
      for (int i = 0; i < 9; ++i) out += "Volts\t";
      out += "s\t";
    }
    for (int mod = 1; mod <= cfg.ModuleCount; ++mod) {
      const std::string sn = Hex8(static_cast<uint32_t>(cfg.ModuleSN[mod]));
      for (int c = 1; c <= 6; ++c) (out += sn).push_back('\t');
    }
  } else if (energy) {
    out += "Diff1\tDiff2\tIinst\tindex1\tindex1\tindex1\tindex2\tindex2\tindex2";
  }
  ctx.out.WriteLine(out);

  // Line 2: names.
  out = cfg.CentralName;
  out.push_back('\t');
  if (!block) {
    out += "Ph 1\tPh 2\tPh 3\t";
    if (cfg.CentralTypeG) {
      out += "Vrms1\tVrms2\tVrms3\tUmin1\tUmin2\tUmin3\tUmax1\tUmax2\tUmax3\tDowntime\t";
    }
  } else if (energy) {
    out += "Wh\tWh\tA\tMWh\tkWh\tWh\tMWh\tkWh\tWh";
  }
  for (int mod = 1; mod <= cfg.ModuleCount && mod <= kMaxModules; ++mod) {
    for (int c = 1; c <= 6; ++c) (out += cfg.ChannelName[mod][c]).push_back('\t');
  }
  ctx.out.WriteLine(out);
}

}  // namespace

bool MultiConvert(Context& ctx, InputFile& in, Config& cfg, Tables& t) {
  if (!LoadChannelData(ctx, in, cfg, t.PageBuf)) return false;
  return ConvertRecords(ctx, cfg, t, RecordSource{});
}

bool LoadChannelData(Context& ctx, InputFile& in, const Config& cfg, PageTable& pages) {
  int32_t page_no = cfg.ModuleCount + 2;  // table entry of the next data page
  const int last_column = cfg.ModuleCount + (cfg.CentralTypeG ? 1 : 0);
  if (cfg.ModuleCount < 0 || last_column >= kPageBufColumns) {
    return ctx.OutOfRange("channel count", last_column + 1);
  }
  // A column receives DataLimit bytes, and one byte when DataLimit is 0 or less.
  const int64_t total = cfg.DataLimit > 0 ? cfg.DataLimit : 1;
  if (total > kPageBufBytes) return ctx.OutOfRange("data size", cfg.DataLimit);

  bool complete = true;
  for (int c = 0; c <= last_column; ++c) {
    uint8_t* column = pages.Column(c);
    int64_t j = 0;
    while (j < total) {
      if (page_no > kRecAddrLast) return ctx.OutOfRange("page number", page_no);
      if (j % kDumpPageSize == 0 || j >= cfg.RecAddr[page_no]) {
        NextRecordDates(in, cfg, page_no);
        ++page_no;
      }
      // Bytes up to the next page boundary (or up to the next page's own address, which a
      // broken table may put inside this page) are copied in one go.
      const int64_t boundary = std::min<int64_t>((j / kDumpPageSize + 1) * kDumpPageSize, total);
      int64_t run_end = j + 1;
      if (page_no <= kRecAddrLast) {
        run_end = std::min<int64_t>(boundary, std::max<int64_t>(j + 1, cfg.RecAddr[page_no]));
      }
      in.Read(column + j, static_cast<size_t>(run_end - j));
      pages.Store(j + 1, c, column + j, static_cast<size_t>(run_end - j));
      j = run_end;
    }
    if (in.PastEnd()) complete = false;
  }
  return complete || ctx.ReportMissingData();
}

void AppendStampText(std::string& out, const std::array<uint8_t, 6>& st) {
  AppendStampParts(out, st, AppendHex2);
}

bool StampTextToDays(const std::string& text, double& days) {
  // dd/mm/yy hh:mm:ss
  if (text.size() != 17 || text[2] != '/' || text[5] != '/' || text[8] != ' ' || text[11] != ':' ||
      text[14] != ':') {
    return false;
  }
  int v[6];
  static constexpr int kAt[6] = {0, 3, 6, 9, 12, 15};
  for (int i = 0; i < 6; ++i) {
    const char a = text[kAt[i]], b = text[kAt[i] + 1];
    if (a < '0' || a > '9' || b < '0' || b > '9') return false;
    v[i] = (a - '0') * 10 + (b - '0');
  }
  const int year = v[2] < 30 ? 2000 + v[2] : 1900 + v[2];
  using namespace std::chrono;
  const year_month_day ymd{std::chrono::year{year}, month{static_cast<unsigned>(v[1])},
                           day{static_cast<unsigned>(v[0])}};
  if (!ymd.ok() || v[3] > 23 || v[4] > 59 || v[5] > 59) return false;
  // Days since 30 December 1899 with the time of day as the fraction.
  const auto serial = sys_days{ymd} - sys_days{std::chrono::year{1899} / December / 30};
  days = static_cast<double>(serial.count()) + (v[3] * 3600 + v[4] * 60 + v[5]) / 86400.0;
  return true;
}

bool ConvertRecords(Context& ctx, Config& cfg, Tables& t, const RecordSource& src) {
  const BlockLayout* block = src.block ? &*src.block : nullptr;
  // The clipboard copy is collected only when it will be used; the file is the same either way.
  ctx.out.CollectClipboard(ctx.opts.copyclip);

  int64_t pos = 0;
  if (!ScanRecords(ctx, cfg, t, src, pos)) return false;
  if (src.logger) cfg.EndAddr = static_cast<int32_t>(kRecordSize * (int64_t{t.rec.StampCount} - 1));

  std::string out;
  WriteHeaderLines(ctx, cfg, block, out);

  DowntimeChain chain;
  int16_t shown = 0;
  auto write_row = [&](int64_t i) {
    return block ? BlockWriteRow(ctx, *block, t.rec, i, out)
                 : MultiWriteRow(ctx, cfg, t.rec, chain, i, out);
  };
  auto progress = [&](int64_t i, int32_t whole, const char* suffix) {
    const int16_t p = RoundToInt16(static_cast<double>(i) * 1200 / whole);
    if (p <= shown) return true;
    shown = p;
    ctx.ui.SetProgress(std::to_string(p) + suffix);
    return ctx.CheckWrites() && ctx.Yield();
  };

  // The older records of a wrapped memory, above the write position.
  if (pos > cfg.EndAddr && cfg.WrapFlag > 0) {
    const int64_t last = cfg.DataLimit / kRecordSize;
    for (int64_t i = cfg.EndAddr / kRecordSize + 2; i <= last; ++i) {
      if (!write_row(i) || !progress(i, cfg.DataLimit, "% (Part A)")) return false;
    }
  }
  // The newer records, from the start of the memory up to the write position.
  const int64_t newer = cfg.EndAddr / kRecordSize;
  for (int64_t i = 1; i <= newer; ++i) {
    if (!write_row(i) || !progress(i, cfg.EndAddr, "%")) return false;
  }
  if (!ctx.CheckWrites()) return false;

  if (ctx.out.Collecting()) {
    ctx.ui.ClearClipboard();
    if (!ctx.PutClipboard()) return false;
  }
  ctx.ui.SetStatus("Done...");
  return true;
}

}  // namespace vid
