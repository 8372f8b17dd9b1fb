#pragma once
// Input as a person gives it: the mouse and the keyboard through SendInput (so they reach
// whatever window is under the pointer or in the foreground, disabled windows refuse clicks),
// and typed characters as WM_CHAR messages to the focused control.
#include <windows.h>

#include <string>

#include "uidriver/values.h"

namespace uidriver {

// Moves the pointer to a screen point; the window under it receives WM_SETCURSOR.
void MovePointer(POINT point);
// Moves the pointer to the middle of rect and clicks the left button there.
void ClickAt(const RECT& rect);
// Presses and releases the key with its modifiers.
void PressChord(const KeyChord& chord);
// One WM_CHAR per UTF-16 unit, as the keyboard of a Unicode window sends them.
void PostCharacters(HWND target, const std::wstring& text);
// One WM_CHAR per code page 932 byte (a double-byte character as lead then trail byte), as an
// ANSI window receives typed Japanese.
void PostAnsiBytes(HWND target, const std::string& bytes);

}  // namespace uidriver
