#pragma once
// The mouse pointer's shape as the X server shows it. Wine gives each process its own handle for
// the same system cursor, and no process can read the image behind another process's handle, so
// the driver asks the X server instead: it starts a small Unix program (Wine runs those too) that
// prints the shape's size, hot spot and hashes of its images. The system cursors' shapes are
// learnt once by showing each over a window of the driver's own.
#include <windows.h>

#include <map>
#include <string>

#include "uidriver/pointer_shape.h"
#include "uidriver/values.h"

namespace uidriver {

class CursorProbe {
 public:
  // command: the Unix command line of the probe (empty: no probe); workFolder: where its answer
  // is written (a Windows path).
  CursorProbe(std::string command, std::string workFolder);
  CursorProbe(const CursorProbe&) = delete;
  CursorProbe& operator=(const CursorProbe&) = delete;

  bool Available() const { return !command_.empty(); }
  // The shape shown now, watched for the given seconds.
  bool Read(double seconds, PointerShape& shape, std::string& error);
  // The shape of a system cursor, learnt at its first use.
  bool Reference(CursorKind kind, PointerShape& shape, std::string& error);

 private:
  bool LearnReference(CursorKind kind, std::string& error);

  std::string command_;
  std::string answerPath_;
  std::map<CursorKind, PointerShape> references_;
};

}  // namespace uidriver
