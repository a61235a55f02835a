// The size-bounded conversions of BMX texts between Windows-1252 and UTF-8:
// the size they return (terminator included, 0 when the text does not fit),
// the whole characters they keep when the room is short, and what becomes
// "?" on the way to Windows-1252.
#include <gtest/gtest.h>

#include "lang/LanguageTexts.h"

namespace q32 {
namespace {

TEST(LanguageCoding, SizesAndCutsAtWholeCharacters) {
  const char* const latin = "a\x80\x9C\xA0\xFF";
  const char* const utf8 = "a\xE2\x82\xAC\xC3\xA4\xC3\xBF\xC2\x80";  // U+0080 is not in Windows-1252
  // Room 0 only measures ("-": out is not touched).
  const struct { bool toUtf8; const char* in; std::size_t room, size; const char* out; } cases[] = {
      {true, "", 0, 1, "-"}, {false, "", 0, 1, "-"}, {false, "", 1, 1, ""}, {true, latin, 0, 11, "-"},
      {true, latin, 11, 11, "a\xE2\x82\xAC\xC5\x93\xC2\xA0\xC3\xBF"}, {true, "a\x80", 4, 0, "a"},
      {true, "\x80", 2, 0, ""}, {true, "\xE4\xE4", 4, 0, "\xC3\xA4"}, {false, utf8, 0, 6, "-"},
      {false, utf8, 6, 6, "a\x80\xE4\xFF?"}, {false, utf8, 3, 0, "a\x80"},
      // A CJK character and an emoji, a stray continuation byte, malformed and cut-short sequences.
      {false, "\xE4\xB8\xAD\xF0\x9F\x98\x80\x80\xC3\xFF\xE2\x82x\xC3", 20, 9, "??????x?"},
  };
  for (const auto& c : cases) {
    std::string out = "-";
    const std::size_t size = c.toUtf8 ? Latin1ToUtf8(c.in, &out, c.room) : Utf8ToLatin1(c.in, &out, c.room);
    EXPECT_EQ(c.size, size) << c.in << " in " << c.room;
    EXPECT_EQ(c.out, out) << c.in << " in " << c.room;
  }
  EXPECT_EQ(0u, Latin1ToUtf8("a", nullptr, 5));
  EXPECT_EQ(0u, Utf8ToLatin1("a", nullptr, 5));
}

}  // namespace
}  // namespace q32
