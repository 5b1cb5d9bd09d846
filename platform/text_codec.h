// The two encodings of the program's texts. Texts read from the recordings (unit, module and
// channel names, the output's own words such as the degree sign) are single-byte Windows-1252;
// texts from the system (paths, error descriptions) are UTF-8, and so are the status texts that
// the window and the command line show. A recording's text that goes into a status text is
// turned into UTF-8 first.
#pragma once

#include <string>
#include <string_view>

namespace vid {

/// `bytes` read as Windows-1252, in UTF-8. The bytes 0x80..0x9F carry the code page's own
/// characters (the euro sign, typographic quotes...); the five it leaves undefined (0x81, 0x8D,
/// 0x8F, 0x90, 0x9D) stand for the control characters of the same number, as Windows maps them;
/// every other byte is the Latin-1 character of the same number.
std::string Cp1252ToUtf8(std::string_view bytes);
/// Appends `bytes`, read as Windows-1252, to `out` in UTF-8.
void AppendCp1252AsUtf8(std::string& out, std::string_view bytes);

}  // namespace vid
