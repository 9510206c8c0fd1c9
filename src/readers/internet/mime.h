// Body decoding of Internet messages: quoted-printable pairs, encoded words, multipart bodies,
// text/enriched, and joining the kept lines into the stored message text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "readers/internet/line_list.h"

namespace qv {

// What kind of text a body holds; set by the header parse and the multipart filter.
enum ContentClass : uint8_t {
  kPlainText = 0,
  kHtmlText = 1,
  kEnrichedText = 2,
};

// Numbers of the source formats whose messages are decoded differently.
namespace internet_format {
inline constexpr int kIeNews = 9;
inline constexpr int kAgentNews = 18;
inline constexpr int kPegasus = 20;
inline constexpr int kNetscapeNews = 21;
inline constexpr int kOutlookExpress4News = 24;
inline constexpr int kUnixNews = 28;
inline constexpr int kGravity = 29;
inline constexpr int kOutlookExpress5Mail = 32;
inline constexpr int kOutlookExpress5News = 34;
inline constexpr int kAol = 36;
inline constexpr int kWinvn = 37;
inline constexpr int kCompuServe2000 = 38;
}  // namespace internet_format

// The longest boundary string that is kept.
inline constexpr size_t kMaxBoundaryLength = 100;

// Lower case of a code page 1252 text (accented capitals too). The same rule as the person
// register's; kept here so that the decoders need nothing beyond the text helpers.
std::string lowerText(std::string_view s);

// The replacement code of every ISO-8859-2 character 160-255 in code page 1252; index code-160.
extern const std::array<uint8_t, 96> Latin2Map;

// The character that a quoted-printable "=" escape with the characters c1 c2 stands for, or 0
// when the pair is not decoded (the caller then keeps the "=" and the pair as text). Only blank,
// tab, "=" and "," among the low codes and 128-255 in upper-case hex are decoded.
uint8_t QpPair(char c1, char c2);

// Three bytes from four Base64 characters, high bits first; "=" and characters outside the
// alphabet count as 0.
std::array<uint8_t, 3> Base64Group(std::string_view four);

// Decodes the first RFC 2047 encoded word of a header value in place, when its charset is
// ISO-8859-1, ISO-8859-2 (through Latin2Map) or US-ASCII; any other value stays as it is.
// Text before and after the word is kept; trailing blanks of the whole value are removed.
void DecodeWord(std::string& value);

// Looks for "BOUNDARY=" from column `start` (1-based) of `line` and returns 0 with the
// boundary (quotes and trailing parameters removed, at most kMaxBoundaryLength characters)
// in `boundary`, or 1 with `boundary` untouched when the line holds none.
uint8_t FindBoundary(std::string_view line, size_t start, std::string& boundary);

// Drops the commands of a text/enriched body (and the parameters of "param" commands); "<<"
// stands for "<". The result is at most 64000 characters.
void EnrichedToText(std::string& text);

// The multipart state of one message: the current boundary and the content class, plus the
// line-by-line state of the Outlook Express 5 part filter. One per reader, reset per message.
class MimeBody {
 public:
  explicit MimeBody(int format = 0) : format_(format) {}

  // Start of a new message: no boundary, plain text, the part filter at its start.
  void reset();

  int format() const { return format_; }
  uint8_t contentClass() const { return contentClass_; }
  void setContentClass(uint8_t value) { contentClass_ = value; }
  const std::string& boundary() const { return boundary_; }
  void setBoundary(std::string_view value);
  void clearBoundary() { boundary_.clear(); }

  // Marks every line of `lines` from `first` on that does not belong to the first text part
  // (plain or HTML) of the multipart body; the preamble before the first boundary stays.
  // A nested multipart/alternative or multipart/related replaces the boundary. Returns 1 when
  // the kept part is HTML, else 0.
  uint8_t FilterParts(LineList& lines, size_t first);

  // Decides one body line for readers that filter while reading: 0 drop it, 1 keep it,
  // 2 drop the lines kept so far (a nested boundary was found; this line is not kept either),
  // 3 stop reading the body.
  uint8_t FilterPartLine(std::string_view line);

  // Joins the unmarked lines `first`..`last` of `lines` into the message text with CR LF line
  // breaks (none after a split entry), at most 64000 characters, and reduces HTML and
  // text/enriched bodies to plain text. AOL and CompuServe 2000 bodies are joined without
  // breaks and always go through AolHtmlToText.
  std::string BuildBody(const LineList& lines, uint8_t contentClass, size_t first,
                        size_t last) const;

 private:
  int format_;
  uint8_t contentClass_ = kPlainText;
  std::string boundary_;
  bool expectingBoundary_ = false;
  bool insidePart_ = false;
  bool partAccepted_ = false;
};

// True when `line` holds the boundary: equal to it, or longer and containing it (letter case
// ignored). An empty boundary is never found.
bool holdsBoundary(std::string_view line, std::string_view boundary);

}  // namespace qv
