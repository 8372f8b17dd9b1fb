#include "ui/text_fit.h"

#include <string>
#include <vector>

#include "ui/layout_fit.h"

namespace {

using layoutfit::Box;

Box BoxOf(const RECT& rect) { return {rect.left, rect.top, rect.right, rect.bottom}; }

// A child's place in its parent's client area.
Box ChildBox(HWND parent, HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return BoxOf(rect);
}

std::string WindowText(HWND window) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
  text.resize(static_cast<std::size_t>(GetWindowTextA(window, &text[0], static_cast<int>(text.size()))));
  return text;
}

// The height the static needs for text at its width, measured the way it draws: with its own
// font, and the flags a left-aligned static uses.
int NeededHeight(HWND control, const std::string& text) {
  RECT client;
  GetClientRect(control, &client);
  RECT measured = {0, 0, client.right, 0};
  UINT format = DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS;
  const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
  if ((style & SS_NOPREFIX) != 0) format |= DT_NOPREFIX;
  if ((style & SS_EDITCONTROL) != 0) format |= DT_EDITCONTROL;
  HDC dc = GetDC(control);
  if (dc == nullptr) return 0;
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
  HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
  DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &measured, format);
  if (previous != nullptr) SelectObject(dc, previous);
  ReleaseDC(control, dc);
  // The client area is the window less its border, if it has one.
  RECT outer;
  GetWindowRect(control, &outer);
  return measured.bottom + (outer.bottom - outer.top) - client.bottom;
}

Box WorkAreaOf(HWND window) {
  MONITORINFO monitor = {};
  monitor.cbSize = sizeof monitor;
  if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) return BoxOf(monitor.rcWork);
  RECT work;
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  return BoxOf(work);
}

}  // namespace

void FitStaticTextHeight(HWND window, int controlId, const char* longestText) {
  HWND control = GetDlgItem(window, controlId);
  if (control == nullptr) return;
  std::vector<HWND> children;
  std::vector<Box> boxes;
  std::size_t grown = 0;
  for (HWND child = GetWindow(window, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    if (child == control) grown = children.size();
    children.push_back(child);
    boxes.push_back(ChildBox(window, child));
  }
  const std::string text = longestText != nullptr ? std::string(longestText) : WindowText(control);
  const int extra = layoutfit::ExtraHeight(boxes[grown], NeededHeight(control, text));
  if (extra == 0) return;

  const std::vector<Box> placed = layoutfit::GrowDown(boxes, grown, extra);
  for (std::size_t i = 0; i < children.size(); ++i) {
    if (placed[i] == boxes[i]) continue;
    SetWindowPos(children[i], nullptr, placed[i].left, placed[i].top, placed[i].right - placed[i].left,
                 placed[i].Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RECT outer;
  GetWindowRect(window, &outer);
  const Box moved = layoutfit::GrowWindow(BoxOf(outer), extra, WorkAreaOf(window));
  SetWindowPos(window, nullptr, moved.left, moved.top, moved.right - moved.left, moved.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
}
