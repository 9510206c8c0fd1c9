// Quoted-printable pairs, encoded words, boundaries, multipart filtering and building the body.
#include "readers/internet/mime.h"

#include <gtest/gtest.h>

#include "readers/internet/line_list.h"
#include "readers/mime_test_support.h"

namespace qv {
namespace {

using testing::linesOf;

TEST(QpPair, DecodesHighCodesAndFourLowOnes) {
  struct Case {
    const char* pair;
    int expected;
  } cases[] = {
      {"E9", 233}, {"80", 128}, {"FF", 255},  // high codes
      {"3D", '='}, {"3d", '='}, {"20", ' '},  // the four low pairs, any case
      {"09", ' '}, {"2C", ','},               //
      {"41", 0},   {"7F", 0},   {"28", 0},    // other low codes stay encoded
      {"e9", 0},   {"8g", 0},   {"G1", 0},    // hex digits of high codes only in upper case
  };
  for (const Case& c : cases) EXPECT_EQ(QpPair(c.pair[0], c.pair[1]), c.expected) << c.pair;
}

TEST(Base64Group, GivesThreeBytesHighBitsFirst) {
  auto abc = Base64Group("QUJD");
  EXPECT_EQ(std::string(abc.begin(), abc.end()), "ABC");
  auto padded = Base64Group("QQ==");
  EXPECT_EQ(padded[0], 'A');
  EXPECT_EQ(padded[1], 0);
  auto high = Base64Group("/+9/");
  EXPECT_EQ(high[0], 0xFF);
  EXPECT_EQ(high[1], 0xEF);
  EXPECT_EQ(high[2], 0x7F);
}

TEST(DecodeWord, DecodesTheFirstWordOfTheNamedCharsets) {
  struct Case {
    std::string value, expected;
  } cases[] = {
      {"=?ISO-8859-1?Q?Caf=E9?=", "Caf\xE9"},
      {"=?iso-8859-1?q?Caf=E9_au_lait?= und mehr", "Caf\xE9 au lait und mehr"},
      // The blank before the word stays: "Re:Caf\xE9" would join two words.
      {"Re: =?ISO-8859-1?Q?Caf=E9?=", "Re: Caf\xE9"},
      {"=?ISO-8859-1?Q?=E9t=E9?=", "\xE9t\xE9"},  // the text itself begins with "="
      {"=?ISO-8859-1?Q?=41BC?=", "=41BC"},        // "=41" is not decoded
      {"=?ISO-8859-2?Q?=A3=B9?=", "L\x9A"},       // 163 -> L, 185 -> 154 through Latin2Map
      {"=?ISO-8859-2?B?o7k=?=", "L\x9A"},
      {"=?ISO-8859-1?Q?=A3=B9?=", "\xA3\xB9"},  // Latin-1 keeps the codes
      {"=?iso-8859-1?B?SvxyZ2VuIFNjaG38cmdlbg==?= <schmuergen@example.com>",
       "J\xFCrgen Schm\xFCrgen <schmuergen@example.com>"},
      {"=?ISO-8859-1?B?QQ?=", "A"},  // padding gives no NUL bytes
      {"=?US-ASCII?Q?Keith_Moore?= <moore@example.com>", "Keith Moore <moore@example.com>"},
      {"=?ISO-8859-15?Q?=A4uro?=", "\xA4uro"},  // decoded like ISO-8859-1
      // Only the first encoded word of a value is decoded.
      {"=?ISO-8859-1?Q?a?= =?ISO-8859-1?Q?b?=", "a =?ISO-8859-1?Q?b?="},
      // Other charsets, other encodings and broken words stay as they are.
      {"=?UTF-8?Q?caf=C3=A9?=", "=?UTF-8?Q?caf=C3=A9?="},
      {"=?windows-1252?Q?caf=E9?=", "=?windows-1252?Q?caf=E9?="},
      {"=?ISO-8859-3?Q?x?=", "=?ISO-8859-3?Q?x?="},
      {"=?ISO-8859-1?X?abc?=", "=?ISO-8859-1?X?abc?="},
      {"=?ISO-8859-1?Q?abc", "=?ISO-8859-1?Q?abc"},
      {"plain subject", "plain subject"},
  };
  for (const Case& c : cases) {
    std::string value = c.value;
    DecodeWord(value);
    EXPECT_EQ(value, c.expected) << c.value;
  }
}

TEST(DecodeWord, Base64OutputStopsAtOneHundredCharacters) {
  std::string value = "=?ISO-8859-1?B?" + std::string(200, 'Q') + "?=";
  DecodeWord(value);
  EXPECT_EQ(value.size(), 100u);
}

TEST(FindBoundary, TakesTheParameterValueInItsOwnCase) {
  struct Case {
    std::string line;
    size_t start;
    int result;
    std::string boundary;
  } cases[] = {
      {"Content-Type: multipart/alternative; boundary=\"Enmime-Test-100\"", 24, 0,
       "Enmime-Test-100"},
      {" boundary=\"------------FAB286B8794CC63C0A0FD1BB\"", 1, 0,
       "------------FAB286B8794CC63C0A0FD1BB"},
      {"\tBOUNDARY=MiXeD;", 1, 0, "MiXeD"},
      {"Content-Type: multipart/mixed; boundary=simple-one", 24, 0, "simple-one"},
      // Parameters after the boundary are not part of it.
      {"Content-Type: multipart/related; boundary=\"xyz\"; type=\"text/html\"", 24, 0, "xyz"},
      {"Content-Type: multipart/mixed; boundary=abc; charset=x", 24, 0, "abc"},
      {"Content-Type: multipart/mixed; boundary=\"=_quoted value\"", 24, 0, "=_quoted value"},
      // Near misses.
      {"Content-Type: multipart/mixed;", 24, 1, ""},
      {"boundary=", 1, 1, ""},         // shorter than 10 characters
      {"xx boundary=", 1, 1, ""},      // nothing after it
      {"boundary=\"\"  ", 1, 1, ""},   // empty quotes
      {"BOUNDARY=abcdefg", 2, 1, ""},  // starts before the search column
  };
  for (const Case& c : cases) {
    std::string boundary = "unchanged";
    EXPECT_EQ(FindBoundary(c.line, c.start, boundary), c.result) << c.line;
    EXPECT_EQ(boundary, c.result == 0 ? c.boundary : "unchanged") << c.line;
  }
}

TEST(EnrichedToText, DropsCommandsAndParameters) {
  struct Case {
    std::string text, expected;
  } cases[] = {
      {"<bold>Hi</bold> there", "Hi there"},
      {"a <<b> c", "a <b> c"},
      {"<color><param>red</param>Red text</color>", "Red text"},
      {"<x-color><param>0,0,0</param><bold>X</bold></x-color>", "X"},
      {"open <bold", "open "},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    EnrichedToText(text);
    EXPECT_EQ(text, c.expected) << c.text;
  }
  std::string big(70000, 'x');
  EnrichedToText(big);
  EXPECT_EQ(big.size(), kMaxTextLength);
}

// The text of the lines that FilterParts left unmarked.
std::string kept(const LineList& lines) {
  std::string out;
  for (size_t i = 1; i <= lines.size(); ++i)
    if (!lines.isRemoved(i)) out += lines.line(i) + "|";
  return out;
}

TEST(FilterParts, KeepsTheFirstTextPartWhicheverComesFirst) {
  struct Case {
    const char* name;
    const char* boundary;
    LineList lines;
    int result;
    std::string kept;
  } cases[] = {
      {"plain before HTML", "=_NextPart_01",
       linesOf({"Preamble.", "--=_NextPart_01", "Content-Type: text/plain", "", "Plain text.",
                "--=_NextPart_01", "Content-Type: text/html", "", "<p>HTML</p>",
                "--=_NextPart_01--"}),
       0, "Preamble.|Plain text.|"},
      {"HTML before plain", "=_NextPart_01",
       linesOf({"--=_NextPart_01", "Content-Type: text/html; charset=us-ascii", "",
                "<html><p>HTML</p></html>", "", "--=_NextPart_01", "Content-Type: text/plain", "",
                "Plain text.", "--=_NextPart_01--"}),
       1, "<html><p>HTML</p></html>||"},
      {"attachment before text", "=_NextPart_01",
       linesOf({"--=_NextPart_01", "Content-Type: image/gif", "Content-Transfer-Encoding: base64",
                "", "R0lGODlhAQABAAAAACw=", "--=_NextPart_01", "Content-Type: text/plain", "",
                "Text.", "--=_NextPart_01--"}),
       0, "Text.|"},
      {"no text part", "=_NextPart_01",
       linesOf({"Only preamble.", "--=_NextPart_01", "Content-Type: image/gif", "", "R0lG",
                "--=_NextPart_01--", "Epilogue."}),
       0, "Only preamble.|"},
      {"nested alternative, boundary on the type line", "=_Outer_1",
       linesOf({"--=_Outer_1", "Content-Type: multipart/alternative; boundary=\"=_Inner_2\"", "",
                "--=_Inner_2", "Content-Type: text/plain", "", "Inner text.", "--=_Inner_2",
                "Content-Type: text/html", "", "<p>x</p>", "--=_Inner_2--", "--=_Outer_1",
                "Content-Type: application/pdf", "", "JVBERi0=", "--=_Outer_1--"}),
       0, "Inner text.|"},
      {"nested related, boundary on a folded line", "=_Outer_1",
       linesOf({"--=_Outer_1", "Content-Type: multipart/related;", "\tboundary=\"=_Rel_3\"", "",
                "--=_Rel_3", "Content-Type: text/html", "", "<b>Hi</b>", "--=_Rel_3",
                "--=_Outer_1--"}),
       1, "<b>Hi</b>|"},
      {"boundary text inside a longer line", "=_Part_1",
       linesOf({"----=_Part_1", "Content-Type: text/plain", "", "Line.", "----=_Part_1--"}), 0,
       "Line.|"},
  };
  for (Case& c : cases) {
    MimeBody body;
    body.setBoundary(c.boundary);
    EXPECT_EQ(body.FilterParts(c.lines, 1), c.result) << c.name;
    EXPECT_EQ(kept(c.lines), c.kept) << c.name;
  }
}

TEST(FilterPartLine, FollowsPartsWhileReading) {
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    std::vector<int> results;
    std::string boundaryAfter;
  } cases[] = {
      {"first text part, then stop",
       {"This is a multi-part message.", "--=_NextPart_01", "Content-Type: text/plain", "", "Text.",
        "--=_NextPart_01"},
       {1, 1, 1, 1, 1, 3},
       "=_NextPart_01"},
      {"non-text part type lines are dropped",
       {"--=_NextPart_01", "Content-Type: image/gif", "", "R0lG", "--=_NextPart_01"},
       {1, 0, 1, 1, 3},
       "=_NextPart_01"},
      {"nested boundary on a folded line restarts",
       {"--=_NextPart_01", "Content-Type: multipart/alternative;",
        "Content-Transfer-Encoding: 7bit", "\tboundary=\"=_Inner_02\"", "", "--=_Inner_02",
        "Content-Type: text/plain", "Text.", "--=_Inner_02"},
       {1, 0, 0, 2, 1, 1, 1, 1, 3},
       "=_Inner_02"},
      // A nested boundary on the type line itself must not leave the filter waiting for a
      // boundary line that never comes (the rest of the body would be lost).
      {"nested boundary on the type line restarts",
       {"--=_NextPart_01", "Content-Type: multipart/alternative; boundary=\"=_Inner_02\"", "",
        "--=_Inner_02", "Content-Type: text/html", "", "<p>x</p>", "--=_Inner_02"},
       {1, 2, 1, 1, 1, 1, 1, 3},
       "=_Inner_02"},
  };
  for (const Case& c : cases) {
    MimeBody body(internet_format::kOutlookExpress5Mail);
    body.reset();
    body.setBoundary("=_NextPart_01");
    std::vector<int> results;
    for (const std::string& line : c.lines) results.push_back(body.FilterPartLine(line));
    EXPECT_EQ(results, c.results) << c.name;
    EXPECT_EQ(body.boundary(), c.boundaryAfter) << c.name;
  }
}

TEST(BuildBody, JoinsKeptLinesWithLineBreaks) {
  LineList lines;
  lines.addLine(std::string(450, 'a'));  // two entries, the first split
  lines.addLine("second");
  lines.addLine("dropped");
  lines.addLine("");
  lines.addLine("last");
  lines.markRemoved(4);
  MimeBody body;
  EXPECT_EQ(body.BuildBody(lines, kPlainText, 1, lines.size()),
            std::string(450, 'a') + "\r\nsecond\r\n\r\nlast\r\n");
  // A range, and a first line that is split: no break inside the long line.
  EXPECT_EQ(body.BuildBody(lines, kPlainText, 2, 3), std::string(50, 'a') + "\r\nsecond\r\n");
  EXPECT_EQ(body.BuildBody(lines, kPlainText, 1, 1), std::string(400, 'a'));
  EXPECT_EQ(body.BuildBody(lines, kPlainText, 7, 9), "");
}

TEST(BuildBody, CutsAt63998CharactersAndALineBreak) {
  struct Case {
    size_t length;    // characters of the body lines before the last one
    size_t expected;  // length of the built text
  } cases[] = {
      {64001, 64000},  // cut: 63998 characters and CR LF
      {63998, 64000},  // fits exactly with its line break; nothing more is added
      {63997, 63999},  // fits; the next line would pass the limit and is left out
  };
  for (const Case& c : cases) {
    LineList lines;
    size_t filled = 0;
    while (filled + 401 <= c.length) {
      lines.addLine(std::string(399, 'x'));
      filled += 401;
    }
    lines.addLine(std::string(c.length - filled, 'y'));
    lines.addLine("after the limit");
    MimeBody body;
    std::string text = body.BuildBody(lines, kPlainText, 1, lines.size());
    EXPECT_EQ(text.size(), c.expected) << c.length;
    EXPECT_TRUE(text.ends_with("y\r\n")) << c.length;
    EXPECT_EQ(text.find("after"), std::string::npos) << c.length;
  }
}

TEST(BuildBody, ReducesHtmlAndEnrichedBodies) {
  MimeBody body;
  LineList html = linesOf({"<p>One</p>", "<p>Two</p>"});
  EXPECT_EQ(body.BuildBody(html, kHtmlText, 1, 2), "One\r\n\r\nTwo\r\n\r\n");
  // Plain text that starts like HTML is reduced too, but only when "HTML" is in front.
  LineList looksHtml = linesOf({"<HTML><p>One</p></HTML>"});
  EXPECT_EQ(body.BuildBody(looksHtml, kPlainText, 1, 1), "One\r\n\r\n");
  LineList notInFront = linesOf({"<p>Some HTML</p>"});
  EXPECT_EQ(body.BuildBody(notInFront, kPlainText, 1, 1), "<p>Some HTML</p>\r\n");
  LineList enriched = linesOf({"<bold>Hi</bold>"});
  EXPECT_EQ(body.BuildBody(enriched, kEnrichedText, 1, 1), "Hi\r\n");
}

TEST(BuildBody, AolBodiesAreJoinedWithoutBreaks) {
  LineList lines = linesOf({"Hello<BR>", "World", "skip", "<B>!</B>"});
  lines.markRemoved(3);
  MimeBody aol(internet_format::kAol);
  EXPECT_EQ(aol.BuildBody(lines, kPlainText, 1, 4), "Hello\r\nWorld ! ");
  MimeBody cs2000(internet_format::kCompuServe2000);
  LineList plain = linesOf({"No markup ", "at all"});
  EXPECT_EQ(cs2000.BuildBody(plain, kPlainText, 1, 2), "No markup at all");
}

}  // namespace
}  // namespace qv
