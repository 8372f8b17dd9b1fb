#include "progress/progress_dialog.h"
int ProgressDialog::Open() { return 0; }
int ProgressDialog::Open(const std::string&) { return 0; }
int ProgressDialog::SetStatus(const std::string&, bool) { return cancelRequested; }
int ProgressDialog::Close() { return 1; }
void ProgressDialog::BindControls() {}
bool ProgressDialog::OnCommand(WORD, WORD) { return true; }
bool ProgressDialog::OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }
