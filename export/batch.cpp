#include "export/batch.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <thread>

#include "platform/paths.h"
#include "platform/ui.h"

namespace vid {
namespace {

// Keeps nothing and shows nothing: `RunConversion` records the texts the summary needs.
class QuietUi : public Ui {
 public:
  void SetStatus(std::string_view) override {}
  bool WantsPauses() const override { return false; }
};

}  // namespace

std::string BatchOutputPath(const std::string& folder, const std::string& input,
                            std::string_view ext) {
  const std::string stem = std::filesystem::path(input).stem().string();
  return JoinPath(folder, stem + "." + std::string(ext));
}

std::vector<ConversionResult> RunBatch(const std::vector<ConversionRequest>& requests, int jobs,
                                       const BatchProgress& progress) {
  std::vector<ConversionResult> results(requests.size());
  std::mutex mutex;
  size_t next = 0, done = 0;
  std::string current;  // the input started last
  auto work = [&] {
    for (;;) {
      size_t i;
      {
        std::lock_guard lock(mutex);
        if (next == requests.size()) return;
        i = next++;
        current = requests[i].inputs.at(0);
        if (progress) progress(done, requests.size(), current);
      }
      QuietUi ui;
      ConversionResult result = RunConversion(requests[i], ui);
      std::lock_guard lock(mutex);
      results[i] = std::move(result);
      ++done;
      if (progress) progress(done, requests.size(), current);
    }
  };
  const size_t threads = std::min(static_cast<size_t>(std::max(jobs, 1)), requests.size());
  std::vector<std::thread> pool;
  for (size_t t = 1; t < threads; ++t) pool.emplace_back(work);
  work();
  for (std::thread& t : pool) t.join();
  return results;
}

}  // namespace vid
