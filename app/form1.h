// The logic of the main window, free of any toolkit: the shell's handlers (window load with its
// command-line rule, Make, the header preview) working on a `Session`. The Qt window and the
// command line drive it; the tests call the handlers directly. The file list is modelled by
// `FileList`: the folder shown, the current entry and the selected entries in list order. Make,
// the preview and Load Header act on the current entry; only the logger conversion takes the
// selected entries. Status texts are UTF-8 (platform/text_codec.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/session.h"

namespace vid {

struct FileList {
  std::string folder;                 ///< the folder the list shows
  std::string file_name;              ///< the current entry, selected or not; empty when none
  std::vector<std::string> selected;  ///< every selected entry, in list order
};

/// How a Make ended.
enum class MakeResult {
  kDone,     ///< the conversion completed and its output file is in place
  kBusy,     ///< another operation was running: nothing done
  kNoInput,  ///< no current entry, or the input could not be opened: the reason is in `etat`
  kStopped,  ///< the conversion stopped on an error: no output file, the reason is in `etat`
};

class Form1 {
 public:
  explicit Form1(Session& session) : s_(session) {}

  /// Window load. Splits `command_line` at every blank; when item 1 ends in ".pdb" or ".pdc"
  /// and item 2 in ".txt", converts item 1 into item 2 in the program folder (in the current
  /// folder when the program folder cannot be written) and returns the result (the program then
  /// ends); otherwise returns nothing and the window is for the user.
  std::optional<MakeResult> Form_Load(std::string_view command_line);

  /// Points the file list at `path` alone, as a click on it would: its folder, the file as the
  /// current and only selected entry.
  void SelectFile(const std::string& path);

  /// The Make button (and a double click in the file list).
  MakeResult BMake_Click();

  /// The Load Header button: reads the current file of the list as a logger header file.
  /// Ignored while another operation runs.
  void BHeader_Click();

  /// A click in the file list: the header preview line in the status field.
  void File1_Click();

  FileList File1;
  std::string ProgramFolder = ".";  ///< where the output files go
  /// Set by the window load when the command line's program folder could not be written and
  /// the current folder took its place: that program folder.
  std::string UnwritableProgramFolder;
  /// The output file the last Make opened.
  std::string OutputPath;
  /// Set by the command line's `-o`: the exact output path, replacing folder and name.
  std::optional<std::string> OutputPathOverride;
  /// Keeps the output text in memory (`session.ctx.out.file.Text()`) instead of a file.
  bool OutputToMemory = false;
  std::string Text1;  ///< "Last Error :"
  std::string Text2;  ///< "FileName:"

  /// After a command-line conversion into the current folder (see `Form_Load`): a sentence that
  /// says where the output went. Empty otherwise.
  std::string FallbackNotice() const;

 private:
  MakeResult Convert();
  bool OpenOutput(const std::string& out_name);
  std::string InputPath() const;

  Session& s_;
};

/// The items of a command line split at every single blank (two blanks give an empty item).
std::vector<std::string> SplitCommandLine(std::string_view text);

}  // namespace vid
