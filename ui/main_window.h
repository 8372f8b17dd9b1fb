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
