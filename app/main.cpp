#include <windows.h>

#include "app/installer_app.h"
#include "fileutil/dll_search.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  RestrictDllSearchToSystemFolder();  // before anything can load a DLL by name
  InstallerApp app;
  app.InitInstance();
  return 0;
}
