#include "output/Constants.h"

#include <charconv>

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "output/CreationDate.h"
#include "paths/Paths.h"
#include "platform/Host.h"
#include "run/RunContext.h"
#include "text/Format.h"

namespace q32 {

const char* ConstantsCommentPrefix(const RunSettings& settings) {
  return settings.genHeader ? "//" : ";";
}

std::string FormatConstantDefine(const RunSettings& settings, std::string_view name, std::int32_t number) {
  // Built in one string: a project writes a line for each of its softkeys.
  char digits[16];
  const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  const std::string_view value(digits, static_cast<std::size_t>(end - digits));
  const std::string_view lead = settings.genHeader ? "#define " : "#define       ";
  const std::size_t padding =
      settings.genHeader || name.size() >= kDefineNameColumns ? 0 : kDefineNameColumns - name.size();
  std::string line;
  line.reserve(lead.size() + name.size() + padding + value.size() + 3);
  line.append(lead).append(name).append(padding, ' ');
  line.append(settings.genHeader ? " " : " K").append(value) += '\n';
  return line;
}

std::string ConstantsFilePath(const RunContext& run) {
  const RunSettings& s = run.settings;
  if (s.outputDir.empty()) return run.outputs.defFile;
  std::string path = s.outputDir + "\\" + std::string(FileNameOf(run.outputs.defFile));
  return path.size() > kMaxPathLength ? std::string() : path;
}

File* OpenConstantsFile(RunContext& run) {
  const RunSettings& s = run.settings;
  std::string path = ConstantsFilePath(run);
  if (path.empty()) return nullptr;
  std::unique_ptr<File> file = run.fs.Open(path, FileMode::WriteText);
  if (!file) return nullptr;
  std::string shown = DisplayPath(run.paths, path);
  ShowProgress(run.diag, Progress::Processing, shown.c_str());

  const std::string c = ConstantsCommentPrefix(s);
  std::string header;
  header += c + " Quillon Definition File\n\n";
  header += c + " This file is maintained by Quillon32\n";
  header += c + " Do not modify this file manually!\n\n";
  header += c + " Creation date:   " + FormatCreationDate(CreationTime()) + "\n\n";
  header += c + " Softkey project: " + run.projectFile + "\n";
  if (!file->WriteText(header)) {
    file->Close();
    return nullptr;
  }
  run.outputs.constants = std::move(file);
  return run.outputs.constants.get();
}

void CloseConstantsFile(RunContext& run) {
  if (run.outputs.constants) {
    run.outputs.constants->Close();
    run.outputs.constants.reset();
  }
}

bool WriteConstantsHeading(RunContext& run, bool menus) {
  File* def = run.outputs.constants.get();
  if (!def) return false;
  std::string heading = "\n";
  heading += ConstantsCommentPrefix(run.settings);
  heading += menus ? " Menu constants:\n\n" : " Softkey constants:\n\n";
  return def->WriteText(heading);
}

bool WriteConstantDefine(RunContext& run, std::string_view name, std::int32_t number) {
  File* def = run.outputs.constants.get();
  return def && def->WriteText(FormatConstantDefine(run.settings, name, number));
}

}  // namespace q32
