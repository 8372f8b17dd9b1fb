// The CL commands the installer sends, and the ways each one fails, run against in-memory storage.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/core/cl_simulator.h"
#include "hostsim/testsupport/memory_storage.h"

namespace hostsim {
namespace {

using testing::MakeHostObjectImage;
using testing::MakeImage;

const std::vector<savf::SavedObject> kProductObjects = {
    {"ORDENTC", "*PGM", "CLP", 300}, {"ORDENTR", "*PGM", "RPGLE", 5000}, {"ORDHDR", "*FILE", "PF", 1000}};

const char kCreate[] = "CRTSAVF FILE(QTEMP/QSAVF) AUT(*ALL)";
const char kRestoreHostObject[] =
    "RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(QTEMP)";
const char kRestoreProduct[] =
    "RSTLIB SAVLIB(SAMPLIB) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(MYLIB)";
const char kCallOnQtemp[] = "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP' 'KSUSER')";
const char kCallOnMylib[] = "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'MYLIB' 'KSUSER')";

class Host {
 public:
  Host() : simulator_(libraries_, faults_) { SetUser(true, true); }

  ClOutcome Run(const std::string& command) { return simulator_.Run(*job_, command); }
  void Must(const std::string& command) {
    const ClOutcome outcome = Run(command);
    ASSERT_TRUE(outcome.ok) << command << ": " << (outcome.messages.empty() ? "" : outcome.messages.back().text);
  }
  // As CRTSAVF and a put would leave it: created now, unless it was there already.
  void SaveFileHolds(std::vector<std::uint8_t> image) {
    if (saveFiles_.Create("QSAVF")) job_->NoteSaveFileCreated("QSAVF");
    saveFiles_.Put("QSAVF", std::move(image));
  }
  void HostObjectRestored() {
    SaveFileHolds(MakeHostObjectImage());
    Must(kRestoreHostObject);
  }
  void ProductRestored() {
    HostObjectRestored();
    saveFiles_.Put("QSAVF", MakeImage("SAVLIB", "SAMPLIB", kProductObjects));
    Must(kRestoreProduct);
  }
  void SetUser(bool mayCreateSaveFiles, bool mayRestore) {
    job_.emplace(UserProfile{"KSUSER", "PW", mayCreateSaveFiles, mayRestore}, saveFiles_);
  }
  // A later connection: a job of its own with an empty QTEMP; the libraries stay.
  void NewJob() {
    saveFiles_.DeleteAll();
    SetUser(true, true);
  }
  // The installation into MYLIB over a library an earlier job restored: the host object and the
  // product in this job, as the installer sends them; the outcome of the product's restore.
  ClOutcome ReinstallProduct() {
    ProductRestored();
    NewJob();
    HostObjectRestored();
    saveFiles_.Put("QSAVF", MakeImage("SAVLIB", "SAMPLIB", kProductObjects));
    return Run(kRestoreProduct);
  }
  bool InTemp(const std::string& name) {
    for (const auto& object : job_->TempLibraryObjects()) {
      if (object.name == name) return true;
    }
    return false;
  }
  std::vector<std::string> LibraryNames(const std::string& library) {
    std::vector<std::string> names;
    for (const auto& object : libraries_.Objects(library).value_or(std::vector<savf::SavedObject>{})) {
      names.push_back(object.name);
    }
    return names;
  }

  testing::MemorySaveFiles saveFiles_;
  testing::MemoryLibraries libraries_;
  FaultSwitches faults_;
  std::optional<HostJob> job_;
  ClSimulator simulator_;
};

struct Case {
  const char* what;
  std::function<void(Host&)> setup;
  std::string command;
  const char* messageId;  // nullptr: the command succeeds
  std::function<void(Host&)> check;
};

void Nothing(Host&) {}

void RunCases(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Host host;
    c.setup(host);
    const ClOutcome outcome = host.Run(c.command);
    if (c.messageId == nullptr) {
      EXPECT_TRUE(outcome.ok) << (outcome.messages.empty() ? "" : outcome.messages.back().text);
    } else {
      EXPECT_FALSE(outcome.ok);
      ASSERT_FALSE(outcome.messages.empty());
      EXPECT_EQ(outcome.messages.back().id, c.messageId) << outcome.messages.back().text;
    }
    if (c.check) c.check(host);
  }
}

TEST(ClSimulatorTest, SaveFileCommands) {
  RunCases({
      {"create", Nothing, kCreate, nullptr, [](Host& h) { EXPECT_TRUE(h.saveFiles_.Exists("QSAVF")); }},
      {"create positionally", Nothing, "crtsavf qtemp/qsavf", nullptr,
       [](Host& h) { EXPECT_TRUE(h.saveFiles_.Exists("QSAVF")); }},
      {"create twice", [](Host& h) { h.Must(kCreate); }, kCreate, "CPF7302", nullptr},
      {"create without authority", [](Host& h) { h.SetUser(false, true); }, kCreate, "CPF2189",
       [](Host& h) { EXPECT_FALSE(h.saveFiles_.Exists("QSAVF")); }},
      {"create in a missing library", Nothing, "CRTSAVF FILE(NOLIB/QSAVF)", "CPF2110", nullptr},
      {"create in a permanent library", [](Host& h) { h.libraries_.Create("MYLIB"); }, "CRTSAVF FILE(MYLIB/QSAVF)",
       "CPF7302", nullptr},
      {"create unqualified goes to the current library", Nothing, "CRTSAVF FILE(QSAVF)", "CPF2110", nullptr},
      {"name not valid", Nothing, "CRTSAVF FILE(QTEMP/1SAVF)", "CPD0084", nullptr},
      {"unknown keyword", Nothing, "CRTSAVF FILE(QTEMP/QSAVF) COLOUR(RED)", "CPD0043", nullptr},
      {"keyword twice", Nothing, "CRTSAVF FILE(QTEMP/A) FILE(QTEMP/B)", "CPD0044", nullptr},
      {"file missing", Nothing, "CRTSAVF AUT(*ALL)", "CPD0071", nullptr},
      {"unmatched parenthesis", Nothing, "CRTSAVF FILE(QTEMP/QSAVF", "CPD0013", nullptr},
      {"clear", [](Host& h) { h.SaveFileHolds(MakeHostObjectImage()); }, "CLRSAVF FILE(QTEMP/QSAVF)", nullptr,
       [](Host& h) { EXPECT_TRUE(h.saveFiles_.Content("QSAVF").empty()); }},
      {"clear a missing save file", Nothing, "CLRSAVF FILE(QTEMP/QSAVF)", "CPF9812", nullptr},
  });
}

TEST(ClSimulatorTest, RestoreObjectsIntoQtemp) {
  auto hostObject = [](Host& h) { h.SaveFileHolds(MakeHostObjectImage()); };
  RunCases({
      {"all objects", hostObject, kRestoreHostObject, nullptr,
       [](Host& h) {
         for (const char* name : {"KV2207C", "KV2207R1"}) {
           EXPECT_TRUE(h.InTemp(name)) << name;
         }
       }},
      {"user may not restore",
       [&](Host& h) {
         hostObject(h);
         h.SetUser(true, false);
       },
       kRestoreHostObject, "CPF2189", [](Host& h) { EXPECT_FALSE(h.InTemp("KV2207C")); }},
      {"empty save file", [](Host& h) { h.saveFiles_.Create("QSAVF"); }, kRestoreHostObject, "CPF3707", nullptr},
      {"damaged image",
       [](Host& h) {
         std::vector<std::uint8_t> image = MakeHostObjectImage();
         image[image.size() - 600] ^= 1;
         h.SaveFileHolds(image);
       },
       kRestoreHostObject, "CPF3743", [](Host& h) { EXPECT_FALSE(h.InTemp("KV2207C")); }},
      {"not an image", [](Host& h) { h.SaveFileHolds(std::vector<std::uint8_t>(1056, 'x')); }, kRestoreHostObject,
       "CPF3743", nullptr},
      {"saved library does not match", hostObject,
       "RSTOBJ OBJ(*ALL) SAVLIB(SAMPLIB) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(QTEMP)", "CPF3781", nullptr},
      {"tape device", hostObject, "RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(TAP01)", "CPF9814", nullptr},
      {"no save file named", hostObject, "RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF)", "CPD0071", nullptr},
      {"save file missing", hostObject, "RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/OTHER) RSTLIB(QTEMP)",
       "CPF9812", nullptr},
      {"target library missing", hostObject,
       "RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(NOLIB)", "CPF2110", nullptr},
      {"release later than the host",
       [](Host& h) {
         h.SaveFileHolds(MakeImage("SAVOBJ", "QTEMP", {{"A", "*PGM", "CLP", 10}}, "V9R9M9"));
       },
       "RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF)", "CPF3709", nullptr},
      {"one object by name", hostObject, "RSTOBJ OBJ(KV2207C) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(QTEMP)",
       nullptr,
       [](Host& h) {
         EXPECT_TRUE(h.InTemp("KV2207C"));
         EXPECT_FALSE(h.InTemp("KV2207R1"));
       }},
      {"generic name and type", hostObject,
       "RSTOBJ OBJ(KV2207R*) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) OBJTYPE(*PGM)", nullptr,
       [](Host& h) {
         EXPECT_TRUE(h.InTemp("KV2207R1"));
         EXPECT_FALSE(h.InTemp("KV2207C"));
       }},
      {"generic name, another type", hostObject,
       "RSTOBJ OBJ(KV2207*) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF) OBJTYPE(*FILE)", "CPF3780", nullptr},
      {"nothing selected", hostObject, "RSTOBJ OBJ(NONE) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF)", "CPF3780",
       nullptr},
      {"lost object",
       [&](Host& h) {
         hostObject(h);
         h.faults_.loseObject = "KV2207R1";
       },
       kRestoreHostObject, nullptr,
       [](Host& h) {
         EXPECT_FALSE(h.InTemp("KV2207R1"));
         EXPECT_TRUE(h.InTemp("KV2207C"));
       }},
      {"differences refused without ALWOBJDIF(*ALL)",
       [&](Host& h) {
         hostObject(h);
         h.job_->tempObjects().push_back({"KV2207C", "*PGM", "RPGLE", 1});
       },
       "RSTOBJ OBJ(*ALL) SAVLIB(QTEMP) DEV(*SAVF) SAVF(QTEMP/QSAVF)", "CPF3773",
       [](Host& h) { EXPECT_TRUE(h.InTemp("KV2207R1")); }},
  });
}

TEST(ClSimulatorTest, RestoreLibrary) {
  auto product = [](Host& h) { h.SaveFileHolds(MakeImage("SAVLIB", "SAMPLIB", kProductObjects)); };
  RunCases({
      {"into a new library", product, kRestoreProduct, nullptr,
       [](Host& h) {
         EXPECT_EQ(h.LibraryNames("MYLIB"), (std::vector<std::string>{"ORDENTC", "ORDENTR", "ORDHDR"}));
         const std::vector<std::uint8_t> image = MakeImage("SAVLIB", "SAMPLIB", kProductObjects);
         savf::MemorySource source(image);
         const savf::ReadResult read = savf::ReadImage(source);
         const auto& item = read.info.objects[1];
         const std::vector<std::uint8_t> want(image.begin() + static_cast<long>(item.contentOffset),
                                              image.begin() + static_cast<long>(item.contentOffset + item.object.size));
         EXPECT_EQ(h.libraries_.Content("MYLIB", "ORDENTR"), want);
       }},
      {"into the saved library by default", product, "RSTLIB SAVLIB(SAMPLIB) DEV(*SAVF) SAVF(QTEMP/QSAVF)", nullptr,
       [](Host& h) { EXPECT_EQ(h.LibraryNames("SAMPLIB").size(), 3u); }},
      {"replacing an existing library keeps its other objects",
       [&](Host& h) {
         h.SaveFileHolds(
             MakeImage("SAVLIB", "SAMPLIB", {{"ORDENTR", "*PGM", "RPGLE", 10}, {"OLDPGM", "*PGM", "CLP", 10}}));
         h.Must(kRestoreProduct);
         product(h);
       },
       kRestoreProduct, nullptr,
       [](Host& h) {
         EXPECT_EQ(h.LibraryNames("MYLIB"), (std::vector<std::string>{"ORDENTR", "OLDPGM", "ORDENTC", "ORDHDR"}));
         EXPECT_EQ(h.libraries_.Objects("MYLIB")->at(0).size, 5000u);
       }},
      {"saved library does not match", product, "RSTLIB SAVLIB(OTHER) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(MYLIB)",
       "CPF3781", [](Host& h) { EXPECT_FALSE(h.libraries_.Exists("MYLIB")); }},
      {"into QTEMP", product, "RSTLIB SAVLIB(SAMPLIB) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB(QTEMP)", "CPF3805", nullptr},
      {"target name quoted in lower case", product,
       "RSTLIB SAVLIB(SAMPLIB) DEV(*SAVF) SAVF(QTEMP/QSAVF) RSTLIB('mylib')", "CPD0084", nullptr},
      {"blanks around the target name", product,
       "RSTLIB SAVLIB(SAMPLIB) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*ALL) ALWOBJDIF(*ALL) RSTLIB(  MYLIB )", nullptr,
       [](Host& h) { EXPECT_TRUE(h.libraries_.Exists("MYLIB")); }},
      {"user may not restore",
       [&](Host& h) {
         product(h);
         h.SetUser(true, false);
       },
       kRestoreProduct, "CPF2189", [](Host& h) { EXPECT_FALSE(h.libraries_.Exists("MYLIB")); }},
      {"storage fails",
       [&](Host& h) {
         product(h);
         h.libraries_.failRestores = true;
       },
       kRestoreProduct, "CPF3794", [](Host& h) { EXPECT_FALSE(h.libraries_.Exists("MYLIB")); }},
      {"bad MBROPT", product, "RSTLIB SAVLIB(SAMPLIB) DEV(*SAVF) SAVF(QTEMP/QSAVF) MBROPT(*SOME)", "CPD0084", nullptr},
  });
}

// An object another job has in use cannot be replaced: the old one stays, the others are
// restored, and the restore ends with CPF3773.
TEST(ClSimulatorTest, RestoreMeetsObjectsInUse) {
  const std::vector<savf::SavedObject> older = {{"ORDENTR", "*PGM", "RPGLE", 10}, {"ORDENTC", "*PGM", "CLP", 10}};
  auto olderLibrary = [older](Host& h) {
    h.SaveFileHolds(MakeImage("SAVLIB", "SAMPLIB", older));
    h.Must(kRestoreProduct);
    h.saveFiles_.Put("QSAVF", MakeImage("SAVLIB", "SAMPLIB", kProductObjects));
  };
  auto sizeOf = [](Host& h, const std::string& name) {
    const std::optional<std::vector<savf::SavedObject>> objects = h.libraries_.Objects("MYLIB");
    for (const auto& o : objects.value_or(std::vector<savf::SavedObject>{})) {
      if (o.name == name) return o.size;
    }
    return std::uint64_t{0};
  };
  RunCases({
      {"the fault switch's object",
       [&](Host& h) {
         olderLibrary(h);
         h.faults_.objectInUse = "ORDENTR";
       },
       kRestoreProduct, "CPF3773",
       [&](Host& h) {
         EXPECT_EQ(sizeOf(h, "ORDENTR"), 10u);
         EXPECT_EQ(sizeOf(h, "ORDENTC"), 300u);
         EXPECT_EQ(sizeOf(h, "ORDHDR"), 1000u);
       }},
      {"an object allocated to another job",
       [&](Host& h) {
         olderLibrary(h);
         h.libraries_.locks().Allocate(h.job_->number() + 1, "MYLIB", "ORDENTC", "*PGM");
       },
       kRestoreProduct, "CPF3773",
       [&](Host& h) {
         EXPECT_EQ(sizeOf(h, "ORDENTC"), 10u);
         EXPECT_EQ(sizeOf(h, "ORDENTR"), 5000u);
       }},
      {"a lock of the restoring job itself",
       [&](Host& h) {
         olderLibrary(h);
         h.libraries_.locks().Allocate(h.job_->number(), "MYLIB", "ORDENTC", "*PGM");
       },
       kRestoreProduct, nullptr, [&](Host& h) { EXPECT_EQ(sizeOf(h, "ORDENTC"), 300u); }},
      {"a lock on an object of the same name and another type",
       [&](Host& h) {
         olderLibrary(h);
         h.libraries_.locks().Allocate(h.job_->number() + 1, "MYLIB", "ORDENTC", "*FILE");
       },
       kRestoreProduct, nullptr, nullptr},
      {"an object the library does not hold yet is nobody's",
       [](Host& h) {
         h.faults_.objectInUse = "ORDHDR";
         h.SaveFileHolds(MakeImage("SAVLIB", "SAMPLIB", kProductObjects));
       },
       kRestoreProduct, nullptr, [&](Host& h) { EXPECT_EQ(sizeOf(h, "ORDHDR"), 1000u); }},
  });
}

TEST(ClSimulatorTest, VerificationProgram) {
  auto hostObject = [](Host& h) { h.HostObjectRestored(); };
  auto product = [](Host& h) { h.ProductRestored(); };
  RunCases({
      {"host object checks itself in QTEMP", hostObject, kCallOnQtemp, nullptr, nullptr},
      {"program not restored", [](Host& h) { h.SaveFileHolds(MakeHostObjectImage()); }, kCallOnQtemp, "CPD0170",
       nullptr},
      {"restore refused, so the call fails too",
       [](Host& h) {
         h.SetUser(true, false);
         h.SaveFileHolds(MakeHostObjectImage());
         EXPECT_FALSE(h.Run(kRestoreHostObject).ok);
       },
       kCallOnQtemp, "CPD0170", nullptr},
      {"companion lost in the restore",
       [](Host& h) {
         h.faults_.loseObject = "KV2207R1";
         h.HostObjectRestored();
       },
       kCallOnQtemp, "CPF9898", nullptr},
      {"product complete in the library", product, kCallOnMylib, nullptr, nullptr},
      {"library name with trailing blanks", product,
       "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'MYLIB   ' 'KSUSER')", nullptr, nullptr},
      {"library name with a leading blank", product, "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' ' MYLIB' 'KSUSER')",
       "CPF9898", nullptr},
      {"object lost in the product restore",
       [](Host& h) {
         h.HostObjectRestored();
         h.faults_.loseObject = "ORDHDR";
         h.saveFiles_.Put("QSAVF", MakeImage("SAVLIB", "SAMPLIB", kProductObjects));
         h.Must(kRestoreProduct);
       },
       kCallOnMylib, "CPF9898", nullptr},
      {"target library missing",
       [](Host& h) {
         h.HostObjectRestored();
         h.saveFiles_.Put("QSAVF", MakeImage("SAVLIB", "SAMPLIB", kProductObjects));
       },
       kCallOnMylib, "CPF9898", nullptr},
      {"save file emptied",
       [](Host& h) {
         h.ProductRestored();
         h.saveFiles_.Clear("QSAVF");
       },
       kCallOnMylib, "CPF9898", nullptr},
      // Arrived means restored by this job since the save file was made, not merely there.
      {"reinstalled over a library an earlier job restored", [](Host& h) { EXPECT_TRUE(h.ReinstallProduct().ok); },
       kCallOnMylib, nullptr, nullptr},
      {"an object in use kept its old version",
       [](Host& h) {
         h.faults_.objectInUse = "ORDENTR";
         EXPECT_EQ(h.ReinstallProduct().messages.back().id, "CPF3773");
       },
       kCallOnMylib, "CPF9898", nullptr},
      {"the library as an earlier job left it, nothing restored now",
       [](Host& h) {
         h.ProductRestored();
         h.NewJob();
         h.HostObjectRestored();
         h.saveFiles_.Put("QSAVF", MakeImage("SAVLIB", "SAMPLIB", kProductObjects));
       },
       kCallOnMylib, "CPF9898", nullptr},
      {"restored before the save file was made",
       [](Host& h) {
         h.ProductRestored();
         h.saveFiles_.DeleteAll();
         h.SaveFileHolds(MakeImage("SAVLIB", "SAMPLIB", kProductObjects));
       },
       kCallOnMylib, "CPF9898", nullptr},
      {"three parameters", hostObject, "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'QTEMP')", "MCH0802", nullptr},
      {"found through the library list", hostObject, "CALL KV2207C PARM('QSAVF' 'QTEMP' 'QTEMP' 'KSUSER')", nullptr,
       nullptr},
      {"only ten characters of a parameter count", product,
       "CALL PGM(QTEMP/KV2207C) PARM('QSAVF' 'QTEMP' 'MYLIB     EXTRA' 'KSUSER')", nullptr, nullptr},
      {"a save file that lists no objects proves nothing",
       [](Host& h) {
         h.HostObjectRestored();
         h.saveFiles_.Put("QSAVF", MakeImage("SAVLIB", "SAMPLIB", {}));
       },
       kCallOnQtemp, "CPF9898", nullptr},
      {"another restored program ends normally", product, "CALL PGM(MYLIB/ORDENTC)", nullptr, nullptr},
      {"program in a missing library", Nothing, "CALL PGM(NOLIB/X)", "CPD0170", nullptr},
  });
}

TEST(ClSimulatorTest, OtherCommandsAndFaults) {
  RunCases({
      {"unknown command", Nothing, "WRKSPLF", "CPD0030", nullptr},
      {"no command", Nothing, "   ", "CPD0020", nullptr},
      {"too long", Nothing, "CRTSAVF FILE(QTEMP/QSAVF) TEXT('" + std::string(1000, 'x') + "')", "CPD0006", nullptr},
      {"injected failure", [](Host& h) { h.faults_.failCommands = {"CRTSAVF"}; }, kCreate, "CPF9898",
       [](Host& h) { EXPECT_FALSE(h.saveFiles_.Exists("QSAVF")); }},
      {"create library", Nothing, "CRTLIB LIB(NEWLIB)", nullptr,
       [](Host& h) { EXPECT_TRUE(h.libraries_.Exists("NEWLIB")); }},
      {"create existing library", [](Host& h) { h.libraries_.Create("NEWLIB"); }, "CRTLIB NEWLIB", "CPF2111", nullptr},
      {"delete library", [](Host& h) { h.libraries_.Create("NEWLIB"); }, "DLTLIB NEWLIB", nullptr,
       [](Host& h) { EXPECT_FALSE(h.libraries_.Exists("NEWLIB")); }},
      {"delete QTEMP", Nothing, "DLTLIB QTEMP", "CPF2161", nullptr},
      {"delete missing library", Nothing, "DLTLIB NOLIB", "CPF2110", nullptr},
      {"library commands need restore authority", [](Host& h) { h.SetUser(true, false); }, "CRTLIB LIB(NEWLIB)",
       "CPF2189", nullptr},
      {"delete one object", [](Host& h) { h.ProductRestored(); }, "DLTPGM PGM(MYLIB/ORDENTC)", nullptr,
       [](Host& h) {
         EXPECT_EQ(h.LibraryNames("MYLIB"), (std::vector<std::string>{"ORDENTR", "ORDHDR"}));
       }},
      {"delete an object by the wrong type", [](Host& h) { h.ProductRestored(); }, "DLTF FILE(MYLIB/ORDENTC)",
       "CPF2105", [](Host& h) { EXPECT_EQ(h.LibraryNames("MYLIB").size(), 3u); }},
      {"allocate an object", [](Host& h) { h.ProductRestored(); }, "ALCOBJ OBJ((MYLIB/ORDENTC *PGM *EXCL)) WAIT(0)",
       nullptr,
       [](Host& h) {
         EXPECT_TRUE(h.libraries_.locks().HeldByAnotherJob(h.job_->number() + 1, "MYLIB", "ORDENTC", "*PGM"));
         h.Must("DLCOBJ OBJ((MYLIB/ORDENTC *PGM *EXCL))");
         EXPECT_FALSE(h.libraries_.locks().HeldByAnotherJob(h.job_->number() + 1, "MYLIB", "ORDENTC", "*PGM"));
       }},
      {"allocate twice, release once",
       [](Host& h) {
         h.ProductRestored();
         h.Must("ALCOBJ OBJ((MYLIB/ORDENTC *PGM *SHRRD))");
         h.Must("ALCOBJ OBJ((MYLIB/ORDENTC *PGM *SHRRD))");
       },
       "DLCOBJ OBJ((MYLIB/ORDENTC *PGM *SHRRD))", nullptr,
       [](Host& h) {
         EXPECT_TRUE(h.libraries_.locks().HeldByAnotherJob(h.job_->number() + 1, "MYLIB", "ORDENTC", "*PGM"));
       }},
      {"allocate a missing object, and the others of the list not either", [](Host& h) { h.ProductRestored(); },
       "ALCOBJ OBJ((MYLIB/ORDENTC *PGM *EXCL) (MYLIB/NOSUCH *PGM *EXCL))", "CPF2105",
       [](Host& h) {
         EXPECT_FALSE(h.libraries_.locks().HeldByAnotherJob(h.job_->number() + 1, "MYLIB", "ORDENTC", "*PGM"));
       }},
      {"allocate without a lock state", [](Host& h) { h.ProductRestored(); }, "ALCOBJ OBJ((MYLIB/ORDENTC *PGM))",
       "CPD0084", nullptr},
      {"allocate an unqualified list element", [](Host& h) { h.ProductRestored(); }, "ALCOBJ OBJ(MYLIB/ORDENTC)",
       "CPD0084", nullptr},
      {"release a lock never taken", [](Host& h) { h.ProductRestored(); }, "DLCOBJ OBJ((MYLIB/ORDENTC *PGM *EXCL))",
       nullptr, nullptr},
  });
}

}  // namespace
}  // namespace hostsim
