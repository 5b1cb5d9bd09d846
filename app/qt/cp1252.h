// Text from the recordings is single-byte Windows-1252; the window shows it as Unicode (the
// clipboard copy of the output). The mapping is the one of platform/text_codec.h.
#pragma once

#include <QString>
#include <string_view>

namespace vid {

QString FromCp1252(std::string_view bytes);

}  // namespace vid
