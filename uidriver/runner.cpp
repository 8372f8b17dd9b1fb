#include "uidriver/runner.h"

#include <cstdio>

#include "uidriver/log.h"
#include "uidriver/values.h"
#include "uidriver/win_screen.h"
#include "uidriver/win_windows.h"

namespace uidriver {
namespace {

constexpr DWORD kPollMs = 50;
constexpr DWORD kPaintSettleMs = 150;
constexpr DWORD kPaintWaitMs = 3000;

// A step's argument as a scenario would write it, on one line of the log.
std::string Quote(const std::string& word) {
  std::string escaped;
  bool quote = word.empty();
  for (char c : word) {
    quote = quote || c == ' ' || c == '"' || c == '\n' || c == '\t' || c == '#';
    if (c == '\n') {
      escaped += "\\n";
    } else if (c == '\t') {
      escaped += "\\t";
    } else if (c == '"') {
      escaped += "\\\"";
    } else {
      escaped += c;
    }
  }
  return quote ? "\"" + escaped + "\"" : escaped;
}

std::string Describe(const Step& step) {
  std::string text = step.verb;
  for (const auto& arg : step.args) text += " " + Quote(arg);
  return text;
}

}  // namespace

Runner::Runner(RunnerOptions options, Log& log)
    : options_(std::move(options)), log_(log), cursorProbe_(options_.cursorProbe, options_.outputFolder) {}

Runner::~Runner() {
  for (auto& entry : processes_) CloseHandle(entry.second.handle);
  for (auto& entry : semaphores_) CloseHandle(entry.second);
}

const std::map<std::string, Runner::Handler>& Runner::Handlers() {
  static const std::map<std::string, Handler> handlers = {
      {"start", &Runner::Start},
      {"start-in", &Runner::StartIn},
      {"start-with", &Runner::StartWith},
      {"kill", &Runner::Kill},
      {"use", &Runner::Use},
      {"expect-exit", &Runner::ExpectExit},
      {"expect-windowless-exit", &Runner::ExpectWindowlessExit},
      {"expect-running", &Runner::ExpectRunning},
      {"window", &Runner::Window},
      {"msgbox", &Runner::MessageBoxStep},
      {"msgbox-like", &Runner::MessageBoxLikeStep},
      {"select", &Runner::Select},
      {"expect-closed", &Runner::ExpectClosed},
      {"expect-no-window", &Runner::ExpectNoWindow},
      {"expect-windows", &Runner::ExpectWindows},
      {"expect-centred", &Runner::ExpectCentred},
      {"expect-title", &Runner::ExpectTitle},
      {"expect-text", &Runner::ExpectText},
      {"expect-text-like", &Runner::ExpectTextLike},
      {"expect-enabled", &Runner::ExpectEnabled},
      {"expect-checked", &Runner::ExpectChecked},
      {"expect-focus", &Runner::ExpectFocus},
      {"expect-selection", &Runner::ExpectSelection},
      {"expect-address", &Runner::ExpectAddress},
      {"expect-foreground", &Runner::ExpectForeground},
      {"expect-owner", &Runner::ExpectOwner},
      {"expect-owner-title", &Runner::ExpectOwnerTitle},
      {"expect-buttons", &Runner::ExpectButtons},
      {"expect-default", &Runner::ExpectDefault},
      {"expect-icon", &Runner::ExpectIcon},
      {"expect-cursor", &Runner::ExpectCursor},
      {"expect-progress", &Runner::ExpectProgress},
      {"expect-marquee", &Runner::ExpectMarquee},
      {"expect-absent", &Runner::ExpectAbsent},
      {"expect-present", &Runner::ExpectPresent},
      {"set-address", &Runner::SetAddress},
      {"set-text", &Runner::SetText},
      {"type", &Runner::Type},
      {"type-ansi", &Runner::TypeAnsi},
      {"key", &Runner::Key},
      {"click", &Runner::Click},
      {"hover", &Runner::Hover},
      {"press", &Runner::Press},
      {"screenshot", &Runner::Screenshot},
      {"sleep", &Runner::SleepStep},
      {"timeout", &Runner::Timeout},
      {"make-folder", &Runner::MakeFolder},
      {"delete-file", &Runner::RemoveFile},
      {"setenv", &Runner::SetEnv},
      {"unsetenv", &Runner::UnsetEnv},
      {"signal", &Runner::Signal},
      {"log", &Runner::LogStep},
  };
  return handlers;
}

bool Runner::Run(const std::vector<Step>& steps) {
  for (const Step& step : steps) {
    const std::string where = step.file + ":" + std::to_string(step.line);
    if (!Execute(step)) {
      log_.Line("FAIL " + where + ": " + Describe(step) + ": " + failure_);
      for (const auto& entry : processes_) {
        log_.Line("     windows of \"" + entry.first + "\":\n" + DescribeWindowsOf(entry.second.id));
      }
      TakeScreenshot("failure-line-" + std::to_string(step.line));
      EndLeftoverProcesses();
      return false;
    }
    log_.Line("ok   " + where + ": " + Describe(step) + HeldAt());
  }
  for (const auto& entry : processes_) {
    if (WaitForSingleObject(entry.second.handle, 0) == WAIT_TIMEOUT) {
      log_.Line("FAIL the scenario ended with process \"" + entry.first + "\" still running");
      EndLeftoverProcesses();
      return false;
    }
  }
  log_.Line("PASS " + std::to_string(steps.size()) + " steps");
  return true;
}

std::string Runner::HeldAt() const {
  if (!held_) return std::string();
  const std::string held = log_.Seconds(heldTick_);
  return held == log_.Seconds(GetTickCount()) ? std::string() : " (held at " + held + ")";
}

bool Runner::Execute(const Step& step) {
  failure_.clear();
  held_ = false;
  const auto found = Handlers().find(step.verb);
  if (found == Handlers().end()) return Fail("the driver cannot run this step");
  return (this->*found->second)(step);
}

bool Runner::Fail(const std::string& reason) {
  failure_ = reason;
  return false;
}

DWORD Runner::TimeoutMs(const Step& step) const {
  const double seconds = step.timeoutSeconds >= 0 ? step.timeoutSeconds : defaultTimeoutSeconds_;
  return static_cast<DWORD>(seconds * 1000);
}

bool Runner::WaitUntil(const Step& step, const std::function<Observation()>& check, const std::string& expected) {
  const DWORD start = GetTickCount();
  for (;;) {
    const Observation observation = check();
    if (observation.ok) {
      held_ = true;
      heldTick_ = GetTickCount();
      return true;
    }
    if (GetTickCount() - start >= TimeoutMs(step)) {
      char waited[32];
      std::snprintf(waited, sizeof waited, "%.1f", (GetTickCount() - start) / 1000.0);
      return Fail("expected " + expected + ", saw " + observation.seen + " (waited " + waited + " s)");
    }
    Sleep(kPollMs);
  }
}

void Runner::Settle() {
  // Input is queued: give the installer a moment, then make sure it is back in its message loop.
  Sleep(100);
  DWORD_PTR ignored = 0;
  if (currentWindow_ != nullptr) SendWithTimeout(currentWindow_, WM_NULL, 0, 0, ignored);
  Sleep(50);
}

void Runner::AwaitPainted(HWND window) {
  // A window is shown to Windows before the X server has mapped and drawn it, and a click in
  // between is lost. Drawn means: not the black of the bare screen, and holding still.
  Image previous;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kPaintWaitMs) {
    RECT rect;
    if (!ScreenRect(window, rect)) return;
    Image shown = CaptureStillParts(rect);
    bool drawn = false;
    for (std::uint32_t pixel : shown.pixels) drawn = drawn || pixel != 0;
    if (drawn && shown.pixels == previous.pixels) return;
    previous = std::move(shown);
    Sleep(kPaintSettleMs);
  }
}

void Runner::TakeScreenshot(const std::string& name) {
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%02d-", ++screenshotCount_);
  const std::string path = options_.outputFolder + "\\" + prefix + name + ".bmp";
  // A window that has just appeared may not have painted yet: wait until the screen holds still
  // (but for what moves by itself), then take it as it is.
  const RECT all = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  Image still = CaptureStillParts(all);
  const DWORD start = GetTickCount();
  for (;;) {
    Sleep(kPaintSettleMs);
    Image again = CaptureStillParts(all);
    const bool held = again.pixels == still.pixels;
    still = std::move(again);
    if (held || GetTickCount() - start > kPaintWaitMs) break;
  }
  const Image shown = CaptureWholeScreen();
  if (WriteBmp(path, shown)) {
    log_.Line("     screenshot " + std::string(prefix) + name + ".bmp");
  } else {
    log_.Line("     screenshot " + path + " could not be written");
  }
}

void Runner::EndLeftoverProcesses() {
  for (const auto& entry : processes_) {
    if (WaitForSingleObject(entry.second.handle, 0) == WAIT_TIMEOUT) {
      TerminateProcess(entry.second.handle, 1);
      WaitForSingleObject(entry.second.handle, 5000);
      log_.Line("     ended process \"" + entry.first + "\"");
    }
  }
}

bool Runner::CurrentProcess(Process& process) {
  const auto found = processes_.find(currentProcess_);
  if (found == processes_.end()) return Fail("no process has been started");
  process = found->second;
  return true;
}

bool Runner::CurrentWindow(HWND& window) {
  if (currentWindow_ == nullptr) return Fail("no window has been taken up (window or msgbox)");
  window = currentWindow_;
  return true;
}

HWND Runner::Control(const std::string& reference) {
  long id = 0;
  ParseControlId(reference, id);
  if (id < 0) return currentWindow_;
  return GetDlgItem(currentWindow_, static_cast<int>(id));
}

bool Runner::Screenshot(const Step& step) {
  TakeScreenshot(step.args[0]);
  return true;
}

bool Runner::SleepStep(const Step& step) {
  double seconds = 0;
  ParseSeconds(step.args[0], seconds);
  Sleep(static_cast<DWORD>(seconds * 1000));
  return true;
}

bool Runner::Timeout(const Step& step) {
  ParseSeconds(step.args[0], defaultTimeoutSeconds_);
  return true;
}

bool Runner::LogStep(const Step&) { return true; }

}  // namespace uidriver
