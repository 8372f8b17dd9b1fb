// Steps that give input: typing, keys, clicks and pointing.
#include "uidriver/runner.h"
#include "uidriver/values.h"
#include "uidriver/win_input.h"
#include "uidriver/win_text.h"
#include "uidriver/win_windows.h"

namespace uidriver {

bool Runner::Type(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  HWND focus = FocusedWindowOfThread(window);
  if (focus == nullptr) return Fail("no control of the window's thread has the focus");
  PostCharacters(focus, Utf8ToWide(step.args[0]));
  Settle();
  return true;
}

bool Runner::TypeAnsi(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  HWND focus = FocusedWindowOfThread(window);
  if (focus == nullptr) return Fail("no control of the window's thread has the focus");
  PostAnsiBytes(focus, Utf8ToAnsi(step.args[0]));
  Settle();
  return true;
}

bool Runner::Key(const Step& step) {
  for (const auto& word : step.args) {
    KeyChord chord;
    ParseKeyChord(word, chord);
    PressChord(chord);
    Settle();
  }
  return true;
}

bool Runner::Click(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  RECT rect;
  const auto shown = [&] {
    HWND control = Control(step.args[0]);
    return Observation{control != nullptr && IsWindowVisible(control) && ScreenRect(control, rect), "it not shown"};
  };
  if (!WaitUntil(step, shown, "control " + step.args[0] + " shown")) return false;
  ClickAt(rect);
  Settle();
  return true;
}

bool Runner::Hover(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  RECT rect;
  const auto shown = [&] {
    HWND control = Control(step.args[0]);
    return Observation{control != nullptr && IsWindowVisible(control) && ScreenRect(control, rect), "it not shown"};
  };
  if (!WaitUntil(step, shown, "control " + step.args[0] + " shown")) return false;
  MovePointer(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
  Settle();
  return true;
}

}  // namespace uidriver
