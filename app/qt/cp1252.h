// Text from the recordings is single-byte Windows-1252; the window shows it as Unicode. The
// bytes 0x80..0x9F carry the code page's own characters (the euro sign, typographic quotes...);
// every other byte is the Latin-1 character of the same number. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same
// number, as Windows itself maps them.
#pragma once

#include <QString>
#include <string_view>

namespace vid {

QString FromCp1252(std::string_view bytes);

}  // namespace vid
