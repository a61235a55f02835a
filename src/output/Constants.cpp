#include "output/Constants.h"

#include <cstdio>
#include <span>
#include <vector>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "output/CreationDate.h"
#include "output/TreeFile.h"
#include "paths/Paths.h"
#include "platform/Host.h"
#include "project/Preprocessor.h"
#include "project/ProjectKeywords.h"
#include "project/RunContext.h"
#include "project/Tokenizer.h"

namespace q32 {

const char* ConstantsCommentPrefix(const RunSettings& settings) {
  return settings.genHeader ? "//" : ";";
}

std::string FormatConstantDefine(const RunSettings& settings, std::string_view name,
                                 std::int32_t number) {
  std::string text(name);
  char line[128];
  if (settings.genHeader)
    std::snprintf(line, sizeof line, " %d\n", number);
  else
    std::snprintf(line, sizeof line, " K%d\n", number);
  if (settings.genHeader) return "#define " + text + line;
  if (text.size() < kDefineNameColumns) text.append(kDefineNameColumns - text.size(), ' ');
  return "#define       " + text + line;
}

std::string ConstantsFilePath(const RunContext& run) {
  const RunSettings& s = run.settings;
  if (s.outputDir.empty()) return s.defFile;
  std::string path = s.outputDir + "\\" + std::string(FileNameOf(s.defFile));
  return path.size() > kMaxPathLength ? std::string() : path;
}

File* OpenConstantsFile(RunContext& run) {
  RunSettings& s = run.settings;
  std::string path = ConstantsFilePath(run);
  if (path.empty()) return nullptr;
  std::unique_ptr<File> file = run.fs.Open(path, FileMode::WriteText);
  if (!file) return nullptr;
  std::string shown = DisplayPath(run.paths, path);
  ShowProgress(run.diag, kProgressProcessing, shown.c_str());

  const std::string c = ConstantsCommentPrefix(s);
  std::string header;
  header += c + " Quillon Definition File\n\n";
  header += c + " This file is maintained by Quillon32\n";
  header += c + " Do not modify this file manually!\n\n";
  header += c + " Creation date:   " + FormatCreationDate(CreationTime()) + "\n\n";
  header += c + " Softkey project: " + s.projectFile + "\n";
  if (!file->WriteText(header)) {
    file->Close();
    return nullptr;
  }
  s.defStream = std::move(file);
  return s.defStream.get();
}

void CloseConstantsFile(RunContext& run) {
  if (run.settings.defStream) {
    run.settings.defStream->Close();
    run.settings.defStream.reset();
  }
}

bool WriteConstantsHeading(RunContext& run, bool menus) {
  File* def = run.settings.defStream.get();
  if (!def) return false;
  std::string heading = "\n";
  heading += ConstantsCommentPrefix(run.settings);
  heading += menus ? " Menu constants:\n\n" : " Softkey constants:\n\n";
  return def->WriteText(heading);
}

bool WriteConstantDefine(RunContext& run, std::string_view name, std::int32_t number) {
  File* def = run.settings.defStream.get();
  return def && def->WriteText(FormatConstantDefine(run.settings, name, number));
}

int RunMenuConstantPass(RunContext& run, File& project, int firstLine) {
  RunSettings& s = run.settings;
  const std::int64_t start = project.Tell();
  int line = firstLine - 1;
  std::uint32_t menuCounter = 0;
  bool headingWritten = false;
  int result = 0;
  std::string text;
  std::vector<std::string> tokens;

  // The same sections and includes as the main pass, so that a menu in a
  // switched-off section gets no number; the main pass reports what is
  // wrong with a directive.
  Preprocessor pre;
  pre.reports = false;
  const bool everyLine = s.mode == MODE_SCAN || (s.mode == MODE_PROJECT && !s.postProcess);
  for (;;) {
    if (result != 0) break;
    if (!ReadLogicalLine(CurrentStream(pre, project), text, line)) {
      if (ReturnFromInclude(run, pre, line)) continue;
      break;
    }
    if (IsProjectComment(text)) continue;
    // A line with too many tokens is skipped by the main pass too, so both
    // passes number the same menus.
    if (SplitTokens(text, tokens, kMaxProjectTokens, false) != 0 || tokens.empty()) continue;
    const ProjectKeyword* keyword = LookupProjectKeyword(tokens[0]);
    if (!keyword) continue;
    if (keyword->kind == KeywordKind::Directive && keyword->code != KEY_INCLUDE) {
      HandleConditionalDirective(run, pre, keyword->code, tokens, text, line);
      continue;
    }
    if (!pre.active && !everyLine) continue;
    if (keyword->code == KEY_INCLUDE && keyword->kind == KeywordKind::Directive) {
      HandleInclude(run, pre, tokens, line);
      continue;
    }
    if (keyword->code == KEY_DEFFILE && keyword->kind == KeywordKind::Setting) {
      if (tokens.size() < 2 || tokens[1].size() > kMaxPathLength) continue;
      if (s.defStream && tokens[1] != s.defFile) CloseConstantsFile(run);
      s.defFile = tokens[1];
      continue;
    }
    if (keyword->code != KEY_SKMENU || keyword->kind != KeywordKind::Menu) continue;

    if (tokens.size() < 2) {
      ReportMessage(run.diag, kTooFewTokens, s.projectFile, static_cast<unsigned>(line));
      continue;
    }
    const MenuAttributes menu = ParseMenuAttributes(std::span<const std::string>(tokens).subspan(2));
    const std::int32_t number =
        menu.hasNumber ? menu.number : static_cast<std::int32_t>(menuCounter++);
    const std::string name = tokens[1].substr(0, kMaxNameLength);
    switch (run.names.AddSoftkeyName("", name, static_cast<std::uint32_t>(number))) {
      case 0:
        break;
      case 1:
        // The menu keeps its number; the later line is the one at fault.
        ReportMessage(run.diag, kNameTwice, s.projectFile, static_cast<unsigned>(line));
        break;
      default:
        ReportMessage(run.diag, kNoMemory, s.projectFile, static_cast<unsigned>(line));
        result = 2;
        continue;
    }
    if (s.noGenDef || s.defFile.empty()) continue;
    // Reported against the constants file, as the main pass does: the
    // message must name the file that could not be written.
    if (!s.defStream && !OpenConstantsFile(run)) {
      const std::string path = ConstantsFilePath(run);
      ReportMessage(run.diag, kOpenFailed, path.empty() ? s.defFile : path);
      result = 2;
      continue;
    }
    bool written = true;
    if (!headingWritten) {
      written = WriteConstantsHeading(run, true);
      headingWritten = true;
    }
    written = written && WriteConstantDefine(run, name, number);
    if (!written) {
      ReportMessage(run.diag, kOpenFailed, ConstantsFilePath(run));
      result = 2;
    }
  }
  // A pass stopped inside an included file leaves it here.
  ReturnFromInclude(run, pre, line);
  if (!project.Seek(start) && result == 0) {
    // The main pass cannot start where the project begins.
    ReportMessage(run.diag, kProjectNotOpened, s.projectFile);
    result = 2;
  }
  return result;
}

}  // namespace q32
