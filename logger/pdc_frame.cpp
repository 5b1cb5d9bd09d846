#include "logger/pdc_frame.h"

#include "dump/decode.h"

namespace vid {

void ReadRecordHead(InputFile& in, LoggerState& lg) {
  lg.RecMarker = static_cast<uint16_t>(inv2(in.ReadLe16()));
  lg.RecLength = in.ReadLe16();
  lg.RecType = static_cast<uint16_t>(inv2(in.ReadLe16()));
}

void SkipRecordRest(InputFile& in, LoggerState& lg, int32_t consumed) {
  const int32_t length = lg.RecLength;
  if (length > consumed) in.SkipTo(static_cast<int64_t>(in.Position()) + (length - consumed));
  in.ReadLe16();  // trailer, not checked
}

void ReadPdcCentral(InputFile& in, Config& cfg, LoggerState& lg) {
  uint8_t name[16];
  in.Read(name, sizeof name);
  cfg.CentralName = CutAtNul(name, sizeof name);
  cfg.CentralSN = in.ReadLe32();
  cfg.EndAddr = in.ReadLe32();
  in.ReadByte();  // central parameter, not used
  cfg.WrapFlag = in.ReadByte();
  cfg.ModuleCount = in.ReadByte();
  cfg.CentralType = in.ReadByte();
  cfg.DataLimit = 0;
  SkipRecordRest(in, lg, kCentralFields);
}

void entete_pdc(InputFile& in, Config& cfg, LoggerState& lg) {
  do {
    lg.RecMarker = static_cast<uint16_t>(inv2(in.ReadLe16()));
  } while (lg.RecMarker != kSectionInstall && !in.AtEnd());
  lg.RecLength = in.ReadLe16();
  lg.RecType = static_cast<uint16_t>(inv2(in.ReadLe16()));
  cfg.CentralSN = 0;
  if (lg.RecType == kCentralRecord) {
    ReadPdcCentral(in, cfg, lg);
  } else if (lg.RecType == kPageRecord) {
    cfg.CentralSN = in.ReadLe32();
    lg.PageAddr = in.ReadLe32();
    cfg.CentralName.clear();
  }
}

}  // namespace vid
