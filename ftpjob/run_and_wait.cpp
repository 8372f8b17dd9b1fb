#include <windows.h>
#include <shellapi.h>

#include "app/main_window.h"
#include "ftpjob/message_pump.h"

namespace {

constexpr char kStartFailed[] = "サブプログラムの起動に失敗しました。";
constexpr DWORD kPollMilliseconds = 100;

// The shell's own error boxes stay on (no SEE_MASK_FLAG_NO_UI): they tell the user why.
static_assert((SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT) == 0x140, "start flags");
static_assert(sizeof(void*) != 4 || sizeof(SHELLEXECUTEINFOA) == 60, "the 32-bit request is 60 bytes");

// Owned by the window the user last worked in (the progress window while a workflow runs), so
// the box comes up in front of it.
void ShowStartFailure() {
  const HWND mainWindow = GetAppMainWindow();
  const HWND owner = mainWindow != nullptr ? GetLastActivePopup(mainWindow) : nullptr;
  const std::string caption = GetAppName();
  MessageBoxA(owner, kStartFailed, caption.c_str(), MB_OK | MB_ICONSTOP);
}

}  // namespace

int RunAndWait(const std::string& filePath, int showWindow) {
  SHELLEXECUTEINFOA request = {};
  request.cbSize = sizeof request;
  request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT;
  request.lpVerb = "open";
  request.lpFile = filePath.c_str();
  request.nShow = showWindow ? SW_SHOW : SW_HIDE;
  if (!ShellExecuteExA(&request)) {
    ShowStartFailure();
    return 0;
  }
  // The windows stay responsive while the job runs; messages are pumped once more after the
  // last wait, whatever ended it.
  DWORD waited = WAIT_TIMEOUT;
  do {
    waited = WaitForSingleObject(request.hProcess, kPollMilliseconds);
    PumpPendingMessages();
  } while (waited == WAIT_TIMEOUT);
  if (request.hProcess != nullptr) CloseHandle(request.hProcess);
  return 1;
}
