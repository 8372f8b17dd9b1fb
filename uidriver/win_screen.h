#pragma once
// What is on the screen: screenshots, and the message box icon told apart by its pixels (the
// installer's icon handle differs from the driver's handle for the same system icon).
#include <windows.h>

#include <string>

#include "uidriver/pixels.h"
#include "uidriver/values.h"

namespace uidriver {

// The pixels of a screen rectangle, as shown now.
Image CaptureScreen(const RECT& rect);
Image CaptureWholeScreen();
bool WriteBmp(const std::string& path, const Image& image);

// The pixels of a screen rectangle with the parts that move by themselves blanked: every shown
// progress bar (a marquee never holds still) and the text line right after it in its window
// (the installer's size, rate and elapsed time). For telling whether the rest holds still.
Image CaptureStillParts(const RECT& rect);

// The icon of a message box: none when it shows no icon; false when an icon is shown that
// matches none of the four system icons closely enough (seen then says how close they came).
bool MessageBoxIcon(HWND messageBox, IconKind& icon, std::string& seen);

}  // namespace uidriver
