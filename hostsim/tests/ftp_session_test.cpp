// The replies of the protocol core, line for line, and its uploads, without a network.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "hostsim/core/ftp_session.h"
#include "hostsim/testsupport/memory_storage.h"

namespace hostsim {
namespace {

using Lines = std::vector<std::string>;

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() : services_{users_, libraries_, faults_, "HOSTSIM"} {}

  FtpSession& Session() {
    if (!session_) session_ = std::make_unique<FtpSession>(services_, "127.0.0.1", temp_);
    return *session_;
  }
  Lines Send(const std::string& line) { return Session().Handle(line).replies; }
  void LogOn() {
    Send("USER ksuser");
    ASSERT_EQ(Send("PASS secret"), Lines{"230 KSUSER logged on."});
  }
  // STOR with a PORT data connection, the bytes, the end of the transfer: the final reply.
  Lines Upload(const std::vector<std::uint8_t>& bytes, UploadEnd how = UploadEnd::kComplete) {
    Send("PORT 127,0,0,1,7,208");
    SessionStep step = Session().Handle("STOR /QSYS.LIB/QTEMP.LIB/QSAVF.FILE");
    EXPECT_EQ(step.next, SessionStep::Next::kTransfer);
    if (!step.transfer.upload) return step.replies;
    step.transfer.upload->Write(bytes.data(), bytes.size());
    return Session().UploadEnded(std::move(step.transfer.upload), how);
  }

  std::vector<UserProfile> users_{{"KSUSER", "SECRET", true, true}, {"NOSAVF", "PW", false, true}};
  testing::MemoryLibraries libraries_;
  FaultSwitches faults_;
  HostServices services_;
  testing::MemorySaveFiles temp_;
  std::unique_ptr<FtpSession> session_;
};

TEST_F(SessionTest, LogOnReplies) {
  EXPECT_EQ(Session().Greeting(),
            (Lines{"220-QTCP at HOSTSIM.", "220 Connection will close if idle more than 5 minutes."}));
  EXPECT_EQ(Send("OPTS UTF8 ON"), Lines{"501 OPTS subcommand not valid."});
  EXPECT_EQ(Send("CWD QTEMP"), Lines{"530 Log on required."});
  EXPECT_EQ(Send("PASS secret"), Lines{"503 Send USER first."});
  EXPECT_EQ(Send("USER ksuser"), Lines{"331 Enter password."});
  EXPECT_EQ(Send("PASS wrong"), Lines{"530 Log on attempt by user KSUSER rejected."});
  EXPECT_EQ(Send("RCMD CRTSAVF FILE(QTEMP/QSAVF)"), Lines{"530 Log on required."});
  EXPECT_EQ(Send("USER nobody"), Lines{"331 Enter password."});
  EXPECT_EQ(Send("PASS secret"), Lines{"530 Log on attempt by user NOBODY rejected."});
  Send("user KSUSER");
  EXPECT_EQ(Send("pass SECRET"), Lines{"230 KSUSER logged on."});  // passwords ignore case
  SessionStep quit = Session().Handle("QUIT");
  EXPECT_EQ(quit.replies, Lines{"221 QUIT subcommand received."});
  EXPECT_EQ(quit.next, SessionStep::Next::kClose);
}

TEST_F(SessionTest, CommandReplies) {
  LogOn();
  libraries_.Create("SAMPLIB");
  const std::vector<std::pair<std::string, Lines>> cases = {
      {"TYPE I", {"200 Representation type is binary IMAGE."}},
      {"TYPE A", {"200 Representation type is ASCII nonprint."}},
      {"TYPE X", {"504 Representation type not supported."}},
      {"PORT 127,0,0,1,4,1", {"200 PORT subcommand request successful."}},
      {"PORT 10,0,0,9,4,1", {"501 PORT address must be the client's own address."}},
      {"PORT 127,0,0,1,4", {"501 PORT subcommand parameters not valid."}},
      {"PORT 127,0,0,1,4,256", {"501 PORT subcommand parameters not valid."}},
      {"CWD SAMPLIB", {"250 \"SAMPLIB\" is current library."}},
      {"CWD samplib", {"250 \"SAMPLIB\" is current library."}},
      {"CWD /QSYS.LIB/SAMPLIB.LIB", {"250 \"SAMPLIB\" is current library."}},
      {"PWD", {"257 \"SAMPLIB\" is current library."}},
      {"CWD QTEMP", {"250 \"QTEMP\" is current library."}},
      {"CWD NOLIB",
       {"550-Specified directory does not exist or cannot be accessed.", "550 Working directory not changed."}},
      {"CWD ../../etc",
       {"550-Specified directory does not exist or cannot be accessed.", "550 Working directory not changed."}},
      {"CWD /QSYS.LIB", {"250 \"/QSYS.LIB\" is current directory."}},
      {"RCMD CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)", {"250 Command CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL) successful."}},
      {"rcmd \"CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)\"",
       {"550-Error occurred on command CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)",
        "550-CPF5813: File QSAVF in library QTEMP already exists.",
        "550 CPF7302: File QSAVF not created in library QTEMP."}},
      {"SITE RCMD CLRSAVF FILE(QTEMP/QSAVF)", {"250 Command CLRSAVF FILE(QTEMP/QSAVF) successful."}},
      {"SITE RCMD \"CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' 'KSUSER')\"",
       {"550-Error occurred on command CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' 'KSUSER')",
        "550 CPD0170: Program KV2207C in library QTEMP not found."}},
      {"RCMD", {"501 RCMD needs a CL command."}},
      {"SITE NAMEFMT 1", {"250 Now using naming format \"1\"."}},
      {"STOR /QSYS.LIB/QTEMP.LIB/NOSUCH.FILE", {"550 Save file NOSUCH in library QTEMP not found."}},
      {"STOR /etc/passwd",
       {"550 /etc/passwd: uploads go only into a save file (LIB/FILE or /QSYS.LIB/LIB.LIB/FILE.FILE)."}},
      {"FEAT", {"500 Subcommand FEAT not valid."}},
      {"XYZZY", {"500 Subcommand XYZZY not valid."}},
      {"\x01\xff garbage", {"500 Subcommand not valid."}},
      {"", {"500 Subcommand not valid."}},
      {"DELE X", {"502 Subcommand DELE not supported by this host."}},
      {"NOOP", {"250 NOOP subcommand successful."}},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(Send(line), expected) << line;
}

TEST_F(SessionTest, UploadIntoSaveFile) {
  LogOn();
  Send("RCMD CRTSAVF FILE(QTEMP/QSAVF)");
  EXPECT_EQ(Send("STOR /QSYS.LIB/QTEMP.LIB/QSAVF.FILE"),
            Lines{"550 Save files are transferred in binary only: send TYPE I first."});
  Send("TYPE I");
  EXPECT_EQ(Send("STOR QTEMP/QSAVF"), Lines{"425 Send PORT or PASV before a transfer."});
  const std::vector<std::uint8_t> image = testing::MakeHostObjectImage();
  Send("PORT 127,0,0,1,7,208");
  SessionStep step = Session().Handle("STOR /QSYS.LIB/QTEMP.LIB/QSAVF.FILE (replace");
  EXPECT_EQ(step.replies, Lines{"150 Sending file to member QSAVF in file QSAVF in library QTEMP."});
  ASSERT_TRUE(step.transfer.upload);
  step.transfer.upload->Write(image.data(), image.size());
  EXPECT_EQ(Session().UploadEnded(std::move(step.transfer.upload), UploadEnd::kComplete),
            Lines{"250 File transfer completed successfully."});
  EXPECT_EQ(temp_.Content("QSAVF"), image);
  // PORT is used up by the transfer.
  EXPECT_EQ(Send("STOR QTEMP/QSAVF"), Lines{"425 Send PORT or PASV before a transfer."});
}

TEST_F(SessionTest, FailedUploadsLeaveTheSaveFileAsItWas) {
  LogOn();
  Send("RCMD CRTSAVF FILE(QTEMP/QSAVF)");
  Send("TYPE I");
  const std::vector<std::uint8_t> image = testing::MakeHostObjectImage();
  ASSERT_EQ(Upload(image), Lines{"250 File transfer completed successfully."});
  const std::vector<std::uint8_t> truncated(image.begin(), image.begin() + 528 * 3);
  const std::vector<std::uint8_t> other = testing::MakeImage("SAVLIB", "SAMPLIB", {{"A", "*PGM", "CLP", 10}});
  EXPECT_EQ(Upload(truncated),
            Lines{"550 Data received is not a valid save file (image is truncated or has extra data); save file QSAVF "
                  "in QTEMP not changed."});
  EXPECT_EQ(Upload(std::vector<std::uint8_t>(1000, 'x')),
            Lines{"550 Data received is not a valid save file (image is not made of whole 528-byte records); save "
                  "file QSAVF in QTEMP not changed."});
  EXPECT_EQ(Upload(other, UploadEnd::kAborted),
            Lines{"426 Data connection closed before the end; save file QSAVF in QTEMP not changed."});
  temp_.failWrites = true;
  EXPECT_EQ(Upload(other, UploadEnd::kWriteFailed),
            Lines{"451 Local write error (No space left on device); save file QSAVF in QTEMP not changed."});
  EXPECT_EQ(temp_.Content("QSAVF"), image);
}

TEST_F(SessionTest, InstallerJobRunsThrough) {
  LogOn();
  Send("TYPE I");
  EXPECT_EQ(Send("rcmd \"CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)\"")[0].substr(0, 3), "250");
  ASSERT_EQ(Upload(testing::MakeHostObjectImage()), Lines{"250 File transfer completed successfully."});
  EXPECT_EQ(Send("rcmd \"RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) "
                 "RSTLIB(QTEMP)\"")[0]
                .substr(0, 3),
            "250");
  EXPECT_EQ(Send("rcmd \"CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' 'KSUSER')\""),
            Lines{"250 Command CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' 'KSUSER') successful."});
}

// What a job allocates, another job's restore meets, until the job that holds it ends.
TEST_F(SessionTest, LocksGoWithTheJob) {
  LogOn();
  Send("TYPE I");
  Send("rcmd \"CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)\"");
  ASSERT_EQ(Upload(testing::MakeImage("SAVLIB", "SAMPLIB", {{"ORDENTC", "*PGM", "CLP", 10}})),
            Lines{"250 File transfer completed successfully."});
  EXPECT_EQ(Send("rcmd \"RSTLIB SAVLIB(SAMPLIB) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(MYLIB)\"")[0].substr(0, 3), "250");
  EXPECT_EQ(Send("rcmd \"ALCOBJ OBJ((MYLIB/ORDENTC *PGM *EXCL)) WAIT(0)\"")[0].substr(0, 3), "250");
  const std::uint64_t nobody = 0;  // job numbers start at 1
  EXPECT_TRUE(libraries_.locks().HeldByAnotherJob(nobody, "MYLIB", "ORDENTC", "*PGM"));
  session_.reset();
  EXPECT_FALSE(libraries_.locks().HeldByAnotherJob(nobody, "MYLIB", "ORDENTC", "*PGM"));
}

TEST_F(SessionTest, UserWithoutSaveFileAuthority) {
  Send("USER nosavf");
  Send("PASS pw");
  EXPECT_EQ(Send("rcmd \"CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)\""),
            (Lines{"550-Error occurred on command CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)",
                   "550 CPF2189: Not authorized to object CRTSAVF in QSYS type *CMD."}));
}

TEST_F(SessionTest, QtempBelongsToOneConnectionAndOneLogOn) {
  LogOn();
  Send("TYPE I");
  Send("RCMD CRTSAVF FILE(QTEMP/QSAVF)");
  ASSERT_EQ(Upload(testing::MakeHostObjectImage()), Lines{"250 File transfer completed successfully."});
  Send("RCMD RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(QTEMP)");
  const std::string call = "RCMD CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' 'KSUSER')";
  ASSERT_EQ(Send(call)[0].substr(0, 3), "250");

  // A second connection has a QTEMP of its own.
  testing::MemorySaveFiles otherTemp;
  FtpSession other(services_, "127.0.0.1", otherTemp);
  other.Handle("USER ksuser");
  other.Handle("PASS secret");
  EXPECT_EQ(other.Handle(call).replies.back(), "550 CPD0170: Program KV2207C in library QTEMP not found.");
  EXPECT_EQ(other.Handle("RCMD CRTSAVF FILE(QTEMP/QSAVF)").replies[0].substr(0, 3), "250");

  // Logging on again starts a new job.
  LogOn();
  EXPECT_FALSE(temp_.Exists("QSAVF"));
  EXPECT_EQ(Send(call).back(), "550 CPD0170: Program KV2207C in library QTEMP not found.");
}

// A Japanese host: the same session in upper case, the 501 of such a host to OPTS and 226 after
// an upload; the texts the installer looks for are still there once it upper-cases a line.
TEST_F(SessionTest, JapaneseHostAnswersInUpperCase) {
  services_.style = reply::Style::kJapanese;
  libraries_.Create("SAMPLIB");
  EXPECT_EQ(Session().Greeting(),
            (Lines{"220-QTCP AT HOSTSIM.", "220 CONNECTION WILL CLOSE IF IDLE MORE THAN 5 MINUTES."}));
  const std::vector<std::pair<std::string, Lines>> cases = {
      {"OPTS UTF8 ON", {"501 OPTS UNSUCCESSFUL; SPECIFIED SUBCOMMAND NOT RECOGNIZED."}},
      {"USER ksuser", {"331 ENTER PASSWORD."}},
      {"PASS wrong", {"530 LOG ON ATTEMPT BY USER KSUSER REJECTED."}},
      {"USER ksuser", {"331 ENTER PASSWORD."}},
      {"PASS secret", {"230 KSUSER LOGGED ON."}},
      {"TYPE I", {"200 REPRESENTATION TYPE IS BINARY IMAGE."}},
      {"CWD samplib", {"250 \"SAMPLIB\" IS CURRENT LIBRARY."}},
      {"RCMD CRTSAVF FILE(QTEMP/QSAVF)", {"250 COMMAND CRTSAVF FILE(QTEMP/QSAVF) SUCCESSFUL."}},
      {"RCMD CALL PGM(QTEMP/KV2207C)",
       {"550-ERROR OCCURRED ON COMMAND CALL PGM(QTEMP/KV2207C)",
        "550 CPD0170: PROGRAM KV2207C IN LIBRARY QTEMP NOT FOUND."}},
      {"PORT 127,0,0,1,7,208", {"200 PORT SUBCOMMAND REQUEST SUCCESSFUL."}},
      {"STOR QTEMP/QSAVF", {"150 SENDING FILE TO MEMBER QSAVF IN FILE QSAVF IN LIBRARY QTEMP."}},
  };
  for (const auto& [line, expected] : cases) EXPECT_EQ(Send(line), expected) << line;
  EXPECT_EQ(Upload(testing::MakeHostObjectImage()), Lines{"226 FILE TRANSFER COMPLETED SUCCESSFULLY."});
  EXPECT_EQ(Session().Handle("QUIT").replies, Lines{"221 QUIT SUBCOMMAND RECEIVED."});
}

TEST_F(SessionTest, FaultSwitchesOnFtpVerbs) {
  faults_.failCommands = {"CWD", "STOR"};
  LogOn();
  libraries_.Create("SAMPLIB");
  EXPECT_EQ(Send("CWD SAMPLIB"), (Lines{"550-Specified directory does not exist or cannot be accessed.",
                                        "550 Working directory not changed."}));
  EXPECT_EQ(Send("STOR QTEMP/QSAVF"), Lines{"550 Subcommand STOR failed (fault injected)."});
}

// A long reply keeps its code on every line, ends as it did, and lengthens only what it names.
TEST_F(SessionTest, LongRepliesPadTheNamedRepliesOnly) {
  faults_.longReplies = {{"GREETING", 4096}, {"CALL", 100000}, {"CWD", 2048}};
  LogOn();
  libraries_.Create("SAMPLIB");
  const std::pair<Lines, std::string> cases[] = {
      {Session().Greeting(), "220 Connection will close if idle more than 5 minutes."},
      {Send("RCMD CALL PGM(QGPL/NONE)"), ""},
      {Send("SITE RCMD \"CALL PGM(QGPL/NONE)\""), ""},
      {Send("XCWD SAMPLIB"), "250 \"SAMPLIB\" is current library."},
  };
  const std::size_t wanted[] = {4096, 100000, 100000, 2048};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Lines& lines = cases[i].first;
    std::size_t bytes = 0;
    for (const std::string& line : lines) {
      bytes += line.size() + 2;
      EXPECT_EQ(line.substr(0, 3), lines.back().substr(0, 3)) << i;
    }
    EXPECT_GE(bytes, wanted[i]) << i;
    EXPECT_LT(bytes, wanted[i] + 200) << i;
    EXPECT_TRUE(reply::IsPadding(lines[lines.size() - 2])) << i;
    EXPECT_FALSE(reply::IsPadding(lines.back())) << i;
    if (!cases[i].second.empty()) {
      EXPECT_EQ(lines.back(), cases[i].second) << i;
    }
  }
  EXPECT_EQ(Send("TYPE I"), Lines{"200 Representation type is binary IMAGE."});
}

TEST(LoggedFormTest, PasswordsNeverReachTheLog) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"PASS secret", "PASS ****"},
      {"pass  secret with blanks", "PASS ****"},
      {"PASS", "PASS ****"},
      {"USER ksuser", "USER ksuser"},
      {"RCMD CHGUSRPRF USRPRF(X) PASSWORD(TOPSECRET)", "RCMD CHGUSRPRF USRPRF(X) PASSWORD(****)"},
      {"RCMD CHGPWD CURPWD(OLD) NEWPWD(NEW)", "RCMD CHGPWD CURPWD(****) NEWPWD(****)"},
      {"RCMD X password(unclosed", "RCMD X password(****"},
      {std::string("NOOP \x01\x80\\", 8), "NOOP \\x01\\x80\\x5C"},
  };
  for (const auto& [line, logged] : cases) EXPECT_EQ(FtpSession::LoggedForm(line), logged) << line;
}

}  // namespace
}  // namespace hostsim
