#include "fuzz_common.h"

#include <unistd.h>

#include "platform/paths.h"

namespace vid::fuzz {
namespace {

// Every outcome has its say: a completion ends with its status text, a stop with its reason.
void CheckOutcome(const Result& r) {
  Check(!r.reports.empty() && !r.reports.back().text.empty(), "an outcome without a status text");
  if (r.Completed()) {
    for (const Report& report : r.reports) {
      Check(report.kind == ReportKind::kStatus || IsFinding(report.kind),
            "a stop in a conversion reported as completed");
    }
  } else {
    Check(r.text.empty() && r.path.empty(), "a stopped conversion left an output");
  }
}

}  // namespace

Harness::Harness() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/viduravare-fuzz-XXXXXX";
  Check(::mkdtemp(templ.data()) != nullptr, "scratch folder");
  dir = templ;
}

void Harness::Put(const std::string& name, const uint8_t* data, size_t size) const {
  std::FILE* f = std::fopen(JoinPath(dir, name).c_str(), "wb");
  Check(f != nullptr, "writing the input");
  if (size) Check(std::fwrite(data, 1, size, f) == size, "writing the input");
  std::fclose(f);
}

Result Harness::Convert(const std::vector<std::string>& names) {
  Request request;
  for (const std::string& name : names) request.inputs.push_back(JoinPath(dir, name));
  request.target.kind = TargetKind::kMemory;
  Result r = converter.Convert(request, quiet);
  CheckOutcome(r);
  return r;
}

Result Harness::LoadHeader(const std::string& name) {
  Result r = converter.LoadHeader(JoinPath(dir, name), quiet);
  CheckOutcome(r);
  Check(r.Completed() == converter.HeaderLoaded(), "a header found but not loaded");
  return r;
}

}  // namespace vid::fuzz
