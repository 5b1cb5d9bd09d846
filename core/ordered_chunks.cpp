#include "core/ordered_chunks.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace vid {

int FormatThreads() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

bool FormatInOrder(int64_t count, int threads, const FormatChunkFn& format,
                   const WriteChunkFn& write) {
  if (threads <= 1 || count <= 1) {
    TextBlock text;
    for (int64_t i = 0; i < count; ++i) {
      text.Clear();
      format(i, text);
      if (!write(i, text)) return false;
    }
    return true;
  }

  // Chunk i goes to slot i % slots once chunk i - slots has been written.
  struct Slot {
    TextBlock text;
    int64_t ready = -1;  ///< the chunk whose text the slot holds, -1 while none
  };
  const int64_t slots = 2 * int64_t{threads};
  std::vector<Slot> ring(static_cast<size_t>(slots));
  std::mutex mutex;
  std::condition_variable formatted, written;
  int64_t next = 0;     // the next chunk to hand out
  int64_t done = 0;     // chunks written
  bool ending = false;  // a write failed, a format threw, or everything is written
  std::exception_ptr error;

  auto work = [&] {
    for (;;) {
      int64_t i;
      {
        std::unique_lock<std::mutex> lock(mutex);
        written.wait(lock, [&] { return ending || next >= count || next < done + slots; });
        if (ending || next >= count) return;
        i = next++;
      }
      Slot& slot = ring[static_cast<size_t>(i % slots)];
      try {
        slot.text.Clear();
        format(i, slot.text);
      } catch (...) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!error) error = std::current_exception();
        ending = true;
        formatted.notify_all();
        written.notify_all();
        return;
      }
      {
        std::lock_guard<std::mutex> lock(mutex);
        slot.ready = i;
      }
      formatted.notify_all();
    }
  };

  std::vector<std::thread> workers;
  workers.reserve(static_cast<size_t>(threads));
  for (int k = 0; k < threads; ++k) workers.emplace_back(work);

  bool ok = true;
  for (int64_t i = 0; i < count && ok; ++i) {
    Slot& slot = ring[static_cast<size_t>(i % slots)];
    {
      std::unique_lock<std::mutex> lock(mutex);
      formatted.wait(lock, [&] { return slot.ready == i || ending; });
      if (slot.ready != i) break;  // a format threw
    }
    // The slot is not touched by a worker until `done` lets its next chunk in.
    ok = write(i, slot.text);
    {
      std::lock_guard<std::mutex> lock(mutex);
      slot.ready = -1;
      done = i + 1;
    }
    written.notify_all();
  }
  {
    std::lock_guard<std::mutex> lock(mutex);
    ending = true;
  }
  written.notify_all();
  for (std::thread& t : workers) t.join();
  if (error) std::rethrow_exception(error);
  return ok;
}

}  // namespace vid
