// Text made in chunks on several threads and written in order. The rows of a conversion are cut
// into chunks; worker threads format chunks into their own blocks, and the calling thread hands
// the finished blocks, strictly in chunk order, to `write`, which may write them out, report
// progress and let the window repaint. Only the calling thread calls `write`; `format` runs on
// the workers and must only read what is shared. A `write` that returns false stops everything:
// the workers finish the chunk in hand and no further chunk is formatted. At most two blocks per
// worker are held at any time, so memory stays bounded whatever the number of chunks.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/text_block.h"

namespace vid {

/// Formats chunk `index` into `text` (empty on entry).
using FormatChunkFn = std::function<void(int64_t index, TextBlock& text)>;
/// Takes the text of chunk `index`; false stops the run.
using WriteChunkFn = std::function<bool(int64_t index, const TextBlock& text)>;

/// Worker threads worth starting on this machine (its hardware threads, at least 1).
int FormatThreads();

/// Formats chunks 0 .. `count` - 1 on `threads` workers (none with 1 or less: then everything
/// runs on the calling thread) and writes them in order. False as soon as `write` returned false.
/// An exception thrown by `format` or `write` reaches the caller once the workers have ended; a
/// worker thread the system cannot start leaves its share to the others (or to the caller).
bool FormatInOrder(int64_t count, int threads, const FormatChunkFn& format,
                   const WriteChunkFn& write);

}  // namespace vid
