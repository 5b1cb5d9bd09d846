// The output of one conversion: the converters' lines, in the style asked for, into the target
// asked for. `Start` names the output (the target's file, or a name in the target's folder after
// the unit) and opens an unnamed file for it; `Write` takes whole lines; `Commit` puts the
// complete file in place (or copies it to standard output), `Discard` drops it. The program's
// own text goes out as it comes; another text style rewrites it line by line; a workbook takes
// the lines as its rows.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "convert/converter.h"
#include "core/context.h"
#include "platform/output_file.h"

namespace vid {

class XlsxSheet;

class Output : public TextSink {
 public:
  Output(const Target& target, const OutputStyle& style, const Options& options,
         const std::vector<std::string>& inputs);
  ~Output() override;

  /// The output's path as far as it is known before anything is read: a file target's path is
  /// checked then (it must not be an input, a folder or a special file). False with `error`.
  bool CheckBeforeReading(std::string* error) const;

  bool Start(const OutputIdentity& identity, std::string* error) override;
  void Write(std::string_view whole_lines) override;
  bool Failed() const override;
  /// The system's reason of a failed write ("28: No space left on device").
  std::string Error() const override;

  /// Puts the complete output in place. False with `error` when that failed; nothing is then
  /// left and an earlier file stays intact.
  bool Commit(std::string* error);
  void Discard();

  /// The file written (file and folder targets), once started.
  const std::string& Path() const { return path_; }
  /// The unit the output is named after, once started.
  const OutputIdentity& Identity() const { return identity_; }
  /// The text of a memory target.
  std::string TakeText();

 private:
  std::string NameInFolder(const OutputIdentity& identity) const;
  void WriteStyledLine(std::string_view line);

  Target target_;
  OutputIdentity identity_;
  OutputStyle style_;
  Options options_;
  std::vector<std::string> inputs_;
  OutputFile file_;
  std::unique_ptr<XlsxSheet> sheet_;
  std::string path_;
  std::string pending_;  ///< the start of a line whose end has not come yet
  std::string line_;     ///< a rewritten line
  size_t line_index_ = 0;
};

}  // namespace vid
