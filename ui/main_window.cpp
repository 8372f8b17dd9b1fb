#include "ui/main_window.h"

#include "fileutil/path_text.h"

namespace {
HWND g_mainWindow = nullptr;
MessageObserver g_observer = nullptr;
bool g_unattended = false;
}  // namespace

HWND GetAppMainWindow() { return g_mainWindow; }

void SetAppMainWindow(HWND window) { g_mainWindow = window; }

std::string GetAppName() {
  char path[kMaxPathBytes + 1] = {};
  GetModuleFileNameA(nullptr, path, kMaxPathBytes);
  std::string name(path);
  const std::size_t slash = FindLastBackslash(name);
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

int ShowMessage(const std::string& text, const std::string& caption, UINT type) {
  return ShowMessageOwnedBy(g_mainWindow, text, caption, type);
}

int ShowMessageOwnedBy(HWND owner, const std::string& text, const std::string& caption, UINT type) {
  const UINT buttons = type & MB_TYPEMASK;
  const int answer = g_unattended ? (buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDNO : IDOK)
                                  : MessageBoxA(owner, text.c_str(), caption.c_str(), type);
  if (g_observer != nullptr) g_observer(text, answer);
  return answer;
}

void SetMessageObserver(MessageObserver observer) { g_observer = observer; }

void SetUnattended(bool unattended) { g_unattended = unattended; }

bool IsUnattended() { return g_unattended; }
