#include "multichannel/Lit_viduravare.h"

#include <chrono>
#include <cmath>

#include "common/CStringBuilder.h"
#include "common/Module1.h"
#include "dump/decode.h"
#include "platform/number_format.h"
#include "platform/ui.h"

namespace vid {
namespace {

constexpr int kPageSize = 1024;
constexpr int kRecordSize = 12;
constexpr double kTicksPerSecond = 5859;

// Lets the window repaint; a Quit clicked meanwhile stops the conversion.
bool Yield(Session& s) {
  s.ui.ProcessEvents();
  if (s.ui.QuitRequested()) return Stop(s, "Stopped: the program is ending");
  return true;
}

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

std::string TooLarge(const char* what, int64_t value) {
  return std::string("Error in file : ") + what + " " + std::to_string(value) +
         " out of range, conversion stopped";
}

}  // namespace

bool MultiConvert(Session& s) {
  if (!LoadChannelData(s)) return false;
  return ConvertRecords(s);
}

bool LoadChannelData(Session& s) {
  Config& cfg = s.cfg;
  InputFile& in = s.shell.InFile;
  MultiState& m = s.multi;
  m.PrevStamp.clear();
  m.PageNo = cfg.ModuleCount + 2;
  const int last_column = cfg.ModuleCount + (cfg.CentralTypeG ? 1 : 0);
  if (cfg.ModuleCount < 0 || last_column >= kPageBufColumns) {
    return Stop(s, TooLarge("channel count", last_column + 1));
  }
  // A column receives DataLimit bytes, and one byte when DataLimit is 0 or less.
  const int64_t total = cfg.DataLimit > 0 ? cfg.DataLimit : 1;
  if (total > kPageBufBytes) return Stop(s, TooLarge("data size", cfg.DataLimit));

  bool complete = true;
  for (int c = 0; c <= last_column; ++c) {
    uint8_t* column = s.PageBuf.Column(c);
    int64_t j = 0;
    while (j < total) {
      if (m.PageNo > kRecAddrLast) return Stop(s, TooLarge("page number", m.PageNo));
      if (j % kPageSize == 0 || j >= cfg.RecAddr[m.PageNo]) {
        NextRecordDates(in, cfg, m.PageNo);
        ++m.PageNo;
      }
      // Bytes up to the next page boundary (or up to the next page's own address, which a
      // broken table may put inside this page) are copied in one go.
      const int64_t boundary = std::min<int64_t>((j / kPageSize + 1) * kPageSize, total);
      int64_t run_end = j + 1;
      if (m.PageNo <= kRecAddrLast) {
        run_end = std::min<int64_t>(boundary, std::max<int64_t>(j + 1, cfg.RecAddr[m.PageNo]));
      }
      in.Read(column + j, static_cast<size_t>(run_end - j));
      s.PageBuf.Store(j + 1, c, column + j, static_cast<size_t>(run_end - j));
      j = run_end;
    }
    if (in.PastEnd()) complete = false;
  }
  if (!complete) {
    s.ui.SetStatus("Error detected in file : Missing data");
    WaitMs(s.ui, 500);
    if (s.ui.QuitRequested()) return Stop(s, "Stopped: the program is ending");
  }
  return true;
}

double PhaseVrms(MultiState& m, int p) {
  const uint8_t* b = m.RecBytes;
  const int32_t n = (b[6] & 3) + 4 * (b[8] & 3) + 16 * (b[10] & 3);
  m.SampleCount = n;
  if (n <= 0) return 0;
  const double sum = 256.0 * b[2 * p + 5] + (b[2 * p + 4] & 0xFC);
  const double v = std::nearbyint(10 * std::sqrt((44.74 / n) * sum)) / 10;
  return v < 10 ? 0 : v;
}

void DecodeQualityRecord(MultiState& m, RecordTables& t, int64_t r) {
  const uint8_t* b = m.RecBytes;
  t.QualDowntime(r) = (b[0] & 3) + 4 * (b[2] & 3) + 16 * (b[4] & 3);
  const double ticks = (b[4] & 0xC0) + 256.0 * b[5];
  if ((b[0] & 0xC0) == 0xC0 && b[1] == 0xFF) {
    t.QualVrms(r, 1) = -64;
    t.QualVrms(r, 2) = 0;
    t.QualVrms(r, 3) = ticks;
  } else if (m.SampleCount > 0) {
    for (int p = 1; p <= 3; ++p) {
      const double f = (b[2 * p - 2] & 0xC0) + 256.0 * b[2 * p - 1];
      t.QualVrms(r, p) = std::nearbyint(10 * 1.002 * std::sqrt((178.96 / m.SampleCount) * f)) / 10;
    }
  } else {
    t.QualVrms(r, 1) = 0;
    t.QualVrms(r, 2) = 0;
    t.QualVrms(r, 3) = ticks;
    t.QualDowntime(r) = 63;
  }
  static constexpr int kMinHigh[3] = {7, 9, 11};
  static constexpr int kMaxHigh[3] = {6, 8, 10};
  for (int p = 1; p <= 3; ++p) {
    const uint8_t x = b[2 * p - 2];
    const uint8_t ylo = b[kMinHigh[p - 1]];
    t.QualUmin(r, p) =
        ((x & 0x30) == 0x30 && ylo == 0xFF) ? 0 : 1.182 * std::sqrt(4.0 * (x & 0x30) + 256.0 * ylo);
    t.QualUmax(r, p) = 1.182 * std::sqrt(16.0 * (x & 0x0C) + 256.0 * b[kMaxHigh[p - 1]]);
  }
}

bool ScanRecords(Session& s, int64_t& pos) {
  const Config& cfg = s.cfg;
  const LoggerState& lg = s.log;
  RecordTables& t = s.rec;
  MultiState& m = s.multi;
  const PageTable& pb = s.PageBuf;

  const int record_size = lg.BlockMode ? 2 * lg.BlockWords : kRecordSize;
  if (lg.BlockMode) {
    if (lg.BlockModules >= kPageBufColumns) {
      return Stop(s, TooLarge("block module count", lg.BlockModules));
    }
    if (lg.BlockModules * lg.BlockWords > kSampleColumns) {
      return Stop(s, TooLarge("block word count", lg.BlockModules * lg.BlockWords));
    }
  } else if (cfg.ModuleCount < 0 ||
             cfg.ModuleCount + (cfg.CentralTypeG ? 1 : 0) >= kPageBufColumns) {
    return Stop(s, TooLarge("module count", cfg.ModuleCount));
  }
  if (record_size == 0 && cfg.DataLimit > 0) {
    // Blocks of no words would never move the scan on through the data.
    return Stop(s, "Error in file : block records without words, conversion stopped");
  }
  const int read_size = std::max(record_size, 6);

  t.StampCount = 1;
  pos = 0;
  const uint8_t* col0 = pb.Column(0);
  do {
    if (pos + 6 > kPageBufBytes) return Stop(s, TooLarge("record offset", pos));
    if (!RecordTables::Holds(t.StampCount)) return Stop(s, TooLarge("record", t.StampCount));
    auto& stamp = t.StampPart(t.StampCount);
    for (int k = 0; k < 6; ++k) stamp[k] = col0[pos + k];
    const bool valid = s.opts.datetimecheck || ValidStamp(stamp.data());
    if (!valid && !lg.NoBlockStamp) {
      ++pos;
      continue;
    }
    if (pos + read_size > kPageBufBytes) return Stop(s, TooLarge("record offset", pos));
    const int64_t r = t.StampCount;
    auto& raw = t.RawSample(r);
    if (!lg.BlockMode) {
      for (int k = 6; k < 12; ++k) m.RecBytes[k] = col0[pos + k];
      for (int p = 1; p <= 3; ++p) t.PhaseVolts(r, p) = PhaseVrms(m, p);
      if (cfg.CentralTypeG) {
        const uint8_t* q = pb.Column(1) + pos;
        for (int k = 0; k < 12; ++k) m.RecBytes[k] = q[k];
        DecodeQualityRecord(m, t, r);
      }
      for (int mod = 1; mod <= cfg.ModuleCount; ++mod) {
        const uint8_t* w = pb.Column(ModuleColumn(cfg, mod)) + pos;
        int16_t* dst = raw.data() + 6 * (mod - 1);
        for (int k = 0; k < 6; ++k) dst[k] = makeword(w[2 * k], w[2 * k + 1]);
      }
    } else {
      for (int p = 1; p <= 3; ++p) t.PhaseVolts(r, p) = 0;
      for (int mod = 1; mod <= lg.BlockModules; ++mod) {
        const uint8_t* w = pb.Column(mod) + pos;
        int16_t* dst = raw.data() + lg.BlockWords * (mod - 1);
        for (int k = 0; k < lg.BlockWords; ++k) dst[k] = makeword(w[2 * k], w[2 * k + 1]);
      }
    }
    ++t.StampCount;
    pos += record_size;
  } while (pos < cfg.DataLimit);

  if (s.shell.PdcMode) {
    s.cfg.EndAddr = static_cast<int32_t>(12 * (static_cast<int64_t>(t.StampCount) - 1));
  }
  return true;
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

bool MultiWriteRow(Session& s, int64_t r) {
  if (!RecordTables::Holds(r)) return Stop(s, TooLarge("record", r));
  const Config& cfg = s.cfg;
  RecordTables& t = s.rec;
  MultiState& m = s.multi;
  const char sep = s.opts.decimal_sep;
  std::string& out = s.shell.OutLine;
  out.clear();
  AppendStampText(out, t.StampPart(r));
  for (int p = 1; p <= 3; ++p) {
    out.push_back('\t');
    AppendFixed(out, t.PhaseVolts(r, p), 1, sep);
  }

  if (cfg.CentralTypeG) {
    if (t.QualVrms(r, 1) == -64) {
      m.OutageTicks = static_cast<int32_t>(std::nearbyint(t.QualVrms(r, 3)));
      t.QualVrms(r, 1) = 0;
      t.QualVrms(r, 3) = 0;
    }
    double d = 0;
    const std::string stamp = out.substr(0, 17);
    if (t.QualDowntime(r) == 63) {
      double now = 0, before = 0;
      if (t.QualVrms(r, 3) > 0) {
        d = t.QualVrms(r, 3) / kTicksPerSecond;
      } else if (StampTextToDays(m.PrevStamp, before) && StampTextToDays(stamp, now)) {
        if (!RecordTables::Holds(r + 1)) return Stop(s, TooLarge("record", r + 1));
        const double span = (now - before) * 24 * 3600;
        d = span + 1 + (-128 * t.QualDowntime(r + 1) - m.OutageTicks) / kTicksPerSecond;
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
    m.PrevStamp = stamp;
  }

  const auto& raw = t.RawSample(r);
  for (int mod = 1; mod <= cfg.ModuleCount; ++mod) {
    const uint8_t type = cfg.ModuleType[mod];
    const bool kinds = type == 250 || type == 254;
    const bool keep_small = cfg.ModuleSN[mod] / 256 == 24;
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
          m.ScaledValue = static_cast<double>(numerator) / static_cast<double>(div);
          const double back = static_cast<double>(div) * m.ScaledValue;
          if (back > -2 && back < 2) numerator = 0;
        }
      } else {
        const uint16_t u = static_cast<uint16_t>(w);
        if (u == 0x8000 || u == 0x7FFE || u == 0x7FFF) continue;  // empty cell
        const uint8_t kind = cfg.ChannelKind[mod][c];
        const bool unsigned_word =
            kind == 0x80 || kind == 0x81 || kind == 0x90 || kind == 0x91 || kind == 0x92;
        numerator = mult * (unsigned_word ? U32(w) : w);
      }
      AppendRatio(out, numerator, div, decimals, sep);
    }
  }
  s.shell.OutFile.WriteLine(out);
  return true;
}

bool BlockWriteRow(Session& s, int64_t r) {
  if (!RecordTables::Holds(r)) return Stop(s, TooLarge("record", r));
  const LoggerState& lg = s.log;
  const char sep = s.opts.decimal_sep;
  std::string& out = s.shell.OutLine;
  out.clear();
  AppendStampText(out, s.rec.StampPart(r));
  const auto& raw = s.rec.RawSample(r);
  const int cells = (lg.BlockModules * lg.BlockWords) & 0xFF;
  for (int j = 0; j < cells && j < kSampleColumns; ++j) {
    const int16_t w = raw[j];
    out.push_back('\t');
    if (w == 0x7FFE) continue;
    double v = w;
    if (lg.BlockFormat == 0) {
      const int k = j % lg.BlockWords;
      if (k == 0 || k == 2 || k == 4) {
        v = RhFromRaw(w);
      } else if (k == 1 || k == 3 || k == 5) {
        v = TempFromRaw(w);
      } else if (k <= 8) {
        v = CubicFromRaw(w);
      }
    } else if (lg.BlockFormat == 1) {
      if (j <= 5 || j == 10 || j == 11) {
        v = w / 10.0;
      } else if ((j >= 12 && j <= 27) || j == 31) {
        v = w / 256.0;
      }
    }
    s.multi.ScaledValue = v;
    AppendFixed(out, v, 1, sep);
  }
  s.shell.OutFile.WriteLine(out);
  return true;
}

bool ConvertRecords(Session& s) {
  const Config& cfg = s.cfg;
  const LoggerState& lg = s.log;
  // The clipboard copy is collected only when it will be used; the file is the same either way.
  CStringBuilder clip;
  const bool collect = s.opts.copyclip;

  int64_t pos = 0;
  if (!ScanRecords(s, pos)) return false;

  std::string& out = s.shell.OutLine;
  OutputFile& file = s.shell.OutFile;
  auto emit = [&](const std::string& line) {
    if (collect) {
      clip.Append(line);
      clip.Append("\r\n");
    }
  };

  // Line 1: serial numbers and units.
  out = Hex8(static_cast<uint32_t>(cfg.CentralSN));
  out.push_back('\t');
  if (!lg.BlockMode) {
    out += "Volts\tVolts\tVolts\t";
    if (cfg.CentralTypeG) {
      for (int i = 0; i < 9; ++i) out += "Volts\t";
      out += "s\t";
    }
    for (int mod = 1; mod <= cfg.ModuleCount; ++mod) {
      const std::string sn = Hex8(static_cast<uint32_t>(cfg.ModuleSN[mod]));
      for (int c = 1; c <= 6; ++c) (out += sn).push_back('\t');
    }
  } else if (lg.BlockFormat == 3) {
    out += "Diff1\tDiff2\tIinst\tindex1\tindex1\tindex1\tindex2\tindex2\tindex2";
  }
  file.WriteLine(out);
  emit(out);

  // Line 2: names.
  out = cfg.CentralName;
  out.push_back('\t');
  if (!lg.BlockMode) {
    out += "Ph 1\tPh 2\tPh 3\t";
    if (cfg.CentralTypeG) {
      out += "Vrms1\tVrms2\tVrms3\tUmin1\tUmin2\tUmin3\tUmax1\tUmax2\tUmax3\tDowntime\t";
    }
  } else if (lg.BlockFormat == 3) {
    out += "Wh\tWh\tA\tMWh\tkWh\tWh\tMWh\tkWh\tWh";
  }
  for (int mod = 1; mod <= cfg.ModuleCount && mod <= kMaxModules; ++mod) {
    for (int c = 1; c <= 6; ++c) (out += cfg.ChannelName[mod][c]).push_back('\t');
  }
  file.WriteLine(out);
  emit(out);

  int16_t shown = 0;
  auto write_row = [&](int64_t i) {
    if (!(lg.BlockMode ? BlockWriteRow(s, i) : MultiWriteRow(s, i))) return false;
    if (!out.empty()) emit(out);
    return true;
  };
  auto progress = [&](int64_t i, int32_t whole, const char* suffix) {
    const int16_t p = RoundToInt16(static_cast<double>(i) * 1200 / whole);
    if (p <= shown) return true;
    shown = p;
    s.ui.SetProgress(std::to_string(p) + suffix);
    if (file.Failed()) return Stop(s, "Error writing the output file, conversion stopped");
    return Yield(s);
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
  if (file.Failed()) return Stop(s, "Error writing the output file, conversion stopped");

  if (collect) {
    s.ui.ClearClipboard();
    s.ui.SetClipboard(clip.ToString());
    if (!Yield(s)) return false;
  }
  s.ui.SetStatus("Done...");
  return true;
}

}  // namespace vid
