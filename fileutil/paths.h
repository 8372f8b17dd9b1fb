#pragma once
// Local paths: the executable's directory, TEMP, probing, and the per-run work directory.
#include <cstdint>
#include <string>

// Directory of the running executable, ending in a backslash; empty if it cannot be determined.
std::string GetModuleDirectory();
// The user's local application data folder (LOCALAPPDATA, else the shell's) with a trailing
// backslash; empty when there is none.
std::string GetLocalAppDataDirectory();
// TEMP with a trailing backslash: 1, or 0 with an empty output when TEMP is unset, empty, or
// longer than a path can be.
int GetTempDirectory(std::string& output);
// What a path names; the values are those of the original interface.
enum PathKind : int {
  kPathMissing = 0,  // nothing there, or no path at all
  kPathIsFile = 1,
  kPathIsDirectory = 2,
};
PathKind ProbePath(const char* path);
// The size of an existing file; false when it cannot be found.
bool FileSizeOf(const std::string& path, std::uint64_t& size);
// Gives the file `from` the second name `to`: a hard link, or a copy where no link can be made
// (another volume, a file system without links). True when `to` holds the whole file; when not,
// nothing is left at `to`.
bool LinkOrCopyFile(const std::string& from, const std::string& to);
// Creates the first free TEMP\ZEMO0000 ... ZEMO9999; its path without a trailing backslash, or
// empty when none can be created.
std::string CreateWorkDirectory();

// Removes what earlier runs that were killed left under TEMP: work folders ZEMOnnnn that hold
// nothing but the installer's own job files. A folder with anything else in it is left as it
// is, and so is a file another process holds open (with the folder around it).
void RemoveStaleWorkDirectories();
