#include "output/SystemList.h"

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "paths/Paths.h"
#include "platform/FileSystem.h"
#include "run/RunContext.h"

namespace q32 {

bool OpenSystemList(RunContext& run) {
  run.outputs.systemList = run.fs.Open(kSystemListName, FileMode::WriteText);
  return run.outputs.systemList != nullptr;
}

bool AddSystemListEntry(RunContext& run) {
  auto& stream = run.outputs.systemList;
  if (!stream) return true;
  // The entry and its line feed in one write, without a copy made for it.
  const std::string& path = run.softkey.targetPath;
  char line[kMaxPathLength + 2];
  const bool fits = path.size() < sizeof line;
  if (fits) {
    path.copy(line, path.size());
    line[path.size()] = '\n';
  }
  if (!(fits ? stream->WriteText(std::string_view(line, path.size() + 1)) : stream->WriteText(path + "\n"))) {
    ReportMessage(run.diag, Msg::WriteFailed, kSystemListName);
    return false;
  }
  return true;
}

}  // namespace q32
