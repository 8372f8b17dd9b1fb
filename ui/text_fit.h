#pragma once
// Keeps a static text whole whatever the font, the scale and the text: where the text (or the
// longest text the control will be given) needs more lines than the control shows, the control
// is made taller, whatever lies below it moves down, and the window grows with it.
#include <windows.h>

// longestText: the text to make room for; nullptr means the control's own text. Call it once
// the text is set and before the window is shown.
void FitStaticTextHeight(HWND window, int controlId, const char* longestText = nullptr);
