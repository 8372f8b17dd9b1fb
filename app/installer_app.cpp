#include "app/installer_app.h"

#include <winsock2.h>

#include <commctrl.h>

#include <memory>

#include "installer/installer_dialog.h"
#include "res/resource.h"
#include "ui/main_window.h"

namespace {
constexpr char kMutexName[] = "KESTRALON ALIVE PROCESS MUTEX";
constexpr char kAlreadyRunning[] = "既に起動しています。";
}  // namespace

bool InstallerApp::StartSockets() {
  WSADATA data;
  if (WSAStartup(MAKEWORD(1, 1), &data) == 0) return true;
  char text[256] = {};
  LoadStringA(GetModuleHandleA(nullptr), IDS_SOCKETS_FAILED, text, sizeof text);
  MessageBoxA(nullptr, text, GetAppName().c_str(), MB_OK);
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
  if (alreadyRunning) MessageBoxA(nullptr, kAlreadyRunning, GetAppName().c_str(), MB_OK | MB_ICONEXCLAMATION);
  return !alreadyRunning;
}

bool InstallerApp::InitInstance() {
  if (!StartSockets()) return false;
  if (!TakeSingleInstanceMutex()) return false;
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
  InitCommonControlsEx(&controls);

  auto dialog = std::make_unique<InstallerDialog>();
  dialog->DoModal(nullptr);
  SetAppMainWindow(nullptr);
  dialog.reset();
  return false;
}
