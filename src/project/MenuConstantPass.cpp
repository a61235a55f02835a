#include "project/MenuConstantPass.h"

#include <span>
#include <vector>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "text/Ascii.h"
#include "output/Constants.h"
#include "output/TreeFile.h"
#include "project/ProjectLines.h"
#include "run/RunContext.h"

namespace q32 {

namespace {

// The note at a menu left open.
std::string MenuLeftOpen(const std::string& name) {
  return "the menu " + name + " opened here is not closed (ENDSKMENU missing)";
}

}  // namespace

bool RunMenuConstantPass(RunContext& run, PlcSymbolTables& plc, File& project, const FileCoding& coding,
                         int firstLine, ProjectCauses& causes) {
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
  // The names defined on lines a section passes over, with that section
  // (the innermost open one): should it be left open at the end, they
  // follow from what left it open.
  std::vector<std::pair<std::string, SourceSpan>> passedOver;
  // The menu open, as the main pass keeps it: a SKMENU inside a menu is
  // refused there, and the menu stays open.  An ENDSKMENU passed over leaves
  // it open for the section that passed over it.
  bool inMenu = false, endPassedOver = false;
  std::string menuName;
  SourceSpan menuAt;
  int menuLine = 0;
  lines.onPassedOver = [&](const ProjectLines& l) {
    const std::vector<std::string>& t = l.tokens();
    const ProjectKeyword& k = l.keyword();
    if (k.code == KeywordCode::EndSkMenu && inMenu) endPassedOver = true;
    const std::size_t nameAt = k.code == KeywordCode::SkMenu ? 1 : k.kind == KeywordKind::Softkey ? 2 : 0;
    if (nameAt != 0 && t.size() > nameAt && !l.OpenSections().empty())
      passedOver.emplace_back(UpperCase(t[nameAt].substr(0, kMaxNameLength)), l.OpenSections().back().at);
  };
  auto leftOpen = [&](DiagnosticId cause) {
    if (cause == kNoDiagnostic) {
      Diagnostic note;
      note.note = true;
      note.at = menuAt;
      note.argument = MenuLeftOpen(menuName);
      cause = Report(run.diag, std::move(note));
    }
    causes.openMenus.emplace(std::make_pair(menuAt.file, menuLine), cause);
  };
  while (!stopped && lines.Next()) {
    const std::vector<std::string>& tokens = lines.tokens();
    const ProjectKeyword& keyword = lines.keyword();
    const unsigned line = static_cast<unsigned>(lines.number());
    if (keyword.code == KeywordCode::EndSkMenu) inMenu = false;
    if (keyword.code == KeywordCode::DefFile) {
      std::string value;
      if (SettingValue(tokens, value) != Msg::Ok) continue;
      if (o.constants && value != o.defFile) CloseConstantsFile(run);
      o.defFile = value;
      continue;
    }
    if (keyword.code != KeywordCode::SkMenu) continue;

    if (tokens.size() < 2) {
      // At the keyword, as the main pass reports it again.
      Report(run.diag, lines.At(Msg::TooFewTokens, 0, "SKMENU needs the menu's name"));
      continue;
    }
    if (inMenu) {
      leftOpen(kNoDiagnostic);
    } else {
      inMenu = true;
      endPassedOver = false;
      menuName = tokens[1];
      menuAt = lines.Span(1);
      menuLine = lines.number();
    }
    const MenuAttributes menu = ParseMenuAttributes(std::span<const std::string>(tokens).subspan(2));
    const std::int32_t number = menu.hasNumber ? menu.number : static_cast<std::int32_t>(menuCounter++);
    const std::string name = tokens[1].substr(0, kMaxNameLength);
    switch (run.names.AddSoftkeyName("", name, static_cast<std::uint32_t>(number))) {
      case NameAdded::Added:
        break;
      case NameAdded::AlreadyThere:
        // The menu keeps its number; the later line is the one at fault.
        Report(run.diag, lines.At(Msg::NameTwice, 1, name));
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
  // What the end of the project leaves open: the sections (what left each
  // open, or a note where it opened) with the names they passed over, then
  // the menu, whose ENDSKMENU a section left open may have passed over.
  if (!stopped) {
    lines.NoteSectionsLeftOpen();
    const std::vector<OpenSection>& open = lines.OpenSections();
    auto causeOf = [&open](const SourceSpan& at) {
      for (const OpenSection& section : open)
        if (section.at.file == at.file && section.at.line == at.line && section.at.column == at.column)
          return section.cause;
      return kNoDiagnostic;
    };
    for (const auto& [name, section] : passedOver)
      if (const DiagnosticId cause = causeOf(section); cause != kNoDiagnostic) causes.passedOverNames.emplace(name, cause);
    if (inMenu) leftOpen(endPassedOver && !open.empty() ? open.back().cause : kNoDiagnostic);
    lines.CheckSectionsClosed();
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
