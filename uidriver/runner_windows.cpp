// Steps about top-level windows and message boxes.
#include "uidriver/runner.h"
#include "uidriver/values.h"
#include "uidriver/win_input.h"
#include "uidriver/win_screen.h"
#include "uidriver/win_text.h"
#include "uidriver/win_windows.h"

namespace uidriver {
namespace {

std::string Titles(const std::vector<HWND>& windows) {
  if (windows.empty()) return "no window";
  std::string text;
  for (HWND window : windows) text += (text.empty() ? "\"" : ", \"") + AnsiToUtf8(TitleOf(window)) + "\"";
  return text;
}

std::string ButtonList(const std::vector<long>& ids) {
  std::string text;
  for (long id : ids) text += (text.empty() ? "" : " ") + ButtonName(id);
  return text.empty() ? "no buttons" : text;
}

}  // namespace

bool Runner::Window(const Step& step) {
  Process process;
  if (!CurrentProcess(process)) return false;
  const std::string title = Utf8ToAnsi(step.args[1]);
  HWND found = nullptr;
  const auto check = [&] {
    const std::vector<HWND> windows = VisibleTopLevelWindows(process.id);
    for (HWND window : windows) {
      // A message box is captioned like the dialog that owns it: msgbox is the step for boxes.
      if (TitleOf(window) == title && !IsMessageBox(window)) {
        found = window;
        return Observation{true, ""};
      }
    }
    return Observation{false, Titles(windows)};
  };
  if (!WaitUntil(step, check, "a window titled \"" + step.args[1] + "\"")) return false;
  windows_[step.args[0]] = found;
  currentWindow_ = found;
  AwaitPainted(found);
  return true;
}

bool Runner::MessageBoxStep(const Step& step) {
  const std::string expected = Utf8ToAnsi(step.args[0]);
  return TakeMessageBox(
      step, [&](const std::string& text) { return text == expected; }, "a message box saying \"" + step.args[0] + "\"");
}

// For a box whose text holds what a test cannot know beforehand (a certificate's validity).
bool Runner::MessageBoxLikeStep(const Step& step) {
  const std::string pattern = Utf8ToAnsi(step.args[0]);
  return TakeMessageBox(
      step, [&](const std::string& text) { return MatchesPattern(text, pattern); },
      "a message box like \"" + step.args[0] + "\"");
}

bool Runner::TakeMessageBox(const Step& step, const std::function<bool(const std::string&)>& matches,
                            const std::string& wanted) {
  Process process;
  if (!CurrentProcess(process)) return false;
  HWND found = nullptr;
  const auto check = [&] {
    std::string seen;
    for (HWND window : VisibleTopLevelWindows(process.id)) {
      std::string text;
      if (!MessageBoxText(window, text)) continue;
      if (matches(text)) {
        found = window;
        return Observation{true, ""};
      }
      seen += (seen.empty() ? "a box saying \"" : ", \"") + AnsiToUtf8(text) + "\"";
    }
    return Observation{false, seen.empty() ? "no message box" : seen};
  };
  if (!WaitUntil(step, check, wanted)) return false;
  if (messageBox_ == nullptr) beforeMessageBox_ = currentWindow_;
  messageBox_ = found;
  windows_["msgbox"] = found;
  currentWindow_ = found;
  AwaitPainted(found);
  return true;
}

bool Runner::Select(const Step& step) {
  const auto found = windows_.find(step.args[0]);
  if (found == windows_.end()) return Fail("no window named \"" + step.args[0] + "\"");
  currentWindow_ = found->second;
  // A box answered some other way than by "press" (a key, say) is left behind here.
  messageBox_ = nullptr;
  beforeMessageBox_ = nullptr;
  return true;
}

bool Runner::NamedWindow(const std::string& name, HWND& window) {
  const auto found = windows_.find(name);
  if (found == windows_.end()) return Fail("no window named \"" + name + "\"");
  window = found->second;
  return true;
}

// The window a step names, or the current one when it names none.
bool Runner::WindowArgument(const Step& step, HWND& window) {
  return step.args.empty() ? CurrentWindow(window) : NamedWindow(step.args[0], window);
}

bool Runner::ExpectClosed(const Step& step) {
  HWND window = nullptr;
  if (!WindowArgument(step, window)) return false;
  const auto check = [&] { return Observation{!IsWindow(window) || !IsWindowVisible(window), "it still shown"}; };
  return WaitUntil(step, check, "the window closed");
}

bool Runner::ExpectNoWindow(const Step& step) {
  Process process;
  if (!CurrentProcess(process)) return false;
  const std::string title = Utf8ToAnsi(step.args[0]);
  const auto check = [&] {
    for (HWND window : VisibleTopLevelWindows(process.id)) {
      if (TitleOf(window) == title) return Observation{false, "it shown"};
    }
    return Observation{true, ""};
  };
  return WaitUntil(step, check, "no window titled \"" + step.args[0] + "\"");
}

bool Runner::ExpectWindows(const Step& step) {
  Process process;
  if (!CurrentProcess(process)) return false;
  long expected = 0;
  ParseInt(step.args[0], expected);
  const auto check = [&] {
    const std::vector<HWND> windows = VisibleTopLevelWindows(process.id);
    return Observation{static_cast<long>(windows.size()) == expected,
                       std::to_string(windows.size()) + ": " + Titles(windows)};
  };
  return WaitUntil(step, check, step.args[0] + " windows shown");
}

bool Runner::ExpectCentred(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  RECT area;
  if (step.args[0] == "screen") {
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
  } else {
    HWND named = nullptr;
    if (!NamedWindow(step.args[0], named)) return false;
    if (!ScreenRect(named, area)) return Fail("the window " + step.args[0] + " is gone");
  }
  const auto check = [&] {
    RECT rect;
    if (!ScreenRect(window, rect)) return Observation{false, "the window gone"};
    // Halving an odd size may leave one pixel either way.
    const long dx = (rect.left + rect.right) - (area.left + area.right);
    const long dy = (rect.top + rect.bottom) - (area.top + area.bottom);
    return Observation{dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2,
                       "its middle " + std::to_string(dx / 2) + "," + std::to_string(dy / 2) + " pixels off"};
  };
  return WaitUntil(step, check, "the window centred over " + step.args[0]);
}

bool Runner::ExpectTitle(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  const std::string expected = Utf8ToAnsi(step.args[0]);
  const auto check = [&] {
    const std::string title = TitleOf(window);
    return Observation{title == expected, "\"" + AnsiToUtf8(title) + "\""};
  };
  return WaitUntil(step, check, "the title \"" + step.args[0] + "\"");
}

bool Runner::ExpectForeground(const Step& step) {
  HWND window = nullptr;
  if (!WindowArgument(step, window)) return false;
  const auto check = [&] {
    HWND foreground = GetForegroundWindow();
    return Observation{foreground == window,
                       foreground == nullptr ? "no foreground window" : "\"" + AnsiToUtf8(TitleOf(foreground)) + "\""};
  };
  return WaitUntil(step, check, "\"" + AnsiToUtf8(TitleOf(window)) + "\" in the foreground");
}

bool Runner::ExpectOwner(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  HWND expected = nullptr;
  if (step.args[0] != "none") {
    if (!NamedWindow(step.args[0], expected)) return false;
  }
  const auto check = [&] {
    HWND owner = GetWindow(window, GW_OWNER);
    return Observation{owner == expected, owner == nullptr ? "no owner" : "\"" + AnsiToUtf8(TitleOf(owner)) + "\""};
  };
  return WaitUntil(step, check, "the owner " + step.args[0]);
}

bool Runner::ExpectOwnerTitle(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  const std::string expected = Utf8ToAnsi(step.args[0]);
  const auto check = [&] {
    HWND owner = GetWindow(window, GW_OWNER);
    if (owner == nullptr) return Observation{false, "no owner"};
    const std::string title = TitleOf(owner);
    return Observation{title == expected, "an owner titled \"" + AnsiToUtf8(title) + "\""};
  };
  return WaitUntil(step, check, "an owner titled \"" + step.args[0] + "\"");
}

bool Runner::ExpectButtons(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  std::vector<long> expected;
  for (const auto& name : step.args) {
    long id = 0;
    ParseButton(name, id);
    expected.push_back(id);
  }
  const auto check = [&] {
    std::vector<long> ids;
    for (HWND button : PushButtons(window)) ids.push_back(GetDlgCtrlID(button));
    return Observation{ids == expected, ButtonList(ids)};
  };
  return WaitUntil(step, check, ButtonList(expected));
}

bool Runner::ExpectDefault(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  long expected = 0;
  ParseButton(step.args[0], expected);
  const auto check = [&] {
    std::vector<long> defaults;
    for (HWND button : PushButtons(window)) {
      if ((GetWindowLongA(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        defaults.push_back(GetDlgCtrlID(button));
    }
    return Observation{defaults.size() == 1 && defaults[0] == expected, "default " + ButtonList(defaults)};
  };
  return WaitUntil(step, check, "the default button " + ButtonName(expected));
}

bool Runner::ExpectIcon(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  IconKind expected = IconKind::kNone;
  ParseIcon(step.args[0], expected);
  const auto check = [&] {
    IconKind icon = IconKind::kNone;
    std::string seen;
    const bool known = MessageBoxIcon(window, icon, seen);
    return Observation{known && icon == expected, seen};
  };
  return WaitUntil(step, check, "the icon " + step.args[0]);
}

bool Runner::Press(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  long id = 0;
  ParseButton(step.args[0], id);
  HWND button = nullptr;
  RECT rect;
  const auto shown = [&] {
    button = GetDlgItem(window, static_cast<int>(id));
    return Observation{button != nullptr && IsWindowVisible(button) && ScreenRect(button, rect), "no such button"};
  };
  if (!WaitUntil(step, shown, "a button " + ButtonName(id))) return false;
  ClickAt(rect);
  if (window != messageBox_) {
    Settle();
    return true;
  }
  // An answered message box goes away, and the window it interrupted is looked at again.
  const auto closed = [&] { return Observation{!IsWindow(window) || !IsWindowVisible(window), "the box still shown"}; };
  if (!WaitUntil(step, closed, "the message box to close")) return false;
  currentWindow_ = beforeMessageBox_;
  messageBox_ = nullptr;
  beforeMessageBox_ = nullptr;
  return true;
}

}  // namespace uidriver
