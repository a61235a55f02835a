// Project file lines and the tokenizer: the input is read as a project file
// (logical lines with continuations), and each line and the whole input go
// through the three splitters and the path handling of source tokens.
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "paths/Paths.h"
#include "plc/Conditions.h"
#include "support/MemoryFileSystem.h"
#include "run/SoftkeyContext.h"
#include "text/Ascii.h"
#include "project/ProjectLines.h"
#include "text/Tokenizer.h"

namespace {

void SplitEveryWay(std::string_view line) {
  std::vector<std::string> tokens;
  (void)q32::SplitTokens(line, tokens, q32::kMaxProjectTokens, true);
  Q32_FUZZ_CHECK(tokens.size() <= q32::kMaxProjectTokens);
  // What a project line does with its tokens: source names become paths.
  for (std::size_t i = 0; i < tokens.size() && i < 4; ++i) {
    q32::SoftkeyContext context;
    q32::SetSoftkeySource(context, q32::kDefaultDestPath, static_cast<q32::SourceType>(i), tokens[i], (i & 1) != 0);
    std::string path = tokens[i];
    q32::CollapseDotDot(path);
    (void)q32::SplitPath(tokens[i]);
    std::string absolute = tokens[i];
    q32::MakeAbsolute(absolute, "C:\\PROJECT\\", false);
    q32::MakeRelative("C:\\PROJECT\\", absolute, false);
  }
  (void)q32::SplitTokens(line, tokens, q32::kMaxBmxTokens, false);
  Q32_FUZZ_CHECK(tokens.size() <= q32::kMaxBmxTokens);
  (void)q32::SplitConditionTokens(line, tokens, q32::kMaxConditionTokens);
  Q32_FUZZ_CHECK(tokens.size() <= q32::kMaxConditionTokens);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = q32fuzz::AsText(data, size);
  SplitEveryWay(input);

  // The driver opens the project file in binary mode; the reader drops the
  // carriage returns itself.
  q32test::MemoryFile file{std::make_shared<std::string>(input), false, false};
  std::string line;
  int counter = 0;
  int previous = 0;
  while (q32::ReadLogicalLine(file, line, counter)) {
    // Every logical line consumes at least one physical line, so the loop ends.
    Q32_FUZZ_CHECK(counter > previous);
    previous = counter;
    SplitEveryWay(line);
  }
  return 0;
}
