// The installation and its verification.
#include "installer/installer_dialog.h"

int InstallerDialog::InstallAndVerify() { return 0; }
