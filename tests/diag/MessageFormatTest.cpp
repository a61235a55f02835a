// The formatter of catalogue texts: a catalogue is written by hand, so its
// conversions must never read past the arguments a report passes (text1,
// text2, number1, number2 in that order of use), and widths are bounded.
#include <gtest/gtest.h>

#include "diag/Diagnostics.h"

namespace q32 {
namespace {

TEST(MessageFormat, ConversionsTakeOnlyTheArgumentsThatExist) {
  const struct {
    const char *format, *text1, *text2;
    long number1, number2;
    const char* out;
  } rows[] = {
      {"%s %s %d %d %d %d!", "a", nullptr, 1, 2, "a 1 2   !"},  // numbers shown by %s in decimal
      {"%d %d %s", nullptr, nullptr, 7, 8, "7 8 "},
      {"%s %s %d %d %s", "a", "b", 1, 2, "a b 1 2 "},
      {"[%5d]", "abc", nullptr, 0, 0, "[  abc]"},  // a text under a number conversion
      {"", "a", "b", 1, 2, ""},
      {"[%-5.2s][%5s][%05d][%i][%x][100%%]", "abcd", "abc", 42, -42, "[ab   ][  abc][00042][-42][][100%]"},
      {"[%x][%X]", nullptr, nullptr, 255, 255, "[ff][FF]"}, {"[%.12s]", "abcdefghijklmnop", nullptr, 0, 0, "[abcdefghijkl]"},
      {"%c", nullptr, nullptr, 'A', 0, "A"},
      {"%u %lu", nullptr, nullptr, -1, -1, "4294967295 18446744073709551615"},
      {"%+d %#x", nullptr, nullptr, 5, 31, "+5 0x1f"},
      {"%--+ 5d|%.3d|%.d", nullptr, nullptr, 5, 7, "+5   |007|"},
      {"%f %n %d %", nullptr, nullptr, 3, 4, "%f %n 3 %"},  // unknown and cut-off conversions stay
      {"Processing %s ...", "menu.sys", nullptr, 0, 0, "Processing menu.sys ..."},
  };
  for (const auto& r : rows)
    EXPECT_EQ(FormatMessageText(r.format, r.text1, r.text2, r.number1, r.number2), r.out) << r.format;
  EXPECT_EQ(FormatMessageText("%999999999999d", nullptr, nullptr, 1, 0).size(), 1024u);
  EXPECT_EQ(FormatMessageText("%.999999999999d", nullptr, nullptr, 1, 0).size(), 1024u);
}

}  // namespace
}  // namespace q32
