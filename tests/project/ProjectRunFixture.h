// Reads a whole project p.spm with the project reader, as the run driver
// hands it over, in a temporary directory: defines, a PLC project file and
// the generated project of a default run as the tests choose.  Collects the
// reports ("file(line) code") from the log.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "diag/Diagnostics.h"
#include "output/SystemList.h"
#include "platform/FaultyFileSystem.h"
#include "plc/PlcProjectFile.h"
#include "project/Defines.h"
#include "project/ProjectReader.h"
#include "project/RunContext.h"
#include "support/TestSupport.h"

namespace q32 {

inline const char* const kDate = "Thu Jan  1 00:00:00 1970";
inline const char* const kHeader = "QUILLON Project File - Version 1.0\n";
using Reports = std::vector<std::string>;

inline std::string Def(const std::string& name, int number) {
  return "#define       " + name + std::string(40 - name.size(), ' ') + " K" + std::to_string(number) +
         "\n";
}

inline std::string DefHeader(const std::string& project) {
  return std::string("; Quillon Definition File\n\n; This file is maintained by Quillon32\n"
                     "; Do not modify this file manually!\n\n; Creation date:   ") +
         kDate + "\n\n; Softkey project: " + project + "\n";
}

// The constants file with its menu and softkey sections.
inline std::string DefFile(const std::string& project, const std::string& menus,
                           const std::string& softkeys) {
  return DefHeader(project) + "\n; Menu constants:\n\n" + menus + "\n; Softkey constants:\n\n" +
         softkeys;
}

inline std::string TreeHeader(const std::string& project) {
  return std::string("; Softkey Tree Definition File V2.1\n; Creation date:   ") + kDate +
         "\n; Softkey project: " + project + "\n";
}

struct Outcome {
  std::vector<std::string> reports;  // "file(line) code" or "- code"
  std::string log;
  int errors = 0, warnings = 0;
  long operations = 0;  // file operations of the reader
  std::string failed;   // the operation made to fail
};

struct RunOptions {
  std::string defines;                            // an -a list
  std::string plcFile;                            // a PLC project information file
  std::function<void(RunSettings&)> configure;    // switches
  long failAt = 0;  // the failAt-th file operation of the reader fails
};

class ProjectRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SOURCE_DATE_EPOCH", "0", 1);
    previous_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    q32test::WriteFile(dir_ / "cat.err", std::string(kCatalogueHeader) + "\n");
    console_ = std::fopen("/dev/null", "w");
  }
  void TearDown() override {
    std::filesystem::current_path(previous_);
    if (console_) std::fclose(console_);
    unsetenv("SOURCE_DATE_EPOCH");
  }

  std::string Read(const std::string& name) { return q32test::ReadFile(dir_ / name); }
  void Write(const std::string& name, const std::string& text) { q32test::WriteFile(dir_ / name, text); }
  void Touch(std::initializer_list<const char*> names) {
    for (const char* n : names) q32test::WriteFile(dir_ / n, "x");
  }
  bool Exists(const std::string& name) { return q32test::FileExistsOnDisk(dir_ / name); }

  Outcome Run(const std::string& project, RunMode mode, const RunOptions& options) {
    for (const char* output : {"p.sys", "p.def", "p.spj", "QUILLONK.SYS", "p.log"})
      std::filesystem::remove(dir_ / output);
    Write("p.spm", project);
    std::unique_ptr<FileSystem> host = MakeHostFileSystem();
    FaultyFileSystem faulty(*host);
    RunContext run(faulty);
    run.diag.fs = host.get();  // the catalogue and the log never fail here
    RunSettings& s = run.settings;
    run.diag.console = console_;
    s.mode = mode;
    s.projectFile = "p.spm";
    s.treeFile = "p.sys";
    s.defFile = "p.def";
    s.model = "Zeta300";
    if (mode == MODE_SCAN) s.noGenDef = true;
    if (options.configure) options.configure(s);
    s.controlFamilyLE = StartsWithIgnoringCase(s.model, "Orva");
    if (!options.defines.empty()) {
      EXPECT_EQ(ParseDefines(run.defines, options.defines, true), 0);
    }
    if (!options.plcFile.empty()) {
      EXPECT_EQ(ReadPlcProjectFile(*host, options.plcFile, run.plc), 0);
      s.pjGiven = true;
    }
    EXPECT_EQ(LoadMessageCatalogue(run.diag, s.errorCount, s.warningCount, dir_.path() + "/",
                                   "cat.err", kCatalogueHeader, "p.log"),
              0);
    if (mode == MODE_GENSYS && !s.menuOnly && !s.noGenSkSys) {
      EXPECT_TRUE(OpenSystemList(run));
    }
    if (mode == MODE_PROJECT) {
      s.generatedProjectFile = "p.spj";
      s.projectOutStream = host->Open("p.spj", FileMode::WriteText);
      EXPECT_TRUE(s.projectOutStream);
    }
    std::unique_ptr<File> stream = host->Open("p.spm", FileMode::ReadBinary);
    faulty.failAt = options.failAt;
    ReadProject(run, stream);
    EXPECT_EQ(s.projectFile, "p.spm") << "the run goes on under the project's own name";
    EXPECT_FALSE(s.treeStream) << "the reader closes the tree file";
    EXPECT_FALSE(s.defStream) << "the reader closes the constants file";
    if (s.projectOutStream) s.projectOutStream->Close();
    if (s.systemListStream) s.systemListStream->Close();
    CloseMessageCatalogue(run.diag);

    Outcome out;
    out.errors = s.errorCount;
    out.warnings = s.warningCount;
    out.operations = faulty.operations;
    out.failed = faulty.failedDescription;
    out.log = Read("p.log");
    std::istringstream lines(out.log);
    std::string line;
    const std::string marker = ": Error no: ";
    while (std::getline(lines, line)) {
      std::size_t at = line.find(marker);
      if (at == std::string::npos) continue;
      std::string where = line.substr(0, at);
      where = where.rfind("File: ", 0) == 0 ? where.substr(6) : "-";
      std::string code = line.substr(at + marker.size());
      if (!code.empty() && code.back() == '\r') code.pop_back();
      out.reports.push_back(where + " " + code);
    }
    return out;
  }
  // Reads p.spm with the given defines (an -a list) in the given mode.
  Outcome Run(const std::string& project, RunMode mode, const std::string& defines = "") {
    return Run(project, mode, RunOptions{defines, "", {}});
  }
  Outcome Run(const std::string& project, RunMode mode,
              std::function<void(RunSettings&)> configure) {
    return Run(project, mode, RunOptions{"", "", std::move(configure)});
  }

  q32test::TempDir dir_;
  std::filesystem::path previous_;
  std::FILE* console_ = nullptr;
};

}  // namespace q32
