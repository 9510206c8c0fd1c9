// Reducing HTML bodies to stored text: breaks, lists, links, entities and the AOL variant.
#include "readers/internet/html_to_text.h"

#include <gtest/gtest.h>

#include "storage/records.h"

namespace qv {
namespace {

std::string html(std::string text) {
  HtmlToText(text);
  return text;
}

std::string aol(std::string text) {
  AolHtmlToText(text);
  return text;
}

TEST(HtmlToText, ParagraphsLinkAndTitle) {
  EXPECT_EQ(html("<html><head><title>Greeting</title></head><body><p>First paragraph.</p>"
                 "<p>Second with <a href=\"HTTP://Example.ORG/Page\">a link</a>.</p>"
                 "</body></html>"),
            "First paragraph.\r\n\r\nSecond with a link [http://example.org/page] .\r\n\r\n");
}

TEST(HtmlToText, DecodesEntities) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"&eacute; &Eacute; &#233;", "\xE9 \xC9 \xE9"},
      {"&amp; &lt;tag&gt; &quot;", "& <tag> \""},
      {"&copy;&reg;&shy;", "\xA9\xAE-"},
      {"&auml;&Ouml;&yuml;", "\xE4\xD6\xFF"},
      {"&szlig;&THORN;&thorn;&AElig;&aring;", "\xDF\xDE\xFE\xC6\xE5"},
      {"&ETH;&eth;", "\xD0\xF0"},
      {"&ccedil;&Ntilde;&oslash;&Ugrave;&icirc;", "\xE7\xD1\xF8\xD9\xEE"},
      {"&#65;&#39;", "A'"},
      {"x&nbsp;y&nbspz", "x y z"},  // with and without ";"
      {"&#233x", "\xE9x"},          // three digits without ";"
      // Unknown names and codes stay as written.
      {"&bogus; &Yuml; &#999; &#8217; &amp", "&bogus; &Yuml; &#999; &#8217; &amp"},
      {"AT&T", "AT&T"},
  };
  for (const Case& c : cases) EXPECT_EQ(html("<span>" + c.in + "</span>"), c.out) << c.in;
}

TEST(HtmlToText, ListItemsStartWithAStar) {
  EXPECT_EQ(html("<ul><li>One<li>Two</li><li>Three</ul>"), "* One\r\n\r\n* Two\r\n\r\n* Three");
  EXPECT_EQ(html("<ol><li>One</li><li>Two</li></ol>"), "* One\r\n\r\n* Two");
  // An item outside a list is no item; nested lists keep their items.
  EXPECT_EQ(html("<li>Loose</li>"), "Loose");
  EXPECT_EQ(html("<ul><li>A<ul><li>B</ul><li>C</ul>"), "* A\r\n\r\n* B\r\n\r\n* C");
}

TEST(HtmlToText, PreformattedTextKeepsItsLines) {
  EXPECT_EQ(html("<pre>  line one\r\n    indented\tcode</pre>"),
            "  line one\r\n    indented\tcode");
  EXPECT_EQ(html("<p>  line one\r\n    indented\tcode</p>"), "line one indentedcode\r\n\r\n");
}

TEST(HtmlToText, BlockTagsBreakLinesAndInlineTagsSeparate) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"<p>w<b>or</b>d</p>", "w or d\r\n\r\n"},  // bold markup splits the word
      {"<p>a<br>b<br><br>c", "a\r\nb\r\n\r\nc"},
      {"<b>a</b><br>b", "a\r\nb"},  // a trailing blank becomes the line break
      {"<div>a</div><div>b</div>", "a\r\nb\r\n"},
      {"<table><tr><td>a</td><td>b</td></tr></table>", "a\r\n\r\nb\r\n\r\n"},
      {"<h1>Title</h1>Text", "Title\r\n\r\nText"},
      {"<dl><dt>Term<dd>Data <b>bold</b> end</dl>", "Term   Data bold end"},
      {"<p><p><br>Start", "Start"},  // no empty lines in front of the text
      {"<p>caf=E9 =41</p>", "caf\xE9 =41\r\n\r\n"},
      {"<script>var x;</script><style>p{}</style>", "var x;p{}"},
      {"<!-- comment --><p>x</p>", "x\r\n\r\n"},
  };
  for (const Case& c : cases) EXPECT_EQ(html(c.in), c.out) << c.in;
}

TEST(HtmlToText, DropsTextOutsideTheHtml) {
  EXPECT_EQ(html("Preamble <html><body>Text</body></html> trailer <b>x</b>"), "Text");
  // Without a closing HTML tag the text after the last tag is still text of the message.
  EXPECT_EQ(html("<b>Bold</b> and more"), "Bold and more");
  // An unclosed "<" is text, in its place.
  EXPECT_EQ(html("<p>1 < 2</p>"), "1< 2\r\n\r\n");
}

TEST(HtmlToText, WritesALinkTargetOnceAfterItsText) {
  EXPECT_EQ(html("<p><a href=\"x\"><b>click</b> here</a> now"), "click here [x] now");
  EXPECT_EQ(html("<p><a name=\"top\">anchor</a> and <a href='single'>q</a>"), "anchor and q ");
  EXPECT_EQ(html("<p><A\r\nHREF=\"Mailto:Me@Host\">mail</A>"), "mail [mailto:me@host] ");
}

TEST(HtmlToText, NeverWritesMoreThan64000Characters) {
  std::string growing = "<p>";
  while (growing.size() < 70000) growing += "a<p>";
  std::string out = html(growing);
  EXPECT_LE(out.size(), kMaxTextLength);
  EXPECT_GT(out.size(), 60000u);
  EXPECT_TRUE(out.starts_with("a\r\n\r\na\r\n\r\n"));
}

TEST(AolHtmlToText, KeepsTextOutsideTagsAndAolMarkup) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"Hello <b>there</b>", "Hello there "},
      {"a <<b> c<BR>d", "a <<b> c\r\nd"},
      {"x<font size=2<BR>y</font>", "x y"},
      {"<html>a</html>b", "ab"},  // the HTML tag ends nothing
      {"<A\r\nHREF=\"x\">link</A>", "link"},
      {"<A HREF=\"X\">link</A>", "link [x] "},
      // Without any tag the text stays exactly as read.
      {"Just text &amp; =E9 \r\n more  ", "Just text &amp; =E9 \r\n more  "},
  };
  for (const Case& c : cases) EXPECT_EQ(aol(c.in), c.out) << c.in;
  EXPECT_EQ(html("<A\r\nHREF=\"x\">link</A>"), "link [x] ");
}

}  // namespace
}  // namespace qv
