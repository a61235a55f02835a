#include "project/MenuConstantPass.h"

#include <span>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "output/Constants.h"
#include "output/TreeFile.h"
#include "project/ProjectLines.h"
#include "run/RunContext.h"

namespace q32 {

bool RunMenuConstantPass(RunContext& run, PlcSymbolTables& plc, File& project, const FileCoding& coding,
                         int firstLine) {
  const RunSettings& s = run.settings;
  RunOutputs& o = run.outputs;
  const std::int64_t start = project.Tell();
  std::uint32_t menuCounter = 0;
  bool headingWritten = false;
  bool stopped = false;
  // The same lines, sections and includes as the main pass, so that a menu
  // in a switched-off section gets no number; the main pass reports what is
  // wrong with a line.
  ProjectLines lines(run, plc, project, coding, firstLine, /*reports=*/false);
  auto report = [&](Msg code, std::string_view file, unsigned line, std::string_view detail = {}) {
    ReportMessage(run.diag, code, file, line, detail);
  };
  while (!stopped && lines.Next()) {
    const std::vector<std::string>& tokens = lines.tokens();
    const ProjectKeyword& keyword = lines.keyword();
    const unsigned line = static_cast<unsigned>(lines.number());
    if (keyword.code == KeywordCode::DefFile) {
      std::string value;
      if (SettingValue(tokens, value) != Msg::Ok) continue;
      if (o.constants && value != o.defFile) CloseConstantsFile(run);
      o.defFile = value;
      continue;
    }
    if (keyword.code != KeywordCode::SkMenu) continue;

    if (tokens.size() < 2) {
      report(Msg::TooFewTokens, run.projectFile, line, "SKMENU needs the menu's name");
      continue;
    }
    const MenuAttributes menu = ParseMenuAttributes(std::span<const std::string>(tokens).subspan(2));
    const std::int32_t number = menu.hasNumber ? menu.number : static_cast<std::int32_t>(menuCounter++);
    const std::string name = tokens[1].substr(0, kMaxNameLength);
    switch (run.names.AddSoftkeyName("", name, static_cast<std::uint32_t>(number))) {
      case NameAdded::Added:
        break;
      case NameAdded::AlreadyThere:
        // The menu keeps its number; the later line is the one at fault.
        report(Msg::NameTwice, run.projectFile, line, name);
        break;
      case NameAdded::NoMemory:
        report(Msg::NoMemory, run.projectFile, line);
        stopped = true;
        continue;
    }
    if (s.noGenDef || o.defFile.empty()) continue;
    // Reported against the constants file, as the main pass does: the
    // message must name the file that could not be written.
    if (!o.constants && !OpenConstantsFile(run)) {
      const std::string path = ConstantsFilePath(run);
      ReportFailedFile(run, Msg::OpenFailed, path.empty() ? o.defFile : path);
      stopped = true;
      continue;
    }
    bool written = true;
    if (!headingWritten) {
      written = WriteConstantsHeading(run, true);
      headingWritten = true;
    }
    if (!written || !WriteConstantDefine(run, name, number)) {
      ReportFailedFile(run, Msg::OpenFailed, ConstantsFilePath(run));
      stopped = true;
    }
  }
  // A pass stopped inside an included file leaves it here.
  lines.LeaveInclude();
  if (!project.Seek(start) && !stopped) {
    // The main pass cannot start where the project begins.
    report(Msg::ProjectNotOpened, run.projectFile, 0);
    stopped = true;
  }
  return !stopped;
}

}  // namespace q32
