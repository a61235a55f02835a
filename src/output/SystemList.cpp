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

bool AddSystemListEntry(RunContext& run) {
  auto& stream = run.outputs.systemList;
  if (!stream) return true;
  if (!stream->WriteText(run.softkey.targetPath + "\n")) {
    ReportMessage(run.diag, Msg::WriteFailed, kSystemListName);
    return false;
  }
  return true;
}

}  // namespace q32
