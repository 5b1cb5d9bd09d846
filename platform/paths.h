// File names as the program handles them: the folder that holds the executable, joining an
// output name such as "\mv1.txt" (a leading backslash, as the window keeps it) to a folder,
// and the small text tests on names.
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

/// `folder` joined with `name`; a leading backslash or slash of `name` is the separator.
std::string JoinOutName(const std::string& folder, std::string_view name);

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
