#pragma once
// Runs a checked scenario against the installer's windows: each step in turn, waiting steps
// polling until their condition holds or their time-out passes. The first failure ends the run
// with the step's file and line, what was expected and what was seen.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "uidriver/scenario.h"
#include "uidriver/win_cursor.h"

namespace uidriver {

class Log;

struct RunnerOptions {
  std::string appFolder;     // where KESTRALON.EXE lies; the working folder of "start"
  std::string outputFolder;  // screenshots and the probe's answers
  std::string cursorProbe;   // Unix command line of the pointer probe; empty: none
};

// What a check saw, for the log when the expectation fails (UTF-8).
struct Observation {
  bool ok = false;
  std::string seen;
};

class Runner {
 public:
  Runner(RunnerOptions options, Log& log);
  ~Runner();
  Runner(const Runner&) = delete;
  Runner& operator=(const Runner&) = delete;

  // True when every step passed and no started process is left running.
  bool Run(const std::vector<Step>& steps);

 private:
  struct Process {
    HANDLE handle = nullptr;
    DWORD id = 0;
  };
  using Handler = bool (Runner::*)(const Step&);
  static const std::map<std::string, Handler>& Handlers();

  bool Execute(const Step& step);
  // " (held at SECONDS)" when the step went on after its condition held, else nothing.
  std::string HeldAt() const;
  bool Fail(const std::string& reason);
  // Polls check until it reports ok or the step's time-out passes.
  bool WaitUntil(const Step& step, const std::function<Observation()>& check, const std::string& expected);
  DWORD TimeoutMs(const Step& step) const;
  // Lets the installer handle the input just given before the next step looks.
  void Settle();
  // Waits (a little, never failing) until a window that has just appeared is on the screen.
  void AwaitPainted(HWND window);
  void TakeScreenshot(const std::string& name);
  void EndLeftoverProcesses();

  // Lookups; each fails the step when there is nothing to look at.
  bool CurrentProcess(Process& process);
  bool CurrentWindow(HWND& window);
  bool NamedWindow(const std::string& name, HWND& window);
  bool WindowArgument(const Step& step, HWND& window);
  // The control of the current window with this id ("self": the window itself), or null.
  HWND Control(const std::string& reference);

  // Steps: processes and files (runner_process.cpp).
  bool Start(const Step& step);
  bool StartIn(const Step& step);
  bool StartWith(const Step& step);
  bool Kill(const Step& step);
  // arguments: after the program's name; input: given, written to its standard input (then closed).
  bool StartProcess(const std::string& name, const std::string& folder, const std::string& arguments = std::string(),
                    const std::string* input = nullptr);
  bool Use(const Step& step);
  bool ExpectExit(const Step& step);
  bool ExpectWindowlessExit(const Step& step);
  bool ExpectRunning(const Step& step);
  bool ExpectAbsent(const Step& step);
  bool ExpectPresent(const Step& step);
  bool MakeFolder(const Step& step);
  bool RemoveFile(const Step& step);
  bool SetEnv(const Step& step);
  bool UnsetEnv(const Step& step);
  bool Signal(const Step& step);
  // Steps: windows and message boxes (runner_windows.cpp).
  bool Window(const Step& step);
  bool MessageBoxStep(const Step& step);
  bool MessageBoxLikeStep(const Step& step);
  // Waits for a shown message box whose text matches, and makes it current.
  bool TakeMessageBox(const Step& step, const std::function<bool(const std::string&)>& matches,
                      const std::string& wanted);
  bool Select(const Step& step);
  bool ExpectClosed(const Step& step);
  bool ExpectNoWindow(const Step& step);
  bool ExpectWindows(const Step& step);
  bool ExpectCentred(const Step& step);
  bool ExpectTitle(const Step& step);
  bool ExpectForeground(const Step& step);
  bool ExpectOwner(const Step& step);
  bool ExpectOwnerTitle(const Step& step);
  bool ExpectButtons(const Step& step);
  bool ExpectDefault(const Step& step);
  bool ExpectIcon(const Step& step);
  bool Press(const Step& step);
  // Steps: controls (runner_controls.cpp).
  bool ExpectText(const Step& step);
  bool ExpectTextLike(const Step& step);
  // Polls the text of the step's control (the title for self) until matches accepts it.
  bool WaitForText(const Step& step, const std::function<bool(const std::string&)>& matches,
                   const std::string& expected);
  bool ExpectEnabled(const Step& step);
  bool ExpectChecked(const Step& step);
  bool ExpectFocus(const Step& step);
  bool ExpectSelection(const Step& step);
  bool ExpectAddress(const Step& step);
  bool ExpectCursor(const Step& step);
  bool ExpectProgress(const Step& step);
  bool ExpectMarquee(const Step& step);
  bool SetAddress(const Step& step);
  bool SetText(const Step& step);
  // Steps: input and the rest (runner_input.cpp).
  bool TypeEach(const std::vector<std::function<void(HWND)>>& keystrokes);
  bool Type(const Step& step);
  bool TypeAnsi(const Step& step);
  bool Key(const Step& step);
  bool Click(const Step& step);
  bool Hover(const Step& step);
  bool WaitForShownControl(const Step& step, RECT& rect);
  bool Screenshot(const Step& step);
  bool SleepStep(const Step& step);
  bool Timeout(const Step& step);
  bool LogStep(const Step& step);

  RunnerOptions options_;
  Log& log_;
  CursorProbe cursorProbe_;
  double defaultTimeoutSeconds_ = 10;
  int screenshotCount_ = 0;
  std::string failure_;
  // When the current step's last wait ended with its condition holding. A step that waits may go
  // on after that (settling, waiting for paint), so this, not the step's end, times an event.
  bool held_ = false;
  DWORD heldTick_ = 0;

  std::map<std::string, Process> processes_;
  std::string currentProcess_;
  std::map<std::string, HWND> windows_;
  HWND currentWindow_ = nullptr;
  // The window that was current before a message box was taken up; it is current again once the
  // box has been answered.
  HWND beforeMessageBox_ = nullptr;
  HWND messageBox_ = nullptr;
  std::map<std::string, HANDLE> semaphores_;
};

}  // namespace uidriver
