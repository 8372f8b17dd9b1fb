#include "app/installer_app.h"

#include <winsock2.h>

#include <commctrl.h>

#include <memory>

#include "installer/installer_dialog.h"
#include "installer/messages.h"
#include "installer/support_log.h"
#include "installer/text_rules.h"
#include "installer/unattended_run.h"
#include "res/resource.h"
#include "ui/main_window.h"

namespace {
constexpr char kMutexName[] = "KESTRALON ALIVE PROCESS MUTEX";
constexpr char kAlreadyRunning[] = "既に起動しています。";

void LogShownMessage(const std::string& text, int answer) {
  if (IsUnattended()) {
    TheSupportLog().Write("message (not shown, unattended): " + text);
    return;
  }
  const char* said = answer == IDYES ? "Yes" : answer == IDNO ? "No" : answer == IDCANCEL ? "Cancel" : "OK";
  TheSupportLog().Write("message shown: " + text);
  TheSupportLog().Write(std::string("answer: ") + said);
}

std::string Dotted(const HostAddress& a) {
  return std::to_string(a.value[0]) + "." + std::to_string(a.value[1]) + "." + std::to_string(a.value[2]) + "." +
         std::to_string(a.value[3]);
}

}  // namespace

int InstallerApp::Run(const std::string& arguments) {
  line_ = ParseCommandLine(arguments);
  SetUnattended(line_.silent);
  // Out of the environment before anything is started, in either mode.
  password_ = TakePassword(line_.silent && line_.error.empty() && !line_.help);
  StartSupportLog(line_);
  if (AnswerCommandLine(line_)) return exitCode_;
  InitInstance();
  return exitCode_;
}

void InstallerApp::StartSupportLog(const CommandLine& line) {
  SupportLog& log = TheSupportLog();
  log.Open(line.logPath, GetAppName());
  SetMessageObserver(LogShownMessage);
  WriteRunHeader(log);
  log.Write(std::string(line.silent ? "unattended run" : "interactive run") +
            (line.host ? ", /host=" + Dotted(*line.host) : std::string()) +
            (line.userId.empty() ? std::string() : ", /user=" + line.userId) +
            (line.library.empty() ? std::string() : ", /library=" + line.library) +
            (line.overwrite ? ", /overwrite=yes" : "") + (line.logPath.empty() ? "" : ", /log=" + line.logPath));
}

bool InstallerApp::AnswerCommandLine(const CommandLine& line) {
  if (line.help) {
    // Asked for: shown even with /silent.
    SetUnattended(false);
    ShowMessageOwnedBy(nullptr, FormatText2(msg::kUsage, GetAppName(), GetAppName()), GetAppName(),
                       MB_OK | MB_ICONINFORMATION);
    Ended(ExitCode::kSuccess);
    return true;
  }
  if (line.error.empty()) return false;
  ShowMessageOwnedBy(nullptr, line.error, GetAppName(), MB_OK | MB_ICONEXCLAMATION);
  Ended(ExitCode::kBadInput);
  return true;
}

void InstallerApp::Ended(ExitCode outcome) {
  const int code = static_cast<int>(outcome);
  Ended(line_.silent || outcome == ExitCode::kBadInput ? code : 0, OutcomeName(outcome));
}

void InstallerApp::Ended(int exitCode, const std::string& how) {
  exitCode_ = exitCode;
  TheSupportLog().Write("run ended: exit code " + std::to_string(exitCode) + " (" + how + ")");
}

bool InstallerApp::StartSockets() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) == 0) return true;
  char text[256] = {};
  LoadStringA(GetModuleHandleA(nullptr), IDS_SOCKETS_FAILED, text, sizeof text);
  ShowMessageOwnedBy(nullptr, text, GetAppName(), MB_OK);
  return false;
}

bool InstallerApp::TakeSingleInstanceMutex() {
  HANDLE existing = OpenMutexA(MUTEX_MODIFY_STATE, FALSE, kMutexName);
  bool alreadyRunning = existing != nullptr;
  if (existing != nullptr) CloseHandle(existing);
  if (!alreadyRunning) {
    instanceMutex_ = CreateMutexA(nullptr, FALSE, kMutexName);
    // Two installers started at the same moment both get past the open; only one creates.
    alreadyRunning = instanceMutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
    if (alreadyRunning) {
      CloseHandle(instanceMutex_);
      instanceMutex_ = nullptr;
    }
  }
  if (alreadyRunning) ShowMessageOwnedBy(nullptr, kAlreadyRunning, GetAppName(), MB_OK | MB_ICONEXCLAMATION);
  return !alreadyRunning;
}

bool InstallerApp::InitInstance() {
  if (!StartSockets()) {
    Ended(ExitCode::kUnknownError);
    return false;
  }
  if (!TakeSingleInstanceMutex()) {
    Ended(ExitCode::kAlreadyRunning);
    return false;
  }
  if (line_.silent) {
    Ended(RunUnattended(line_, password_));
    return false;
  }
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&controls);

  auto dialog = std::make_unique<InstallerDialog>(line_);
  const INT_PTR result = dialog->DoModal(nullptr);
  SetAppMainWindow(nullptr);
  dialog.reset();
  Ended(0, result == IDOK ? "installed" : "the dialog closed without an installation");
  return false;
}
