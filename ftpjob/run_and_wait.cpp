#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include <vector>

#include "ftpjob/run_and_wait.h"
#include "ui/main_window.h"
#include "ui/message_pump.h"

namespace {

constexpr char kStartFailed[] = "サブプログラムの起動に失敗しました。";
constexpr DWORD kPollMilliseconds = 100;
// How long an ended process may take to let go of its files (the script, the log).
constexpr DWORD kEndWaitMilliseconds = 5000;

// The shell's own error boxes stay on (no SEE_MASK_FLAG_NO_UI): they tell the user why.
static_assert((SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT) == 0x140, "start flags");
static_assert(sizeof(void*) != 4 || sizeof(SHELLEXECUTEINFOA) == 60, "the 32-bit request is 60 bytes");

// Owned by the window the user last worked in (the progress window while a workflow runs), so
// the box comes up in front of it.
void ShowStartFailure() {
  const HWND mainWindow = GetAppMainWindow();
  const HWND owner = mainWindow != nullptr ? GetLastActivePopup(mainWindow) : nullptr;
  const std::string caption = GetAppName();
  ShowMessageOwnedBy(owner, kStartFailed, caption, MB_OK | MB_ICONSTOP);
}

std::vector<DWORD> ChildrenOf(DWORD parentId) {
  std::vector<DWORD> children;
  const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return children;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
    if (entry.th32ParentProcessID == parentId && entry.th32ProcessID != parentId)
      children.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return children;
}

// Ends a process and, after it, everything it started. The parent goes first, so that it cannot
// start another child meanwhile; its children still name it as their parent, and its identifier
// cannot be reused while the caller holds its handle.
void EndProcessTree(HANDLE process, DWORD processId) {
  TerminateProcess(process, 1);
  WaitForSingleObject(process, kEndWaitMilliseconds);
  for (const DWORD childId : ChildrenOf(processId)) {
    const HANDLE child = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, childId);
    if (child == nullptr) continue;
    EndProcessTree(child, childId);
    CloseHandle(child);
  }
}

}  // namespace

int RunAndWait(const std::string& filePath, StartedWindow window, const PollHandler& onPoll) {
  SHELLEXECUTEINFOA request = {};
  request.cbSize = sizeof request;
  request.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT;
  // An unattended run shows no window, not even the shell's: the failure goes to the log.
  if (IsUnattended()) request.fMask |= SEE_MASK_FLAG_NO_UI;
  request.lpVerb = "open";
  request.lpFile = filePath.c_str();
  request.nShow = window == StartedWindow::kShown ? SW_SHOW : SW_HIDE;
  if (!ShellExecuteExA(&request)) {
    ShowStartFailure();
    return kRunNotStarted;
  }
  // The windows stay responsive while the job runs; messages are pumped once more after the
  // last wait, whatever ended it.
  int outcome = kRunEnded;
  DWORD waited = WAIT_TIMEOUT;
  do {
    waited = WaitForSingleObject(request.hProcess, kPollMilliseconds);
    PumpPendingMessages();
    if (waited == WAIT_TIMEOUT && onPoll && onPoll()) {
      EndProcessTree(request.hProcess, GetProcessId(request.hProcess));
      outcome = kRunStopped;
      break;
    }
  } while (waited == WAIT_TIMEOUT);
  if (request.hProcess != nullptr) CloseHandle(request.hProcess);
  return outcome;
}
