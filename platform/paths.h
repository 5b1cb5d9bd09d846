// File names as the program handles them: the folder that holds the executable, the folders
// that are no output folders, joining names, and the small text tests on names.
#pragma once

#include <string>
#include <string_view>

namespace vid {

/// The folder of the running executable; "." when it cannot be found.
std::string ProgramFolder();

/// The current folder of the process; "." when it cannot be found.
std::string CurrentFolder();

/// True when files can be created in `folder` by this process.
bool FolderWritable(const std::string& folder);

/// True when `folder` lies under a prefix where installed programs live (/usr, /usr/local, /opt,
/// /bin, /sbin): output files never go there by default, whoever runs the program.
bool IsSystemFolder(const std::string& folder);

/// `folder` and `file` joined with one slash.
std::string JoinPath(const std::string& folder, const std::string& file);

/// The folder part of `path` ("." when it has none) and the name part.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

/// True when the last characters of `text` are exactly `tail` (case-sensitive).
inline bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace vid
