#include "run/SoftkeyContext.h"

#include "paths/Paths.h"

namespace q32 {

void SetSoftkeySource(SoftkeyContext& context, std::string_view destPath, SourceType type, std::string_view token,
                      bool controlFamilyLE) {
  context.sourceType = type;
  context.source.assign(token.substr(0, kMaxSourceLength));
  if (type == SourceType::Tx) {
    context.targetPath = context.source;
    return;
  }
  context.sourceName.assign(FileNameOf(context.source));
  switch (type) {
    case SourceType::Bpj:
      context.targetExt = ".bmx";
      break;
    case SourceType::Generated: {
      std::size_t dot = context.source.rfind('.');
      context.targetExt = dot == std::string::npos ? std::string() : context.source.substr(dot);
      break;
    }
    default:
      context.targetExt = controlFamilyLE ? ".sk" : ".PIC";
      break;
  }
  // In the room the path had for the last softkey line.
  context.targetPath.assign(destPath).append(context.sourceName);
  if (context.targetPath.size() > kMaxPathLength) context.targetPath.resize(kMaxPathLength);
  ReplaceExtension(context.targetPath, context.targetExt);
}

}  // namespace q32
