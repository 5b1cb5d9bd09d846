#include "logger/pdc_frame.h"

#include "dump/decode.h"

namespace vid {

void ReadRecordHead(InputFile& in, LoggerState& lg) {
  lg.record_marker = static_cast<uint16_t>(Be16(in.ReadLe16()));
  lg.record_length = in.ReadLe16();
  lg.record_type = static_cast<uint16_t>(Be16(in.ReadLe16()));
}

void SkipRecordRest(InputFile& in, LoggerState& lg, int32_t consumed) {
  const int32_t length = lg.record_length;
  if (length > consumed) in.SkipTo(static_cast<int64_t>(in.Position()) + (length - consumed));
  in.ReadLe16();  // trailer, not checked
}

void ReadLoggerCentral(InputFile& in, Config& cfg, LoggerState& lg) {
  uint8_t name[16];
  in.Read(name, sizeof name);
  cfg.central_name = CutAtNul(name, sizeof name);
  cfg.central_sn = in.ReadLe32();
  cfg.end_address = in.ReadLe32();
  in.ReadByte();  // central parameter, not used
  cfg.wrap_flag = in.ReadByte();
  cfg.module_count = in.ReadByte();
  cfg.central_type = in.ReadByte();
  cfg.data_limit = 0;
  SkipRecordRest(in, lg, kCentralFields);
}

void ReadLoggerPreview(InputFile& in, Config& cfg, LoggerState& lg) {
  do {
    lg.record_marker = static_cast<uint16_t>(Be16(in.ReadLe16()));
  } while (lg.record_marker != kSectionInstall && !in.AtEnd());
  lg.record_length = in.ReadLe16();
  lg.record_type = static_cast<uint16_t>(Be16(in.ReadLe16()));
  cfg.central_sn = 0;
  if (lg.record_type == kCentralRecord) {
    ReadLoggerCentral(in, cfg, lg);
  } else if (lg.record_type == kPageRecord) {
    cfg.central_sn = in.ReadLe32();
    lg.page_address = in.ReadLe32();
    cfg.central_name.clear();
  }
}

}  // namespace vid
