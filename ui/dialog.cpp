#include "ui/dialog.h"

#include <algorithm>
#include <vector>

namespace {

// Windows of the modeless dialogs that are open, for the keyboard handling of the message pump.
std::vector<HWND>& ModelessWindows() {
  static std::vector<HWND> windows;
  return windows;
}

void Forget(HWND window) {
  auto& windows = ModelessWindows();
  windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
}

}  // namespace

Dialog::~Dialog() { DestroyWindowIfAny(); }

INT_PTR Dialog::DoModal(HWND owner) {
  modal_ = true;
  return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, &Dialog::Procedure,
                         reinterpret_cast<LPARAM>(this));
}

bool Dialog::CreateModeless(HWND owner) {
  modal_ = false;
  HWND window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, &Dialog::Procedure,
                                   reinterpret_cast<LPARAM>(this));
  if (window == nullptr) return false;
  ModelessWindows().push_back(window);
  return true;
}

void Dialog::DestroyWindowIfAny() {
  if (hwnd_ != nullptr && IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

void Dialog::EndDialog(INT_PTR result) {
  if (hwnd_ == nullptr) return;
  if (modal_) {
    ::EndDialog(hwnd_, result);
  } else {
    DestroyWindow(hwnd_);
  }
}

void Dialog::CenterWindow() const {
  RECT area;
  HWND owner = GetWindow(hwnd_, GW_OWNER);
  if (owner != nullptr && IsWindowVisible(owner)) {
    GetWindowRect(owner, &area);
  } else {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  }
  RECT own;
  GetWindowRect(hwnd_, &own);
  const int width = own.right - own.left;
  const int height = own.bottom - own.top;
  const int x = area.left + ((area.right - area.left) - width) / 2;
  const int y = area.top + ((area.bottom - area.top) - height) / 2;
  SetWindowPos(hwnd_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Dialog::PreTranslate(MSG& message) {
  for (HWND window : ModelessWindows()) {
    if (IsWindow(window) && IsDialogMessageA(window, &message)) return true;
  }
  return false;
}

bool Dialog::OnCommand(WORD id, WORD /*code*/) {
  if (id == IDOK || id == IDCANCEL) {
    EndDialog(id);
    return true;
  }
  return false;
}

bool Dialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }

INT_PTR CALLBACK Dialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Dialog* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = window;
    SetWindowLongPtrA(window, DWLP_USER, lParam);
  } else {
    self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
  }
  if (self == nullptr) return FALSE;
  const INT_PTR result = self->Dispatch(message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrA(window, DWLP_USER, 0);
    Forget(window);
    self->hwnd_ = nullptr;
  }
  return result;
}

INT_PTR Dialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      BindControls();
      return OnInitDialog();
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    case WM_DESTROY:
      OnDestroy();
      return FALSE;
    default: {
      // A handled message's own result goes through DWLP_MSGRESULT; the procedure then says
      // TRUE, so the default dialog handling (for WM_SETCURSOR: the class cursor) stays out.
      INT_PTR result = FALSE;
      if (!OnMessage(message, wParam, lParam, result)) return FALSE;
      SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
      return TRUE;
    }
  }
}
