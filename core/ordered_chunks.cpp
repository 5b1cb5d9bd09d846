#include "core/ordered_chunks.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace vid {
namespace {

// Blocks held per worker: one it formats while the one before waits to be written.
constexpr int64_t kSlotsPerWorker = 2;

// Everything on the calling thread: each chunk is formatted and written before the next.
bool FormatHere(int64_t count, const FormatChunkFn& format, const WriteChunkFn& write) {
  TextBlock text;
  for (int64_t i = 0; i < count; ++i) {
    text.Clear();
    format(i, text);
    if (!write(i, text)) return false;
  }
  return true;
}

// The blocks shared by the workers and the calling thread: chunk i goes to slot i % slots once
// chunk i - slots has been written.
class ChunkRing {
 public:
  ChunkRing(int64_t count, int threads, const FormatChunkFn& format)
      : count_(count),
        slots_(kSlotsPerWorker * int64_t{threads}),
        ring_(static_cast<size_t>(slots_)),
        format_(format) {}

  // A worker's loop: formats the chunks it takes until none is left or the run ends.
  void Work() {
    int64_t i = 0;
    while (TakeChunk(i)) {
      Slot& slot = SlotOf(i);
      try {
        slot.text.Clear();
        format_(i, slot.text);
      } catch (...) {
        Fail(std::current_exception());
        return;
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slot.ready = i;
      }
      formatted_.notify_all();
    }
  }

  // On the calling thread: hands the chunks to `write` strictly in order as they are formatted.
  // False as soon as `write` returned false; stops early, true, when a format threw.
  bool WriteInOrder(const WriteChunkFn& write) {
    bool ok = true;
    for (int64_t i = 0; i < count_ && ok; ++i) {
      Slot& slot = SlotOf(i);
      {
        std::unique_lock<std::mutex> lock(mutex_);
        formatted_.wait(lock, [&] { return slot.ready == i || ending_; });
        if (slot.ready != i) break;  // a format threw
      }
      // The slot is not touched by a worker until `done_` lets its next chunk in.
      ok = write(i, slot.text);
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slot.ready = -1;
        done_ = i + 1;
      }
      written_.notify_all();
    }
    return ok;
  }

  // Lets every worker end: the chunk in hand is finished, no further one is taken.
  void End() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ending_ = true;
    }
    written_.notify_all();
  }

  // Once the workers have ended: passes on the first exception a format threw.
  void RethrowError() const {
    if (error_) std::rethrow_exception(error_);
  }

 private:
  struct Slot {
    TextBlock text;
    int64_t ready = -1;  ///< the chunk whose text the slot holds, -1 while none
  };

  Slot& SlotOf(int64_t i) { return ring_[static_cast<size_t>(i % slots_)]; }

  // Waits until the next chunk's slot is free and takes the chunk; false when the run ends.
  bool TakeChunk(int64_t& i) {
    std::unique_lock<std::mutex> lock(mutex_);
    written_.wait(lock, [&] { return ending_ || next_ >= count_ || next_ < done_ + slots_; });
    if (ending_ || next_ >= count_) return false;
    i = next_++;
    return true;
  }

  // A format threw: the run ends, and the first exception is kept for the caller.
  void Fail(std::exception_ptr e) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!error_) error_ = e;
    ending_ = true;
    formatted_.notify_all();
    written_.notify_all();
  }

  const int64_t count_;
  const int64_t slots_;
  std::vector<Slot> ring_;
  const FormatChunkFn& format_;
  std::mutex mutex_;
  std::condition_variable formatted_, written_;
  int64_t next_ = 0;     // the next chunk to hand out
  int64_t done_ = 0;     // chunks written
  bool ending_ = false;  // a write failed, a format threw, or everything is written
  std::exception_ptr error_;
};

}  // namespace

int FormatThreads() {
  const unsigned n = std::thread::hardware_concurrency();
  return n == 0 ? 1 : static_cast<int>(n);
}

bool FormatInOrder(int64_t count, int threads, const FormatChunkFn& format,
                   const WriteChunkFn& write) {
  if (threads <= 1 || count <= 1) return FormatHere(count, format, write);

  ChunkRing ring(count, threads, format);
  std::vector<std::thread> workers;
  workers.reserve(static_cast<size_t>(threads));
  for (int k = 0; k < threads; ++k) {
    // A worker the system cannot start leaves its chunks to the others.
    try {
      workers.emplace_back([&ring] { ring.Work(); });
    } catch (const std::system_error&) {
      break;
    }
  }
  if (workers.empty()) return FormatHere(count, format, write);
  auto end_run = [&] {
    ring.End();
    for (std::thread& t : workers) t.join();
  };
  bool ok = false;
  try {
    ok = ring.WriteInOrder(write);
  } catch (...) {
    // A `write` that throws (out of memory) ends the workers before the exception goes on.
    end_run();
    throw;
  }
  end_run();
  ring.RethrowError();
  return ok;
}

}  // namespace vid
