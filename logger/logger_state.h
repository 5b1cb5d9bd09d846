// State of the logger conversion that outlives a single record: the frame of the record being
// read, the header progress, and the page and block positions that fill the channel table.
// `HeaderLoaded`, `PageRow` and the block layout carry over from one Make to the next.
#pragma once

#include <cstdint>

#include "multichannel/Lit_viduravare.h"

namespace vid {

struct LoggerState {
  // The frame of the record being read.
  uint16_t RecMarker = 0;
  int16_t RecLength = 0;
  uint16_t RecType = 0;

  bool HeaderLoaded = false;  ///< a complete installation header is available
  int32_t ModulesSeen = 0;    ///< module slots filled from the current file
  uint8_t ModuleExtFlag = 0;  ///< extension flag of the last module record (type 250)

  bool FirstData = false;    ///< no page, block or Quendar record taken yet in this Make
  int32_t PageAddr = 0;      ///< start address of the current page; running block position
  int32_t PageBase = 0;      ///< PageAddr of the first page of the Make
  int32_t PrevPageAddr = 0;  ///< PageAddr + WrapOffset of the previous page
  int32_t WrapOffset = 0;    ///< added once the recorder's memory has wrapped round
  uint8_t PageRow = 0;       ///< channel column the current page fills; kept between Makes

  bool BlockMode = false;    ///< a block record was met; cleared by every Make
  BlockLayout block;         ///< of the last block record; `no_stamp` is cleared by every Make
  bool QuendarSeen = false;  ///< a Quendar record was met in this Make
};

}  // namespace vid
