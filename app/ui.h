// What the window logic needs from whoever shows it: the status line, a chance for the window to
// repaint and handle clicks, the clipboard, a message box and the millisecond clock. The Qt
// window and the tests implement it. Every method has a harmless default, so an implementation
// overrides only what it can show.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vid {

class Ui {
 public:
  virtual ~Ui() = default;

  /// Replaces the text of the status line.
  virtual void SetStatus(std::string_view text) = 0;
  /// A progress step ("42%", "17% (Part A)"); by default shown like any status text.
  virtual void SetProgress(std::string_view text) { SetStatus(text); }
  /// Lets the window process its pending events and repaint.
  virtual void ProcessEvents() {}
  /// True once the user asked the program to end (Quit during a conversion): the running
  /// conversion stops at its next event step and leaves no output file behind.
  virtual bool QuitRequested() const { return false; }
  /// False where pauses make no sense (the command line, tests): `WaitMs` then returns at once.
  virtual bool WantsPauses() const { return true; }
  /// Milliseconds since some fixed start, as a signed 32-bit count that wraps.
  virtual int32_t TickCount();

  virtual void ClearClipboard() {}
  /// Puts plain single-byte text on the clipboard.
  virtual void SetClipboard(std::string_view /*text*/) {}
  /// A message box with an OK button and an empty title.
  virtual void MessageBox(std::string_view /*text*/) {}
};

/// Returns once at least `ms` milliseconds of ui.TickCount() have passed, calling
/// ui.ProcessEvents() meanwhile (a busy loop, no sleep). Returns at once when `ms` <= 0 or
/// the Ui wants no pauses, and stops early once the user asked to quit. Measures the elapsed
/// time modulo 2^32, so a tick counter that wraps past INT32_MAX neither cuts nor stretches it.
void WaitMs(Ui& ui, int32_t ms);

}  // namespace vid
