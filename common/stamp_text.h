// The time stamp of a row as text, dd/mm/yy hh:mm:ss, from the six parts a record stores (year,
// month, day, hour, minute, second). Both writers put their bytes at `p` and return the end; the
// caller provides the room.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vid {

/// The length of a stamp text of two-digit parts: "dd/mm/yy hh:mm:ss".
inline constexpr size_t kStampTextLength = 17;

/// Writes the stamp of six packed-BCD parts, each as its two hexadecimal digits (a nibble above
/// 9 shows as a letter): `kStampTextLength` bytes.
char* PutBcdStamp(char* p, const std::array<uint8_t, 6>& parts);
/// Writes the stamp of six binary parts, each in decimal with at least two digits: 17 to 23
/// bytes.
char* PutDecStamp(char* p, const std::array<uint8_t, 6>& parts);

}  // namespace vid
