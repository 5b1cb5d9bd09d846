#include "multichannel/convert.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "common/sensor_formulas.h"
#include "common/stamp_text.h"
#include "core/ordered_chunks.h"
#include "dump/decode.h"
#include "dump/layout.h"
#include "platform/number_format.h"
#include "platform/text_block.h"

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
/// The text rows: the quality channel counts downtime in ticks of this many per second ...
constexpr double kTicksPerSecond = 5859;
/// ... and the downtime count of a quality record in steps of this many ticks.
constexpr int kTicksPerDownCount = 128;
/// The text rows: the days between two stamps become the seconds of a downtime.
constexpr int kHoursPerDay = 24;
constexpr int kSecondsPerHour = 3600;
/// The century of the stamps' two-digit years.
constexpr int kCentury = 2000;
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
/// A module record: one word for each of the six channels.
constexpr int kModuleWords = kRecordSize / 2;
/// The text rows: the cells after the stamp that every row of a concentrator has (the three
/// phases), and those the quality channel adds (RMS, minimum and maximum of each phase, and the
/// downtime).
constexpr int kPhaseCells = 3;
constexpr int kQualityCells = 10;
/// Rows are formatted in chunks of about this many bytes of text ...
constexpr int64_t kChunkBytes = 128 * 1024;
/// ... by a rough length of a row's text: the stamp and line end with some room, each module or
/// block cell, and the quality cells together ...
constexpr int64_t kRowTextEstimate = 20;
constexpr int64_t kCellTextEstimate = 8;
constexpr int64_t kQualityTextEstimate = 60;
/// ... and in chunks of at least this many rows.
constexpr int64_t kMinChunkRows = 16;

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
  return cfg.quality_channel ? m + 1 : m;
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

// The checks of the layout before a scan: the columns the records take lie inside the channel
// table, and a record of `record_size` bytes per column moves the scan on.
bool CheckScanLayout(Context& ctx, const Config& cfg, const BlockLayout* block, int record_size) {
  if (block) {
    if (block->modules >= kChannelColumns) {
      return ctx.OutOfRange("block module count", block->modules);
    }
    if (block->modules * block->words > kSampleColumns) {
      return ctx.OutOfRange("block word count", block->modules * block->words);
    }
  } else if (cfg.module_count < 0 ||
             cfg.module_count + (cfg.quality_channel ? 1 : 0) >= kChannelColumns) {
    return ctx.OutOfRange("module count", cfg.module_count);
  }
  if (record_size == 0 && cfg.data_limit > 0) {
    // Blocks of no words would never move the scan on through the data.
    return ctx.Stop(ReportKind::kOutOfRange,
                    "Error in file : block records without words, conversion stopped");
  }
  return true;
}

// Reads the concentrator record at `pos` into row r: the phase voltages of the central record,
// the quality record when the unit has one, and the words of every module.
void ReadChannelRecord(const Config& cfg, const PageTable& pb, int64_t pos, RecordTables& t,
                       int64_t r) {
  auto& raw = t.RawWords(r);
  const uint8_t* central = pb.Column(0) + pos;
  const int32_t n = SampleCount(central);
  for (int p = 1; p <= 3; ++p) t.PhaseVolts(r, p) = PhaseVrms(central, n, p);
  if (cfg.quality_channel) DecodeQualityRecord(pb.Column(1) + pos, n, t, r);
  for (int mod = 1; mod <= cfg.module_count; ++mod) {
    const uint8_t* w = pb.Column(ModuleColumn(cfg, mod)) + pos;
    int16_t* dst = raw.data() + kModuleWords * (mod - 1);
    if constexpr (std::endian::native == std::endian::little) {
      // The words are stored low byte first, as this machine keeps them.
      std::memcpy(dst, w, kRecordSize);
    } else {
      for (int k = 0; k < kModuleWords; ++k) dst[k] = Le16(w[2 * k], w[2 * k + 1]);
    }
  }
}

// Reads the block record at `pos` into row r: no voltages, the words of every module.
void ReadBlockWords(const BlockLayout& block, const PageTable& pb, int64_t pos, RecordTables& t,
                    int64_t r) {
  auto& raw = t.RawWords(r);
  for (int p = 1; p <= 3; ++p) t.PhaseVolts(r, p) = 0;
  for (int mod = 1; mod <= block.modules; ++mod) {
    const uint8_t* w = pb.Column(mod) + pos;
    int16_t* dst = raw.data() + block.words * (mod - 1);
    for (int k = 0; k < block.words; ++k) dst[k] = Le16(w[2 * k], w[2 * k + 1]);
  }
}

// Scans the channel table into the record tables; `pos` receives the scan's final offset. A
// position whose stamp is no valid date is passed over byte by byte, unless every position is a
// record.
bool ScanRecords(Context& ctx, const Config& cfg, Tables& tables, const RecordSource& src,
                 int64_t& pos) {
  RecordTables& t = tables.records;
  const PageTable& pb = tables.pages;
  const BlockLayout* block = src.block ? &*src.block : nullptr;

  const int record_size = block ? 2 * block->words : kRecordSize;
  if (!CheckScanLayout(ctx, cfg, block, record_size)) return false;
  const int read_size = std::max(record_size, kStampBytes);
  const bool every_position = block && block->no_stamp;

  t.stamp_count = 1;
  pos = 0;
  const uint8_t* col0 = pb.Column(0);
  do {
    if (pos + kStampBytes > kChannelBytes) return ctx.OutOfRange("record offset", pos);
    if (!RecordTables::Holds(t.stamp_count)) return ctx.OutOfRange("record", t.stamp_count);
    auto& stamp = t.StampBytes(t.stamp_count);
    for (int k = 0; k < kStampBytes; ++k) stamp[k] = col0[pos + k];
    const bool valid = ctx.opts.skip_date_check || ValidStamp(stamp.data());
    if (!valid && !every_position) {
      ++pos;
      continue;
    }
    if (pos + read_size > kChannelBytes) return ctx.OutOfRange("record offset", pos);
    if (block) {
      ReadBlockWords(*block, pb, pos, t, t.stamp_count);
    } else {
      ReadChannelRecord(cfg, pb, pos, t, t.stamp_count);
    }
    ++t.stamp_count;
    pos += record_size;
  } while (pos < cfg.data_limit);
  return true;
}

// The time stamp of packed-BCD parts (year, month, day, hour, minute, second) as a day number
// with the time as its fraction. The two-digit year is one of this century, as the recording
// stores it (a span from 2029 into 2030 is a span of minutes, not of a century back). False when
// a part has a nibble above 9 or the stamp is no calendar date and time.
bool StampDays(const std::array<uint8_t, 6>& parts, double& days) {
  int v[6];
  for (int i = 0; i < 6; ++i) {
    if ((parts[i] >> 4) > 9 || (parts[i] & 0x0F) > 9) return false;
    v[i] = BcdToInt(parts[i]);
  }
  const int year = kCentury + v[0];
  using namespace std::chrono;
  const year_month_day ymd{std::chrono::year{year}, month{static_cast<unsigned>(v[1])},
                           day{static_cast<unsigned>(v[2])}};
  if (!ymd.ok() || v[3] > 23 || v[4] > 59 || v[5] > 59) return false;
  // Days since 30 December 1899 with the time of day as the fraction.
  const auto serial = sys_days{ymd} - sys_days{std::chrono::year{1899} / December / 30};
  days = static_cast<double>(serial.count()) + (v[3] * 3600 + v[4] * 60 + v[5]) / 86400.0;
  return true;
}

// What links one row of a 'g' unit to the next: the time stamp of the row before and the tick
// count of the latest outage marker.
struct DowntimeChain {
  std::array<uint8_t, 6> previous_stamp{};
  bool has_previous = false;
  int32_t outage_ticks = 0;
};

// The rows in the order of writing: runs of consecutive records, each with the whole that its
// progress percentage counts against.
struct RowRun {
  int64_t first = 0;
  int64_t count = 0;
  int32_t whole = 0;
  bool older = false;  ///< the older part of a wrapped memory ("Part A" in the progress)
};

struct RowOrder {
  std::vector<RowRun> runs;
  int64_t rows = 0;  ///< rows to write, all runs together
  /// Set when the rows end early because a record lies beyond the tables: the record to name.
  std::optional<int64_t> beyond;

  /// The run of row `at` (0-based, in the order of writing) and its record.
  const RowRun& RunAt(int64_t at, int64_t& record) const {
    for (const RowRun& run : runs) {
      if (at < run.count) {
        record = run.first + at;
        return run;
      }
      at -= run.count;
    }
    record = 0;
    return runs.back();
  }
  int64_t RecordAt(int64_t at) const {
    int64_t record = 0;
    RunAt(at, record);
    return record;
  }
  /// Keeps only the first `rows` rows.
  void CutAt(int64_t rows_kept) {
    int64_t left = rows_kept;
    for (RowRun& run : runs) {
      run.count = std::min(run.count, left);
      left -= run.count;
    }
    rows = rows_kept;
  }
};

// Adds the run of records first..last; a record outside the tables ends the rows before it.
void AddRun(RowOrder& order, int64_t first, int64_t last, int32_t whole, bool older) {
  if (order.beyond || first > last) return;
  int64_t stop = last;
  if (first < 1) {
    order.beyond = first;
    return;
  }
  if (last > kMaxRecords) {
    stop = kMaxRecords;
    order.beyond = std::max<int64_t>(first, kMaxRecords + 1);
  }
  if (first <= stop) {
    order.runs.push_back({first, stop - first + 1, whole, older});
    order.rows += stop - first + 1;
  }
}

// How one module channel becomes its cell, chosen once per conversion: the scale and pattern,
// whether the word is a kind-coded one (empty words, unsigned kinds), and up to which magnitude
// a product of multiplier and word is written as 0.
struct ChannelCell {
  RatioCell ratio;
  int32_t mult = 1;
  int32_t word_mask = -1;   ///< 0xFFFF takes the word unsigned
  uint32_t zero_up_to = 0;  ///< products of magnitude up to this are written as 0 ...
  bool suppress = false;    ///< ... when set
  bool kinds = false;       ///< a kind-coded channel: some words leave the cell empty
};

// Everything a row needs that stays the same for the whole conversion.
struct RowFormat {
  char sep = '.';
  bool quality = false;
  int cells = 0;  ///< module cells, or block cells
  std::array<ChannelCell, kSampleColumns> channel{};
  size_t max_row = 0;  ///< room one row may take
};

ChannelCell MakeChannelCell(const Config& cfg, int mod, int c) {
  ChannelCell cell;
  const auto& scale = cfg.channel_scale[mod];
  cell.mult = scale[2 * c - 1];
  // The readers store every divisor as at least 1; a slot no reader filled counts as 1.
  const int32_t div = std::max<int32_t>(scale[2 * c], 1);
  cell.ratio = RatioCell(static_cast<uint32_t>(div), div <= 1 ? 0 : (div <= 100 ? 1 : 2));
  cell.kinds = HasChannelKinds(cfg.module_type[mod]);
  if (cell.kinds) {
    if (IsUnsignedKind(cfg.channel_kind[mod][c])) cell.word_mask = 0xFFFF;
  } else if (cfg.module_sn[mod] / 256 != kKeepSmallSerialFamily) {
    // Products of -1, 0 and 1 are written as 0. The test is made on the scaled value as the
    // unit's software makes it, so a product of 2 drops too when div x (2 / div) falls below 2;
    // from 3 on, rounding cannot bring it inside.
    const double back = static_cast<double>(div) * (2.0 / static_cast<double>(div));
    cell.zero_up_to = back < 2 ? 2 : 1;
    cell.suppress = true;
  }
  return cell;
}

RowFormat MultiRowFormat(const Config& cfg, char sep) {
  RowFormat f;
  f.sep = sep;
  f.quality = cfg.quality_channel;
  f.cells = 6 * std::clamp(cfg.module_count, 0, kMaxModules);
  for (int j = 0; j < f.cells; ++j) f.channel[j] = MakeChannelCell(cfg, j / 6 + 1, j % 6 + 1);
  const int fixed_cells = kPhaseCells + (f.quality ? kQualityCells : 0);
  f.max_row =
      kStampTextLength + fixed_cells * (1 + kMaxFixedText) + f.cells * (1 + kMaxIntText) + 2;
  return f;
}

// The downtime of a 'g' row and the outage bookkeeping that goes with it. Runs over the rows in
// the order they are written, before any of them is formatted, so that rows can be formatted
// apart afterwards. Changes QualVrms(r, 1) and QualVrms(r, 3) as the row writer reads them.
// False (with `beyond` set) when the row needs the record after the last of the tables.
bool ChainDowntime(RecordTables& t, DowntimeChain& chain, int64_t r, double& d, int64_t& beyond) {
  if (t.QualVrms(r, 1) == kOutageMarker) {
    chain.outage_ticks = static_cast<int32_t>(std::nearbyint(t.QualVrms(r, 3)));
    t.QualVrms(r, 1) = 0;
    t.QualVrms(r, 3) = 0;
  }
  const std::array<uint8_t, 6>& stamp = t.StampBytes(r);
  d = 0;
  if (t.QualDowntime(r) == kDownRow) {
    double now = 0, before = 0;
    if (t.QualVrms(r, 3) > 0) {
      d = t.QualVrms(r, 3) / kTicksPerSecond;
    } else if (chain.has_previous && StampDays(chain.previous_stamp, before) &&
               StampDays(stamp, now)) {
      if (!RecordTables::Holds(r + 1)) {
        beyond = r + 1;
        return false;
      }
      const double span = (now - before) * kHoursPerDay * kSecondsPerHour;
      d = span + 1 +
          (-kTicksPerDownCount * t.QualDowntime(r + 1) - chain.outage_ticks) / kTicksPerSecond;
      if (d < 0) d = span;
    }
    t.QualVrms(r, 3) = 0;
  }
  chain.previous_stamp = stamp;
  chain.has_previous = true;
  return true;
}

// Writes the row of record r, with its line end, at p. `downtime` is the row's chained downtime
// (read for a 'g' unit only).
char* PutMultiRow(char* p, const RowFormat& f, const RecordTables& t, int64_t r, double downtime) {
  const char sep = f.sep;
  p = PutBcdStamp(p, t.StampBytes(r));
  const RecordTables::Volts& v = t.VoltsRow(r);
  for (int k = 0; k < 3; ++k) {
    *p++ = '\t';
    p = PutFixed(p, v.phase[k], 1, sep);
  }
  if (f.quality) {
    for (const double* row : {v.vrms, v.umin, v.umax}) {
      for (int k = 0; k < 3; ++k) {
        *p++ = '\t';
        p = PutFixed(p, row[k], 1, sep);
      }
    }
    *p++ = '\t';
    p = PutFixed(p, downtime, 2, sep);
  }
  const int16_t* raw = t.RawWords(r).data();
  // Written without branches on the word: the cell is formatted even when it stays empty, and
  // the products to drop become 0 by selection.
  for (int j = 0; j < f.cells; ++j) {
    const ChannelCell& c = f.channel[j];
    *p++ = '\t';
    const int32_t w = raw[j] & c.word_mask;
    const int32_t product = c.mult * w;
    const bool small = static_cast<uint32_t>(product) + c.zero_up_to <= 2 * c.zero_up_to;
    char* end = c.ratio.Put(p, c.suppress && small ? 0 : product, sep);
    p = c.kinds && IsEmptyWord(static_cast<uint16_t>(raw[j])) ? p : end;
  }
  p[0] = '\r';
  p[1] = '\n';
  return p + 2;
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

RowFormat BlockRowFormat(const BlockLayout& block, char sep) {
  RowFormat f;
  f.sep = sep;
  f.cells = std::min((block.modules * block.words) & kBlockCellMask, kSampleColumns);
  f.max_row = kStampTextLength + f.cells * (1 + kMaxFixedText) + 2;
  return f;
}

char* PutBlockRow(char* p, const RowFormat& f, const BlockLayout& block, const RecordTables& t,
                  int64_t r) {
  p = PutBcdStamp(p, t.StampBytes(r));
  const int16_t* raw = t.RawWords(r).data();
  for (int j = 0; j < f.cells; ++j) {
    *p++ = '\t';
    if (raw[j] == kBlockEmptyWord) continue;
    p = PutFixed(p, BlockValue(block, j, raw[j]), 1, f.sep);
  }
  p[0] = '\r';
  p[1] = '\n';
  return p + 2;
}

void WriteHeaderLines(Context& ctx, const Config& cfg, const BlockLayout* block, std::string& out) {
  const bool energy = block && block->format == kBlockEnergy;
  // Line 1: serial numbers and units.
  out = Hex8(static_cast<uint32_t>(cfg.central_sn));
  out.push_back('\t');
  if (!block) {
    out += "Volts\tVolts\tVolts\t";
    if (cfg.quality_channel) {
      for (int i = 0; i < 9; ++i) out += "Volts\t";
      out += "s\t";
    }
    for (int mod = 1; mod <= cfg.module_count; ++mod) {
      const std::string sn = Hex8(static_cast<uint32_t>(cfg.module_sn[mod]));
      for (int c = 1; c <= 6; ++c) (out += sn).push_back('\t');
    }
  } else if (energy) {
    out += "Diff1\tDiff2\tIinst\tindex1\tindex1\tindex1\tindex2\tindex2\tindex2";
  }
  ctx.WriteLine(out);

  // Line 2: names.
  out = cfg.central_name;
  out.push_back('\t');
  if (!block) {
    out += "Ph 1\tPh 2\tPh 3\t";
    if (cfg.quality_channel) {
      out += "Vrms1\tVrms2\tVrms3\tUmin1\tUmin2\tUmin3\tUmax1\tUmax2\tUmax3\tDowntime\t";
    }
  } else if (energy) {
    out += "Wh\tWh\tA\tMWh\tkWh\tWh\tMWh\tkWh\tWh";
  }
  for (int mod = 1; mod <= cfg.module_count && mod <= kMaxModules; ++mod) {
    for (int c = 1; c <= 6; ++c) (out += cfg.channel_name[mod][c]).push_back('\t');
  }
  ctx.WriteLine(out);
}

// The rows in the order of writing: the older records of a wrapped memory (above the write
// position) first, then the newer ones from the start of the memory up to the write position.
// `scan_end` is where the scan of the channel table ended.
RowOrder OrderRows(const Config& cfg, int64_t scan_end) {
  RowOrder order;
  // Records 1..newest lie below the write position; record newest + 1, the one at the write
  // position, is passed over.
  const int64_t newest = cfg.end_address / kRecordSize;
  if (scan_end > cfg.end_address && cfg.wrap_flag > 0) {
    AddRun(order, newest + 2, cfg.data_limit / kRecordSize, cfg.data_limit, true);
  }
  AddRun(order, 1, newest, cfg.end_address, false);
  return order;
}

// The chained downtime of every row of a 'g' unit, in the order of writing (`ChainDowntime`). A
// row that needs a record beyond the tables cuts the rows off before it and is named in `beyond`.
std::vector<double> ChainAllDowntime(RecordTables& t, RowOrder& order) {
  std::vector<double> downtime(static_cast<size_t>(order.rows));
  DowntimeChain chain;
  int64_t beyond = 0;
  for (int64_t at = 0; at < order.rows; ++at) {
    if (!ChainDowntime(t, chain, order.RecordAt(at), downtime[at], beyond)) {
      order.CutAt(at);
      order.beyond = beyond;
      break;
    }
  }
  return downtime;
}

// Rows per chunk: about `kChunkBytes` of text by a rough length of a row, and never fewer than
// `kMinChunkRows`.
int64_t ChunkRows(const RowFormat& f) {
  const int64_t row_estimate = kRowTextEstimate + kCellTextEstimate * int64_t{f.cells} +
                               (f.quality ? kQualityTextEstimate : 0);
  return std::max<int64_t>(kMinChunkRows, kChunkBytes / row_estimate);
}

// Steps the progress over rows first..end - 1 (in the order of writing) once they are written:
// one step whenever a row's record reaches a new whole percent of its run. `shown` is the
// percentage shown last. False when the conversion was cancelled.
bool StepRowProgress(Context& ctx, const RowOrder& order, int64_t first, int64_t end,
                     int16_t& shown) {
  for (int64_t at = first; at < end; ++at) {
    int64_t r = 0;
    const RowRun& run = order.RunAt(at, r);
    // The bytes up to the end of record r as a percentage of the run's bytes.
    const int16_t p = RoundToInt16(static_cast<double>(r) * (kRecordSize * 100) / run.whole);
    if (p <= shown) continue;
    shown = p;
    const Progress::Phase phase =
        run.older ? Progress::Phase::kOlderPart : Progress::Phase::kNewerPart;
    if (!ctx.Step(phase, p, std::to_string(p) + (run.older ? "% (Part A)" : "%"))) return false;
  }
  return true;
}

// Writes the rows: chunks of rows are formatted on every core and written in order, the progress
// following the rows of each chunk as it is written. `downtime` is empty unless the rows are a
// 'g' unit's. False when the conversion stopped.
bool WriteRows(Context& ctx, const RowOrder& order, const RowFormat& f, const BlockLayout* block,
               const RecordTables& records, const std::vector<double>& downtime) {
  const int64_t chunk_rows = ChunkRows(f);
  const int64_t chunks = (order.rows + chunk_rows - 1) / chunk_rows;
  auto format = [&](int64_t chunk, TextBlock& text) {
    const int64_t end = std::min(order.rows, (chunk + 1) * chunk_rows);
    for (int64_t at = chunk * chunk_rows; at < end; ++at) {
      const int64_t r = order.RecordAt(at);
      char* p = text.Reserve(f.max_row);
      text.Commit(block ? PutBlockRow(p, f, *block, records, r)
                        : PutMultiRow(p, f, records, r, downtime.empty() ? 0 : downtime[at]));
    }
  };
  int16_t shown = 0;
  auto write = [&](int64_t chunk, const TextBlock& text) {
    ctx.WriteBlock(text.View());
    const int64_t end = std::min(order.rows, (chunk + 1) * chunk_rows);
    return StepRowProgress(ctx, order, chunk * chunk_rows, end, shown);
  };
  return FormatInOrder(chunks, FormatThreads(), format, write);
}

}  // namespace

bool ConvertDump(Context& ctx, InputFile& in, Config& cfg, Tables& t) {
  if (!LoadChannelData(ctx, in, cfg, t.pages)) return false;
  // Everything the conversion reads is in the channel table now: the input's memory goes back
  // before the record tables fill.
  in.Close();
  return ConvertRecords(ctx, cfg, t, RecordSource{});
}

bool LoadChannelData(Context& ctx, InputFile& in, const Config& cfg, PageTable& pages) {
  int32_t page_no = cfg.module_count + 2;  // table entry of the next data page
  const int last_column = cfg.module_count + (cfg.quality_channel ? 1 : 0);
  if (cfg.module_count < 0 || last_column >= kChannelColumns) {
    return ctx.OutOfRange("channel count", last_column + 1);
  }
  // A column receives data_limit bytes, and one byte when data_limit is 0 or less.
  const int64_t total = cfg.data_limit > 0 ? cfg.data_limit : 1;
  if (total > kChannelBytes) return ctx.OutOfRange("data size", cfg.data_limit);

  bool complete = true;
  const bool reported = in.PastEnd();
  for (int c = 0; c <= last_column; ++c) {
    uint8_t* column = pages.Column(c);
    int64_t j = 0;
    while (j < total) {
      if (page_no > kRecAddrLast) return ctx.OutOfRange("page number", page_no);
      if (j % kDumpPageSize == 0 || j >= cfg.record_address[page_no]) {
        SeekRecord(in, cfg, page_no);
        ++page_no;
      }
      // Bytes up to the next page boundary (or up to the next page's own address, which a
      // broken table may put inside this page) are copied in one go.
      const int64_t boundary = std::min<int64_t>((j / kDumpPageSize + 1) * kDumpPageSize, total);
      int64_t run_end = j + 1;
      if (page_no <= kRecAddrLast) {
        run_end =
            std::min<int64_t>(boundary, std::max<int64_t>(j + 1, cfg.record_address[page_no]));
      }
      in.Read(column + j, static_cast<size_t>(run_end - j));
      pages.Written(j + 1, c, static_cast<size_t>(run_end - j));
      j = run_end;
    }
    if (in.PastEnd()) complete = false;
  }
  // A file that ended in its configuration has said so already.
  return complete || reported || ctx.Report(ReportKind::kMissingData, kMissingData);
}

bool ConvertRecords(Context& ctx, Config& cfg, Tables& t, const RecordSource& src) {
  const BlockLayout* block = src.block ? &*src.block : nullptr;
  // The clipboard copy is kept only when it will be used; the output is the same either way.
  ctx.KeepClipboardCopy();

  int64_t pos = 0;
  if (!ScanRecords(ctx, cfg, t, src, pos)) return false;
  if (src.logger)
    cfg.end_address = static_cast<int32_t>(kRecordSize * (int64_t{t.records.stamp_count} - 1));

  if (!ctx.StartOutput({cfg.central_sn, cfg.central_name, false})) return false;
  std::string out;
  WriteHeaderLines(ctx, cfg, block, out);

  RowOrder order = OrderRows(cfg, pos);
  const RowFormat f = block ? BlockRowFormat(*block, ctx.opts.decimal_separator)
                            : MultiRowFormat(cfg, ctx.opts.decimal_separator);
  std::vector<double> downtime;
  if (!block && cfg.quality_channel) downtime = ChainAllDowntime(t.records, order);

  if (!WriteRows(ctx, order, f, block, t.records, downtime)) return false;
  if (order.beyond) return ctx.OutOfRange("record", *order.beyond);
  if (!ctx.CheckWrites()) return false;
  ctx.rows += order.rows;
  ctx.Finish(kDone);
  return true;
}

}  // namespace vid
