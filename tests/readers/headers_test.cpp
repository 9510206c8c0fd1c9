// Header recognition and the mail and news header parse into the temporary import record.
#include "readers/internet/headers.h"

#include <gtest/gtest.h>

#include "readers/mime_test_support.h"
#include "storage/dates.h"

namespace qv {
namespace {

using testing::field;
using testing::linesOf;
using testing::Message;

TEST(ClassifyHeader, RecognisesHeadersByTheirFirst50Characters) {
  struct Case {
    std::string line;
    int kind;
  } cases[] = {
      {"From: a@b.c", 1},
      {"DATE: Mon, 5 Jan 1998", 2},
      {"to: x", 3},
      {"Subject: s", 4},
      {"Newsgroups: comp.lang.c", 5},
      {"Message-ID: <1@x>", 6},
      {"Content-Transfer-Encoding: base64", 99},
      {"X-Mailer: Foo", 99},
      {"X400-Received: x", 99},
      {"List-Id: <l.example>", 99},
      {"Return-Path: <a@b>", 99},
      {"Approved-By: me", 99},
      {"From ???@??? Mon Jan 05 10:00:00 1998", 99},  // a mailbox separator
      {"From - Mon Jan 05 10:00:00 1998", 99},
      // Near misses.
      {"From someone without at sign", 0},
      {"Content-Type:text/plain", 0},               // ": " is needed after CONTENT-
      {"X-" + std::string(48, 'a') + ": late", 0},  // the ": " starts after column 50
      {"Fromage: x", 0},
      {"Subject s", 0},
      {"", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyHeader(c.line), c.kind) << c.line;
}

TEST(IsHeaderLike, FindsHeaderAndContinuationLines) {
  struct Case {
    std::string line;
    int result;
  } cases[] = {
      {"Subject: hi", 0},
      {"X-Anything: value", 0},
      {" folded continuation", 0},
      {"\tfolded", 0},
      {"Subject:hi", 1},  // no blank after the colon
      {"Dear John: hello", 1},
      {"plain text line", 1},
      {"", 1},
      {std::string(49, 'x') + ": value", 1},  // the blank is past column 49
  };
  for (const Case& c : cases) EXPECT_EQ(IsHeaderLike(c.line), c.result) << c.line;
}

TEST(IsHeaderOfInterest, MatchesTheMainHeadersOnly) {
  EXPECT_EQ(IsHeaderOfInterest("Sender: x"), 1);
  EXPECT_EQ(IsHeaderOfInterest("received: from x"), 1);
  EXPECT_EQ(IsHeaderOfInterest("Message-ID: <x>"), 1);
  EXPECT_EQ(IsHeaderOfInterest("To: y"), 1);
  EXPECT_EQ(IsHeaderOfInterest("Reply-To: y"), 0);
  EXPECT_EQ(IsHeaderOfInterest("Newsgroups: y"), 0);
  EXPECT_EQ(IsHeaderOfInterest("  From: x"), 0);
}

TEST(SplitAddress, ThreeFromFormsGiveOneAddress) {
  struct Case {
    std::string value, address, name;
  } cases[] = {
      {"\"John Doe\" <John.Doe@Example.COM>", "john.doe@example.com", "John Doe"},
      {"John.Doe@Example.COM (John Doe)", "john.doe@example.com", "John Doe"},
      {"John Doe John.Doe@Example.COM", "john.doe@example.com", "John Doe"},
      {"  John Doe <John.Doe@Example.COM>", "john.doe@example.com", "John Doe"},
      {"John.Doe@Example.COM", "john.doe@example.com", ""},
      {"<John.Doe@Example.COM>", "john.doe@example.com", ""},
      {"\"Doe, John\" <jd@x.org>", "jd@x.org", "Doe, John"},
      {"John Doe", "john doe", ""},  // without "@" the value is the address
      {"76543,210", "76543,210", ""},
      {"\"\" <a@b>", "a@b", "\"\""},  // quotes are only dropped around a name
  };
  for (const Case& c : cases) {
    std::string address, name;
    SplitAddress(c.value, address, name);
    EXPECT_EQ(address, c.address) << c.value;
    EXPECT_EQ(name, c.name) << c.value;
  }
  NHR nhr{};
  SplitAddress(nhr, "Sender <S@X.ORG>", 2);
  SplitAddress(nhr, "r@y.org (Receiver)", 1);
  EXPECT_EQ(field(nhr.S_CISADRESS), "s@x.org");
  EXPECT_EQ(field(nhr.S_NAME), "Sender");
  EXPECT_EQ(field(nhr.R_CISADRESS), "r@y.org");
  EXPECT_EQ(field(nhr.R_NAME), "Receiver");
}

TEST(ParseMsgDate, ReadsTheGeneralAndPegasusForms) {
  struct Case {
    std::string value;
    bool pegasus;
    int32_t date, time;
  } cases[] = {
      {"Mon, 5 Jan 1998 12:34 +0100", false, dateFromYmd(1998, 1, 5), timeFromHms(12, 34, 0)},
      {"Wed, 17 May 2000 22:31:57 -0400", false, dateFromYmd(2000, 5, 17), timeFromHms(22, 31, 57)},
      {"05 Jan 98 12:34:56", false, dateFromYmd(1998, 1, 5), timeFromHms(12, 34, 56)},
      {"21 Jun 91 02:56:59 GMT", false, dateFromYmd(1991, 6, 21), timeFromHms(2, 56, 59)},
      {"3 Jan 05 08:00", false, dateFromYmd(2005, 1, 3), timeFromHms(8, 0, 0)},
      {"  fri, 31 dec 1999 23:59:59", false, dateFromYmd(1999, 12, 31), timeFromHms(23, 59, 59)},
      {"3 Okt 1999 10:00", false, dateFromYmd(1999, 10, 3), timeFromHms(10, 0, 0)},
      {"24 Dez 1999", false, dateFromYmd(1999, 12, 24), 0},  // no time
      {"12-Jan-99 10:30", false, dateFromYmd(1999, 1, 12), timeFromHms(10, 30, 0)},
      // Pegasus Mail forms.
      {"2-Jan-99 10:30", true, dateFromYmd(1999, 1, 2), timeFromHms(10, 30, 0)},
      {"12-Jan-1999 10:30:15", true, dateFromYmd(1999, 1, 12), timeFromHms(10, 30, 15)},
      {"Tue, 12 Jan 1999 10:30:00", true, dateFromYmd(1999, 1, 12), timeFromHms(10, 30, 0)},
      {"Tuesday, Jan 12, 1999 10:30", true, dateFromYmd(1999, 1, 12), timeFromHms(10, 30, 0)},
      {"Saturday, Jan 2, 1999 9:05", true, dateFromYmd(1999, 1, 2), 0},  // 9:05 is no time
      // Unreadable values give 0.
      {"2-Jan-99 10:30", false, 0, 0},  // the one-digit Pegasus form only for Pegasus
      {"Tuesday, Jan 12, 1999 10:30", false, 0, 0},
      {"2007-11-09 18:37:09", false, 0, 0},
      {"31 Apr 1999 10:00", false, 0, 0},
      {"5 Foo 1999 10:00", false, 0, 0},
      {"5 Jan 1999 25:00", false, dateFromYmd(1999, 1, 5), 0},
      {"", false, 0, 0},
  };
  for (const Case& c : cases) {
    int32_t date = -1, time = -1;
    ParseMsgDate(c.value, c.pegasus, date, time);
    EXPECT_EQ(date, c.date) << c.value;
    EXPECT_EQ(time, c.time) << c.value;
  }
}

TEST(MonthNameDate, KnowsEnglishAndGermanNames) {
  EXPECT_EQ(MonthNameDate("M\xC4R", 1, 1999), dateFromYmd(1999, 3, 1));
  EXPECT_EQ(MonthNameDate("M\xE4r", 1, 1999), dateFromYmd(1999, 3, 1));
  EXPECT_EQ(MonthNameDate("Mai", 1, 79), dateFromYmd(2079, 5, 1));
  EXPECT_EQ(MonthNameDate("Feb ", 29, 2000), dateFromYmd(2000, 2, 29));
  EXPECT_EQ(MonthNameDate("DEC", 31, 80), dateFromYmd(1980, 12, 31));
  EXPECT_EQ(MonthNameDate("jan", 1, 1999), 0);  // only the listed spellings
  EXPECT_EQ(MonthNameDate("Feb", 29, 1999), 0);
  EXPECT_EQ(MonthNameDate("Jan", 0, 1999), 0);
}

TEST(StripRe, RemovesOnePrefix) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"Re: Re: Lunch", "Re: Lunch"},   {"  RE:   Lunch", "Lunch"},           {"re:Lunch", "Lunch"},
      {"Reply needed", "Reply needed"}, {"Fwd: Re: Lunch", "Fwd: Re: Lunch"}, {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(StripRe(c.in), c.out) << c.in;
}

TEST(ParseMailHeader, FillsTheRecordOfAReceivedMail) {
  Message m;
  m.lines = linesOf({"Return-Path: <x@y>", "From: \"Ann Smith\" <Ann@Example.ORG>",
                     "To: owner@home.example", "Date: Mon, 5 Jan 1998 12:34:56 +0100",
                     "Subject: Re: Re: Lunch", "", "Hello.", ""});
  MessageContext ctx = m.context();
  MailHeaderResult r = ParseMailHeader(ctx, 1);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.contentClass, kPlainText);
  EXPECT_EQ(r.firstBodyLine, 7u);
  EXPECT_EQ(field(m.nhr.S_CISADRESS), "ann@example.org");
  EXPECT_EQ(field(m.nhr.S_NAME), "Ann Smith");
  EXPECT_EQ(+m.nhr.MAILTYPE, 1);
  EXPECT_EQ(field(m.nhr.R_CISADRESS), "owner@home.example");
  EXPECT_EQ(field(m.nhr.R_NAME), "Home Mail");
  EXPECT_EQ(field(m.nhr.HEADING), "Re: Lunch");
  EXPECT_EQ(+m.nhr.DATE, dateFromYmd(1998, 1, 5));
  EXPECT_EQ(+m.nhr.TIME, timeFromHms(12, 34, 56));
}

TEST(ParseMailHeader, FillsTheRecordOfASentMail) {
  Message m;
  m.lines =
      linesOf({"from: Me <ALIAS@home.example>", "TO: Bob Jones <Bob@Jones.NET> (X)", "", "Body"});
  MessageContext ctx = m.context();
  MailHeaderResult r = ParseMailHeader(ctx, 1);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(+m.nhr.MAILTYPE, 2);
  EXPECT_EQ(field(m.nhr.S_CISADRESS), "owner@home.example");
  EXPECT_EQ(field(m.nhr.S_NAME), "Home Mail");
  EXPECT_EQ(field(m.nhr.R_CISADRESS), "bob@jones.net");
  EXPECT_EQ(field(m.nhr.R_NAME), "Bob Jones");
  EXPECT_EQ(field(m.nhr.HEADING), "");  // no Subject line
  EXPECT_EQ(+m.nhr.DATE, 0);
  EXPECT_EQ(+m.nhr.TIME, 0);
}

TEST(ParseMailHeader, RejectsNewsArticlesAndMultipartWithoutBoundary) {
  Message news;
  news.lines = linesOf({"From: a@b", "Newsgroups: comp.lang.c", "", "Body"});
  MessageContext newsCtx = news.context();
  EXPECT_FALSE(ParseMailHeader(newsCtx, 1).ok);

  Message noBoundary;
  noBoundary.lines = linesOf(
      {"From: a@b", "Content-Type: multipart/mixed;", " charset=us-ascii", "", "--x", "Body"});
  MessageContext noBoundaryCtx = noBoundary.context();
  EXPECT_FALSE(ParseMailHeader(noBoundaryCtx, 1).ok);

  // A digest is not filtered, so it needs no boundary.
  Message digest;
  digest.lines = linesOf({"From: a@b", "Content-Type: multipart/digest", "", "Body"});
  MessageContext digestCtx = digest.context();
  EXPECT_TRUE(ParseMailHeader(digestCtx, 1).ok);
}

TEST(ParseMailHeader, KeepsTheFirstTextPartOfAlternatives) {
  // The boundary stands on the folded second line of the Content-Type header.
  std::initializer_list<std::string_view> plainFirst = {
      "From: a@b.org",
      "Content-Type: multipart/alternative;",
      "\tboundary=\"=_alt\"",
      "",
      "This is a multi-part message in MIME format.",
      "--=_alt",
      "Content-Type: text/plain; charset=us-ascii",
      "",
      "Plain words.",
      "",
      "--=_alt",
      "Content-Type: text/html",
      "",
      "<html><p>HTML words.</p></html>",
      "--=_alt--"};
  Message plain;
  plain.lines = linesOf(plainFirst);
  MessageContext plainCtx = plain.context();
  MailHeaderResult r = ParseMailHeader(plainCtx, 1);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.contentClass, kPlainText);
  EXPECT_EQ(plain.body.boundary(), "=_alt");
  EXPECT_EQ(plain.body.BuildBody(plain.lines, r.contentClass, r.firstBodyLine, plain.lines.size()),
            "This is a multi-part message in MIME format.\r\nPlain words.\r\n\r\n");

  Message html;
  html.lines =
      linesOf({"From: a@b.org", "Content-Type: multipart/alternative; boundary=\"=_alt\"", "",
               "--=_alt", "Content-Type: text/html", "", "<html><p>HTML <b>words</b>.</p></html>",
               "--=_alt", "Content-Type: text/plain", "", "Plain words.", "--=_alt--"});
  MessageContext htmlCtx = html.context();
  r = ParseMailHeader(htmlCtx, 1);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.contentClass, kHtmlText);
  EXPECT_EQ(html.body.BuildBody(html.lines, r.contentClass, r.firstBodyLine, html.lines.size()),
            "HTML words .\r\n\r\n");

  // Outlook Express 5 filters while reading: the header parse only keeps the boundary.
  Message oe5(internet_format::kOutlookExpress5Mail);
  oe5.lines = linesOf(plainFirst);
  MessageContext oe5Ctx = oe5.context();
  r = ParseMailHeader(oe5Ctx, 1);
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(oe5.body.boundary(), "=_alt");
  for (size_t i = 1; i <= oe5.lines.size(); ++i) EXPECT_FALSE(oe5.lines.isRemoved(i)) << i;
}

TEST(ParseMailHeader, ContentTypesAndDateForms) {
  struct Case {
    int format;
    std::string contentType, date;
    int contentClass;
    int32_t expectedDate;
  } cases[] = {
      {0, "Content-Type: text/html; charset=x", "5 Jan 1998 10:00", kHtmlText,
       dateFromYmd(1998, 1, 5)},
      {0, "Content-Type: text/enriched", "5 Jan 1998 10:00", kEnrichedText,
       dateFromYmd(1998, 1, 5)},
      {0, "Content-Type:text/html", "5 Jan 1998 10:00", kPlainText, dateFromYmd(1998, 1, 5)},
      {internet_format::kPegasus, "X-Other: 1", "5-Jan-98 10:00", kPlainText,
       dateFromYmd(1998, 1, 5)},
      {0, "X-Other: 1", "5-Jan-98 10:00", kPlainText, 0},
  };
  for (const Case& c : cases) {
    Message m(c.format);
    m.lines = linesOf({"From: a@b", "Date: " + c.date, c.contentType, "", "x"});
    MessageContext ctx = m.context();
    MailHeaderResult r = ParseMailHeader(ctx, 1);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.contentClass, c.contentClass) << c.contentType;
    EXPECT_EQ(+m.nhr.DATE, c.expectedDate) << c.date;
  }
}

TEST(ParseMailHeader, EmptyToClearsTheReceiver) {
  Message m;
  m.lines = linesOf({"From: owner@home.example", "To:", "", "x"});
  setField(m.nhr.R_NAME, "left over");
  MessageContext ctx = m.context();
  ASSERT_TRUE(ParseMailHeader(ctx, 1).ok);
  EXPECT_EQ(+m.nhr.MAILTYPE, 2);
  EXPECT_EQ(field(m.nhr.R_CISADRESS), "");
  EXPECT_EQ(field(m.nhr.R_NAME), "");
}

TEST(ParseNewsHeader, ThreadStarterAndReply) {
  Message start(internet_format::kWinvn);
  start.side.knownDatabases = {"COMP.B"};
  start.lines =
      linesOf({"Path: a!b", "From: Ann <ann@x.org>", "Newsgroups: comp.a, comp.b", "Subject: Hello",
               "Message-ID: <1@x.org>", "Date: 5 Jan 98 10:00", "Lines: 5", "", "", "Body", ""});
  uint32_t counter = 500;
  MessageContext startCtx = start.context();
  NewsHeaderResult r = ParseNewsHeader(startCtx, 1, nullptr, counter);
  EXPECT_EQ(r.kind, 3);
  EXPECT_EQ(r.bodyLines, 5u);       // a one-digit count too
  EXPECT_EQ(r.firstBodyLine, 10u);  // blank lines after the header are skipped
  EXPECT_EQ(field(start.nhr.FOR_DESCRIPTION), "comp.b");  // the group the catalogue knows
  EXPECT_EQ(+start.nhr.MSGNUMBER, 500u);
  EXPECT_EQ(+start.nhr.REFNUMBER, 0u);
  EXPECT_EQ(counter, 501u);
  ASSERT_EQ(start.side.ids.size(), 1u);
  EXPECT_EQ(start.side.ids[0].first, "<1@x.org>");
  EXPECT_EQ(field(start.nhr.S_CISADRESS), "ann@x.org");
  EXPECT_EQ(field(start.nhr.R_CISADRESS), "");
  EXPECT_EQ(field(start.nhr.R_NAME), "All");
  EXPECT_EQ(field(start.nhr.HEADING), "Hello");
  EXPECT_EQ(+start.nhr.DATE, dateFromYmd(1998, 1, 5));

  Message reply(internet_format::kGravity);
  reply.lines = linesOf({"From: bob@y.org (Bob)", "Newsgroups: comp.a", "Subject: Re: Hello",
                         "Message-ID:<2@y.org>", "References: <0@z.org> <1@x.org>", "\t<1a@x.org>",
                         "", "Reply"});
  MessageContext replyCtx = reply.context();
  r = ParseNewsHeader(replyCtx, 1, nullptr, counter);
  EXPECT_EQ(r.kind, 3);
  EXPECT_EQ(field(reply.nhr.FOR_DESCRIPTION), "comp.a");
  EXPECT_EQ(+reply.nhr.MSGNUMBER, 501u);
  EXPECT_EQ(+reply.nhr.REFNUMBER, 502u);
  EXPECT_EQ(counter, 503u);
  ASSERT_EQ(reply.side.ids.size(), 2u);
  EXPECT_EQ(reply.side.ids[0].first, "<2@y.org>");
  // The answered article is the last reference, here on the folded line.
  EXPECT_EQ(reply.side.ids[1].first, "<1a@x.org>");
  EXPECT_EQ(reply.side.ids[1].second, 502u);
  EXPECT_EQ(field(reply.nhr.R_NAME), "Unknown");
  EXPECT_EQ(field(reply.nhr.S_NAME), "Bob");
  EXPECT_EQ(field(reply.nhr.HEADING), "Hello");
  EXPECT_EQ(r.firstBodyLine, 8u);
}

TEST(ParseNewsHeader, OverviewRecordFillsWhatTheHeaderLacks) {
  NewsOverview overview;
  overview.messageId = "<9@x>";
  overview.subject = "From the index";
  overview.from = "idx@x.org";
  overview.references = "<8@x>";
  overview.newsgroups = "alt.test";
  Message m(internet_format::kNetscapeNews);
  m.lines = linesOf({"Date: 5 Jan 98 10:00", "", "Body"});
  uint32_t counter = 1;
  MessageContext ctx = m.context();
  NewsHeaderResult r = ParseNewsHeader(ctx, 1, &overview, counter);
  EXPECT_EQ(r.kind, 3);
  EXPECT_EQ(field(m.nhr.HEADING), "From the index");
  EXPECT_EQ(field(m.nhr.S_CISADRESS), "idx@x.org");
  EXPECT_EQ(field(m.nhr.FOR_DESCRIPTION), "alt.test");
  EXPECT_EQ(+m.nhr.MSGNUMBER, 1u);
  EXPECT_EQ(+m.nhr.REFNUMBER, 2u);
  EXPECT_EQ(field(m.nhr.R_NAME), "Unknown");

  // An overview record of another article is not used.
  Message other(internet_format::kNetscapeNews);
  other.lines = linesOf({"Message-ID: <other@x>", "", "Body"});
  MessageContext otherCtx = other.context();
  r = ParseNewsHeader(otherCtx, 1, &overview, counter);
  EXPECT_EQ(r.kind, 3);
  EXPECT_EQ(field(other.nhr.HEADING), "");
  EXPECT_EQ(+other.nhr.REFNUMBER, 0u);
  EXPECT_EQ(field(other.nhr.R_NAME), "All");
}

TEST(ParseNewsHeader, CompuServeStyleMessages) {
  // Kind 1: the header starts with Subject; "Fm:" names the sender; without To the receiver
  // is the owner. The non-news format goes through the CompuServe address forms.
  Message kind1(16);
  kind1.lines = linesOf({"Subject: Question", "Fm: Joe Bloggs 76543,210", "", "Text"});
  uint32_t counter = 1;
  MessageContext ctx1 = kind1.context();
  NewsHeaderResult r = ParseNewsHeader(ctx1, 1, nullptr, counter);
  EXPECT_EQ(r.kind, 1);
  ASSERT_EQ(kind1.side.compuServeCalls.size(), 1u);
  EXPECT_EQ(kind1.side.compuServeCalls[0], "Joe Bloggs 76543,210");
  EXPECT_EQ(field(kind1.nhr.S_CISADRESS), "76543,210");
  EXPECT_EQ(field(kind1.nhr.R_CISADRESS), "owner@home.example");
  EXPECT_EQ(field(kind1.nhr.R_NAME), "Home Mail");
  EXPECT_EQ(counter, 1u);

  // Kind 2: "From: You" is the owner's own message; "Young" is not.
  Message you(16);
  you.lines =
      linesOf({"From: You", "To: Ann 12345,678", "Date: 5 Jan 98 10:00", "Subject: S", "", "Text"});
  MessageContext youCtx = you.context();
  r = ParseNewsHeader(youCtx, 1, nullptr, counter);
  EXPECT_EQ(r.kind, 2);
  EXPECT_EQ(+you.nhr.MAILTYPE, 2);
  EXPECT_EQ(field(you.nhr.S_CISADRESS), "owner@home.example");
  EXPECT_EQ(field(you.nhr.R_CISADRESS), "12345,678");
  EXPECT_EQ(field(you.nhr.R_NAME), "Ann");

  Message young(internet_format::kAgentNews);
  young.lines = linesOf({"From: Young@x.org", "To: a@b", "", "Text"});
  MessageContext youngCtx = young.context();
  ParseNewsHeader(youngCtx, 1, nullptr, counter);
  EXPECT_EQ(+young.nhr.MAILTYPE, 0);
  EXPECT_EQ(field(young.nhr.S_CISADRESS), "young@x.org");
  EXPECT_EQ(field(young.nhr.R_CISADRESS), "a@b");
  EXPECT_TRUE(young.side.compuServeCalls.empty());
}

TEST(ParseNewsHeader, ABlankLineEndsTheHeaderOnlyWhenItIsComplete) {
  // Without Newsgroups or To, the walk goes on past a blank line until From, Date and
  // Subject have all been seen.
  Message m(internet_format::kAgentNews);
  m.lines = linesOf({"From: a@b.org", "Subject: S", "", "Date: 5 Jan 98 10:00", "", "Body"});
  uint32_t counter = 1;
  MessageContext ctx = m.context();
  NewsHeaderResult r = ParseNewsHeader(ctx, 1, nullptr, counter);
  EXPECT_EQ(r.kind, 2);
  EXPECT_EQ(r.firstBodyLine, 6u);
  EXPECT_EQ(+m.nhr.DATE, dateFromYmd(1998, 1, 5));
}

TEST(ParseNewsHeader, FiltersMultipartArticles) {
  Message m(internet_format::kWinvn);
  m.lines = linesOf({"Newsgroups: a.b", "Content-Type: multipart/mixed;", " boundary=\"nx\"", "",
                     "--nx", "Content-Type: text/plain", "", "Text.", "--nx",
                     "Content-Type: application/octet-stream", "", "AAAA", "--nx--"});
  uint32_t counter = 1;
  MessageContext ctx = m.context();
  NewsHeaderResult r = ParseNewsHeader(ctx, 1, nullptr, counter);
  EXPECT_EQ(r.contentClass, kPlainText);
  EXPECT_EQ(m.body.BuildBody(m.lines, r.contentClass, r.firstBodyLine, m.lines.size()),
            "Text.\r\n");

  // The Outlook Express 5 reader filters while reading; the header parse keeps the boundary.
  Message oe5(internet_format::kOutlookExpress5News);
  oe5.lines = m.lines;
  oe5.lines.truncate(3);
  for (const char* line : {"", "--nx", "Content-Type: text/plain", "", "Text.", "--nx--"})
    oe5.lines.addLine(line);
  MessageContext oe5Ctx = oe5.context();
  r = ParseNewsHeader(oe5Ctx, 1, nullptr, counter);
  EXPECT_EQ(oe5.body.boundary(), "nx");
  EXPECT_FALSE(oe5.lines.isRemoved(r.firstBodyLine));
}

TEST(SelectNewsgroup, PrefersAKnownGroup) {
  testing::FakeImportSide side;
  side.knownDatabases = {"B.GROUP"};
  EXPECT_EQ(SelectNewsgroup("a.group,b.group,c.group", side), "b.group");
  EXPECT_EQ(SelectNewsgroup("x.group, y.group", side), "x.group");
  EXPECT_EQ(SelectNewsgroup("  single.group  ", side), "single.group");
  EXPECT_EQ(SelectNewsgroup(",,b.group", side), "b.group");
}

}  // namespace
}  // namespace qv
