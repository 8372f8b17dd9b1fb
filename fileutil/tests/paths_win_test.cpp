// The Win32 path services, run under Wine against a private TEMP.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "fileutil/paths.h"

namespace {

std::string ScratchDirectory(const char* name) {
  char base[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, base);
  const std::string path = std::string(base) + name;
  CreateDirectoryA(path.c_str(), nullptr);
  return path;
}

void Touch(const std::string& path) { std::ofstream(path) << "x"; }

// Keeps TEMP as it was for the other tests.
class TempVariable {
 public:
  TempVariable() {
    char value[1024] = {};
    had_ = GetEnvironmentVariableA("TEMP", value, sizeof value) > 0;
    saved_ = value;
  }
  ~TempVariable() { SetEnvironmentVariableA("TEMP", had_ ? saved_.c_str() : nullptr); }
  void Set(const char* value) const { SetEnvironmentVariableA("TEMP", value); }

 private:
  bool had_ = false;
  std::string saved_;
};

TEST(GetTempDirectory, AddsOneBackslashAndFailsWithoutAUsableValue) {
  TempVariable temp;
  std::string out = "stale";
  temp.Set("C:\\Temp");
  EXPECT_EQ(GetTempDirectory(out), 1);
  EXPECT_EQ(out, "C:\\Temp\\");
  temp.Set("C:\\Temp\\");
  EXPECT_EQ(GetTempDirectory(out), 1);
  EXPECT_EQ(out, "C:\\Temp\\");
  for (const char* unusable : {static_cast<const char*>(nullptr), ""}) {
    temp.Set(unusable);
    EXPECT_EQ(GetTempDirectory(out), 0);
    EXPECT_EQ(out, "");
  }
  const std::string tooLong = "C:\\" + std::string(300, 'a');
  temp.Set(tooLong.c_str());
  EXPECT_EQ(GetTempDirectory(out), 0) << "a cut TEMP would name another directory";
  EXPECT_EQ(out, "");
}

TEST(ProbePath, TellsFilesFromDirectories) {
  const std::string dir = ScratchDirectory("probe");
  Touch(dir + "\\file.txt");
  EXPECT_EQ(ProbePath((dir + "\\file.txt").c_str()), 1);
  EXPECT_EQ(ProbePath(dir.c_str()), 2);
  EXPECT_EQ(ProbePath((dir + "\\missing").c_str()), 0);
  EXPECT_EQ(ProbePath(nullptr), 0);
  EXPECT_EQ(ProbePath((dir + "\\").c_str()), 0);
}

TEST(CreateWorkDirectory, SkipsTakenNamesAndCreatesTheNextFree) {
  TempVariable temp;
  const std::string dir = ScratchDirectory("work-skip");
  CreateDirectoryA((dir + "\\ZEMO0000").c_str(), nullptr);
  Touch(dir + "\\ZEMO0001");
  temp.Set(dir.c_str());
  const std::string made = CreateWorkDirectory();
  EXPECT_EQ(made, dir + "\\ZEMO0002");
  EXPECT_EQ(ProbePath(made.c_str()), 2);
  RemoveDirectoryA(made.c_str());
}

TEST(CreateWorkDirectory, CreatesNothingWithoutTemp) {
  TempVariable temp;
  temp.Set(nullptr);
  EXPECT_EQ(CreateWorkDirectory(), "");
  temp.Set(("C:\\" + std::string(300, 'a')).c_str());
  EXPECT_EQ(CreateWorkDirectory(), "");
}

TEST(CreateWorkDirectory, GivesUpWhenAllNamesAreTaken) {
  TempVariable temp;
  const std::string dir = ScratchDirectory("work-full");
  for (int n = 0; n <= 9999; ++n) {
    char name[16];
    std::snprintf(name, sizeof name, "\\ZEMO%04d", n);
    const std::string path = dir + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
  }
  temp.Set(dir.c_str());
  EXPECT_EQ(CreateWorkDirectory(), "");
}

// What a killed run left is removed; anything that may be someone else's stays exactly as it is.
TEST(RemoveStaleWorkDirectories, RemovesOnlyFoldersOfJobFiles) {
  TempVariable temp;
  const std::string dir = ScratchDirectory("stale");
  const auto make = [&](const char* folder, std::initializer_list<const char*> files) {
    CreateDirectoryA((dir + "\\" + folder).c_str(), nullptr);
    for (const char* file : files) Touch(dir + "\\" + folder + "\\" + file);
  };
  make("ZEMO0000", {"DOSCMD.BAT", "FTPCMD.BAT", "FTPLOG.LOG", "QSAVF.DAT"});
  make("ZEMO0001", {});
  make("ZEMO0002", {"FTPCMD.BAT", "NOTES.TXT"});
  make("ZEMO0003", {"ftpcmd.bat"});
  CreateDirectoryA((dir + "\\ZEMO0003\\SUB").c_str(), nullptr);
  make("ZEMO0004", {"FTPCMD.BAT", "FTPLOG.LOG"});
  make("ZEMOXXXX", {"FTPCMD.BAT"});
  // A log another process still writes stays, and so does its folder.
  const HANDLE held = CreateFileA((dir + "\\ZEMO0004\\FTPLOG.LOG").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  temp.Set(dir.c_str());
  RemoveStaleWorkDirectories();
  CloseHandle(held);
  EXPECT_EQ(ProbePath((dir + "\\ZEMO0000").c_str()), 0);
  EXPECT_EQ(ProbePath((dir + "\\ZEMO0001").c_str()), 0);
  EXPECT_EQ(ProbePath((dir + "\\ZEMO0002\\FTPCMD.BAT").c_str()), 1);
  EXPECT_EQ(ProbePath((dir + "\\ZEMO0002\\NOTES.TXT").c_str()), 1);
  EXPECT_EQ(ProbePath((dir + "\\ZEMO0003\\ftpcmd.bat").c_str()), 1);
  EXPECT_EQ(ProbePath((dir + "\\ZEMO0004\\FTPCMD.BAT").c_str()), 0);
  EXPECT_EQ(ProbePath((dir + "\\ZEMO0004\\FTPLOG.LOG").c_str()), 1);
  EXPECT_EQ(ProbePath((dir + "\\ZEMOXXXX\\FTPCMD.BAT").c_str()), 1);
}

// GetModuleDirectory is about the running executable, so a copy of a small probe program runs
// under a file name whose double-byte character has the trail byte 0x5C.
TEST(GetModuleDirectory, IgnoresATrailByteThatLooksLikeABackslash) {
  char self[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string probe(self);
  probe = probe.substr(0, probe.rfind('\\') + 1) + "module_dir_probe.exe";
  const std::string dir = ScratchDirectory("module-dir");
  const std::string copy = dir + "\\\x95\x5C.exe";  // 表.exe
  ASSERT_TRUE(CopyFileA(probe.c_str(), copy.c_str(), FALSE));
  const std::string output = dir + "\\out.txt";
  std::string command = "\"" + copy + "\" \"" + output + "\"";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  ASSERT_EQ(WaitForSingleObject(process.hProcess, 30000), WAIT_OBJECT_0);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::string printed;
  std::getline(std::ifstream(output), printed);
  EXPECT_EQ(printed, dir + "\\");
}

}  // namespace
