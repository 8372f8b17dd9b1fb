#include <windows.h>

#include "app/installer_app.h"
#include "fileutil/dll_search.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  RestrictDllSearchToSystemFolder();  // before anything can load a DLL by name
  InstallerApp app;
  return app.Run(arguments != nullptr ? arguments : "");
}
