#include "uidriver/win_windows.h"

#include <cstdio>

#include "uidriver/win_text.h"

namespace uidriver {
namespace {

constexpr UINT kAnswerTimeoutMs = 2000;
constexpr int kMessageBoxTextId = 0xFFFF;

struct Search {
  DWORD processId;
  std::vector<HWND> windows;
  bool visibleOnly = true;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == search->processId && (!search->visibleOnly || IsWindowVisible(window))) {
    search->windows.push_back(window);
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> VisibleTopLevelWindows(DWORD processId) {
  Search search{processId, {}, true};
  EnumWindows(&CollectVisible, reinterpret_cast<LPARAM>(&search));
  return search.windows;
}

std::string DescribeWindowsOf(DWORD processId) {
  Search search{processId, {}, false};
  EnumWindows(&CollectVisible, reinterpret_cast<LPARAM>(&search));
  std::string text;
  char line[256];
  for (HWND window : search.windows) {
    std::snprintf(line, sizeof line, "  window %p class %s %s %s owner %p title ", static_cast<void*>(window),
                  ClassOf(window).c_str(), IsWindowVisible(window) ? "shown" : "hidden",
                  IsWindowEnabled(window) ? "enabled" : "disabled", static_cast<void*>(GetWindow(window, GW_OWNER)));
    text += line + AnsiToUtf8("\"" + TitleOf(window) + "\"") + "\n";
  }
  if (!search.windows.empty()) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(search.windows[0], nullptr), &info);
    std::snprintf(line, sizeof line, "  thread: active %p, focus %p, capture %p, flags %lx\n",
                  static_cast<void*>(info.hwndActive), static_cast<void*>(info.hwndFocus),
                  static_cast<void*>(info.hwndCapture), static_cast<unsigned long>(info.flags));
    text += line;
  }
  std::snprintf(line, sizeof line, "  foreground %p", static_cast<void*>(GetForegroundWindow()));
  return text + line;
}

std::string ClassOf(HWND window) {
  char name[128] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

std::string TitleOf(HWND window) {
  char title[1024] = {};
  GetWindowTextA(window, title, sizeof title);
  return title;
}

bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result) {
  result = 0;
  if (!IsWindow(window)) return false;
  return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result) != 0;
}

bool ControlText(HWND control, std::string& text) {
  DWORD_PTR length = 0;
  if (!SendWithTimeout(control, WM_GETTEXTLENGTH, 0, 0, length)) return false;
  // WM_GETTEXTLENGTH may count characters where the text has two bytes each: leave room.
  std::string buffer(length * 2 + 2, '\0');
  DWORD_PTR copied = 0;
  if (!SendWithTimeout(control, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(&buffer[0]), copied)) return false;
  text.assign(buffer.c_str());
  return true;
}

bool IsMessageBox(HWND window) {
  if (ClassOf(window) != "#32770") return false;
  bool hasText = false;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::string kind = ClassOf(child);
    if (kind != "Static" && kind != "Button") return false;
    hasText = hasText || (kind == "Static" && GetDlgCtrlID(child) == kMessageBoxTextId);
  }
  return hasText;
}

bool MessageBoxText(HWND window, std::string& text) {
  return IsMessageBox(window) && ControlText(GetDlgItem(window, kMessageBoxTextId), text);
}

HWND FocusedWindowOfThread(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  if (thread == 0 || !GetGUIThreadInfo(thread, &info)) return nullptr;
  return info.hwndFocus;
}

std::vector<HWND> PushButtons(HWND window) {
  std::vector<HWND> buttons;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    const LONG kind = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
    const bool push = kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
    if (IsWindowVisible(child) && push && ClassOf(child) == "Button") buttons.push_back(child);
  }
  return buttons;
}

std::string DescribeControl(HWND control) {
  if (control == nullptr) return "nothing";
  return "id " + std::to_string(GetDlgCtrlID(control)) + " (" + ClassOf(control) + ")";
}

bool ScreenRect(HWND window, RECT& rect) {
  return IsWindow(window) && GetWindowRect(window, &rect) && rect.right > rect.left && rect.bottom > rect.top;
}

}  // namespace uidriver
