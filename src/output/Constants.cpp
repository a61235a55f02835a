#include "output/Constants.h"

#include <charconv>
#include <cstring>

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

// One define line, with its line feed: "#define       NAME... K3" or, with
// -genh, "#define NAME 3".
bool WriteConstantDefine(RunContext& run, std::string_view name, std::int32_t number) {
  File* def = run.outputs.constants.get();
  if (!def) return false;
  const bool header = run.settings.genHeader;
  char digits[16];
  const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  const std::string_view value(digits, static_cast<std::size_t>(end - digits));
  const std::string_view lead = header ? "#define " : "#define       ";
  const std::string_view before = header ? " " : " K";
  const std::size_t padding = header || name.size() >= kDefineNameColumns ? 0 : kDefineNameColumns - name.size();
  const std::size_t size = lead.size() + name.size() + padding + before.size() + value.size() + 1;
  // A project writes a line for each of its softkeys: put together on the
  // stack, unless its name is unusually long.
  char room[160];
  std::string longer;
  char* line = room;
  if (size > sizeof room) {
    longer.resize(size);
    line = longer.data();
  }
  char* at = line;
  auto put = [&at](std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    at += text.size();
  };
  put(lead), put(name);
  std::memset(at, ' ', padding);
  at += padding;
  put(before), put(value);
  *at = '\n';
  return def->WriteText(std::string_view(line, size));
}

}  // namespace q32
