#pragma once
// Thin wrappers over the controls of a dialog, bound by id when the dialog window is created.
#include <windows.h>

#include <cstdint>
#include <string>

class Control {
 public:
  void Bind(HWND dialog, int id) { hwnd_ = GetDlgItem(dialog, id); }
  HWND hwnd() const { return hwnd_; }
  LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return SendMessageA(hwnd_, message, wParam, lParam);
  }
  void Enable(bool enable) const { EnableWindow(hwnd_, enable ? TRUE : FALSE); }
  void Focus() const { SetFocus(hwnd_); }
  void SetText(const std::string& text) const { SetWindowTextA(hwnd_, text.c_str()); }
  std::string GetText() const {
    const int length = GetWindowTextLengthA(hwnd_);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(hwnd_, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<std::size_t>(copied) : 0);
    return text;
  }

 private:
  HWND hwnd_ = nullptr;
};

class StaticControl : public Control {};

class ButtonControl : public Control {
 public:
  int GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }
  void SetCheck(int state) const { Send(BM_SETCHECK, static_cast<WPARAM>(state)); }
};

class EditControl : public Control {};

// The common controls' IP address control (SysIPAddress32).
class IpAddressControl : public Control {};
