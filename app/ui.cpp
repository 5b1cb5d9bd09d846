#include "app/ui.h"

#include <chrono>

namespace vid {

int32_t Ui::TickCount() {
  using namespace std::chrono;
  const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

void WaitMs(Ui& ui, int32_t ms) {
  if (ms <= 0 || !ui.WantsPauses()) return;
  const uint32_t start = static_cast<uint32_t>(ui.TickCount());
  const uint32_t span = static_cast<uint32_t>(ms);
  // Unsigned difference: correct across the wrap of the signed counter as long as the wait is
  // shorter than 2^31 ms, which every positive `ms` is.
  while (!ui.QuitRequested() && !ui.CancelRequested()) {
    const uint32_t elapsed = static_cast<uint32_t>(ui.TickCount()) - start;
    if (elapsed >= span) return;
    ui.ProcessEvents();
  }
}

}  // namespace vid
