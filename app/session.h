// The state of one running program: the shell state of the window, the conversion context (its
// options, status line and output), the shared configuration, the channel and record tables and
// the logger state that carries over from one Make to the next. One session lives as long as the
// program (a test makes a fresh one); the handlers hand each converter the parts it works on.
#pragma once

#include <string>

#include "core/context.h"
#include "core/tables.h"
#include "dump/config.h"
#include "logger/logger_state.h"
#include "platform/input_file.h"

namespace vid {

class Ui;

inline constexpr const char* kDefaultOutName = "\\mv1.txt";

struct ShellState {
  bool Busy = false;                      ///< a Make or a preview is running
  bool CmdLineMode = false;               ///< started with an input and an output name
  std::string OutName = kDefaultOutName;  ///< output name in the program folder, with a backslash
  InputFile InFile;
};

struct Session {
  explicit Session(Ui& ui_) : ui(ui_), ctx(ui_) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  /// Everything a Make clears before it converts: the central name, the block mode, the tables
  /// and the stop of the conversion before. The configuration otherwise stays as the last read
  /// left it, and so do the loaded header and the logger's page column.
  void ClearForMake() {
    cfg.central_name = kBlankName;
    log.block_mode = false;
    log.block.no_stamp = false;
    tables.Clear();
    ctx.Reset();
  }

  Ui& ui;
  Context ctx;
  ShellState shell;
  Config cfg;
  Tables tables;
  LoggerState log;
};

}  // namespace vid
