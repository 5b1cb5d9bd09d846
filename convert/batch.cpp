#include "convert/batch.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/paths.h"

namespace vid {

std::string BatchOutputPath(const std::string& folder, const std::string& input,
                            OutputFormat format) {
  const std::string stem = std::filesystem::path(input).stem().string();
  return JoinPath(folder, stem + (format == OutputFormat::kWorkbook ? ".xlsx" : ".txt"));
}

namespace {

// Hands the reports of one request to the caller, one at a time, and asks the cancel flag
// whether to go on.
class BatchObserver : public Observer {
 public:
  BatchObserver(const BatchReport& report, size_t index, std::mutex& mutex,
                const std::atomic<bool>* cancel)
      : report_(report), index_(index), mutex_(mutex), cancel_(cancel) {}
  void OnReport(const Report& r) override {
    if (!report_) return;
    std::lock_guard lock(mutex_);
    report_(index_, r);
  }
  bool Cancelled() override { return cancel_ && cancel_->load(); }

 private:
  const BatchReport& report_;
  size_t index_;
  std::mutex& mutex_;
  const std::atomic<bool>* cancel_;
};

}  // namespace

std::vector<Result> RunBatch(const std::vector<Request>& requests, int jobs,
                             const BatchProgress& progress, const BatchReport& report,
                             const std::atomic<bool>* cancel) {
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
      BatchObserver observer(report, i, mutex, cancel);
      Result result;
      if (observer.Cancelled()) {
        result.reports.push_back({ReportKind::kCancelled, std::string(kStoppedEnding)});
      } else {
        result = Convert(requests[i], observer);
      }
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
