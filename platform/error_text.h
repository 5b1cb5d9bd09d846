// The text the file layer gives for a system error: its number, ": " and its description, as
// the "Last Error :" field and the status texts show it.
#pragma once

#include <cstring>
#include <string>

namespace vid {

inline std::string ErrorText(int err) {
  return std::to_string(err) + ": " + std::strerror(err);
}

}  // namespace vid
