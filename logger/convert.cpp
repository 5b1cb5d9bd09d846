#include "logger/convert.h"

#include <algorithm>

#include "dump/config.h"
#include "dump/layout.h"
#include "logger/pdc_frame.h"
#include "multichannel/convert.h"
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
constexpr int kLastRow = kChannelColumns - 1;

// Two's-complement wrap into 32 bits, as the recorder's address arithmetic does.
int32_t Wrap32(int64_t v) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(v)));
}

// The installation records read so far are no header: the next conversion must not take them for
// one.
bool TooManyModules(Context& ctx, LoggerState& lg) {
  lg.header_loaded = false;
  return ctx.Stop(ReportKind::kOutOfRange, "Error in file : more than 25 modules, reading stopped");
}

// Copies `n` bytes of the input to positions first .. first + n - 1 of row `row`, which the
// caller has checked; the part beyond the end of the file stores 0.
void CopyToChannel(InputFile& in, PageTable& pb, int64_t first, int row, int64_t n) {
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
bool ReadLoggerModule(Context& ctx, InputFile& in, Config& cfg, LoggerState& lg, int32_t m) {
  if (m < 1 || m > kMaxModules) return TooManyModules(ctx, lg);

  cfg.module_sn[m] = in.ReadLe32();
  cfg.module_type[m] = in.ReadByte();
  in.ReadByte();  // auxiliary byte, not used
  for (int c = 1; c <= 6; ++c) {
    uint8_t name[16];
    in.Read(name, sizeof name);
    cfg.channel_name[m][c] = CutAtNul(name, sizeof name);
  }
  const uint8_t type = cfg.module_type[m];
  auto& scale = cfg.channel_scale[m];
  if (!HasChannelKinds(type)) {
    for (int k = 1; k <= 12; ++k) {
      const uint8_t b = in.ReadByte();
      scale[k] = b == 0 ? 1 : b;
    }
    for (int c = 1; c <= 6; ++c) in.ReadByte();  // channel flags, not used
    in.ReadByte();
    in.ReadByte();
    lg.module_extension_flag = 0;
  } else {
    for (int c = 1; c <= 6; ++c) cfg.channel_param[m][c] = in.ReadLe16();
    for (int c = 1; c <= 6; ++c) cfg.channel_kind[m][c] = in.ReadByte();
    for (int c = 1; c <= 6; ++c) {
      scale[2 * c - 1] = 1;
      scale[2 * c] = KindDivisor(cfg.channel_kind[m][c], cfg.channel_param[m][c]);
    }
    const uint8_t ext = in.ReadByte();
    in.ReadByte();
    lg.module_extension_flag = type == kModuleTypeKindsExt ? ext : 0;
  }

  // A type-140 module is two modules to the output: the second slot carries the same scales
  // with channels named 1VA .. 6VA.
  if (type == kModuleTypeDouble && cfg.central_type != kKindSingleSlots) {
    if (m + 1 > kMaxModules || cfg.module_count + 1 > kMaxModules) return TooManyModules(ctx, lg);
    const int32_t v = m + 1;
    cfg.module_sn[v] = cfg.module_sn[m];
    cfg.module_type[v] = cfg.module_type[m];
    for (int c = 1; c <= 6; ++c) cfg.channel_name[v][c] = std::to_string(c) + "VA";
    cfg.channel_scale[v] = cfg.channel_scale[m];
    ++cfg.module_count;
    ++lg.modules_seen;
  }
  SkipRecordRest(in, lg, kModuleFields);
  return true;
}

// A module record into the next slot, then the count of modules seen; shared by Load Header and
// the conversion.
bool TakeModuleRecord(Context& ctx, InputFile& in, Config& cfg, LoggerState& lg) {
  if (!ReadLoggerModule(ctx, in, cfg, lg, lg.modules_seen + 1)) return false;
  if (lg.module_extension_flag != 0) {
    if (cfg.module_count + 1 > kMaxModules) return TooManyModules(ctx, lg);
    ++cfg.module_count;
  }
  ++lg.modules_seen;
  if (lg.modules_seen == cfg.module_count) lg.header_loaded = true;
  return true;
}

// A page record (type 16, or 18 for the `g_variant`), its head just read.
bool ReadPage(Context& ctx, InputFile& in, Config& cfg, LoggerState& lg, PageTable& pages,
              bool g_variant) {
  const int32_t sn = in.ReadLe32();
  lg.page_address = in.ReadLe32();
  in.ReadLe32();  // two words, not used
  if (lg.first_data) {
    lg.page_base = lg.page_address;
    lg.previous_page_address = lg.page_address;
    lg.wrap_offset = 0;
    lg.first_data = false;
  }
  if (g_variant) {
    ++lg.page_row;
    cfg.quality_channel = true;
  } else {
    if (sn > kCentralPageSn) {
      lg.page_row = 0;
      cfg.quality_channel = false;
    } else {
      ++lg.page_row;
    }
    // A page address that falls back far behind the previous page: the recorder's circular
    // memory has wrapped round. The memory size shows in how high the previous page's own
    // address went (without the offsets of earlier wraps).
    if (int64_t{lg.page_address} + lg.wrap_offset <
        int64_t{lg.previous_page_address} - kWrapDistance) {
      const int64_t previous_own = int64_t{lg.previous_page_address} - lg.wrap_offset;
      lg.wrap_offset = Wrap32(int64_t{lg.wrap_offset} +
                              (previous_own > kLargeMemoryFrom ? kMemoryTypeF : kMemoryOther));
    }
  }

  const int32_t n = static_cast<uint16_t>(lg.record_length) - kPageHead;
  const int64_t first = int64_t{lg.page_address} - lg.page_base + lg.wrap_offset + 1;
  if (n > 0) {
    if (lg.page_row > kLastRow) return ctx.OutOfRange("data row", lg.page_row);
    if (first < 1) return ctx.OutOfRange("data position", first);
    if (first + n - 1 > kChannelBytes) return ctx.OutOfRange("data position", first + n - 1);
    CopyToChannel(in, pages, first, lg.page_row, n);
  }
  lg.previous_page_address = Wrap32(int64_t{lg.page_address} + lg.wrap_offset);
  cfg.data_limit = Wrap32(first - 1 + std::max(n, 0));
  in.ReadLe16();  // trailer, not checked
  return true;
}

// doc/formats.md, "Block records": the fields in front of the blocks ...
constexpr int32_t kBlockFields = 12;
// ... and the flag that bit 15 of the length word may carry.
constexpr int32_t kLengthFlag = 0x8000;
// The blocks are read while one more fits in the length (after the flag is taken off) less
// this: the fields less one, so that a recorder that counts its payload one byte short (11 + the
// blocks) and one that counts it whole (12 + the blocks) read the same blocks.
constexpr int32_t kBlockRoomLess = kBlockFields - 1;

// What the fields of a block record say.
struct BlockHead {
  uint8_t modules = 0;
  uint8_t words = 0;  ///< words per module in a block; 1 for a record without time stamps
  int16_t format = 0;
  int32_t room = 0;    ///< the bytes whole blocks are read in
  int32_t stated = 0;  ///< the payload length the record states: the length word less its flag
};

// Reads the fields of a block record into the block layout, all but its format, and works out
// the room for its blocks and the payload length it states.
BlockHead ReadBlockHead(InputFile& in, LoggerState& lg) {
  in.ReadLe32();  // eight bytes, not interpreted
  in.ReadLe32();
  BlockHead h;
  h.modules = in.ReadByte();
  h.words = in.ReadByte();
  h.format = in.ReadLe16();
  lg.block.modules = h.modules;
  h.stated = static_cast<uint16_t>(lg.record_length) & (kLengthFlag - 1);
  if (h.words == kWordsNoStamp) {
    h.words = 1;
    lg.block.no_stamp = true;
  } else {
    lg.block.no_stamp = false;
    // The length word of such a record carries the flag: it is taken off together with one more.
    if (h.format != kBlockEnergy) {
      lg.record_length =
          static_cast<int16_t>(static_cast<uint16_t>(lg.record_length) - (kLengthFlag + 1));
    }
  }
  h.room = lg.record_length - kBlockRoomLess;
  lg.block.words = h.words;
  return h;
}

// Copies the blocks that fit whole in the room of the record into the channel table at the page
// address: the time stamp to row 0, the words of module k to row k; the address moves on by the
// words of one module. `read` receives the payload bytes of the blocks read. A block of no bytes
// (no modules, no time stamps) ends the loop at once.
bool ReadBlocks(Context& ctx, InputFile& in, LoggerState& lg, PageTable& pages, const BlockHead& h,
                int32_t& read) {
  const int32_t stamp = lg.block.no_stamp ? 0 : kStampBytes;
  const int32_t part = 2 * h.words;
  const int32_t block = stamp + h.modules * part;
  const int32_t room = h.room;
  read = 0;
  if (block > 0 && block <= room && h.modules > kLastRow) {
    return ctx.OutOfRange("data row", h.modules);
  }
  while (block > 0 && read + block <= room) {
    if (lg.first_data) {
      lg.page_address = 0;
      lg.first_data = false;
    }
    const int64_t at = int64_t{lg.page_address} + 1;
    if (at < 1) return ctx.OutOfRange("data position", at);
    if (!lg.block.no_stamp) {
      const int64_t stamp_end = at + kStampBytes - 1;
      if (stamp_end > kChannelBytes) return ctx.OutOfRange("data position", stamp_end);
      CopyToChannel(in, pages, at, 0, kStampBytes);
      read += kStampBytes;
    }
    if (h.modules > 0) {
      if (at + part - 1 > kChannelBytes) return ctx.OutOfRange("data position", at + part - 1);
      for (int k = 1; k <= h.modules; ++k) {
        CopyToChannel(in, pages, at, k, part);
        read += part;
      }
      lg.page_address += part;
    }
  }
  return true;
}

// Ends a block record once its blocks are read: the end of the data and the block format noted,
// the bytes of a partial last block passed over up to the stated payload (never beyond it), so
// that the trailer and the next record head are read where they stand, and the trailer.
void EndBlockRecord(InputFile& in, Config& cfg, LoggerState& lg, const BlockHead& h, int32_t read) {
  cfg.data_limit = lg.page_address;
  cfg.end_address = lg.page_address;
  lg.block.format = h.format;
  if (kBlockFields + read < h.stated) {
    in.SkipTo(static_cast<int64_t>(in.Position()) + (h.stated - kBlockFields - read));
  }
  in.ReadLe16();  // trailer, not checked
}

// A block record (section 0x8004, type 16), its head just read.
bool ReadBlockRecord(Context& ctx, InputFile& in, Config& cfg, LoggerState& lg, PageTable& pages) {
  const BlockHead head = ReadBlockHead(in, lg);
  int32_t read = 0;
  if (!ReadBlocks(ctx, in, lg, pages, head, read)) return false;
  EndBlockRecord(in, cfg, lg, head, read);
  return true;
}

// What one run of `ConvertLogger` works on.
struct LoggerRun {
  Context& ctx;
  InputFile& in;
  Config& cfg;
  Tables& t;
  LoggerState& lg;
  QuendarOutput q;
  bool selection;  ///< the files of a selection, not the one file of the command line
};

// One record of a data file, its head just read.
bool TakeRecord(LoggerRun& run) {
  InputFile& in = run.in;
  LoggerState& lg = run.lg;
  if (lg.record_marker == kSectionInstall) {
    switch (lg.record_type) {
      case kCentralRecord:
        ReadLoggerCentral(in, run.cfg, lg);
        // In a selection, one file may hold the header while the others hold the data: the
        // central record alone makes the header available.
        if (run.selection && lg.modules_seen == 0) lg.header_loaded = true;
        return true;
      case kModuleRecord:
        return TakeModuleRecord(run.ctx, in, run.cfg, lg);
      case kPageRecord:
        return ReadPage(run.ctx, in, run.cfg, lg, run.t.pages, false);
      case kQuendarRecord:
        lg.quendar_seen = true;
        return DecodeQuendarRecord(run.ctx, in, lg, run.q);
      case kPageRecordG:
        return ReadPage(run.ctx, in, run.cfg, lg, run.t.pages, true);
      default:
        // The payload is not skipped: the next six bytes are read as a record head.
        return ReportFormatError(run.ctx, run.q);
    }
  }
  if (lg.record_marker == kSectionBlock) {
    lg.header_loaded = true;
    if (lg.record_type == kPageRecord && !ReadBlockRecord(run.ctx, in, run.cfg, lg, run.t.pages)) {
      return false;
    }
    lg.block_mode = true;
  }
  return true;
}

}  // namespace

HeaderResult LoadHeader(Context& ctx, InputFile& in, Config& cfg, LoggerState& lg,
                        const std::string& folder, const std::string& name) {
  cfg.central_name = kBlankName;
  lg.modules_seen = 0;
  lg.block.no_stamp = false;
  lg.header_loaded = false;

  if (!EndsWith(name, "pdc")) {
    ctx.Report(ReportKind::kNotALoggerFile, "Only applies to .pdc files");
    return HeaderResult::kRefused;
  }
  const std::string path = JoinPath(folder, name);
  std::string error;
  if (!in.Open(path, &error, kMaxLoggerBytes)) {
    ctx.Stop(ReportKind::kCannotOpen, CannotOpenText(path, error));
    return HeaderResult::kStopped;
  }
  while (!in.AtEnd()) {
    ReadRecordHead(in, lg);
    if (lg.record_type == kCentralRecord) {
      ReadLoggerCentral(in, cfg, lg);
    } else if (lg.record_type == kModuleRecord) {
      if (!TakeModuleRecord(ctx, in, cfg, lg)) {
        in.Close();
        return HeaderResult::kStopped;
      }
    } else if (lg.record_type == kPageRecord) {
      SkipRecordRest(in, lg, 0);
    }
    // Any other type: its payload is read as the records that follow.
  }
  in.Close();
  if (!lg.header_loaded) {
    ctx.Report(ReportKind::kHeaderNotFound, "Error in header file");
    return HeaderResult::kNotFound;
  }
  ctx.Report(ReportKind::kStatus, "Central SN: " + Hex8(static_cast<uint32_t>(cfg.central_sn)) +
                                      " - Header found " + std::to_string(cfg.module_count) +
                                      " Modules");
  return HeaderResult::kFound;
}

bool ConvertLogger(Context& ctx, InputFile& in, Config& cfg, Tables& t, LoggerState& lg,
                   const std::vector<std::string>& inputs, bool selection) {
  lg.first_data = true;
  lg.quendar_seen = false;
  LoggerRun run{ctx, in, cfg, t, lg, QuendarOutput{&cfg.central_name}, selection};
  bool short_file = false;

  for (const std::string& path : inputs) {
    std::string error;
    if (!in.Open(path, &error, kMaxLoggerBytes))
      return ctx.Stop(ReportKind::kCannotOpen, CannotOpenText(path, error));
    lg.modules_seen = 0;
    const bool header_before = lg.header_loaded;
    // Every head read takes six bytes (or what is left), so the loop reaches the end.
    while (!in.AtEnd()) {
      ReadRecordHead(in, lg);
      if (!TakeRecord(run)) {
        in.Close();
        // A header this file made available stops with it.
        lg.header_loaded = lg.header_loaded && header_before;
        return false;
      }
    }
    // A file that ends inside a record: the missing bytes were read as zero.
    short_file = short_file || in.PastEnd();
    in.Close();
  }
  if (short_file && !ctx.Report(ReportKind::kMissingData, kMissingData)) return false;

  if (lg.quendar_seen) {
    if (!ctx.CheckWrites()) return false;
    ctx.Finish("Quendar file - Done");
    return true;
  }
  if (!lg.header_loaded)
    return ctx.Stop(ReportKind::kNoHeader, "Please select a file with header first");
  // A module slot that no record has filled (a header given by its central record alone, its
  // module records missing) has no scales yet: its channels are written 1:1.
  for (int m = 1; m <= std::min(cfg.module_count, kMaxModules); ++m) {
    for (uint8_t& k : cfg.channel_scale[m]) {
      if (k == 0) k = 1;
    }
  }
  if (!ctx.StartOutput({cfg.central_sn, cfg.central_name, false})) return false;
  RecordSource src;
  if (lg.block_mode) src.block = lg.block;
  src.logger = true;
  return ConvertRecords(ctx, cfg, t, src);
}

}  // namespace vid
