#pragma once
// The application object's state that the rest of the program looks up: the main window (the
// owner of every message box of the installer dialog) and the application's name.
#include <windows.h>

#include <string>

HWND GetAppMainWindow();
void SetAppMainWindow(HWND window);

// The executable's file name without its extension ("KESTRALON"): the caption of the
// application-level message boxes.
std::string GetAppName();

// A message box owned by the main window (when there is one) with the given caption.
int ShowMessage(const std::string& text, const std::string& caption, UINT type);
// The same with another owner (none: an application-level box).
int ShowMessageOwnedBy(HWND owner, const std::string& text, const std::string& caption, UINT type);

// Told every message the user is shown, word for word, and the answer (the support log keeps
// both). An unattended run shows no window at all: then the observer alone is told, and the
// answer is No (or OK where there is no No).
using MessageObserver = void (*)(const std::string& text, int answer);
void SetMessageObserver(MessageObserver observer);
void SetUnattended(bool unattended);
bool IsUnattended();
