#pragma once
// The system's file-open dialog (GetOpenFileNameA), from COMDLG32 loaded out of the system folder
// when it is first needed rather than imported: the DLLs that COMDLG32 itself imports are then
// looked up under the restricted search of RestrictDllSearchToSystemFolder, not beside the
// program before its first line has run (under Wine a planted compstui.dll ran that way).
#include <windows.h>

#include <commdlg.h>

// GetOpenFileNameA's result; false also when COMDLG32 cannot be loaded.
bool ShowOpenFileDialog(OPENFILENAMEA& request);
