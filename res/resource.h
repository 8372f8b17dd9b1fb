#pragma once
// Resource identifiers shared by the resource script and the program.
#define IDI_APPLICATION_ICON 128
#define IDS_SOCKETS_FAILED 103
#define IDD_INSTALLER 129
#define IDR_HOST_OBJECT 131
#define IDD_PROGRESS 140
