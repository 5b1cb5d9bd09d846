#include "platform/ui.h"

#include <chrono>

namespace vid {

int32_t Ui::TickCount() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

}  // namespace vid
