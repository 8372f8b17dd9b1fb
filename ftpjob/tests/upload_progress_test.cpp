#include "ftpjob/upload_progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Marks(std::size_t count) { return std::string(count, '#'); }

std::string PutEcho(const std::string& local) {
  return "ftp> put \"" + local + "\" /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace\r\n";
}

std::string StoreStarts() {
  return "---> PORT 127,0,0,1,4,1\r\n200 PORT subcommand request successful.\r\n"
         "---> STOR /QSYS.LIB/QTEMP.LIB/QSAVF.FILE\r\n"
         "150 Sending file to member QSAVF in file QSAVF in library QTEMP.\r\n";
}

std::string StoreEnds(std::uint64_t bytes) {
  return "250 File transfer completed successfully.\r\nftp: " + std::to_string(bytes) +
         " bytes sent in 0.05Seconds 4656.96Kbytes/sec.\r\n";
}

// The verification job as the client logs it with hash marks on: the host object (113 full
// blocks), a restore and a CALL, then the product (150 full blocks and a part). The work folder's
// name holds 表, whose second byte is 0x5C.
constexpr std::uint64_t kHostObject = 232848;
constexpr std::uint64_t kProduct = 2048 * 150 + 1000;
const std::string kFolder = "C:\\TEMP\\ZEMO0001 \x95\x5C";

std::string VerificationJobLog() {
  return "ftp> open 127.0.0.5\r\nConnected to 127.0.0.5.\r\n220-QTCP at TESTHOST.\r\n"
         "220 Connection will close if idle more than 5 minutes.\r\nUser (127.0.0.5:(none)): \r\n"
         "331 Enter password.\r\nPassword:\r\n230 QUSER logged on.\r\nftp> binary\r\n"
         "200 Representation type is binary IMAGE.\r\nftp> hash\r\n"
         "Hash mark printing On  ftp: (2048 bytes/hash mark) .\r\nftp> DEBUG T1 3600\r\nDebugging On .\r\n"
         "ftp> quote rcmd \"CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)\"\r\n---> rcmd \"CRTSAVF FILE(QTEMP/QSAVF)\"\r\n"
         "250 Command successful.\r\n" +
         PutEcho(kFolder + "\\QSAVF.DAT") + StoreStarts() + Marks(113) + "\r\n" + StoreEnds(kHostObject) +
         "ftp> quote rcmd \"RSTOBJ OBJ(*ALL) SAVLIB(QTEMP)\"\r\n"
         // A reply's continuation line may start with '#'; it holds no marks.
         "250-# objects restored:\r\n#13\r\n250 Command successful.\r\n" +
         PutEcho(kFolder + "\\PRODUCT.SAVF") + StoreStarts() + Marks(150) + "\r\n" + StoreEnds(kProduct) +
         "ftp> quote rcmd \"CALL PGM(QTEMP/KV2207C)\"\r\n250 Command successful.\r\nftp> quit\r\n---> QUIT\r\n"
         "221 QUIT subcommand received.\r\n";
}

struct State {
  std::uint64_t sent;
  bool marksSeen;
  bool uploading;
  bool operator==(const State& other) const {
    return sent == other.sent && marksSeen == other.marksSeen && uploading == other.uploading;
  }
};

std::ostream& operator<<(std::ostream& os, const State& s) {
  return os << "{sent " << s.sent << ", marks seen " << s.marksSeen << ", uploading " << s.uploading << "}";
}

State StateOf(const UploadProgress& progress) {
  return {progress.BytesSent(), progress.MarksSeen(), progress.Uploading()};
}

State AfterFeeding(const std::vector<std::uint64_t>& sizes, const std::string& log) {
  UploadProgress progress(sizes);
  progress.Feed(log);
  return StateOf(progress);
}

TEST(UploadProgressTest, AnyPollSplitGivesTheSameCount) {
  const std::string log = VerificationJobLog();
  const std::vector<std::uint64_t> sizes = {kHostObject, kProduct};
  for (std::size_t split = 0; split <= log.size(); ++split) {
    UploadProgress progress(sizes);
    progress.Feed(log.substr(0, split));
    ASSERT_EQ(StateOf(progress), AfterFeeding(sizes, log.substr(0, split))) << "split at " << split;
    progress.Feed(log.substr(split));
    ASSERT_EQ(StateOf(progress), (State{kHostObject + kProduct, true, false})) << "split at " << split;
  }
}

struct Case {
  const char* what;
  std::vector<std::uint64_t> sizes;
  std::string log;
  State expected;
};

const Case kCases[] = {
    {"marks arriving", {10000}, PutEcho("A") + StoreStarts() + "###", {3 * 2048, true, true}},
    {"marks line ended: the host works", {10000}, PutEcho("A") + StoreStarts() + "###\r\n", {3 * 2048, true, false}},
    {"CR of the marks line in this poll, its LF in the next",
     {10000},
     PutEcho("A") + StoreStarts() + "###\r",
     {3 * 2048, true, true}},
    {"the host's completion reply completes the last block",
     {5000},
     PutEcho("A") + StoreStarts() + "##\r\n" + StoreEnds(5000),
     {5000, true, false}},
    {"so it does after a Japanese client's own words",
     {5000},
     PutEcho("A") + StoreStarts() +
         "##\r\n226 FILE TRANSFER COMPLETED SUCCESSFULLY.\r\n"
         "ftp: 5000 バイトが送信されました 0.03秒 2524.50KB/秒。\r\n",
     {5000, true, false}},
    {"an upload under one block shows no marks",
     {20},
     PutEcho("A") + StoreStarts() + StoreEnds(20),
     {20, false, false}},
    {"a log without marks: puts count once sent",
     {300000, 20},
     PutEcho("A") + StoreStarts() + StoreEnds(300000) + PutEcho("B") + StoreStarts(),
     {300000, false, false}},
    {"a refused put counts nothing and the next put follows",
     {10000, 5000},
     PutEcho("A") + StoreStarts() + "425 Cannot open data connection.\r\n" + PutEcho("B") + StoreStarts() + "##\r\n" +
         StoreEnds(5000),
     {5000, true, false}},
    {"a later command's 250 does not complete a put cut short",
     {10000},
     PutEcho("A") + StoreStarts() +
         "##\r\n426 Data transfer ended.\r\nftp> quote rcmd \"RSTOBJ\"\r\n"
         "250 Command successful.\r\n",
     {2 * 2048, true, false}},
    {"more marks than the file has blocks", {3000}, PutEcho("A") + "#####\r\n", {3000, true, false}},
    {"a completion without a transfer begun", {3000}, PutEcho("A") + StoreEnds(3000), {0, false, false}},
    {"marks before any put", {10000}, "###\r\n" + PutEcho("A"), {0, false, false}},
    {"puts beyond the sizes given", {4096}, PutEcho("A") + "##\r\n" + PutEcho("B") + "###\r\n", {4096, true, false}},
    {"a line that starts with marks and goes on is a reply",
     {10000},
     PutEcho("A") + "## not marks\r\n",
     {0, false, false}},
    {"text after a marks line's CR", {10000}, PutEcho("A") + "##\rx\r\n", {0, false, false}},
    {"a marks-looking line never becomes an echo",
     {10000, 1000},
     PutEcho("A") + "#ftp> put B\r\n#\r\n",
     {2048, true, false}},
    {"the echo in capitals, abbreviated, or as send",
     {2048, 2048, 2048, 9999},
     "ftp> PUT A\r\n#\r\nftp> pu B\r\n#\r\nftp> send C\r\n#\r\nftp> Se D\r\n#\r\n",
     {4 * 2048, true, false}},
    {"echoes that are not a put",
     {2048},
     "ftp> p A\r\n#\r\nftp> pwd\r\n#\r\nftp> quote put A\r\n#\r\nftp> putx A\r\n#\r\n ftp> put A\r\n#\r\n",
     {0, false, false}},
    {"completion look-alikes",
     {5000},
     PutEcho("A") + StoreStarts() + "250-Still going.\r\nftp: 226 bytes\r\n2260 x\r\n ftp> 226 x\r\n",
     {0, false, false}},
};

TEST(UploadProgressTest, Cases) {
  for (const Case& c : kCases) EXPECT_EQ(AfterFeeding(c.sizes, c.log), c.expected) << c.what;
}

TEST(UploadProgressTest, ResetStartsAfreshWithTheSameSizes) {
  UploadProgress progress({10000, 5000});
  progress.Feed(PutEcho("A") + "###");
  progress.Reset();
  EXPECT_EQ(StateOf(progress), (State{0, false, false}));
  EXPECT_EQ(progress.TotalBytes(), 15000u);
  // A log that restarted from its beginning is read as new: its first put is the first size.
  progress.Feed(PutEcho("A") + "#\r\n" + PutEcho("B") + "#");
  EXPECT_EQ(StateOf(progress), (State{2 * 2048, true, true}));
}

}  // namespace
