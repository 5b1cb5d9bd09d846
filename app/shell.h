// The logic of the main window, free of any toolkit: the window's load with its command-line
// rule, Make, Convert each, Load Header and the click on a file, working on the file list, the
// option boxes and the output style, and converting through the conversion library. The window
// shows what happens through a `Ui`: the status texts in the order the conversion reports them,
// with the pauses after a report that give the user time to read it (2000 ms for a corrected
// header or module count, 500 ms for missing data), the progress steps, the clipboard and the
// message box. Every report of the last run stays in its result. The Qt window drives it; the
// tests call it directly. Status texts are UTF-8 (platform/text_codec.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/ui.h"
#include "convert/converter.h"

namespace vid {

/// The file list as the window shows it: the folder, the current entry and the selected entries.
struct FileList {
  std::string folder;                 ///< the folder the list shows
  std::string current;                ///< the current entry, selected or not; empty when none
  std::vector<std::string> selected;  ///< every selected entry, in list order
};

/// How a Make ended.
enum class MakeResult {
  kDone,     ///< the conversion completed and its output file is in place
  kBusy,     ///< another operation was running: nothing done
  kNoInput,  ///< no current entry, or the input could not be opened: the status says why
  kStopped,  ///< the conversion stopped: no output file, the status says why
};

/// One input of a Convert each and how its conversion ended (the path it wrote, its reports).
struct EachResult {
  std::string input;
  Result result;
};

/// The status text of a conversion the user cancelled.
inline constexpr std::string_view kCancelledText = "Cancelled: no file written";

/// The pauses after the reports that the conversion goes on after.
inline constexpr int32_t kCorrectionPauseMs = 2000;
inline constexpr int32_t kMissingDataPauseMs = 500;

class Shell : private Observer {
 public:
  explicit Shell(Ui& ui) : ui_(ui) {}

  /// Window load. Splits `command_line` at every blank; when item 1 ends in ".pdb" or ".pdc"
  /// and item 2 in ".txt", converts item 1 into item 2 and returns the result (the program then
  /// ends); otherwise returns nothing and the window is for the user. A relative item 2 goes
  /// into the output folder, or into the current folder when the output folder lies under a
  /// system prefix or cannot be written; an absolute one is used as given.
  std::optional<MakeResult> Load(std::string_view command_line);

  /// Points the file list at `path` alone, as a click on it would.
  void SelectFile(const std::string& path);

  /// The Make button (and a double click or Enter in the file list).
  MakeResult Make();
  /// The Convert each button: every selected entry of the list converted on its own (a logger
  /// file too, after the header that Load Header loaded) into the output folder, named after
  /// the input with the style's extension, a few at a time on threads of their own while the
  /// window stays responsive. The results are in `each_results`; the status line counts them.
  void ConvertEach();
  /// The Load Header button: reads the current file of the list as a logger header file.
  void LoadHeader();
  /// A click in the file list: the header preview line in the status line.
  void ClickFile();

  /// A complete logger header is loaded for the next Make.
  bool HeaderLoaded() const { return converter_.HeaderLoaded(); }

  /// After a command-line conversion into the current folder (see `Load`): a sentence that
  /// says where the output went. Empty otherwise.
  std::string FallbackNotice() const;

  FileList file_list;
  Options options;                  ///< the option boxes and the regional separators
  OutputStyle style;                ///< the Output group
  std::string output_folder = ".";  ///< where the output files go
  std::string output_path;          ///< the file the last completed Make wrote
  std::string last_error;           ///< "Last Error :"
  std::string file_name;            ///< "FileName:"
  /// Set by the window load when the output folder could not be written and the current folder
  /// took its place: that folder.
  std::string unwritable_output_folder;
  Result last_result;                    ///< of the last Make or Load Header
  std::vector<EachResult> each_results;  ///< of the last Convert each, in list order

 private:
  void OnProgress(const Progress& progress) override;
  void OnReport(const Report& report) override;
  bool Cancelled() override;
  std::string CurrentPath() const;
  /// The texts of a user's cancel in `result` said as the window says them.
  void SayCancelled(Result& result) const;

  Ui& ui_;
  Converter converter_;
  bool busy_ = false;
  bool cancelled_ = false;     ///< the user cancelled the running conversion
  std::string loaded_header_;  ///< the file of the header Load Header loaded last
  /// Set by the window load's command line: the output name, and the one file as the single
  /// logger file case.
  std::optional<std::string> command_line_output_;
};

/// The items of a command line split at every single blank (two blanks give an empty item).
std::vector<std::string> SplitCommandLine(std::string_view text);

}  // namespace vid
