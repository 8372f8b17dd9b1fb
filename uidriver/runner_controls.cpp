// Steps about the controls of the current window.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>

#include "uidriver/runner.h"
#include "uidriver/values.h"
#include "uidriver/win_input.h"
#include "uidriver/win_text.h"
#include "uidriver/win_windows.h"

namespace uidriver {
namespace {

constexpr double kCursorLookSeconds = 0.3;

std::string YesNo(bool value) { return value ? "yes" : "no"; }

// The four fields of an address control, left to right.
std::vector<HWND> AddressFields(HWND control) {
  std::vector<HWND> fields;
  for (HWND child = GetWindow(control, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    fields.push_back(child);
  }
  std::sort(fields.begin(), fields.end(), [](HWND a, HWND b) {
    RECT ra;
    RECT rb;
    GetWindowRect(a, &ra);
    GetWindowRect(b, &rb);
    return ra.left < rb.left;
  });
  return fields;
}

// The address shown, as "a.b.c.d" ("blank" when all four fields are empty); false when the
// control does not look like an address control.
bool ReadAddress(HWND control, std::string& shown) {
  const std::vector<HWND> fields = AddressFields(control);
  if (fields.size() != 4) return false;
  std::string parts[4];
  bool allEmpty = true;
  for (int i = 0; i < 4; ++i) {
    if (!ControlText(fields[i], parts[i])) return false;
    allEmpty = allEmpty && parts[i].empty();
  }
  shown = allEmpty ? "blank" : parts[0] + "." + parts[1] + "." + parts[2] + "." + parts[3];
  return true;
}

struct ProgressBar {
  bool marquee = false;
  long low = 0;
  long high = 0;
  long position = 0;
};

// The state of a progress bar. The range and the position come back as the messages' results,
// which, unlike the structure PBM_GETRANGE can fill, cross into another process.
bool ReadProgressBar(HWND control, const std::string& reference, ProgressBar& bar, std::string& problem) {
  if (control == nullptr) {
    problem = "no control " + reference;
    return false;
  }
  if (lstrcmpiA(ClassOf(control).c_str(), PROGRESS_CLASSA) != 0) {
    problem = "not a progress bar: " + DescribeControl(control);
    return false;
  }
  bar.marquee = (GetWindowLongA(control, GWL_STYLE) & PBS_MARQUEE) != 0;
  DWORD_PTR low = 0;
  DWORD_PTR high = 0;
  DWORD_PTR position = 0;
  if (!SendWithTimeout(control, PBM_GETRANGE, TRUE, 0, low) ||
      !SendWithTimeout(control, PBM_GETRANGE, FALSE, 0, high) ||
      !SendWithTimeout(control, PBM_GETPOS, 0, 0, position)) {
    problem = "no answer from the progress bar";
    return false;
  }
  // The results are ints handed back in a wider type: the range may be negative.
  bar.low = static_cast<int>(low);
  bar.high = static_cast<int>(high);
  bar.position = static_cast<int>(position);
  return true;
}

}  // namespace

bool Runner::WaitForText(const Step& step, const std::function<bool(const std::string&)>& matches,
                         const std::string& expected) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  const auto check = [&] {
    HWND control = Control(step.args[0]);
    std::string text;
    if (control == nullptr) return Observation{false, "no control " + step.args[0]};
    if (control == window) {
      text = TitleOf(window);
    } else if (!ControlText(control, text)) {
      return Observation{false, "no answer from the control"};
    }
    return Observation{matches(text), "\"" + AnsiToUtf8(text) + "\""};
  };
  return WaitUntil(step, check, expected);
}

bool Runner::ExpectText(const Step& step) {
  const std::string expected = Utf8ToAnsi(step.args[1]);
  return WaitForText(
      step, [&](const std::string& text) { return text == expected; }, "the text \"" + step.args[1] + "\"");
}

bool Runner::ExpectTextLike(const Step& step) {
  const std::string pattern = Utf8ToAnsi(step.args[1]);
  return WaitForText(
      step, [&](const std::string& text) { return MatchesPattern(text, pattern); },
      "a text like \"" + step.args[1] + "\"");
}

bool Runner::ExpectEnabled(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  bool expected = false;
  ParseYesNo(step.args[1], expected);
  const auto check = [&] {
    HWND control = Control(step.args[0]);
    if (control == nullptr) return Observation{false, "no control " + step.args[0]};
    const bool enabled = IsWindowEnabled(control) != FALSE;
    return Observation{enabled == expected, "enabled " + YesNo(enabled)};
  };
  return WaitUntil(step, check, "enabled " + step.args[1]);
}

bool Runner::ExpectChecked(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  bool expected = false;
  ParseYesNo(step.args[1], expected);
  const auto check = [&] {
    DWORD_PTR state = 0;
    if (!SendWithTimeout(Control(step.args[0]), BM_GETCHECK, 0, 0, state)) return Observation{false, "no answer"};
    const bool checked = state == BST_CHECKED;
    return Observation{checked == expected, "checked " + YesNo(checked)};
  };
  return WaitUntil(step, check, "checked " + step.args[1]);
}

bool Runner::ExpectFocus(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  const auto check = [&] {
    HWND control = Control(step.args[0]);
    HWND focus = FocusedWindowOfThread(window);
    // The address control hands its focus on to one of its fields.
    const bool inside = focus != nullptr && control != nullptr && (focus == control || IsChild(control, focus));
    std::string seen = DescribeControl(focus);
    if (focus != nullptr && GetParent(focus) != nullptr && GetParent(focus) != window) {
      seen += " inside " + DescribeControl(GetParent(focus));
    }
    return Observation{inside, seen};
  };
  return WaitUntil(step, check, "the focus on control " + step.args[0]);
}

bool Runner::ExpectSelection(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  long start = 0;
  long end = 0;
  ParseInt(step.args[1], start);
  ParseSelectionEnd(step.args[2], end);
  const auto check = [&] {
    HWND control = Control(step.args[0]);
    DWORD_PTR selection = 0;
    DWORD_PTR length = 0;
    if (!SendWithTimeout(control, EM_GETSEL, 0, 0, selection) ||
        !SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) {
      return Observation{false, "no answer"};
    }
    const long seenStart = LOWORD(selection);
    const long seenEnd = HIWORD(selection);
    const long wantedEnd = end < 0 ? static_cast<long>(length) : end;
    return Observation{seenStart == start && seenEnd == wantedEnd, "selection " + std::to_string(seenStart) + " to " +
                                                                       std::to_string(seenEnd) + " of " +
                                                                       std::to_string(length) + " characters"};
  };
  return WaitUntil(step, check, "selection " + step.args[1] + " to " + step.args[2]);
}

bool Runner::ExpectAddress(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  Address address;
  ParseAddress(step.args[1], address);
  const std::string expected = FormatAddress(address);
  const auto check = [&] {
    std::string shown;
    if (!ReadAddress(Control(step.args[0]), shown)) return Observation{false, "no address control"};
    return Observation{shown == expected, shown};
  };
  return WaitUntil(step, check, "the address " + expected);
}

bool Runner::ExpectCursor(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  if (!cursorProbe_.Available()) return Fail("no pointer probe was given to the driver (--cursor-probe)");
  CursorKind kind = CursorKind::kArrow;
  ParseCursor(step.args[1], kind);
  PointerShape expected;
  std::string error;
  if (!cursorProbe_.Reference(kind, expected, error)) return Fail(error);
  RECT rect;
  if (!ScreenRect(Control(step.args[0]), rect)) return Fail("no control " + step.args[0] + " on the screen");
  POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
  const auto check = [&] {
    // Each look moves the pointer a little: the window is asked for its cursor on every move.
    point.x += (point.x % 2 == 0) ? 1 : -1;
    MovePointer(point);
    Sleep(150);
    PointerShape seen;
    if (!cursorProbe_.Read(kCursorLookSeconds, seen, error)) return Observation{false, error};
    return Observation{LooksLike(seen, expected),
                       "a pointer " + seen.geometry + " with " + std::to_string(seen.images.size()) + " image(s)"};
  };
  return WaitUntil(step, check,
                   "the " + step.args[1] + " pointer (" + expected.geometry + ", " +
                       std::to_string(expected.images.size()) + " image(s))");
}

bool Runner::ExpectProgress(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  double lowest = 0;
  double highest = 0;
  ParsePercent(step.args[1], lowest);
  ParsePercent(step.args[2], highest);
  const auto check = [&] {
    ProgressBar bar;
    std::string problem;
    if (!ReadProgressBar(Control(step.args[0]), step.args[0], bar, problem)) return Observation{false, problem};
    if (bar.marquee) return Observation{false, "a marquee"};
    double percent = 0;
    const std::string position = "position " + std::to_string(bar.position) + " in " + std::to_string(bar.low) +
                                 " to " + std::to_string(bar.high);
    if (!ProgressPercent(bar.low, bar.high, bar.position, percent)) return Observation{false, position};
    char share[32];
    std::snprintf(share, sizeof share, " (%.1f%%)", percent);
    return Observation{percent >= lowest && percent <= highest, position + share};
  };
  return WaitUntil(step, check, "a progress bar between " + step.args[1] + "% and " + step.args[2] + "%");
}

bool Runner::ExpectMarquee(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  bool expected = false;
  ParseYesNo(step.args[1], expected);
  const auto check = [&] {
    ProgressBar bar;
    std::string problem;
    if (!ReadProgressBar(Control(step.args[0]), step.args[0], bar, problem)) return Observation{false, problem};
    return Observation{bar.marquee == expected, "marquee " + YesNo(bar.marquee)};
  };
  return WaitUntil(step, check, "marquee " + step.args[1]);
}

bool Runner::SetAddress(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  Address address;
  ParseAddress(step.args[1], address);
  DWORD_PTR ignored = 0;
  HWND control = Control(step.args[0]);
  const bool sent =
      address.blank
          ? SendWithTimeout(control, IPM_CLEARADDRESS, 0, 0, ignored)
          : SendWithTimeout(control, IPM_SETADDRESS, 0,
                            MAKEIPADDRESS(address.part[0], address.part[1], address.part[2], address.part[3]), ignored);
  return sent || Fail("the address control does not answer");
}

bool Runner::SetText(const Step& step) {
  HWND window = nullptr;
  if (!CurrentWindow(window)) return false;
  const std::string text = Utf8ToAnsi(step.args[1]);
  DWORD_PTR ignored = 0;
  if (!SendWithTimeout(Control(step.args[0]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), ignored)) {
    return Fail("the control does not answer");
  }
  return true;
}

}  // namespace uidriver
