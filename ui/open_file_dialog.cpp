#include "ui/open_file_dialog.h"

namespace {

constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;  // not declared for our Windows versions

using GetOpenFileNameFunction = BOOL(WINAPI*)(OPENFILENAMEA*);

GetOpenFileNameFunction LoadGetOpenFileName() {
  // Windows 7 without update KB2533623 refuses the flag; the search restricted at start-up holds.
  HMODULE dialogs = LoadLibraryExA("comdlg32.dll", nullptr, kLoadLibrarySearchSystem32);
  if (dialogs == nullptr) dialogs = LoadLibraryA("comdlg32.dll");
  if (dialogs == nullptr) return nullptr;
  // Kept loaded for the rest of the run: the dialog may leave threads and hooks of its own.
  return reinterpret_cast<GetOpenFileNameFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(dialogs, "GetOpenFileNameA")));
}

}  // namespace

bool ShowOpenFileDialog(OPENFILENAMEA& request) {
  static const GetOpenFileNameFunction getOpenFileName = LoadGetOpenFileName();
  return getOpenFileName != nullptr && getOpenFileName(&request) != FALSE;
}
