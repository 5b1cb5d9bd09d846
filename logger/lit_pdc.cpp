#include "logger/lit_pdc.h"

#include <algorithm>

#include "dump/config.h"
#include "dump/layout.h"
#include "logger/pdc_frame.h"
#include "multichannel/Lit_viduravare.h"
#include "platform/number_format.h"
#include "platform/paths.h"

namespace vid {
namespace {

// doc/formats.md, "Module record (type 2)": the payload bytes the reader interprets.
constexpr int32_t kModuleFields = 122;
// doc/formats.md, "Page records (types 16 and 18)".
constexpr int32_t kPageHead = 12;              // serial number, address, two words
constexpr int32_t kCentralPageSn = 0x1000000;  // above: the central unit's own memory
constexpr int64_t kWrapDistance = 65536;       // a fall back by more than this is a wrap
constexpr int32_t kLargeMemoryFrom = 0x40000;  // a previous page above: the large memory
// doc/formats.md, "Module record (type 2)": a type-140 module fills two slots ...
constexpr uint8_t kModuleTypeDouble = 140;
// ... unless the central unit is of this kind.
constexpr uint8_t kKindSingleSlots = 'r';
// doc/formats.md, "Block records": a W of 255 means one word and no time stamps.
constexpr uint8_t kWordsNoStamp = 255;
constexpr int kLastRow = kPageBufColumns - 1;

// Two's-complement wrap into 32 bits, as the recorder's address arithmetic does.
int32_t Wrap32(int64_t v) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

// The installation records read so far are no header: the next Make must not take them for one.
bool TooManyModules(Context& ctx, LoggerState& lg) {
  lg.HeaderLoaded = false;
  return ctx.Stop("Error in file : more than 25 modules, reading stopped");
}

// Copies `n` bytes of the input to positions first .. first + n - 1 of row `row`, which the
// caller has checked; the part beyond the end of the file stores 0.
void CopyToPageBuf(InputFile& in, PageTable& pb, int64_t first, int row, int64_t n) {
  const int64_t have = std::min<int64_t>(n, static_cast<int64_t>(in.Remaining()));
  if (have > 0) {
    pb.Store(first, row, in.Cursor(), static_cast<size_t>(have));
    in.SkipTo(static_cast<int64_t>(in.Position()) + have);
  }
  for (int64_t j = std::max<int64_t>(have, 0); j < n; ++j) pb.Set(first + j, row, in.ReadByte());
}

// With `in` just after the head of a module record: reads it and its trailer into slot m. A
// module of type 140 under a central unit that is not 'r' fills slot m + 1 too and counts one
// module more. Stops when a slot beyond 25 or more than 25 modules would be needed.
bool ReadPdcModule(Context& ctx, InputFile& in, Config& cfg, LoggerState& lg, int32_t m) {
  if (m < 1 || m > kMaxModules) return TooManyModules(ctx, lg);

  cfg.ModuleSN[m] = in.ReadLe32();
  cfg.ModuleType[m] = in.ReadByte();
  in.ReadByte();  // auxiliary byte, not used
  for (int c = 1; c <= 6; ++c) {
    uint8_t name[16];
    in.Read(name, sizeof name);
    cfg.ChannelName[m][c] = CutAtNul(name, sizeof name);
  }
  const uint8_t type = cfg.ModuleType[m];
  auto& scale = cfg.ChannelScale[m];
  if (!HasChannelKinds(type)) {
    for (int k = 1; k <= 12; ++k) {
      const uint8_t b = in.ReadByte();
      scale[k] = b == 0 ? 1 : b;
    }
    for (int c = 1; c <= 6; ++c) in.ReadByte();  // channel flags, not used
    in.ReadByte();
    in.ReadByte();
    lg.ModuleExtFlag = 0;
  } else {
    for (int c = 1; c <= 6; ++c) cfg.ChannelParam[m][c] = in.ReadLe16();
    for (int c = 1; c <= 6; ++c) cfg.ChannelKind[m][c] = in.ReadByte();
    for (int c = 1; c <= 6; ++c) {
      scale[2 * c - 1] = 1;
      scale[2 * c] = KindDivisor(cfg.ChannelKind[m][c], cfg.ChannelParam[m][c]);
    }
    const uint8_t ext = in.ReadByte();
    in.ReadByte();
    lg.ModuleExtFlag = type == kModuleTypeKindsExt ? ext : 0;
  }

  // A type-140 module is two modules to the output: the second slot carries the same scales
  // with channels named 1VA .. 6VA.
  if (type == kModuleTypeDouble && cfg.CentralType != kKindSingleSlots) {
    if (m + 1 > kMaxModules || cfg.ModuleCount + 1 > kMaxModules) return TooManyModules(ctx, lg);
    const int32_t v = m + 1;
    cfg.ModuleSN[v] = cfg.ModuleSN[m];
    cfg.ModuleType[v] = cfg.ModuleType[m];
    for (int c = 1; c <= 6; ++c) cfg.ChannelName[v][c] = std::to_string(c) + "VA";
    cfg.ChannelScale[v] = cfg.ChannelScale[m];
    ++cfg.ModuleCount;
    ++lg.ModulesSeen;
  }
  SkipRecordRest(in, lg, kModuleFields);
  return true;
}

// A module record into the next slot, then the count of modules seen; shared by Load Header and
// the conversion.
bool TakeModuleRecord(Context& ctx, InputFile& in, Config& cfg, LoggerState& lg) {
  if (!ReadPdcModule(ctx, in, cfg, lg, lg.ModulesSeen + 1)) return false;
  if (lg.ModuleExtFlag != 0) {
    if (cfg.ModuleCount + 1 > kMaxModules) return TooManyModules(ctx, lg);
    ++cfg.ModuleCount;
  }
  ++lg.ModulesSeen;
  if (lg.ModulesSeen == cfg.ModuleCount) lg.HeaderLoaded = true;
  return true;
}

// A page record (type 16, or 18 for the `g_variant`), its head just read.
bool ReadPage(Context& ctx, InputFile& in, Config& cfg, LoggerState& lg, PageTable& pages,
              bool g_variant) {
  const int32_t sn = in.ReadLe32();
  lg.PageAddr = in.ReadLe32();
  in.ReadLe32();  // two words, not used
  if (lg.FirstData) {
    lg.PageBase = lg.PageAddr;
    lg.PrevPageAddr = lg.PageAddr;
    lg.WrapOffset = 0;
    lg.FirstData = false;
  }
  if (g_variant) {
    ++lg.PageRow;
    cfg.CentralTypeG = true;
  } else {
    if (sn > kCentralPageSn) {
      lg.PageRow = 0;
      cfg.CentralTypeG = false;
    } else {
      ++lg.PageRow;
    }
    // A page address that falls back far behind the previous page: the recorder's circular
    // memory has wrapped round. The memory size shows in how high the previous page's own
    // address went (without the offsets of earlier wraps).
    if (int64_t{lg.PageAddr} + lg.WrapOffset < int64_t{lg.PrevPageAddr} - kWrapDistance) {
      const int64_t previous_own = int64_t{lg.PrevPageAddr} - lg.WrapOffset;
      lg.WrapOffset = Wrap32(int64_t{lg.WrapOffset} +
                             (previous_own > kLargeMemoryFrom ? kMemoryTypeF : kMemoryOther));
    }
  }

  const int32_t n = static_cast<uint16_t>(lg.RecLength) - kPageHead;
  const int64_t first = int64_t{lg.PageAddr} - lg.PageBase + lg.WrapOffset + 1;
  if (n > 0) {
    if (lg.PageRow > kLastRow) return ctx.OutOfRange("data row", lg.PageRow);
    if (first < 1) return ctx.OutOfRange("data position", first);
    if (first + n - 1 > kPageBufBytes) return ctx.OutOfRange("data position", first + n - 1);
    CopyToPageBuf(in, pages, first, lg.PageRow, n);
  }
  lg.PrevPageAddr = Wrap32(int64_t{lg.PageAddr} + lg.WrapOffset);
  cfg.DataLimit = Wrap32(first - 1 + std::max(n, 0));
  in.ReadLe16();  // trailer, not checked
  return true;
}

// doc/formats.md, "Block records": the fields in front of the blocks.
constexpr int32_t kBlockFields = 12;

// A block record (section 0x8004, type 16), its head just read.
bool ReadBlockRecord(Context& ctx, InputFile& in, Config& cfg, LoggerState& lg, PageTable& pages) {
  in.ReadLe32();
  in.ReadLe32();
  const uint8_t modules = in.ReadByte();
  uint8_t words = in.ReadByte();
  const int16_t format = in.ReadLe16();
  lg.block.modules = modules;
  // The payload length the record states: the length word, or its low 15 bits when bit 15 is a
  // flag.
  int32_t stated = lg.RecLength;
  if (words == kWordsNoStamp) {
    words = 1;
    lg.block.no_stamp = true;
  } else {
    lg.block.no_stamp = false;
    // The length word of such a record carries a flag in bit 15: clear it (and one more).
    if (format != kBlockEnergy) {
      lg.RecLength = static_cast<int16_t>(static_cast<uint16_t>(lg.RecLength) + 32767);
      stated = lg.RecLength + 1;
    }
  }
  lg.block.words = words;

  const int32_t stamp = lg.block.no_stamp ? 0 : 6;
  const int32_t part = 2 * words;
  const int32_t block = stamp + modules * part;
  const int32_t room = stated - kBlockFields;
  // Blocks are read while a whole block fits in the stated payload; the bytes of a partial last
  // block are passed over below, so that the trailer and the next record head are read where
  // they stand. A block of no bytes (no modules, no time stamps) ends the loop at once.
  if (block > 0 && block <= room && modules > kLastRow) {
    return ctx.OutOfRange("data row", modules);
  }
  int32_t c = 0;  // payload bytes of the blocks read
  while (block > 0 && c + block <= room) {
    if (lg.FirstData) {
      lg.PageAddr = 0;
      lg.FirstData = false;
    }
    const int64_t at = int64_t{lg.PageAddr} + 1;
    if (at < 1) return ctx.OutOfRange("data position", at);
    if (!lg.block.no_stamp) {
      if (at + 5 > kPageBufBytes) return ctx.OutOfRange("data position", at + 5);
      CopyToPageBuf(in, pages, at, 0, 6);
      c += 6;
    }
    if (modules > 0) {
      if (at + part - 1 > kPageBufBytes) return ctx.OutOfRange("data position", at + part - 1);
      for (int k = 1; k <= modules; ++k) {
        CopyToPageBuf(in, pages, at, k, part);
        c += part;
      }
      lg.PageAddr += part;
    }
  }
  cfg.DataLimit = lg.PageAddr;
  cfg.EndAddr = lg.PageAddr;
  lg.block.format = format;
  if (kBlockFields + c < stated) {
    in.SkipTo(static_cast<int64_t>(in.Position()) + (stated - kBlockFields - c));
  }
  in.ReadLe16();  // trailer, not checked
  return true;
}

// What one run of `ConvertPdc` works on.
struct PdcRun {
  Context& ctx;
  InputFile& in;
  Config& cfg;
  Tables& t;
  LoggerState& lg;
  QuendarOutput q;
  bool selection;  ///< the files of a selection, not the one file of the command line
};

// One record of a data file, its head just read.
bool TakeRecord(PdcRun& run) {
  InputFile& in = run.in;
  LoggerState& lg = run.lg;
  if (lg.RecMarker == kSectionInstall) {
    switch (lg.RecType) {
      case kCentralRecord:
        ReadPdcCentral(in, run.cfg, lg);
        // In a selection, one file may hold the header while the others hold the data: the
        // central record alone makes the header available.
        if (run.selection && lg.ModulesSeen == 0) lg.HeaderLoaded = true;
        return true;
      case kModuleRecord:
        return TakeModuleRecord(run.ctx, in, run.cfg, lg);
      case kPageRecord:
        return ReadPage(run.ctx, in, run.cfg, lg, run.t.PageBuf, false);
      case kQuendarRecord:
        lg.QuendarSeen = true;
        return DecodeQuendarRecord(run.ctx, in, lg, run.q);
      case kPageRecordG:
        return ReadPage(run.ctx, in, run.cfg, lg, run.t.PageBuf, true);
      default:
        // The payload is not skipped: the next six bytes are read as a record head.
        ReportFormatError(run.ctx, run.q);
        return true;
    }
  }
  if (lg.RecMarker == kSectionBlock) {
    lg.HeaderLoaded = true;
    if (lg.RecType == kPageRecord && !ReadBlockRecord(run.ctx, in, run.cfg, lg, run.t.PageBuf)) {
      return false;
    }
    lg.BlockMode = true;
  }
  return true;
}

}  // namespace

HeaderResult LoadHeader(Context& ctx, InputFile& in, Config& cfg, LoggerState& lg,
                        const std::string& folder, const std::string& name) {
  cfg.CentralName = kBlankName;
  lg.ModulesSeen = 0;
  lg.block.no_stamp = false;
  lg.HeaderLoaded = false;
  ctx.ui.ProcessEvents();

  if (!EndsWith(name, "pdc")) {
    ctx.ui.MessageBox("Only applies to .pdc files");
    return HeaderResult::kRefused;
  }
  const std::string path = JoinPath(folder, name);
  std::string error;
  if (!in.Open(path, &error, kMaxLoggerBytes)) {
    ctx.Stop(CannotOpenText(path, error));
    return HeaderResult::kStopped;
  }
  while (!in.AtEnd()) {
    ReadRecordHead(in, lg);
    if (lg.RecType == kCentralRecord) {
      ReadPdcCentral(in, cfg, lg);
    } else if (lg.RecType == kModuleRecord) {
      if (!TakeModuleRecord(ctx, in, cfg, lg)) {
        in.Close();
        return HeaderResult::kStopped;
      }
    } else if (lg.RecType == kPageRecord) {
      SkipRecordRest(in, lg, 0);
    }
    // Any other type: its payload is read as the records that follow.
  }
  in.Close();
  if (!lg.HeaderLoaded) {
    ctx.ui.SetStatus("Error in header file");
    return HeaderResult::kNotFound;
  }
  ctx.ui.SetStatus("Central SN: " + Hex8(static_cast<uint32_t>(cfg.CentralSN)) +
                   " - Header found " + std::to_string(cfg.ModuleCount) + " Modules");
  return HeaderResult::kFound;
}

bool ConvertPdc(Context& ctx, InputFile& in, Config& cfg, Tables& t, LoggerState& lg,
                const std::vector<std::string>& inputs, bool selection, const std::string& out_name,
                const OpenOutputFn& open_output) {
  lg.FirstData = true;
  lg.QuendarSeen = false;
  PdcRun run{ctx, in, cfg, t, lg, QuendarOutput{open_output, out_name}, selection};

  for (const std::string& path : inputs) {
    std::string error;
    if (!in.Open(path, &error, kMaxLoggerBytes)) return ctx.Stop(CannotOpenText(path, error));
    lg.ModulesSeen = 0;
    const bool header_before = lg.HeaderLoaded;
    // Every head read takes six bytes (or what is left), so the loop reaches the end.
    while (!in.AtEnd()) {
      ReadRecordHead(in, lg);
      if (!TakeRecord(run)) {
        in.Close();
        // A header this file made available stops with it.
        lg.HeaderLoaded = lg.HeaderLoaded && header_before;
        return false;
      }
    }
    in.Close();
  }

  if (lg.QuendarSeen) {
    if (!FinishQuendar(ctx) || !ctx.CheckWrites()) return false;
    ctx.ui.SetStatus("Quendar file - Done");
    return true;
  }
  if (!lg.HeaderLoaded) return ctx.Stop("Please select a file with header first");
  // A module slot that no record has filled (a header given by its central record alone, its
  // module records missing) has no scales yet: its channels are written 1:1.
  for (int m = 1; m <= std::min(cfg.ModuleCount, kMaxModules); ++m) {
    for (uint8_t& k : cfg.ChannelScale[m]) {
      if (k == 0) k = 1;
    }
  }
  if (!open_output(ctx.opts.check_txt_name ? SerialOutName(cfg.CentralSN) : out_name)) {
    return false;
  }
  RecordSource src;
  if (lg.BlockMode) src.block = lg.block;
  src.logger = true;
  return ConvertRecords(ctx, cfg, t, src);
}

}  // namespace vid
