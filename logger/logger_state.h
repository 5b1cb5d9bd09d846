// State of the logger conversion that outlives a single record: the frame of the record being
// read, the header progress, and the page and block positions that fill the channel table.
// `header_loaded`, `page_row` and the block layout carry over from one conversion to the next (the
// window keeps them).
#pragma once

#include <cstdint>

#include "multichannel/convert.h"

namespace vid {

struct LoggerState {
  // The frame of the record being read.
  uint16_t record_marker = 0;
  int16_t record_length = 0;
  uint16_t record_type = 0;

  bool header_loaded = false;         ///< a complete installation header is available
  int32_t modules_seen = 0;           ///< module slots filled from the current file
  uint8_t module_extension_flag = 0;  ///< extension flag of the last module record (type 250)

  bool first_data = false;   ///< no page, block or Quendar record taken yet in this conversion
  int32_t page_address = 0;  ///< start address of the current page; running block position
  int32_t page_base = 0;     ///< page_address of the first page of the conversion
  int32_t previous_page_address = 0;  ///< page_address + wrap_offset of the previous page
  int32_t wrap_offset = 0;            ///< added once the recorder's memory has wrapped round
  uint8_t page_row = 0;               ///< channel column the current page fills; kept between Makes

  bool block_mode = false;  ///< a block record was met; cleared by every conversion
  BlockLayout block;        ///< of the last block record; `no_stamp` is cleared by every conversion
  bool quendar_seen = false;  ///< a Quendar record was met in this conversion
};

}  // namespace vid
