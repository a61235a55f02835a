#include "project/ProjectReader.h"

#include <string>

#include "diag/Diagnostics.h"
#include "platform/FileSystem.h"
#include "project/RunContext.h"
#include "project/Tokenizer.h"

namespace q32 {
namespace {

int StartMessage(const RunSettings& s) {
  switch (s.mode) {
    case MODE_SCAN: return 8;
    case MODE_GENDEF: return 9;
    case MODE_CHECK: return 6;
    case MODE_PROJECT:
      if (s.postProcess) return 7;
      break;
    default:
      break;
  }
  return s.menuOnly ? 4 : 5;
}

}  // namespace

void ReadProject(RunContext& run, std::unique_ptr<File>& project) {
  RunSettings& s = run.settings;
  ShowProgress(run.diag, StartMessage(s));
  run.softkey = SoftkeyContext{};

  std::string line;
  int lineNumber = 0;
  if (!ReadLogicalLine(*project, line, lineNumber)) {
    ReportMessage(run.diag, 8202, s.projectFile);
    project.reset();
    return;
  }
  if (line.compare(0, std::string_view(kProjectHeader).size(), kProjectHeader) != 0) {
    ReportMessage(run.diag, 8203, s.projectFile, 1);
    project.reset();
    return;
  }
  if (s.mode == MODE_PROJECT && s.projectOutStream) s.projectOutStream->WriteText(line);
  // The lines after the header are read by the full reader.
}

}  // namespace q32
