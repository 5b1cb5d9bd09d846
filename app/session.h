// The state of one running program: the shell state of the window, the options its check boxes
// hold, the shared configuration, the channel and record tables and the state of the mini and
// logger conversions. One session lives as long as the program (a test makes a fresh one);
// procedures take the parts they use by reference. Nothing lives in file-level globals.
#pragma once

#include <string>

#include "dump/config.h"
#include "logger/logger_state.h"
#include "minichannel/mini_state.h"
#include "multichannel/tables.h"
#include "platform/input_file.h"
#include "platform/output_file.h"

namespace vid {

class Ui;

/// The window's check boxes and the regional settings the conversions read.
struct Options {
  bool copyclip = true;           ///< "Copy data to clipboard"
  bool select_all_files = false;  ///< "Select all files from the directory"
  bool datetimecheck = false;     ///< "Don't check  date/time formats": every time stamp is valid
  bool check_txt_name = false;    ///< "Output TXT file name = concentrator SN"
  char decimal_sep = '.';         ///< decimal separator of the number patterns
};

struct ShellState {
  bool Busy = false;                  ///< a Make or a preview is running
  bool CmdLineMode = false;           ///< started with an input and an output name
  std::string OutName = "\\mv1.txt";  ///< output name in the program folder, with a backslash
  InputFile InFile;
  OutputFile OutFile;
  bool PdcMode = false;  ///< the input is a logger file
  std::string OutLine;   ///< the line the row writers build
};

/// State of the multichannel conversion that links one row or record to the next.
struct MultiState {
  std::string PrevStamp;      ///< time-stamp text of the previous 'g' row
  int32_t OutageTicks = 0;    ///< tick count of the latest outage marker
  double ScaledValue = 0;     ///< value of the module cell being written
  uint8_t RecBytes[12] = {};  ///< the record being decoded
  int32_t SampleCount = 0;    ///< sample count of the current central record
  int32_t PageNo = 0;         ///< next data page while loading
};

struct Session {
  explicit Session(Ui& ui_) : ui(ui_) {}
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Ui& ui;
  Options opts;
  ShellState shell;
  Config cfg;
  PageTable PageBuf;
  RecordTables rec;
  MultiState multi;
  MiniState mini;
  LoggerState log;
  bool stopped = false;  ///< the running conversion stopped on an error (status set)
};

/// Stops the running conversion: shows `text` in the status line and marks the session.
/// Returns false so that callers can `return Stop(...)`.
bool Stop(Session& s, std::string_view text);

}  // namespace vid
