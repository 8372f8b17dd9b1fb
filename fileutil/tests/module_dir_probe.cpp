// Writes GetModuleDirectory() of its own executable into the file named by its argument.
#include <fstream>

#include "fileutil/paths.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::ofstream(argv[1]) << GetModuleDirectory() << "\n";
  return 0;
}
