// The states the demonstration shows, one pause after each, so that a test can look at every one:
//  1  the form greyed
//  2  the progress window open: default caption, empty status
//  3  status kConnecting, Cancel enabled (a test presses Cancel here)
//  4  Open called again while open; status "Open: <result> / 取消要求: <flag>"
//  5  the flag cleared by the owner, status kInstalling, Cancel greyed (a test tries it here)
//  6  status "取消要求: <flag>", Cancel greyed
//  7  status kVerifying, Cancel enabled (a test presses Cancel again)
//  8  the window closed; the pause pumps only through SetStatus on the closed window
//  9  the window opened again: default caption, empty status, flag cleared
// 10  status "閉じている間: <last result of SetStatus while closed> / 取消要求: <flag>"
// Then the window closes and the form is enabled again.
#include "installer/ui_demo.h"

#include <windows.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "ftpjob/message_pump.h"
#include "installer/installer_dialog.h"
#include "installer/messages.h"

namespace {

constexpr DWORD kLongestStepWaitMs = 60000;  // never hang for good when no test signals
constexpr LONG kMaxPendingSteps = 1000;

class Pacing {
 public:
  explicit Pacing(const std::string& setting) {
    if (setting == "step") {
      semaphore_ = CreateSemaphoreA(nullptr, 0, kMaxPendingSteps, kUiDemoSemaphore);
    } else {
      milliseconds_ = static_cast<DWORD>(std::strtoul(setting.c_str(), nullptr, 10));
    }
  }
  ~Pacing() {
    if (semaphore_ != nullptr) CloseHandle(semaphore_);
  }
  Pacing(const Pacing&) = delete;
  Pacing& operator=(const Pacing&) = delete;

  // Waits for the next step while pump keeps the windows alive.
  void Pause(const std::function<void()>& pump) const {
    const DWORD limit = semaphore_ != nullptr ? kLongestStepWaitMs : milliseconds_;
    const DWORD start = GetTickCount();
    for (;;) {
      pump();
      if (GetTickCount() - start >= limit) return;
      // A wait that ends on the semaphore has taken one release: that is the step.
      const DWORD woken = MsgWaitForMultipleObjects(semaphore_ != nullptr ? 1 : 0, &semaphore_, FALSE, 50, QS_ALLINPUT);
      if (semaphore_ != nullptr && woken == WAIT_OBJECT_0) return;
    }
  }
  void Pause() const { Pause(&PumpPendingMessages); }

 private:
  HANDLE semaphore_ = nullptr;
  DWORD milliseconds_ = 0;
};

std::string FlagText(int flag) { return std::string("取消要求: ") + std::to_string(flag); }

void ShowProgressStates(InstallerDialog& dialog, const Pacing& pacing) {
  ProgressDialog& progress = dialog.progress;
  progress.Open();
  pacing.Pause();
  progress.SetStatus(msg::kConnecting, true);
  pacing.Pause();
  const int reopened = progress.Open();
  progress.SetStatus("Open: " + std::to_string(reopened) + " / " + FlagText(progress.cancelRequested), true);
  pacing.Pause();
  progress.cancelRequested = 0;
  progress.SetStatus(msg::kInstalling, false);
  pacing.Pause();
  progress.SetStatus(FlagText(progress.cancelRequested), false);
  pacing.Pause();
  progress.SetStatus(msg::kVerifying, true);
  pacing.Pause();
  progress.Close();
  int whileClosed = -1;
  pacing.Pause([&] { whileClosed = progress.SetStatus("closed", true); });
  progress.Open();
  pacing.Pause();
  progress.SetStatus("閉じている間: " + std::to_string(whileClosed) + " / " + FlagText(progress.cancelRequested), true);
  pacing.Pause();
  progress.Close();
}

}  // namespace

bool RunUiDemoIfRequested(InstallerDialog& dialog) {
  char setting[32] = {};
  const DWORD length = GetEnvironmentVariableA("KESTRALON_UI_DEMO", setting, sizeof setting);
  if (length == 0 || length >= sizeof setting) return false;
  const Pacing pacing(setting);
  dialog.SetControlsEnabled(false);
  pacing.Pause();
  ShowProgressStates(dialog, pacing);
  dialog.SetControlsEnabled(true);
  return true;
}
