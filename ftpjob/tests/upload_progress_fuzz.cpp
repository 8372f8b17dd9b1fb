// Feeds the upload progress logs built from the pieces that matter to it (marks, line ends, put
// echoes, bytes-sent lines, other text) in polls of arbitrary lengths. Besides the sanitizers'
// checks: the count never exceeds the total, an upload under way has shown marks, and how the log
// is cut into polls changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "ftpjob/upload_progress.h"

namespace {

const std::string_view kPieces[] = {"#",
                                    "###",
                                    "\r",
                                    "\n",
                                    "\r\n",
                                    "ftp> put A B\r\n",
                                    "ftp> ",
                                    "put",
                                    "x",
                                    "\x95\\",
                                    "ftp: 5000 bytes sent in 1.00Seconds\r\n",
                                    "ftp: ",
                                    "20",
                                    " bytes sent in"};

bool SameState(const UploadProgress& a, const UploadProgress& b) {
  return a.BytesSent() == b.BytesSent() && a.MarksSeen() == b.MarksSeen() && a.Uploading() == b.Uploading();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Each byte's low bits choose a piece of the log, its high bits where a poll ends.
  std::string log;
  std::string pollEnds;
  for (std::size_t i = 0; i < size; ++i) {
    log += kPieces[data[i] % std::size(kPieces)];
    pollEnds.push_back(static_cast<char>(data[i] >= 0x80));
  }
  UploadProgress whole({3000, 5000, 70000});
  whole.Feed(log);
  UploadProgress polled({3000, 5000, 70000});
  std::size_t fed = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (!pollEnds[i]) continue;
    const std::size_t end = std::min(log.size(), fed + (static_cast<std::size_t>(data[i]) & 0x3F));
    polled.Feed(std::string_view(log).substr(fed, end - fed));
    fed = end;
    if (polled.BytesSent() > polled.TotalBytes()) std::abort();
    if (polled.Uploading() && !polled.MarksSeen()) std::abort();
  }
  polled.Feed(std::string_view(log).substr(fed));
  if (!SameState(whole, polled)) std::abort();
  return 0;
}
