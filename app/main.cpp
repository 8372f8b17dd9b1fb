#include <windows.h>

#include "app/installer_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int) {
  InstallerApp app;
  return app.Run(arguments != nullptr ? arguments : "");
}
