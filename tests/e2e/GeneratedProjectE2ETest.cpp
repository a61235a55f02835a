// The default run through the real executable on the example mill: it turns
// the menu project into a generated project, and a -gensys run of that
// generated project gives the control the same softkeys, numbers and menus
// as a -gensys run of the menu project itself.  Also -post and -check.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "ProjectE2EFixture.h"

using namespace q32test;
namespace fs = std::filesystem;

namespace {

// What a -gensys run leaves for the control.
struct SystemFiles {
  std::string tree, constants, list;
};

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

class GeneratedProjectE2E : public ProjectE2E {
 protected:
  void SetUp() override {
    ProjectE2E::SetUp();
    CopyMill();
  }

 public:
  using ProjectE2E::Quillon;
  std::string In(const std::string& name) { return dir_ / ("mill/" + name); }
  SystemFiles Collect() {
    return {ReadFile(In("mill.sys")), ReadFile(In("mill.def")), ReadFile(In("QUILLONK.SYS"))};
  }

  std::string projectLog;  // the log of the last default run
};

// The menu project's own -gensys run, then the default run and a -gensys
// run of what it generated, for one machine variant (extra arguments).
void ExpectSameSystemFiles(GeneratedProjectE2E& t, const std::vector<std::string>& variant,
                           SystemFiles& original) {
  std::vector<std::string> args = {"mill/mill.spm", "-gensys"};
  args.insert(args.end(), variant.begin(), variant.end());
  RunResult r = t.Quillon(args);
  ASSERT_EQ(r.status, 0) << r.out;
  original = t.Collect();

  args = {"mill/mill.spm", "-pjmill/mill.pj"};
  args.insert(args.end(), variant.begin(), variant.end());
  r = t.Quillon(args);
  ASSERT_EQ(r.status, 0) << r.out;
  ASSERT_TRUE(FileExistsOnDisk(t.In("mill.spj")));
  t.projectLog = ReadFile(t.In("mill.log"));

  args = {"mill/mill.spj", "-gensys", "-nofilecheck"};
  args.insert(args.end(), variant.begin(), variant.end());
  r = t.Quillon(args);
  ASSERT_EQ(r.status, 0) << r.out;
  SystemFiles generated = t.Collect();

  // The headers name the project read; the generated project places the
  // Python scripts under the control's Python path.  Everything else is the
  // same: softkey numbers, files, menus and items.
  auto project = [](const std::string& text) {
    return ReplaceAll(text, "Softkey project: mill.spj", "Softkey project: mill.spm");
  };
  EXPECT_EQ(ReplaceAll(project(generated.tree), "PLC:\\Python\\", ""), original.tree);
  EXPECT_EQ(project(generated.constants), original.constants);
  EXPECT_EQ(generated.list, original.list);
}

TEST_F(GeneratedProjectE2E, GeneratedProjectGivesTheSameSystemFilesAsTheMenuProject) {
  SystemFiles three;
  ExpectSameSystemFiles(*this, {}, three);
  EXPECT_EQ(three.tree.find("Rotary"), std::string::npos);
  // The generated project keeps the variant's conditions and includes the
  // rotary table's own generated project.
  const std::string spj = ReadFile(In("mill.spj"));
  EXPECT_EQ(spj.rfind("QUILLON Project File - Version 1.0", 0), 0u);
  EXPECT_NE(spj.find("\r\n#IFDEF ROTARY_AXIS\r\n#INCLUDE .\\rotary.spj\r\n#ENDIF\r\n"),
            std::string::npos)
      << spj;
  EXPECT_NE(spj.find("SOFTKEY rpm.sk SPINDLE\r\n"), std::string::npos) << spj;
  EXPECT_NE(spj.find("SOFTKEY spindle.bmx SPINDLEBMX\r\n"), std::string::npos) << spj;
  EXPECT_EQ(ReadFile(In("rotary.spj")),
            Crlf("\nSKMENU ROTARYMENU MENUNR:12\n"
                 "TX \"Clamp A\" ACLAMP\n"
                 "TX \"Zero A\" AZERO\n"
                 "CHECK ACLAMP ENABLE:ROTARY_READY STATUS:ROTARY_CLAMPED         \n"
                 "PULSE AZERO ENABLE:ROTARY_READY           \n"
                 "BACK BACKKEY         \n"
                 "ENDSKMENU\n\n"));
  const std::string& log = projectLog;
  EXPECT_NE(log.find("GeneratingSK \"mill\\rpm.bmp\" PLC:\\SOFTKEYS\\mill\\\r\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("GeneratingMenu \"mill\\rotary.spj\" .\r\n"), std::string::npos) << log;
  EXPECT_NE(log.find("GeneratingMenu \"mill\\mill.spj\" PLC:\\SOFTKEYS\\\r\n"), std::string::npos)
      << log;

  SystemFiles four;
  ExpectSameSystemFiles(*this, {"-rmill/mill4.cfg"}, four);
  EXPECT_NE(four.tree.find("M 12 B - \r\n"), std::string::npos) << four.tree;
  EXPECT_NE(four.constants.find("ROTARYMENU"), std::string::npos);
}

// The resolved project is compared whole by the reader's tests; here -post
// reaches the run, and the included file goes into the project's own.
TEST_F(GeneratedProjectE2E, PostProcessingResolvesConditionsAndSymbols) {
  RunResult r = Quillon({"mill/mill.spm", "-pjmill/mill.pj", "-post", "-rmill/mill4.cfg"});
  ASSERT_EQ(r.status, 0) << r.out;
  const std::string spj = ReadFile(In("mill.spj"));
  EXPECT_EQ(spj.find("#I"), std::string::npos) << spj;
  EXPECT_NE(spj.find("CHECK ACLAMP ENABLE:M150 STATUS:M151 "), std::string::npos) << spj;
  EXPECT_FALSE(FileExistsOnDisk(In("rotary.spj")));
}

TEST_F(GeneratedProjectE2E, FailedDefaultRunLeavesNoGeneratedProject) {
  fs::remove(In("flush.py"));
  RunResult r = Quillon({"mill/mill.spm", "-pjmill/mill.pj"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("File: mill\\mill.spm("), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("E8221"), std::string::npos) << r.out;
  EXPECT_FALSE(FileExistsOnDisk(In("mill.spj")));
  EXPECT_FALSE(FileExistsOnDisk(In("rotary.spj")));
}

// The checks themselves are the reader's tests'; here the run's statuses.
TEST_F(GeneratedProjectE2E, CheckingRunStatuses) {
  RunResult r = Quillon({"mill/mill.spm", "-check", "-pjmill/mill.pj"});
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(ReadFile(In("mill.log")).find("CheckingSK \"mill\\bmx\\spindle.bpj\" PLC:\\SOFTKEYS\\mill\\\r\n"),
            std::string::npos);
  EXPECT_FALSE(FileExistsOnDisk(In("rpm.PIC"))) << "a checking run converts nothing";
  EXPECT_FALSE(FileExistsOnDisk(In("mill.spj")));
  fs::remove(In("start.py"));
  r = Quillon({"mill/mill.spm", "-check", "-pjmill/mill.pj"});
  EXPECT_EQ(r.status, 2) << r.out;
  EXPECT_NE(r.out.find("File: mill\\mill.spm(56): E8221"), std::string::npos) << r.out;
  r = Quillon({"mill/mill.spm", "-check", "-nofilecheck", "-pjmill/mill.pj"});
  EXPECT_EQ(r.status, 0) << r.out;
}

}  // namespace
