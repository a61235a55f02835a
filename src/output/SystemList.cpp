#include "output/SystemList.h"

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "platform/FileSystem.h"
#include "project/RunContext.h"

namespace q32 {

bool OpenSystemList(RunContext& run) {
  run.settings.systemListStream = run.fs.Open(kSystemListName, FileMode::WriteText);
  return run.settings.systemListStream != nullptr;
}

int AddSystemListEntry(RunContext& run) {
  auto& stream = run.settings.systemListStream;
  if (!stream) return 0;
  if (!stream->Printf("%s\n", run.softkey.targetPath.c_str())) {
    ReportMessage(run.diag, kWriteFailed, kSystemListName);
    return 1;
  }
  return 0;
}

}  // namespace q32
