// Reading CONFIG.INI, under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "installer/settings.h"

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
  InstallerSettings settings;
  EXPECT_FALSE(LoadSettings("C:\\no\\such\\CONFIG.INI", settings));
  EXPECT_EQ(settings.title, "KESTRALON");
  EXPECT_EQ(settings.productName, "");
}

TEST(LoadSettings, ExeNameIsTrimmedButCaseSensitive) {
  struct Case {
    const char* exeName;
    bool accepted;
  } cases[] = {{"KESTRALON", true}, {"  KESTRALON  ", true}, {"kestralon", false}, {"", false}, {"KESTRALON2", false}};
  for (const Case& c : cases) {
    InstallerSettings settings;
    EXPECT_EQ(LoadSettings(WriteIni(Ini(c.exeName, "製品")), settings), c.accepted) << c.exeName;
    EXPECT_EQ(settings.title, c.accepted ? "製品 アップローダー" : "KESTRALON") << c.exeName;
  }
}

TEST(LoadSettings, ValuesAreTrimmed) {
  InstallerSettings settings;
  ASSERT_TRUE(LoadSettings(WriteIni(Ini("KESTRALON", "  製品A ")), settings));
  EXPECT_EQ(settings.productName, "製品A");
  EXPECT_EQ(settings.saveFilePath, "PRODUCT.SAVF");
  EXPECT_EQ(settings.targetLibrary, "SAMPLIB");
}

TEST(LoadSettings, EmptyProductNameLeavesTheLeadingSpaceInTheTitle) {
  InstallerSettings settings;
  ASSERT_TRUE(LoadSettings(WriteIni(Ini("KESTRALON", "")), settings));
  EXPECT_EQ(settings.title, " アップローダー");
}

TEST(LoadSettings, SeesAtMost1023BytesOfAValue) {
  InstallerSettings settings;
  ASSERT_TRUE(LoadSettings(WriteIni(Ini("KESTRALON", std::string(1500, 'P'))), settings));
  EXPECT_EQ(settings.productName, std::string(1023, 'P'));
}

}  // namespace
