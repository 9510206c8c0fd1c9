// Real messages from the shared corpora run through the header and body decoding.
//
// The rules deliberately keep less than a full MIME parser would: only the first text part of a
// multipart body, no base64 body decoding, no charset conversion beyond the encoded words of
// ISO-8859-1, ISO-8859-2 and US-ASCII. The expectations below say where that shows.
#include <gtest/gtest.h>

#include <filesystem>

#include "readers/internet/headers.h"
#include "readers/internet/mime.h"
#include "readers/mime_test_support.h"
#include "storage/dates.h"

namespace qv {
namespace {

using testing::field;
using testing::Message;

const std::string kCorpora = QV_CORPORA;

// Loads a corpus message into `m` the way a reader would: optionally decoding quoted-printable
// text while reading, then cutting it into lines.
bool load(Message& m, const std::string& relative, bool quotedPrintable) {
  std::string raw;
  if (!testing::readFile(kCorpora + "/" + relative, raw)) return false;
  m.lines.addText(quotedPrintable ? testing::readerQuotedPrintable(raw) : raw);
  return true;
}

class MimeCorpus : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::is_directory(kCorpora)) GTEST_SKIP() << "no corpora at " << kCorpora;
  }
};

TEST_F(MimeCorpus, QuotedPrintableMailWithEncodedWords) {
  Message m;
  m.side.ownerAddresses = {"dwsauder@example.com"};
  ASSERT_TRUE(load(m, "zbateson-mmp/emails/m1001.txt", true));
  MessageContext ctx = m.context();
  MailHeaderResult r = ParseMailHeader(ctx, 1);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(+m.nhr.MAILTYPE, 2);  // sent by the owner
  EXPECT_EQ(+m.nhr.DATE, dateFromYmd(2000, 5, 17));
  EXPECT_EQ(+m.nhr.TIME, timeFromHms(22, 31, 57));
  EXPECT_EQ(field(m.nhr.R_CISADRESS), "schmuergen@example.com");
  // Posting decodes the encoded words of names and subjects.
  std::string receiver = field(m.nhr.R_NAME);
  DecodeWord(receiver);
  EXPECT_EQ(receiver, "J\xFCrgen Schm\xFCrgen");
  std::string subject = field(m.nhr.HEADING);
  DecodeWord(subject);
  EXPECT_EQ(subject, "Die Hasen und die Fr\xF6sche (Netscape Communicator 4.7)");
  std::string text = m.body.BuildBody(m.lines, r.contentClass, r.firstBodyLine, m.lines.size());
  // Soft line breaks are joined and "=" escapes decoded while reading.
  EXPECT_TRUE(
      text.starts_with("Die Hasen und die Fr\xF6sche\r\n\r\nDie Hasen klagten einst "
                       "\xFC"
                       "ber ihre mi\xDF"
                       "liche Lage; \"wir leben\", sprach ein\r\nRedner,"))
      << text;
  EXPECT_NE(text.find("\xE4rger als der\r\nTod selbst."), std::string::npos);
}

TEST_F(MimeCorpus, EncodedWordsThatStayPartlyEncoded) {
  Message m;
  ASSERT_TRUE(load(m, "zbateson-mmp/emails/m0004.txt", false));
  MessageContext ctx = m.context();
  MailHeaderResult r = ParseMailHeader(ctx, 1);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(+m.nhr.MAILTYPE, 1);
  EXPECT_EQ(field(m.nhr.S_CISADRESS), "doug@example.com");
  EXPECT_EQ(field(m.nhr.S_NAME), "Doug Sauder");
  EXPECT_EQ(+m.nhr.DATE, dateFromYmd(2000, 5, 17));
  std::string subject = field(m.nhr.HEADING);
  DecodeWord(subject);
  // "=28" and "=29" are low codes that the escape rules leave encoded.
  EXPECT_EQ(subject, "Die Hasen und die Fr\xF6sche =28Microsoft Outlook 00=29");
  // A folded "charset" line does not disturb the plain 8-bit body, kept byte for byte.
  std::string text = m.body.BuildBody(m.lines, r.contentClass, r.firstBodyLine, m.lines.size());
  EXPECT_TRUE(text.starts_with("Die Hasen und die Fr\xF6sche\r\n")) << text;
}

TEST_F(MimeCorpus, AlternativeWithFoldedBoundaryKeepsTheUndecodedPlainPart) {
  Message m;
  ASSERT_TRUE(load(m, "thunderbird-mailnews/test-data/06-plaintext+HMTL.eml", false));
  MessageContext ctx = m.context();
  MailHeaderResult r = ParseMailHeader(ctx, 1);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.contentClass, kPlainText);
  EXPECT_EQ(m.body.boundary(), "------------FAB286B8794CC63C0A0FD1BB");
  EXPECT_EQ(field(m.nhr.HEADING), "6 plaintext + HMTL");
  // The plain part is base64: bodies are not decoded, so its text is stored as it came.
  EXPECT_EQ(m.body.BuildBody(m.lines, r.contentClass, r.firstBodyLine, m.lines.size()),
            "This is a multi-part message in MIME format.\r\nU2VhcmNoIGZvciBoaWhp\r\n\r\n\r\n");
}

TEST_F(MimeCorpus, HtmlMailWithQuotedPrintableLink) {
  Message m;
  ASSERT_TRUE(load(m, "thunderbird-mailnews/test-data/23-HTML.eml", true));
  MessageContext ctx = m.context();
  MailHeaderResult r = ParseMailHeader(ctx, 1);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.contentClass, kHtmlText);
  // UTF-8 bytes are not converted: "ö" stays as its two bytes.
  EXPECT_EQ(m.body.BuildBody(m.lines, r.contentClass, r.firstBodyLine, m.lines.size()),
            "Search for h\xC3\xB6h\xC3\xB6 Test that we assemble HTML bodies correctly when "
            "there is a softbreak [https://www.example.com] involved. ");
}

TEST_F(MimeCorpus, NewsArticleWithAttachment) {
  Message m(internet_format::kWinvn);
  ASSERT_TRUE(load(m, "thunderbird-mailnews/news-postings/bug403242.eml", false));
  uint32_t counter = 7000;
  MessageContext ctx = m.context();
  NewsHeaderResult r = ParseNewsHeader(ctx, 1, nullptr, counter);
  EXPECT_EQ(r.kind, 3);
  EXPECT_EQ(field(m.nhr.FOR_DESCRIPTION), "test1");
  EXPECT_EQ(+m.nhr.MSGNUMBER, 7000u);
  ASSERT_EQ(m.side.ids.size(), 1u);
  EXPECT_EQ(m.side.ids[0].first, "<89550684-f0df-4e9a-aea6-07645e238dd2>");
  EXPECT_EQ(field(m.nhr.S_CISADRESS), "marcin.mikolajczak@hotmail.invalid");
  EXPECT_EQ(field(m.nhr.R_NAME), "All");
  EXPECT_EQ(+m.nhr.DATE, 0);  // "2007-11-09 18:37:09" is no form the date rules read
  // Only the first text part is kept; the attached text file is dropped.
  EXPECT_EQ(m.body.BuildBody(m.lines, r.contentClass, r.firstBodyLine, m.lines.size()),
            "This is a multi-part message in MIME format.\r\nThis message has an "
            "attachment.\r\n\r\n");
}

TEST_F(MimeCorpus, OldUsenetArticle) {
  Message m(internet_format::kUnixNews);
  ASSERT_TRUE(load(m, "utzoo-samples/1654", false));
  uint32_t counter = 1;
  MessageContext ctx = m.context();
  NewsHeaderResult r = ParseNewsHeader(ctx, 1, nullptr, counter);
  EXPECT_EQ(r.kind, 3);
  EXPECT_EQ(r.bodyLines, 16u);
  EXPECT_EQ(field(m.nhr.FOR_DESCRIPTION), "sci.virtual-worlds");
  EXPECT_EQ(field(m.nhr.S_CISADRESS), "dtj@sumac.cray.com");
  EXPECT_EQ(field(m.nhr.S_NAME), "Dean Johnson");
  EXPECT_EQ(field(m.nhr.HEADING),
            "Japanese Symposium on Artificial Reality, 9-10 July 1991, Tokyo");
  EXPECT_EQ(+m.nhr.DATE, dateFromYmd(1991, 6, 21));
  EXPECT_EQ(+m.nhr.TIME, timeFromHms(2, 56, 59));
  EXPECT_EQ(field(m.nhr.R_NAME), "All");
  EXPECT_EQ(m.lines.line(r.firstBodyLine).substr(0, 12), "|>         I");
}

TEST_F(MimeCorpus, TortureArticleWithLongLinesAndFoldedReferences) {
  Message m(internet_format::kUnixNews);
  ASSERT_TRUE(load(m, "inn/articles/5", false));
  uint32_t counter = 1;
  MessageContext ctx = m.context();
  NewsHeaderResult r = ParseNewsHeader(ctx, 1, nullptr, counter);
  EXPECT_EQ(r.kind, 3);
  EXPECT_EQ(field(m.nhr.HEADING), "Torture test for article parsing");
  EXPECT_EQ(+m.nhr.DATE, dateFromYmd(2004, 5, 18));
  ASSERT_EQ(m.side.ids.size(), 2u);
  EXPECT_EQ(m.side.ids[0].first, "<example-5@example.com>");
  EXPECT_EQ(m.side.ids[1].first, "<example-2@example.com>");
  EXPECT_EQ(field(m.nhr.R_NAME), "Unknown");
  // Only the first line of a folded From header is read.
  EXPECT_EQ(field(m.nhr.S_CISADRESS), "i");
  std::string text = m.body.BuildBody(m.lines, r.contentClass, r.firstBodyLine, m.lines.size());
  EXPECT_TRUE(text.starts_with("This is an article |\r| with all sorts of random\r\n.\r\n"))
      << text;
}

}  // namespace
}  // namespace qv
