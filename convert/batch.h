// Many conversions at once. Each request is converted on its own, on a converter of its own, by
// one of a few threads; its reports are kept in its result (and told to the caller as they come,
// when it asks), and an input that stops does not stop the others. A cancel flag ends the whole
// batch early.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/converter.h"

namespace vid {

/// Called whenever a conversion starts or ends, never from two threads at once: how many have
/// ended, of how many, and the input started last.
using BatchProgress = std::function<void(size_t done, size_t total, const std::string& current)>;

/// Called with each report of request `index` as the conversion makes it, on the thread that
/// converts it, never at once with another report or with the progress.
using BatchReport = std::function<void(size_t index, const Report& report)>;

/// The output of `input` in `folder`: the input's name without its extension, then ".txt" or
/// ".xlsx" as `format` asks.
std::string BatchOutputPath(const std::string& folder, const std::string& input,
                            OutputFormat format);

/// Runs every request, `jobs` at a time (at least one), and gives the results in the order of
/// the requests. `report`, when given, hears of each report as it comes. Once `cancel` (when
/// given) is set, the conversions under way stop as a cancel does, leaving no output, and those
/// not started are not run: all of them end `kStopped` with a `kCancelled` report.
std::vector<Result> RunBatch(const std::vector<Request>& requests, int jobs,
                             const BatchProgress& progress, const BatchReport& report = {},
                             const std::atomic<bool>* cancel = nullptr);

}  // namespace vid
