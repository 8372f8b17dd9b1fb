#include <windows.h>

#include "app/installer_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  InstallerApp app;
  app.InitInstance();
  return 0;
}
