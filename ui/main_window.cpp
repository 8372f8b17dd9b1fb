#include "ui/main_window.h"

#include "fileutil/path_text.h"

namespace {
HWND g_mainWindow = nullptr;
}

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
  return MessageBoxA(g_mainWindow, text.c_str(), caption.c_str(), type);
}
