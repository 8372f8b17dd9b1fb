#include "fileutil/dll_search.h"

#include <windows.h>

namespace {

// Not declared for the Windows versions we build for; the value is fixed in the Windows API.
constexpr DWORD kLoadLibrarySearchSystem32 = 0x00000800;

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCSTR);

// Looked up at run time: importing either would keep the program from starting where it is missing.
template <class Function>
Function KernelFunction(const char* name) {
  FARPROC address = GetProcAddress(GetModuleHandleA("kernel32.dll"), name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

void RestrictDllSearchToSystemFolder() {
  const auto setDefault = KernelFunction<SetDefaultDllDirectoriesFunction>("SetDefaultDllDirectories");
  if (setDefault != nullptr && setDefault(kLoadLibrarySearchSystem32)) return;
  const auto setDirectory = KernelFunction<SetDllDirectoryFunction>("SetDllDirectoryA");
  if (setDirectory != nullptr) setDirectory("");
}
