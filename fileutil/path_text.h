#pragma once
// Path handling that needs no operating system: the validating join and the search for the last
// separator, both aware of double-byte characters.
#include <cstddef>
#include <string>

// The Windows path limit: buffers that receive a path hold this many bytes plus the NUL.
constexpr std::size_t kMaxPathBytes = 260;

// Joins two path components with one backslash where the first does not end in a separator or a
// drive colon. Returns the empty string when the join is rejected: a forbidden or control byte, a
// misplaced colon, a doubled backslash (other than the opening "\\" of a network path), half a
// double-byte character at a component's end, a lead byte followed by no valid trail byte, or
// more than 260 bytes. Each component is taken up to its first NUL byte.
std::string JoinPath(const std::string& first, const std::string& second);

// Position of the last real backslash (a trail byte 0x5C does not count), or npos.
std::size_t FindLastBackslash(const std::string& path);

// The directory part of a path, up to and including its last backslash; empty when there is none.
std::string DirectoryOf(const std::string& path);

// A work folder's name: "ZEMO" and four digits (ZEMO0000 ... ZEMO9999).
bool IsWorkDirectoryName(const std::string& name);

// One of the files the installer keeps in its work folder (DOSCMD.BAT, FTPCMD.BAT, FTPLOG.LOG,
// QSAVF.DAT, PRODUCT.DAT, FTPPASV.EXE), in any case, as the file system compares names.
bool IsJobFileName(const std::string& name);
