#include "platform/paths.h"

#include <unistd.h>
#include <climits>

namespace vid {

std::string ProgramFolder() {
  char buf[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return ".";
  return FolderOf(std::string(buf, static_cast<size_t>(n)));
}

std::string CurrentFolder() {
  char buf[PATH_MAX];
  return ::getcwd(buf, sizeof buf) ? std::string(buf) : std::string(".");
}

bool FolderWritable(const std::string& folder) {
  return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool IsSystemFolder(const std::string& folder) {
  static constexpr std::string_view kPrefixes[] = {"/usr", "/opt", "/bin", "/sbin"};
  for (const std::string_view prefix : kPrefixes) {
    if (folder.size() >= prefix.size() && folder.compare(0, prefix.size(), prefix) == 0 &&
        (folder.size() == prefix.size() || folder[prefix.size()] == '/')) {
      return true;
    }
  }
  return false;
}

std::string JoinPath(const std::string& folder, const std::string& file) {
  if (folder.empty()) return file;
  if (folder.back() == '/') return folder + file;
  return folder + "/" + file;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace vid
