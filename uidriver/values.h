#pragma once
// The typed values that scenario steps take, parsed the same way when a scenario is checked and
// when its steps run. No operating system here: key and button codes are the Win32 numbers.
#include <cstdint>
#include <string>
#include <vector>

namespace uidriver {

bool ParseInt(const std::string& word, long& value);
// Seconds as a decimal number ("0.5", "60"); never negative.
bool ParseSeconds(const std::string& word, double& seconds);
// "yes" or "no".
bool ParseYesNo(const std::string& word, bool& yes);
// A control id (0 to 65535) or "self" (the window itself, given as -1).
bool ParseControlId(const std::string& word, long& id);
// A name for a window, a process or a control: letters, digits, '_' and '-'.
bool IsName(const std::string& word);

// "a.b.c.d" with each part 0 to 255, or "blank" (no address entered: blank is then true).
struct Address {
  bool blank = false;
  std::uint8_t part[4] = {0, 0, 0, 0};
};
bool ParseAddress(const std::string& word, Address& address);
std::string FormatAddress(const Address& address);

// A key with its modifiers: "Tab", "Shift+Tab", "Alt+L", "Space", "Enter", "Escape", "F4"...
struct KeyChord {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  std::uint8_t virtualKey = 0;
};
bool ParseKeyChord(const std::string& word, KeyChord& chord);

// A dialog button by its name ("OK", "Cancel", "Yes", "No", ...) or its id; the Win32 ids.
bool ParseButton(const std::string& word, long& id);
// The name of a standard button id ("Yes" for 6), or the number itself for other ids.
std::string ButtonName(long id);

// The four message box icons, told apart by their pixels, and "none".
enum class IconKind { kNone, kStop, kExclamation, kQuestion, kInformation };
bool ParseIcon(const std::string& word, IconKind& icon);
const char* IconName(IconKind icon);

// The mouse pointer shapes a test looks for.
enum class CursorKind { kArrow, kWait, kAppStarting, kIBeam };
bool ParseCursor(const std::string& word, CursorKind& cursor);
const char* CursorName(CursorKind cursor);

// The end of a selection: a number or "end" (the end of the text, given as -1).
bool ParseSelectionEnd(const std::string& word, long& position);

// A share in per cent, 0 to 100, decimals allowed ("12.5").
bool ParsePercent(const std::string& word, double& percent);

// Where a progress bar's position lies in its range, in per cent; false for a range with no
// width (or a reversed one), where no share can be told.
bool ProgressPercent(long low, long high, long position, double& percent);

// Whether text matches pattern, both in code page 932: '*' stands for any run of whole characters,
// everything else is compared byte for byte, one character at a time, so that neither a '*' nor a
// literal ever meets half of a double-byte character (whose trail byte may look like '\' or 'A').
bool MatchesPattern(const std::string& text, const std::string& pattern);

}  // namespace uidriver
