#pragma once
// Reading another process's windows. Messages that another process must answer go through
// SendMessageTimeout, so a hung installer fails a step instead of hanging the driver.
#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

// Visible top-level windows of the process, in Z order (topmost first).
std::vector<HWND> VisibleTopLevelWindows(DWORD processId);

std::string ClassOf(HWND window);
// A top-level window's title (code page 932).
std::string TitleOf(HWND window);
// A control's text through WM_GETTEXT (code page 932); false when the window does not answer.
bool ControlText(HWND control, std::string& text);
// Sends a message with a time-out; false when the window is gone or does not answer in time.
bool SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result);

// A message box: a dialog of static texts and buttons only, one of them the text (id 65535).
// The installer's dialog, the progress window and the file dialog all have other controls or no
// such text.
bool IsMessageBox(HWND window);
// The text of a message box, or false when window is none.
bool MessageBoxText(HWND window, std::string& text);

// The window that holds the keyboard focus in the thread that owns window, or null.
HWND FocusedWindowOfThread(HWND window);

// Visible push buttons among the direct children, in their order (the tab order).
std::vector<HWND> PushButtons(HWND window);

// "id 1002 (Edit)" for the log.
std::string DescribeControl(HWND control);

// Every top-level window of the process, shown or not, with its owned state and the focus,
// active window and capture of its thread: what the log shows after a failure (UTF-8).
std::string DescribeWindowsOf(DWORD processId);

// Screen rectangle of a window; false when it is gone or has no area.
bool ScreenRect(HWND window, RECT& rect);

}  // namespace uidriver
