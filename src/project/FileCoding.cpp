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

namespace {

// The characters of the bytes read so far of a line of a UTF-8 file (a
// byte that is no UTF-8 is one character, as the conversion makes it one
// "?"), and how many bytes the last character still lacks when the read
// stopped inside it.
struct Utf8Count {
  std::size_t characters = 0;
  std::size_t lacking = 0;
};

Utf8Count CountUtf8(std::string_view text) {
  Utf8Count count;
  for (std::size_t at = 0; at < text.size(); ++count.characters) {
    char32_t u;
    if (const std::size_t length = DecodeUtf8At(text, at, u); length > 0) {
      at += length;
      continue;
    }
    const std::size_t wanted = Utf8SequenceLength(static_cast<unsigned char>(text[at]));
    std::size_t end = at + 1;
    while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    if (end == text.size() && end - at < wanted) {
      count.lacking = wanted - (end - at);
      ++count.characters;
      break;
    }
    ++at;
  }
  return count;
}

}  // namespace

bool ReadCodedLine(File& file, const FileCoding& coding, std::string& line, std::size_t maxChars, bool fileStart,
                   std::string& problem, std::size_t* where) {
  if (!coding.utf8) return file.GetLine(line, maxChars);
  // Every byte read is a character of its own or one of at most four bytes
  // of a character, so the reads stop after at most 4 * maxChars bytes.
  std::string bytes, piece;
  std::size_t skip = 0;  // the mark
  Utf8Count count;
  while (count.characters < maxChars || count.lacking > 0) {
    if (!file.GetLine(piece, count.lacking > 0 ? count.lacking : maxChars - count.characters)) break;
    bytes += piece;
    if (fileStart && skip == 0 && bytes.compare(0, kByteOrderMark.size(), kByteOrderMark) == 0)
      skip = kByteOrderMark.size();
    if (bytes.back() == '\n') break;
    count = CountUtf8(std::string_view(bytes).substr(skip));
  }
  if (bytes.empty()) return false;
  std::string missing;
  std::size_t at = 0;
  line = Utf8LineToCp1252(std::string_view(bytes).substr(skip), missing, &at);
  if (problem.empty() && !missing.empty()) {
    problem = std::move(missing);
    if (where) *where = at;
  }
  return true;
}

}  // namespace q32
