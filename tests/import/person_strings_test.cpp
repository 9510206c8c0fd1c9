// Splitting names and raw address strings, and finding whole words in them.
#include <gtest/gtest.h>

#include <string>

#include "import/persons.h"

namespace qv {
namespace {

TEST(ParseName, SplitsAtTheLastBlankAndKeepsGenerationSuffixes) {
  struct Case {
    std::string name, last, first;
  } cases[] = {
      {"John Smith", "Smith", "John"},
      {"Jo Ann Smith   ", "Smith", "Jo Ann"},
      {"Madonna", "Madonna", ""},
      {"A B", "B", "A"},  // two one-letter words
      {"John Smith III", "Smith III", "John"},
      {"John Smith lll", "Smith lll", "John"},
      {"John Smith II", "Smith II", "John"},
      {"John Smith ll", "Smith ll", "John"},
      {"John Smith I", "Smith I", "John"},
      {"John Smith l", "Smith l", "John"},
      {"John Smith IV", "Smith IV", "John"},
      {"John Smith lV", "Smith lV", "John"},
      {"John Smith V", "Smith V", "John"},
      {"Mary Jo Smith IV", "Smith IV", "Mary Jo"},
      // Only the first three characters are compared.
      {"John Smith IIIrd", "Smith IIIrd", "John"},
      // Near misses: not generation suffixes.
      {"John Smith VI", "VI", "John Smith"},
      {"John Smith Iv", "Iv", "John Smith"},
      {"John Smith iii", "iii", "John Smith"},
      {"John Smith Ivy", "Ivy", "John Smith"},
      // A suffix with nothing, or only a leading blank, further left is all last name.
      {"Smith III", "Smith III", ""},
      {" Smith III", " Smith III", ""},
      // Doubled blanks before the suffix separate it once.
      {"John Smith  III", "Smith  III", "John"},
      {"Ann Bartholomew-Featherstonehaugh", "Bartholomew-Featherstoneh", "Ann"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    ParsedName p = ParseName(c.name);
    EXPECT_EQ(p.last, c.last) << '"' << c.name << '"';
    EXPECT_EQ(p.first, c.first) << '"' << c.name << '"';
  }
}

TEST(AISINB, FindsThePatternAndAppliesTheWholeWordRule) {
  struct Case {
    std::string pattern, text;
    bool wholeWord;
    int position;
  } cases[] = {
      {"INTERNET", "Joe >INTERNET:joe@x.com", true, 6},
      {"INTERNET", "INTERNET", true, 1},
      {"INTERNET", "Joe XINTERNET:joe", true, 0},  // a letter directly before
      {"INTERNET", "Joe XINTERNET:joe", false, 6},
      {"INTERNET", "Joe INTERNETS", true, 0},  // a letter directly after
      {"INTERNET", "XINTERNET INTERNET", true, 11},
      {"INTERNET", "internet:joe", false, 0},  // letter case counts
      // Of the digits only 1 is a word character next to a word; 128-133 are letters.
      {"INTERNET", "1INTERNET", true, 0},
      {"INTERNET", "2INTERNET", true, 2},
      {"INTERNET", "INTERNET9", true, 1},
      {"INTERNET", "\x80INTERNET", true, 0},
      {"INTERNET", "INTERNET\x85", true, 0},
      {"INTERNET", "\x86INTERNET", true, 2},
      // A numeric pattern is a whole number when no digit touches it.
      {"123", "a123b", true, 2},
      {"123", "41234", true, 0},
      {"123", "4123 123", true, 6},
      // Trailing blanks of either string do not count.
      {"ab  ", "-ab   ", true, 2},
      {"ab ", "ab ", false, 1},
      // The skip table must not jump over a match.
      {"abcab", "abcabcab", false, 1},
      {"aab", "aaab", false, 2},
      {"abab", "abaabab", false, 4},
      {"", "abc", false, 0},
      {"abcd", "abc", false, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(AISINB(c.pattern, c.text, c.wholeWord), c.position)
        << '"' << c.pattern << "\" in \"" << c.text << '"' << (c.wholeWord ? " whole" : "");
}

TEST(FindCISAdress, SplitsNameAndServiceIdentifier) {
  struct Case {
    int kind;
    std::string text, name, address;
  } cases[] = {
      {1, "Joe Bloggs 12345,678", "Joe Bloggs", "12345,678"},
      {1, "Joe Bloggs 12345.678", "Joe Bloggs", "12345,678"},
      {1, "Joe Bloggs [12345.678]", "Joe Bloggs", "12345,678"},
      {1, "Joe Bloggs [12345,678]   ", "Joe Bloggs", "12345,678"},
      {1, "Joe Bloggs 12345, 678", "Joe Bloggs", "12345,678"},
      {1, "Joe Bloggs> 12345,678", "Joe Bloggs", "12345,678"},
      {1,
       "Joe Bloggs\xB3"
       "12345,678",
       "Joe Bloggs", "12345,678"},
      {1, "Joe Bloggs \xB3 12345,678", "Joe Bloggs", "12345,678"},
      {1, "12345,678", "", "12345,678"},
      {1, "[12345.678]", "", "12345,678"},
      // A blank after the separator stays when fewer than two characters follow it.
      {1, "Joe 12345, 6", "Joe", "12345, 6"},
      // Without an identifier a forum string is all name.
      {1, "Joe Bloggs", "Joe Bloggs", ""},
      {1, "J. Smith", "J. Smith", ""},
      {1, "Joe Bloggs 12345,abc", "Joe Bloggs 12345,abc", ""},
      {1, "Joe Bloggs >12345,678", "Joe Bloggs >12345,678", ""},
      // A period is made a comma only for an identifier; a name keeps its own.
      {1, "Joe X.12", "Joe X.12", ""},
      // A closing bracket without its opening one costs no digit.
      {1, "Joe Bloggs 12345,678]", "Joe Bloggs", "12345,678"},
      {1, "", "", ""},
      // Mail strings.
      {2, "Joe Bloggs 12345,678", "Joe Bloggs", "12345,678"},
      {2, "Joe Bloggs >INTERNET:joe@host", "Joe Bloggs", "joe@host"},
      {2, "Joe Bloggs >INTERNET:joe@host.com", "Joe Bloggs", "joe@host.com"},
      {2, "Joe Bloggs joe@host.com", "Joe Bloggs", "joe@host.com"},
      {2, "Joe Bloggs\xB3joe@host", "Joe Bloggs", "joe@host"},
      {2, "Joe Bloggs 12345,abc", "Joe Bloggs", "12345,abc"},
      {2, "joe@host", "", "joe@host"},
      {2, "joe@host.com", "", "joe@host.com"},
      // A colon that ends the address is not a prefix.
      {2, "Joe Bloggs joe:", "Joe Bloggs", "joe:"},
      // CSINET: the address is cut before its "@".
      {2, "Jane Doe CSINET:jdoe@mail.host.com", "Jane Doe", "jdoe"},
      {2, "CSINET:x@y", "", "x@y"},
      {2, "CSINET:@xyzw", "", "@xyzw"},
      {2, "Jane CSINET", "Jane", ""},
      {2, "Jane ACSINET:jd@host", "Jane", "jd@host"},  // not a whole word
      // CSINET means nothing in a forum string.
      {1, "Jane CSINET:jdoe", "Jane CSINET:jdoe", ""},
  };
  for (const Case& c : cases) {
    NameAddress r = FindCISAdress(c.kind, c.text);
    EXPECT_EQ(r.name, c.name) << c.kind << " \"" << c.text << '"';
    EXPECT_EQ(r.address, c.address) << c.kind << " \"" << c.text << '"';
  }
}

TEST(NormaliseCisId, GivesServiceIdentifiersOneForm) {
  const std::string x56(56, 'x'), x57(57, 'x');
  struct Case {
    std::string in, out;
  } cases[] = {
      {"12345.678", "12345,678"},
      {"[12345,678]", "12345,678"},
      {"[12345.678]", "12345,678"},
      {"12345, 678", "12345,678"},
      {"12345. 678", "12345,678"},
      {"12345,678  ", "12345,678"},
      {"user@host.org", "user@host.org"},  // an Internet address stays as it is
      {"joe.bloggs@host.org", "joe.bloggs@host.org"},
      {"T1", "T1"},
      {"", ""},
      {"[]", "[]"},
      {"12345, 6", "12345,6"},
      {"12345,", "12345,"},
      {"a.b.c", "a.b,c"},              // the last period
      {"12345,678.9", "12345,678.9"},  // the comma ends the scan
      {"12345,6@x", "12345,6@x"},      // an "@" after the comma is never reached
      {x56 + ", 9", x56 + ",9"},       // comma at 57
      {x57 + ", 9", x57 + ", 9"},      // comma at 58
      {x56 + ". 9", x56 + ",9"},       // period at 57
      {x57 + ". 9", x57 + ", 9"},      // period at 58
  };
  for (const Case& c : cases) EXPECT_EQ(NormaliseCisId(c.in), c.out) << '"' << c.in << '"';
}

TEST(CleanMailAddress, DropsTheInternetMarkerOrNormalises) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"INTERNET:joe@host.com", "joe@host.com"},
      {"joe@host.com", "joe@host.com"},
      {"XINTERNET:joe@host", "XINTERNET:joe@host"},
      {"internet:joe@host", "internet:joe@host"},
      {"INTERNETjoe@host", "INTERNETjoe@host"},
      {"12345.678", "12345,678"},
      {"[12345, 678]", "12345,678"},
      {"INTERNET:12345.678", "INTERNET:12345,678"},  // no "@": an identifier
      {"T1", "T1"},
      {std::string(95, 'a') + "@host.example", std::string(95, 'a') + "@host"},
  };
  for (const Case& c : cases) EXPECT_EQ(CleanMailAddress(c.in), c.out) << '"' << c.in << '"';
}

TEST(SplitInternetForm, SplitsAtTheMarkerElseAsAServiceString) {
  struct Case {
    std::string text;
    int kind;
    std::string name, address;
  } cases[] = {
      {"Joe Bloggs >INTERNET:joe@host.com", 1, "Joe Bloggs", "joe@host.com"},
      {"\"Joe Bloggs\" >INTERNET:joe@host.com", 2, "Joe Bloggs", "joe@host.com"},
      {"Joe\xB3INTERNET:joe@host.com", 1, "Joe", "joe@host.com"},
      {"Joe >INTERNETjoe@host", 2, "Joe", ">INTERNETjoe@host"},  // not a marker
      {"Joe > INTERNET", 1, "Joe", ""},
      {"\"\" >INTERNET:x@y", 1, "\"\"", "x@y"},  // too short to lose its quotes
      {"\"Joe >INTERNET:x@y", 1, "\"Joe", "x@y"},
      // Without the marker.
      {"Joe Bloggs 12345.678", 1, "Joe Bloggs", "12345,678"},
      {"Joe Bloggs", 1, "Joe Bloggs", ""},
      {"Joe Bloggs joe@host", 2, "Joe Bloggs", "joe@host"},
      {"Joe >internet:joe@host", 2, "Joe", "joe@host"},
  };
  for (const Case& c : cases) {
    NameAddress r = SplitInternetForm(c.text, c.kind);
    EXPECT_EQ(r.name, c.name) << '"' << c.text << '"';
    EXPECT_EQ(r.address, c.address) << '"' << c.text << '"';
  }
  // Only 100 characters of the text take part.
  NameAddress r = SplitInternetForm(std::string(80, 'n') + " >INTERNET:" + std::string(30, 'a'), 2);
  EXPECT_EQ(r.name, std::string(80, 'n'));
  EXPECT_EQ(r.address, std::string(9, 'a'));
}

TEST(PersonStrings, IdentifyingStringAndSortName) {
  EXPECT_EQ(personString("John Smith   ", "jsmith@Host.org"), "JOHN SMITH JSMITH@HOST.ORG");
  EXPECT_EQ(personString("\xe9mile Zola", "12345,678"), "\xc9MILE ZOLA 12345,678");
  EXPECT_EQ(personString("", "12345,678"), " 12345,678");
  EXPECT_EQ(personString(std::string(70, 'n'), std::string(60, 'a')),
            std::string(70, 'N') + " " + std::string(29, 'A'));
  EXPECT_EQ(nameAlpha("Featherstonehaugh"), "Feathersto");
  EXPECT_EQ(nameAlpha("Smith"), "Smith");
  EXPECT_EQ(lower1252("Jane@HOST.Org \xc9\x8a\x9f\xd7"), "jane@host.org \xe9\x9a\xff\xd7");
}

TEST(PersonStrings, NumericTexts) {
  for (const char* yes : {"678", " 678", "678 ", "-12", "+1", "12.5", ".5", "5."})
    EXPECT_TRUE(isNumeric(yes)) << '"' << yes << '"';
  for (const char* no : {"", "   ", "6 78", "1.2.3", "12a", "-", ".", "[12", "1,2"})
    EXPECT_FALSE(isNumeric(no)) << '"' << no << '"';
}

}  // namespace
}  // namespace qv
