#pragma once
// Keeps a DLL planted beside the program (a Downloads folder) or in the current folder from being
// loaded in place of a system DLL: the first call of every program we ship.

// From here on, DLLs loaded by name come from the system folder only. Where Windows lacks the
// call for that (Windows 7 without update KB2533623), the current folder at least is no longer
// searched; the program's own folder still is there, which only the update can change.
void RestrictDllSearchToSystemFolder();
