#include "output/SystemList.h"

#include "diag/Diagnostics.h"
#include "diag/MessageCodes.h"
#include "platform/FileSystem.h"
#include "run/RunContext.h"

namespace q32 {

bool OpenSystemList(RunContext& run) {
  run.outputs.systemList = run.fs.Open(kSystemListName, FileMode::WriteText);
  return run.outputs.systemList != nullptr;
}

int AddSystemListEntry(RunContext& run) {
  auto& stream = run.outputs.systemList;
  if (!stream) return 0;
  if (!stream->Printf("%s\n", run.softkey.targetPath.c_str())) {
    ReportMessage(run.diag, kWriteFailed, kSystemListName);
    return 1;
  }
  return 0;
}

}  // namespace q32
