#include "ftpjob/command_reply_watch.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string kBefore =
    "ftp> quote rcmd \"CLRSAVF FILE(QTEMP/QSAVF)\"\r\n250 Command CLRSAVF successful.\r\n"
    "ftp> put \"C:\\PRODUCT.SAVF\" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace\r\n"
    "150 Sending file to member QSAVF in file QSAVF in library QTEMP.\r\n########\r\n"
    "226 File transfer completed successfully.\r\n";
const std::string kEcho =
    "ftp> quote rcmd \"RSTLIB SAVLIB(KESTRAL) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(SAMPLIB)\"\r\n"
    "---> rcmd \"RSTLIB SAVLIB(KESTRAL) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(SAMPLIB)\"\r\n";

struct Row {
  const char* what;
  std::string log;
  bool answered;
};

// Fed whole and in pieces of every size up to 7 bytes, the answer is the same: a poll may end
// anywhere.
TEST(CommandReplyWatch, SeesTheFinalReplyToTheEchoedCommand) {
  const Row rows[] = {
      {"nothing echoed yet", kBefore, false},
      {"echoed, the host still working", kBefore + kEcho, false},
      {"answered", kBefore + kEcho + "250 Command RSTLIB successful.\r\n", true},
      {"answered with an error", kBefore + kEcho + "550-Error occurred on command RSTLIB.\r\n550 CPF3773.\r\n", true},
      {"a long reply not ended", kBefore + kEcho + "250-Job log line.\r\n250-Another.\r\n", false},
      {"a long reply ended", kBefore + kEcho + "250-Job log line.\r\n250 Command RSTLIB successful.\r\n", true},
      {"the last line not ended yet", kBefore + kEcho + "250 Command RSTLIB successful.", false},
      {"a Japanese host, upper case", kBefore + kEcho + "250 COMMAND RSTLIB SUCCESSFUL.\r\n", true},
      {"the reply after a prompt", kBefore + kEcho + "ftp> 250 Command RSTLIB successful.\r\n", true},
      {"a lower-case echo", "ftp> quote rcmd \"rstlib savlib(a)\"\r\n250 Done.\r\n", true},
      {"the command word in a reply only", "250 RSTLIB is mentioned here.\r\n250 Again.\r\n", false},
  };
  for (const Row& row : rows) {
    CommandReplyWatch whole("RSTLIB ");
    whole.Feed(row.log);
    EXPECT_EQ(whole.Answered(), row.answered) << row.what;
    for (std::size_t piece = 1; piece <= 7; ++piece) {
      CommandReplyWatch pieces("RSTLIB ");
      for (std::size_t at = 0; at < row.log.size(); at += piece)
        pieces.Feed(std::string_view(row.log).substr(at, piece));
      EXPECT_EQ(pieces.Answered(), row.answered) << row.what << ", pieces of " << piece;
    }
  }
}

}  // namespace
