#include "convert/batch.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/paths.h"

namespace vid {

std::string BatchOutputPath(const std::string& folder, const std::string& input,
                            std::string_view ext) {
  const std::string stem = std::filesystem::path(input).stem().string();
  return JoinPath(folder, stem + "." + std::string(ext));
}

namespace {

// Hands the reports of one request to the caller, one at a time.
class ReportRelay : public Observer {
 public:
  ReportRelay(const BatchReport& report, size_t index, std::mutex& mutex)
      : report_(report), index_(index), mutex_(mutex) {}
  void OnReport(const Report& r) override {
    if (!report_) return;
    std::lock_guard lock(mutex_);
    report_(index_, r);
  }

 private:
  const BatchReport& report_;
  size_t index_;
  std::mutex& mutex_;
};

}  // namespace

std::vector<Result> RunBatch(const std::vector<Request>& requests, int jobs,
                             const BatchProgress& progress, const BatchReport& report) {
  std::vector<Result> results(requests.size());
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
      ReportRelay relay(report, i, mutex);
      Result result = Convert(requests[i], relay);
      std::lock_guard lock(mutex);
      results[i] = std::move(result);
      ++done;
      if (progress) progress(done, requests.size(), current);
    }
  };
  const size_t threads = std::min(static_cast<size_t>(std::max(jobs, 1)), requests.size());
  std::vector<std::thread> pool;
  for (size_t t = 1; t < threads; ++t) {
    // A thread the system cannot start leaves its share to the others.
    try {
      pool.emplace_back(work);
    } catch (const std::system_error&) {
      break;
    }
  }
  work();
  for (std::thread& t : pool) t.join();
  return results;
}

}  // namespace vid
