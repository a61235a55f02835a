#include "project/FileCoding.h"

#include <cstdint>

#include "platform/FileSystem.h"
#include "text/Encoding.h"

namespace q32 {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

FileCoding RecogniseCoding(File& file) {
  FileCoding coding;
  const std::int64_t start = file.Tell();
  std::string text;
  const bool read = start >= 0 && file.ReadAll(text);
  if (start < 0 || !file.Seek(start) || !read) return coding;
  std::size_t stray = 0, length = 0;
  coding.utf8 = IsUtf8Text(text, stray);
  if (!coding.utf8 && stray != std::string::npos && FindUtf8Sequence(text, length) != std::string::npos) {
    coding.strayLine = 1;
    for (std::size_t i = 0; i < stray; ++i) coding.strayLine += text[i] == '\n';
  }
  return coding;
}

std::string ToControlCoding(const FileCoding& coding, std::string& line, int lineNumber, std::size_t* where) {
  std::string problem;
  if (!coding.utf8) return problem;
  std::string_view text = line;
  if (lineNumber == 1 && text.substr(0, kByteOrderMark.size()) == kByteOrderMark) text.remove_prefix(kByteOrderMark.size());
  line = Utf8LineToCp1252(text, problem, where);
  return problem;
}

}  // namespace q32
