// Every file operation of a whole run fails once.  The project of the case
// "tree" in sweep.case (every kind of source, an included file, a PLC project
// information file, menu items that name its symbols) is first run cleanly to
// count its file operations; then, for every k up to that count, a fresh copy
// of the project runs with the k-th operation failing.  Each run must end in
// order: a numbered message (or the fatal text where the catalogue or the log
// itself fails), status 2 where the failure is an error, and every file that
// was there before the run still there with its bytes, except the outputs the
// run names.  Both the generation of system files and the default run are
// swept.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "driver/RunDriver.h"
#include "platform/FaultyFileSystem.h"
#include "platform/FileSystem.h"
#include "text/Ascii.h"
#include "support/Cases.h"
#include "support/TestSupport.h"

using namespace q32test;
namespace fs = std::filesystem;

namespace {

// The softkeys both kinds of run write; everything else they do not name
// must keep its bytes.
const char* const kSoftkeys[] = {"proj/logo.PIC", "proj/shot.PIC", "proj/mark.PIC",   "proj/yes.PIC",
                                 "proj/feed.PIC", "proj/go.PIC",   "proj/img/spindle.bmx", "proj/p.log", "proj/p.def"};

struct Outcome {
  int status;
  std::string console, failed;  // failed: the operation that failed
  long operations;
};

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// One run of the whole program in this process, started in root, with its
// console captured.  The current directory is restored afterwards.
Outcome RunIn(const fs::path& root, const std::vector<std::string>& options, long failAt) {
  auto host = q32::MakeHostFileSystem();
  q32::FaultyFileSystem faulty(*host);
  faulty.failAt = failAt;
  std::vector<std::string> args = {ExecutableDir() + "/Quillon32", "proj/p.spm", "-pjproj/p.pj"};
  args.insert(args.end(), options.begin(), options.end());

  const fs::path start = fs::current_path();
  fs::current_path(root);
  ::testing::internal::CaptureStdout();
  const int status = q32::RunCommandLine(args, faulty);
  fs::current_path(start);
  return {status, ::testing::internal::GetCapturedStdout(), faulty.failedDescription, faulty.operations};
}

// Sweeps one kind of run; outputs are the files it writes besides the softkeys.
void Sweep(const std::vector<std::string>& options, std::set<std::string> outputs) {
  outputs.insert(std::begin(kSoftkeys), std::end(kSoftkeys));
  // Creation dates of the clean run and the failing runs must agree.
  SetEnvironment("SOURCE_DATE_EPOCH", "0");
  TempDir dir;
  const fs::path tree = fs::path(dir.path()) / "tree", cleanRoot = fs::path(dir.path()) / "clean";
  WriteCaseFiles(FindCase("tests/e2e/sweep.case", "tree"), tree.string());
  const Snapshot before = TakeSnapshot(tree.string());
  const std::string catalogue = ReadFile(ExecutableDir() + "/Quillon32.err");

  // The clean run: every output written, nothing reported.
  fs::copy(tree, cleanRoot, fs::copy_options::recursive);
  const Outcome clean = RunIn(cleanRoot, options, 0);
  ASSERT_EQ(clean.status, 0) << clean.console << ReadFile((cleanRoot / "proj/p.log").string());
  const Snapshot cleanAfter = TakeSnapshot(cleanRoot.string());
  for (const std::string& output : outputs) EXPECT_EQ(cleanAfter.count(output), 1u) << output;
  ASSERT_GT(clean.operations, 50);

  const std::regex numbered("(E|W)[0-9]{4}:|Error no: [0-9]+");
  for (long k = 1; k <= clean.operations; ++k) {
    const fs::path root = fs::path(dir.path()) / ("k" + std::to_string(k));
    fs::copy(tree, root, fs::copy_options::recursive);
    const Outcome o = RunIn(root, options, k);
    SCOPED_TRACE("operation " + std::to_string(k) + ": " + o.failed + "\n" + o.console);
    ASSERT_FALSE(o.failed.empty());

    // Nothing that was there before is lost or changed, outputs aside.
    const Snapshot after = TakeSnapshot(root.string());
    for (const auto& [name, bytes] : before) {
      if (outputs.count(name)) continue;
      auto found = after.find(name);
      ASSERT_TRUE(found != after.end()) << name << " was deleted";
      EXPECT_TRUE(found->second == bytes) << name << " was changed";
    }
    const bool onLog = Has(o.failed, "p.log");
    if (o.status == 3) {
      // The catalogue or the log cannot be had: the fatal text, no run.
      EXPECT_TRUE(Has(o.failed, "Quillon32.err") || (onLog && Has(o.failed, "create"))) << "status 3";
      EXPECT_TRUE(Has(o.console, "Fatal: ")) << "no fatal text";
    } else if (o.status == 0) {
      // A failure that changed nothing: the read that would have found the
      // end of a file, a directory change that the next one makes good, or
      // a log line or message text lost after the run was checked for
      // failed files.  Every output is as the clean run wrote it (the log
      // aside when the failure hit it).
      for (const std::string& output : outputs) {
        if (output == "proj/p.log" && onLog) continue;
        auto found = after.find(output);
        ASSERT_TRUE(found != after.end()) << output << " missing";
        // The SARIF log names the run's folder in its base URI.
        const std::string bytes = Replace(found->second, "/" + root.filename().string() + "/", "/clean/");
        EXPECT_TRUE(bytes == cleanAfter.at(output)) << output << " differs from the clean run";
      }
    } else if (o.failed == "create p.spj") {
      // A default run whose generated project cannot be created ends at
      // once with status 1, as it always has.
      EXPECT_EQ(o.status, 1);
      EXPECT_TRUE(Has(o.console, "File: proj\\p.spj: E8220")) << "no report";
    } else {
      // Every other failure loses something the run should have written or
      // read: it is an error, shown with its number.
      EXPECT_EQ(o.status, 2);
      EXPECT_TRUE(std::regex_search(o.console, numbered)) << "no numbered message";
      // The report names the file that failed (a folder that cannot be
      // entered or searched is named by what needed it).  The include that
      // the menu constant pass cannot open is read by the reader after it:
      // its menus are unknown then, and the report names them.
      std::string name = o.failed;
      while (!name.empty() && (name.back() == '\\' || name.back() == '/')) name.pop_back();
      name = name.substr(name.find_last_of(" /\\") + 1);
      if (!Has(o.failed, "directory") && o.failed != "open sub.spi") {
        EXPECT_TRUE(Has(q32::UpperCase(o.console), q32::UpperCase(name))) << "the report does not name " << name;
      }
    }
    fs::remove_all(root);
    // The first failing k is enough to go on; Q32_SWEEP_ALL lists them all.
    if (::testing::Test::HasFailure() && std::getenv("Q32_SWEEP_ALL") == nullptr) break;
  }
  EXPECT_EQ(ReadFile(ExecutableDir() + "/Quillon32.err"), catalogue);
  SetEnvironment("SOURCE_DATE_EPOCH", nullptr);
  std::printf("swept %ld file operations\n", clean.operations);
}

// Generation of the system files: tree file, system list, constants and
// every softkey, with the menu items checked against the PLC symbols, and
// the SARIF log of the run's reports.
TEST(FaultInjection, EveryFileOperationOfASystemRunFailsOnce) {
  Sweep({"-gensys", "-sarif:proj/p.sarif"}, {"proj/p.sys", "proj/QUILLONK.SYS", "proj/p.sarif"});
}

// The default run: generated projects of the project and its include, the
// constants and every softkey, the menu items through the item checker.
TEST(FaultInjection, EveryFileOperationOfADefaultRunFailsOnce) { Sweep({}, {"proj/p.spj", "proj/sub.spj"}); }

}  // namespace
