// Reading CONFIG.INI, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "installer/installer_dialog.h"

namespace {

std::string WriteIni(const std::string& body) {
  char base[MAX_PATH + 1] = {};
  GetTempPathA(MAX_PATH, base);
  const std::string path = std::string(base) + "settings_test.ini";
  std::ofstream(path, std::ios::binary) << body;
  return path;
}

std::string Ini(const std::string& exeName, const std::string& productName) {
  return "[Profile]\r\nExeName=" + exeName + "\r\n[Settings]\r\nProductName=" + productName +
         "\r\nSaveFile= PRODUCT.SAVF \r\nTargetLibrary=\tSAMPLIB\r\n";
}

TEST(LoadSettings, MissingFileIsRefusedAndKeepsTheAppTitle) {
  InstallerDialog dialog;
  EXPECT_FALSE(dialog.LoadSettings("C:\\no\\such\\CONFIG.INI"));
  EXPECT_EQ(dialog.title, "KESTRALON");
  EXPECT_EQ(dialog.productName, "");
}

TEST(LoadSettings, ExeNameIsTrimmedButCaseSensitive) {
  struct Case {
    const char* exeName;
    bool accepted;
  } cases[] = {{"KESTRALON", true}, {"  KESTRALON  ", true}, {"kestralon", false}, {"", false}, {"KESTRALON2", false}};
  for (const Case& c : cases) {
    InstallerDialog dialog;
    EXPECT_EQ(dialog.LoadSettings(WriteIni(Ini(c.exeName, "製品"))), c.accepted) << c.exeName;
    EXPECT_EQ(dialog.title, c.accepted ? "製品 アップローダー" : "KESTRALON") << c.exeName;
  }
}

TEST(LoadSettings, ValuesAreTrimmed) {
  InstallerDialog dialog;
  ASSERT_TRUE(dialog.LoadSettings(WriteIni(Ini("KESTRALON", "  製品A "))));
  EXPECT_EQ(dialog.productName, "製品A");
  EXPECT_EQ(dialog.saveFilePath, "PRODUCT.SAVF");
  EXPECT_EQ(dialog.targetLibrary, "SAMPLIB");
}

TEST(LoadSettings, EmptyProductNameLeavesTheLeadingSpaceInTheTitle) {
  InstallerDialog dialog;
  ASSERT_TRUE(dialog.LoadSettings(WriteIni(Ini("KESTRALON", ""))));
  EXPECT_EQ(dialog.title, " アップローダー");
}

TEST(LoadSettings, SeesAtMost1023BytesOfAValue) {
  InstallerDialog dialog;
  ASSERT_TRUE(dialog.LoadSettings(WriteIni(Ini("KESTRALON", std::string(1500, 'P')))));
  EXPECT_EQ(dialog.productName, std::string(1023, 'P'));
}

}  // namespace
