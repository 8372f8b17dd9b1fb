#pragma once
// The printed listings of DSPLIB and DSPSAVF, as lines of at most 132 characters. The DSPLIB
// layout follows the one public English print (object at position 4, type at 16, attribute at
// 26, size right-aligned ending at 51); no DSPSAVF print has been seen, so its heading here is
// our own guess in the same style. The verification program is only ever judged on its result,
// never on these texts; they exist so that an acceptance run against this host brings something
// home in the shape a real host's listings are expected to have.
#include <string>
#include <vector>

#include "savf/image_format.h"
#include "savf/image_reader.h"

namespace hostsim {

std::vector<std::string> LibraryListing(const std::string& library, const std::vector<savf::SavedObject>& objects);
// A library save lists the saved library itself first, as an object of type *LIB.
std::vector<std::string> SaveFileListing(const std::string& file, const std::string& fileLibrary,
                                         const savf::ImageInfo& image);
// Records of a listing copied with CPYSPLF CTLCHAR(*PRTCTL): 3 bytes skip-before, 1 byte
// space-before, then the line.
std::vector<std::string> WithPrintControl(const std::vector<std::string>& lines);

}  // namespace hostsim
