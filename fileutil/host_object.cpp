#include "fileutil/host_object.h"

#include <windows.h>

#include "res/resource.h"

namespace {

int ExtractResource(const char* type, int id, const std::string& destination) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC resource = FindResourceExA(module, type, MAKEINTRESOURCEA(id), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
  if (resource == nullptr) return 0;
  const DWORD size = SizeofResource(module, resource);
  HGLOBAL loaded = LoadResource(module, resource);
  const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr) return 0;

  HANDLE file =
      CreateFileA(destination.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  DWORD written = 0;
  const BOOL wrote = WriteFile(file, bytes, size, &written, nullptr);
  const BOOL closed = CloseHandle(file);
  // A short write (a full disk) must not pass for a whole host object, nor stay behind: the
  // work folder is removed only when it is empty.
  if (wrote && closed && written == size) return 1;
  DeleteFileA(destination.c_str());
  return 0;
}

}  // namespace

int ExtractHostObject(const std::string& destination) {
  return ExtractResource("AS400_OBJECT", IDR_HOST_OBJECT, destination);
}

int ExtractPassiveFtpClient(const std::string& destination) {
  return ExtractResource("FTP_CLIENT", IDR_FTP_CLIENT, destination);
}
