// Code page 1252 helpers: case folding, trimming, padding and conversion to and from UTF-8.
#include "storage/text.h"

#include <gtest/gtest.h>

namespace qv {
namespace {

TEST(Text, UpperFoldsAccentedLettersButNotSigns) {
  EXPECT_EQ(upper1252("abc\xE9\xFF\x9A\xF7\xDF"), "ABC\xC9\x9F\x8A\xF7\xDF");
  EXPECT_TRUE(equalsNoCase("M\xFCller", "M\xDCLLER"));
  EXPECT_FALSE(equalsNoCase("Muller", "Mueller"));
}

TEST(Text, FixedWidthFieldsArePaddedAndTrimmed) {
  char f[6];
  setField(f, "abcdefgh");
  EXPECT_EQ(std::string(f, 6), "abcdef");
  setField(f, "ab");
  EXPECT_EQ(std::string(f, 6), "ab    ");
  EXPECT_EQ(trimmed(f), "ab");
  char z[4] = {'x', ' ', '\0', '\0'};
  EXPECT_EQ(trimmed(z), "x");
}

TEST(Text, ConvertsBetween1252AndUtf8) {
  struct Case {
    std::string cp1252, utf8;
  } cases[] = {
      {"plain", "plain"},
      {"caf\xE9", "caf\xC3\xA9"},
      {"\x80 \x99", "\xE2\x82\xAC \xE2\x84\xA2"},
      {"\x9F", "\xC5\xB8"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cp1252ToUtf8(c.cp1252), c.utf8);
    EXPECT_EQ(utf8ToCp1252(c.utf8), c.cp1252);
  }
  EXPECT_EQ(cp1252ToUtf8("\x81"), "\xEF\xBF\xBD");
  EXPECT_EQ(utf8ToCp1252("\xE4\xB8\xAD x"), "? x");    // outside 1252
  EXPECT_EQ(utf8ToCp1252("a\xC3"), "a?");              // cut short
  EXPECT_EQ(utf8ToCp1252("\xFF\xC3\x28"), "?" "?(");      // malformed
}

}  // namespace
}  // namespace qv
