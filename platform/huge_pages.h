// A hint to the system about large buffers that are filled from the front: back them with
// 2 MiB pages where the system offers them (transparent huge pages), so that filling one costs a
// page fault per 2 MiB instead of one per 4 KiB. Nothing changes where the hint is not taken.
#pragma once

#include <cstddef>

namespace vid {

/// Asks for 2 MiB pages over the whole 2 MiB steps inside [p, p + bytes), before they are
/// first touched.
void AskHugePages(void* p, size_t bytes);

}  // namespace vid
