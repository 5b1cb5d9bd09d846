#include "app/qt/cp1252.h"

#include "platform/text_codec.h"

namespace vid {

QString FromCp1252(std::string_view bytes) {
  const std::string utf8 = Cp1252ToUtf8(bytes);
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace vid
