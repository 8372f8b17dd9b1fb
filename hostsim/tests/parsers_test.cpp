// The parsers that see client input first: control lines, CL command text, FTP paths, users.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostsim/core/cl_parser.h"
#include "hostsim/core/line_assembler.h"
#include "hostsim/core/object_names.h"
#include "hostsim/core/users.h"

namespace hostsim {
namespace {

std::vector<std::string> Drain(LineAssembler& lines) {
  std::vector<std::string> out;
  std::string line;
  for (LineAssembler::Kind kind; (kind = lines.Next(line)) != LineAssembler::Kind::kNone;) {
    out.push_back(kind == LineAssembler::Kind::kTooLong ? "<too long>" : line);
  }
  return out;
}

TEST(LineAssemblerTest, LinesInPiecesAndOverlongLines) {
  LineAssembler lines(10);
  lines.Feed("USER a\r\nPA", 10);
  EXPECT_EQ(Drain(lines), std::vector<std::string>{"USER a"});
  EXPECT_EQ(lines.Pending(), 2u);
  lines.Feed("SS b\n\r\n", 7);
  EXPECT_EQ(Drain(lines), (std::vector<std::string>{"PASS b", ""}));
  const std::string longLine = std::string(25, 'x') + "\r\nNOOP\r\n";
  lines.Feed(longLine.data(), 12);  // cut in the middle of the long line
  lines.Feed(longLine.data() + 12, longLine.size() - 12);
  EXPECT_EQ(Drain(lines), (std::vector<std::string>{"<too long>", "NOOP"}));
  lines.Feed("0123456789\n", 11);  // exactly the limit
  EXPECT_EQ(Drain(lines), std::vector<std::string>{"0123456789"});
  EXPECT_EQ(lines.Pending(), 0u);
}

std::string Describe(const ClParseResult& result) {
  if (!result.ok) return "error " + result.messageId;
  std::string text = result.command.name;
  for (const ClParameter& p : result.command.parameters) {
    text += " " + (p.keyword.empty() ? std::string("_") : p.keyword) + "[";
    for (std::size_t i = 0; i < p.elements.size(); ++i) {
      text += (i ? "|" : "") + std::string(p.elements[i].quoted ? "'" : "") + p.elements[i].text;
    }
    text += "]";
  }
  return text;
}

TEST(ClParserTest, Commands) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)", "CRTSAVF FILE[QTEMP/QSAVF] AUT[*ALL]"},
      {"  crtsavf   file( qtemp/qsavf )  ", "CRTSAVF FILE[QTEMP/QSAVF]"},
      {"QSYS/CRTSAVF QTEMP/QSAVF", "CRTSAVF _[QTEMP/QSAVF]"},
      {"CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' ' My Lib ' 'USER')",
       "CALL PGM[QTEMP/KV2207C] PARM['QSAVF|'QTEMP|' My Lib |'USER]"},
      {"CALL X PARM('it''s' '')", "CALL _[X] PARM['it's|']"},
      {"RSTOBJ OBJ((A *PGM) B) SAVLIB(L)", "RSTOBJ OBJ[(A *PGM)|B] SAVLIB[L]"},
      {"CRTLIB LIB(A) TEXT('a (b) c')", "CRTLIB LIB[A] TEXT['a (b) c]"},
      {"CMD KEY()", "CMD KEY[]"},
      {"CRTSAVF FILE(QTEMP/QSAVF", "error CPD0013"},
      {"CRTSAVF FILE(QTEMP/QSAVF))", "error CPD0013"},
      {"CALL PGM(X) PARM('unterminated)", "error CPD0013"},
      {"CALL 'unterminated", "error CPD0013"},
      {"(X)", "error CPD0020"},
      {"", "error CPD0020"},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Describe(ParseClCommand(text)), expected) << text;
}

std::string Describe(const std::optional<FtpPath>& path) {
  if (!path) return "invalid";
  switch (path->kind) {
    case FtpPath::Kind::kRoot:
      return "root";
    case FtpPath::Kind::kLibrary:
      return "library " + path->library;
    case FtpPath::Kind::kObject:
      return "object " + path->library + "/" + path->object + " " + path->type;
  }
  return "";
}

TEST(FtpPathTest, ObjectAndDirectoryNames) {
  const std::vector<std::pair<std::string, std::string>> objects = {
      {"/QSYS.LIB/QTEMP.LIB/QSAVF.FILE", "object QTEMP/QSAVF *FILE"},
      {"/qsys.lib/qtemp.lib/qsavf.file", "object QTEMP/QSAVF *FILE"},
      {"QSYS.LIB/QTEMP.LIB/QSAVF.FILE", "object QTEMP/QSAVF *FILE"},
      {"QTEMP/QSAVF", "object QTEMP/QSAVF "},
      {"QSAVF.FILE", "object /QSAVF *FILE"},
      {"QSAVF", "object /QSAVF "},
      {"/QSYS.LIB/QTEMP.LIB/QSAVF.FILE/MBR.MBR", "invalid"},
      {"/etc/passwd", "invalid"},
      {"../QSAVF", "invalid"},
      {"QTEMP/TOOLONGNAME1", "invalid"},
      {"", "invalid"},
  };
  for (const auto& [text, expected] : objects) EXPECT_EQ(Describe(ParseFtpObjectPath(text)), expected) << text;
  const std::vector<std::pair<std::string, std::string>> directories = {
      {"SAMPLIB", "library SAMPLIB"},
      {"/QSYS.LIB/SAMPLIB.LIB", "library SAMPLIB"},
      {"samplib.lib", "library SAMPLIB"},
      {"/QSYS.LIB/SAMPLIB.LIB/", "library SAMPLIB"},
      {"/QSYS.LIB", "root"},
      {"/", "root"},
      {"..", "root"},
      {"QSYS.LIB", "root"},
      {"", "invalid"},
      {"A/B", "invalid"},
      {"/home", "invalid"},
      {" SAMPLIB ", "library SAMPLIB"},
  };
  for (const auto& [text, expected] : directories) EXPECT_EQ(Describe(ParseFtpDirectoryPath(text)), expected) << text;
}

TEST(UsersTest, FileFormatAndLogOn) {
  const UsersResult parsed = ParseUsers(
      "# name password authorities\n"
      "qsecofr SECRET crtsavf,restore\n"
      "\n"
      "NOSAVF pw restore\n"
      "NOREST pw crtsavf\n"
      "NOBODY pw none\n");
  ASSERT_TRUE(parsed.ok) << parsed.error;
  ASSERT_EQ(parsed.users.size(), 4u);
  EXPECT_EQ(parsed.users[0].name, "QSECOFR");
  EXPECT_TRUE(parsed.users[0].mayCreateSaveFiles && parsed.users[0].mayRestore);
  EXPECT_FALSE(parsed.users[1].mayCreateSaveFiles);
  EXPECT_FALSE(parsed.users[2].mayRestore);
  EXPECT_FALSE(parsed.users[3].mayCreateSaveFiles || parsed.users[3].mayRestore);

  EXPECT_TRUE(Authenticate(parsed.users, "QSECOFR", "secret"));
  EXPECT_TRUE(Authenticate(parsed.users, "qsecofr", "SECRET"));
  EXPECT_FALSE(Authenticate(parsed.users, "QSECOFR", "SECRE"));
  EXPECT_FALSE(Authenticate(parsed.users, "QSECOFR", ""));
  EXPECT_FALSE(Authenticate(parsed.users, "UNKNOWN", "pw"));

  const std::vector<std::pair<std::string, std::string>> bad = {
      {"A pw\n", "line 1: expected"},
      {"A pw restore extra\n", "line 1: expected"},
      {"# c\nA pw write\n", "line 2: authorities"},
      {"../X pw none\n", "line 1: '../X' is not a valid user name"},
      {"A pw none\na pw none\n", "line 2: user A given twice"},
  };
  for (const auto& [text, error] : bad) {
    const UsersResult result = ParseUsers(text);
    EXPECT_FALSE(result.ok) << text;
    EXPECT_NE(result.error.find(error), std::string::npos) << result.error;
  }
}

}  // namespace
}  // namespace hostsim
