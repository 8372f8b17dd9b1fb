// The OK handler and the pre-installation check.
#include "installer/installer_dialog.h"

void InstallerDialog::OnOK() {}
int InstallerDialog::CheckBeforeInstall() { return 0; }
bool InstallerDialog::ConfirmCancel() { return false; }
