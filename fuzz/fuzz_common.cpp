#include "fuzz_common.h"

#include <unistd.h>

#include "platform/paths.h"

namespace vid::fuzz {

Harness::Harness() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/viduravare-fuzz-XXXXXX";
  Check(::mkdtemp(templ.data()) != nullptr, "scratch folder");
  dir = templ;
  form.Form_Load("");
  form.ProgramFolder = dir;
  form.File1.folder = dir;
  form.OutputToMemory = true;
  session.ctx.opts.copy_to_clipboard = false;
}

void Harness::Put(const std::string& name, const uint8_t* data, size_t size) const {
  std::FILE* f = std::fopen(JoinPath(dir, name).c_str(), "wb");
  Check(f != nullptr, "writing the input");
  if (size) Check(std::fwrite(data, 1, size, f) == size, "writing the input");
  std::fclose(f);
}

MakeResult Harness::Make(const std::string& name) {
  form.File1.file_name = name;
  if (form.File1.selected.empty()) form.File1.selected = {name};
  const MakeResult r = form.BMake_Click();
  Check(!session.shell.Busy, "Busy cleared after Make");
  Check(!session.shell.InFile.IsOpen(), "input closed after Make");
  Check(!session.ctx.out.file.IsOpen(), "output closed after Make");
  if (r == MakeResult::kDone) {
    Check(!session.ctx.stopped, "a stopped conversion reported as done");
    Check(!ui.status.empty(), "a completed conversion leaves a status text");
  }
  if (r == MakeResult::kStopped) {
    Check(session.ctx.stopped || !ui.status.empty(), "a stop without a status text");
  }
  return r;
}

}  // namespace vid::fuzz
