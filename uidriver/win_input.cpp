#include "uidriver/win_input.h"

#include <vector>

namespace uidriver {
namespace {

INPUT MouseInput(POINT point, DWORD flags) {
  // Absolute coordinates run from 0 to 65535 over the primary screen.
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = MulDiv(point.x, 65535, width > 1 ? width - 1 : 1);
  input.mi.dy = MulDiv(point.y, 65535, height > 1 ? height - 1 : 1);
  input.mi.dwFlags = flags | MOUSEEVENTF_ABSOLUTE;
  return input;
}

INPUT KeyInput(WORD virtualKey, bool release) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = virtualKey;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(virtualKey, 0));
  input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
  return input;
}

void Send(std::vector<INPUT>& inputs) { SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)); }

}  // namespace

void MovePointer(POINT point) {
  std::vector<INPUT> inputs = {MouseInput(point, MOUSEEVENTF_MOVE)};
  Send(inputs);
}

void ClickAt(const RECT& rect) {
  const POINT middle = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  std::vector<INPUT> inputs = {MouseInput(middle, MOUSEEVENTF_MOVE), MouseInput(middle, MOUSEEVENTF_LEFTDOWN),
                               MouseInput(middle, MOUSEEVENTF_LEFTUP)};
  Send(inputs);
}

void PressChord(const KeyChord& chord) {
  std::vector<WORD> modifiers;
  if (chord.ctrl) modifiers.push_back(VK_CONTROL);
  if (chord.shift) modifiers.push_back(VK_SHIFT);
  if (chord.alt) modifiers.push_back(VK_MENU);
  std::vector<INPUT> inputs;
  for (WORD modifier : modifiers) inputs.push_back(KeyInput(modifier, false));
  inputs.push_back(KeyInput(chord.virtualKey, false));
  inputs.push_back(KeyInput(chord.virtualKey, true));
  for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) inputs.push_back(KeyInput(*it, true));
  Send(inputs);
}

void PostCharacters(HWND target, const std::wstring& text) {
  for (wchar_t unit : text) PostMessageW(target, WM_CHAR, static_cast<WPARAM>(unit), 1);
}

void PostAnsiBytes(HWND target, const std::string& bytes) {
  for (char byte : bytes) PostMessageA(target, WM_CHAR, static_cast<unsigned char>(byte), 1);
}

}  // namespace uidriver
