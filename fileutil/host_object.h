#pragma once
#include <string>

// Writes the embedded host object (resource "AS400_OBJECT", 131, Japanese) to destination,
// straight from the loaded resource. 1 when the whole resource was written, 0 otherwise.
int ExtractHostObject(const std::string& destination);

// Writes the embedded ftp client of our own (resource "FTP_CLIENT", 132, Japanese) to
// destination: the client that runs a job in passive mode when the PC's firewall blocks the
// host's connections back to it. 1 when the whole program was written, 0 otherwise.
int ExtractPassiveFtpClient(const std::string& destination);
