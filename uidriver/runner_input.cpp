// Steps that give input: typing, keys, clicks and pointing.
#include "uidriver/runner.h"
#include "uidriver/values.h"
#include "uidriver/win_input.h"
#include "uidriver/win_text.h"
#include "uidriver/win_windows.h"

namespace uidriver {

namespace {

constexpr DWORD kKeystrokeEffectMs = 150;

// Waits until the character just posted to focus has been handled: the text changed or the focus
// moved on (the address control's dot does that). A refused character shows no effect, so the
// wait is short.
void AwaitKeystrokeEffect(HWND window, HWND focus, const std::string& before) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kKeystrokeEffectMs) {
    std::string now;
    if (FocusedWindowOfThread(window) != focus || !ControlText(focus, now) || now != before) return;
    Sleep(5);
  }
}

// The code page 932 text in typing order, a double-byte character kept whole.
std::vector<std::string> AnsiCharacters(const std::string& bytes) {
  std::vector<std::string> characters;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const bool doubleByte = ((lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC)) && i + 1 < bytes.size();
    characters.push_back(bytes.substr(i, doubleByte ? 2 : 1));
    if (doubleByte) ++i;
  }
  return characters;
}

}  // namespace

bool Runner::TypeEach(const std::vector<std::function<void(HWND)>>& keystrokes) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  // Each keystroke goes to the control that has the focus at that moment, as for a person.
  for (const auto& keystroke : keystrokes) {
    HWND focus = FocusedWindowOfThread(window);
    if (focus == nullptr) return Fail("no control of the window's thread has the focus");
    std::string before;
    ControlText(focus, before);
    keystroke(focus);
    AwaitKeystrokeEffect(window, focus, before);
  }
  Settle();
  return true;
}

bool Runner::Type(const Step& step) {
  std::vector<std::function<void(HWND)>> keystrokes;
  for (wchar_t unit : Utf8ToWide(step.args[0])) {
    keystrokes.push_back([unit](HWND focus) { PostCharacters(focus, std::wstring(1, unit)); });
  }
  return TypeEach(keystrokes);
}

bool Runner::TypeAnsi(const Step& step) {
  std::vector<std::function<void(HWND)>> keystrokes;
  for (const std::string& character : AnsiCharacters(Utf8ToAnsi(step.args[0]))) {
    keystrokes.push_back([character](HWND focus) { PostAnsiBytes(focus, character); });
  }
  return TypeEach(keystrokes);
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

// Waits until the step's control is shown in the current window; rect: where it is on screen.
bool Runner::WaitForShownControl(const Step& step, RECT& rect) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  const auto shown = [&] {
    HWND control = Control(step.args[0]);
    return Observation{control != nullptr && IsWindowVisible(control) && ScreenRect(control, rect), "it not shown"};
  };
  return WaitUntil(step, shown, "control " + step.args[0] + " shown");
}

bool Runner::Click(const Step& step) {
  RECT rect;
  if (!WaitForShownControl(step, rect)) return false;
  ClickAt(rect);
  Settle();
  return true;
}

bool Runner::Hover(const Step& step) {
  RECT rect;
  if (!WaitForShownControl(step, rect)) return false;
  MovePointer(POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2});
  Settle();
  return true;
}

}  // namespace uidriver
