// Working state of one mini-channel conversion; every field starts afresh with each conversion.
#pragma once

#include <array>
#include <cstdint>

namespace vid {

struct MiniState {
  std::array<uint8_t, 6> MiniRec{};  ///< the 6 bytes just read
  int32_t MiniAddr = 0;              ///< data-memory address of the record being read
  int32_t MiniBlock = 0;             ///< 1056-byte blocks entered so far
  int32_t MiniLastStamp = 0;         ///< last time stamp at or below the write pointer
  uint8_t MiniMask = 0;              ///< type mask of the latest time stamp
  uint8_t MiniTypes = 0;             ///< OR of the masks of all time stamps
};

}  // namespace vid
