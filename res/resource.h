#pragma once
// Every resource and control identifier, named once: the resource script and the program both use
// these names. (Plain #defines, since the resource compiler reads this file too.)

// Resources
#define IDS_SOCKETS_FAILED 103
#define IDI_APPLICATION_ICON 128
#define IDD_INSTALLER 129
#define IDR_HOST_OBJECT 131
#define IDR_FTP_CLIENT 132
#define IDD_PROGRESS 140

// Controls of the installer dialog (IDD_INSTALLER); OK and Cancel are IDOK and IDCANCEL.
#define IDC_ADDRESS 1000
#define IDC_USER_ID 1002
#define IDC_PASSWORD 1003
#define IDC_DESCRIPTION 1005
#define IDC_LIBRARY 1006
#define IDC_LIBRARY_OPTION 1007
#define IDC_ADDRESS_LABEL 1008
#define IDC_USER_ID_LABEL 1009
#define IDC_PASSWORD_LABEL 1010
#define IDC_LIBRARY_LABEL 1011

// Controls of the progress window (IDD_PROGRESS); Cancel is IDCANCEL.
#define IDC_STATUS 1012
#define IDC_PROGRESS_BAR 1013
#define IDC_PROGRESS_LINE 1014
