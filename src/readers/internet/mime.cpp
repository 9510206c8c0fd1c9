// Body decoding of Internet messages: quoted-printable pairs, encoded words, multipart bodies,
// text/enriched, and joining the kept lines into the stored message text.
#include "readers/internet/mime.h"

#include "readers/internet/html_to_text.h"
#include "storage/records.h"
#include "storage/text.h"

namespace qv {

const std::array<uint8_t, 96> Latin2Map = {
    160, 65,  63,  76,  164, 76,  83,  167, 168, 138, 83,  84,  90,  173, 90,  90,   //
    176, 97,  63,  108, 180, 108, 115, 63,  184, 154, 115, 116, 122, 63,  122, 122,  //
    82,  193, 194, 65,  196, 76,  67,  199, 67,  201, 69,  203, 69,  205, 206, 68,   //
    68,  78,  78,  211, 212, 79,  214, 215, 82,  85,  218, 85,  220, 221, 84,  223,  //
    114, 225, 226, 97,  228, 108, 99,  231, 99,  233, 101, 235, 101, 237, 238, 100,  //
    100, 110, 110, 243, 244, 111, 246, 247, 114, 117, 250, 117, 252, 253, 116, 63,
};

namespace {

char upperAscii(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

int base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 0;
}

// Base64 text to bytes; a group yields one byte fewer for each "=" in it.
std::string decodeBase64(std::string_view text, size_t limit) {
  std::string padded(text);
  while (padded.size() % 4 != 0) padded += '=';
  std::string out;
  for (size_t i = 0; i + 4 <= padded.size() && out.size() < limit; i += 4) {
    std::string_view group(padded.data() + i, 4);
    std::array<uint8_t, 3> bytes = Base64Group(group);
    size_t pads = 0;
    for (char c : group)
      if (c == '=') ++pads;
    size_t n = pads >= 3 ? 0 : 3 - pads;
    for (size_t k = 0; k < n && out.size() < limit; ++k) out += static_cast<char>(bytes[k]);
  }
  return out;
}

std::string decodeQ(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '_') {
      out += ' ';
      continue;
    }
    if (c == '=' && i + 2 < text.size()) {
      uint8_t decoded = QpPair(text[i + 1], text[i + 2]);
      if (decoded != 0) {
        out += static_cast<char>(decoded);
        i += 2;
        continue;
      }
    }
    out += c;
  }
  return out;
}

// Columns 13-35 of an upper-cased Content-Type line, where the part's type is looked for.
std::string_view typeWindow(std::string_view upperLine) {
  if (upperLine.size() <= 12) return {};
  return upperLine.substr(12, 23);
}

}  // namespace

std::string lowerText(std::string_view s) {
  std::string out(s);
  for (char& ch : out) {
    uint8_t c = static_cast<uint8_t>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) {
      c = static_cast<uint8_t>(c + 32);
    } else if (c == 0x8A || c == 0x8C || c == 0x8E) {
      c = static_cast<uint8_t>(c + 16);
    } else if (c == 0x9F) {
      c = 0xFF;
    }
    ch = static_cast<char>(c);
  }
  return out;
}

uint8_t QpPair(char c1, char c2) {
  char u1 = upperAscii(c1);
  char u2 = upperAscii(c2);
  if (u1 == '3' && u2 == 'D') return '=';
  if (u1 == '2' && u2 == '0') return ' ';
  if (u1 == '0' && u2 == '9') return ' ';
  if (u1 == '2' && u2 == 'C') return ',';
  // Low codes other than the four above stay encoded: they would be control characters.
  std::string_view high = "89ABCDEF";
  if (high.find(c1) == std::string_view::npos) return 0;
  int low = hexValue(c2);
  if (low < 0) return 0;
  return static_cast<uint8_t>(hexValue(c1) * 16 + low);
}

std::array<uint8_t, 3> Base64Group(std::string_view four) {
  uint32_t bits = 0;
  for (size_t i = 0; i < 4; ++i) bits = (bits << 6) | (i < four.size() ? base64Value(four[i]) : 0);
  return {static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 8),
          static_cast<uint8_t>(bits)};
}

void DecodeWord(std::string& value) {
  size_t start = value.find("=?");
  if (start == std::string::npos || value.find("?=", start + 2) == std::string::npos) return;
  std::string charset = upper1252(std::string_view(value).substr(start + 2, 8));
  char mode;
  if (charset == "ISO-8859") {
    if (start + 11 >= value.size()) return;
    mode = value[start + 11];
    if (mode != '1' && mode != '2') return;
  } else if (charset == "US-ASCII") {
    mode = 'U';
  } else {
    return;
  }
  size_t q1 = value.find('?', start + 10);
  if (q1 == std::string::npos || q1 + 1 >= value.size()) return;
  char encoding = upperAscii(value[q1 + 1]);
  size_t q2 = value.find('?', q1 + 2);
  if (q2 == std::string::npos) return;
  // The end is looked for after the encoded text begins: a Q text may itself start with "=".
  size_t end = value.find("?=", q2 + 1);
  if (end == std::string::npos) return;
  std::string_view encoded = std::string_view(value).substr(q2 + 1, end - q2 - 1);
  std::string decoded;
  if (encoding == 'B') {
    decoded = decodeBase64(encoded, 100);
  } else if (encoding == 'Q') {
    decoded = decodeQ(encoded);
  } else {
    return;
  }
  if (mode == '2') {
    for (char& c : decoded) {
      uint8_t code = static_cast<uint8_t>(c);
      if (code >= 160) c = static_cast<char>(Latin2Map[code - 160]);
    }
  }
  // The text before the word keeps its blanks: "Re: =?...?=" must not become "Re:...".
  std::string result = value.substr(0, start);
  result += trimRight(decoded);
  result += std::string_view(value).substr(end + 2);
  value.assign(trimRight(result));
}

uint8_t FindBoundary(std::string_view line, size_t start, std::string& boundary) {
  if (line.size() < 10 || start < 1) return 1;
  std::string upper = upper1252(line);
  size_t at = std::string::npos;
  for (size_t pos = start - 1; pos + 10 <= line.size(); ++pos) {
    if (std::string_view(upper).substr(pos, 9) == "BOUNDARY=") {
      at = pos;
      break;
    }
  }
  if (at == std::string::npos) return 1;
  std::string_view value = trimRight(line.substr(at + 9));
  if (!value.empty() && value.front() == '"') {
    // A quoted value ends at its closing quote; parameters may follow it on the same line.
    value.remove_prefix(1);
    size_t close = value.find('"');
    if (close != std::string_view::npos) value = value.substr(0, close);
  } else {
    size_t end = value.find_first_of("; \t");
    if (end != std::string_view::npos) value = value.substr(0, end);
  }
  while (value.size() > 2 && (value.back() == '"' || value.back() == ';')) value.remove_suffix(1);
  if (value.empty()) return 1;
  boundary.assign(value.substr(0, kMaxBoundaryLength));
  return 0;
}

void EnrichedToText(std::string& text) {
  std::string out;
  bool inParam = false;
  for (size_t i = 0; i < text.size() && out.size() < kMaxTextLength; ++i) {
    char c = text[i];
    if (c != '<') {
      if (!inParam) out += c;
      continue;
    }
    if (i + 1 < text.size() && text[i + 1] == '<') {
      if (!inParam) out += '<';
      ++i;
      continue;
    }
    size_t close = text.find('>', i + 1);
    std::string_view command = std::string_view(text).substr(
        i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
    std::string name = upper1252(command);
    if (inParam) {
      std::string_view bare = name;
      if (bare.starts_with('/')) bare.remove_prefix(1);
      if (bare.starts_with("PARAM")) inParam = false;
    } else if (name.starts_with("PARAM")) {
      inParam = true;
    }
    if (close == std::string::npos) break;
    i = close;
  }
  text = std::move(out);
}

bool holdsBoundary(std::string_view line, std::string_view boundary) {
  if (boundary.empty() || line.size() < boundary.size()) return false;
  if (line.size() == boundary.size()) return equalsNoCase(line, boundary);
  return upper1252(line).find(upper1252(boundary)) != std::string::npos;
}

void MimeBody::reset() {
  contentClass_ = kPlainText;
  boundary_.clear();
  expectingBoundary_ = false;
  insidePart_ = false;
  partAccepted_ = false;
}

void MimeBody::setBoundary(std::string_view value) {
  boundary_.assign(value.substr(0, kMaxBoundaryLength));
}

uint8_t MimeBody::FilterParts(LineList& lines, size_t first) {
  bool inPartHeader = false;
  bool textChosen = false;
  bool htmlChosen = false;
  bool removing = false;
  bool done = false;
  bool nestedPending = false;
  for (size_t i = first; i >= 1 && i <= lines.size(); ++i) {
    if (done) {
      lines.markRemoved(i);
      continue;
    }
    if (inPartHeader) {
      std::string text = lines.line(i);
      lines.markRemoved(i);
      if (isBlankLine(text)) {
        inPartHeader = false;
        nestedPending = false;
        continue;
      }
      std::string upper = upper1252(text);
      if (upper.starts_with("CONTENT-TYPE")) {
        std::string_view window = typeWindow(upper);
        size_t alternative = window.find("MULTIPART/ALTERNATIVE");
        size_t related = window.find("MULTIPART/RELATED");
        if (window.find("TEXT/PLAIN") != std::string_view::npos) {
          textChosen = true;
          htmlChosen = false;
          removing = false;
        } else if (window.find("TEXT/HTML") != std::string_view::npos) {
          textChosen = true;
          htmlChosen = true;
          removing = false;
        } else if (alternative != std::string_view::npos || related != std::string_view::npos) {
          // The boundary parameter is looked for after the type name (column numbers from 1).
          size_t after =
              alternative != std::string_view::npos ? 12 + alternative + 21 : 12 + related + 17;
          std::string nested;
          if (FindBoundary(text, after + 1, nested) == 0) {
            boundary_ = nested;
            nestedPending = false;
          } else {
            nestedPending = true;
          }
        }
      } else if (nestedPending && text.size() > 9) {
        std::string nested;
        if (FindBoundary(text, 1, nested) == 0) {
          boundary_ = nested;
          nestedPending = false;
        }
      }
      continue;
    }
    if (holdsBoundary(lines.line(i), boundary_)) {
      if (textChosen) {
        done = true;
      } else {
        inPartHeader = true;
        removing = true;
      }
      lines.markRemoved(i);
      continue;
    }
    if (removing) lines.markRemoved(i);
  }
  return htmlChosen ? 1 : 0;
}

uint8_t MimeBody::FilterPartLine(std::string_view line) {
  if (expectingBoundary_) {
    std::string nested;
    if (upper1252(line).find("BOUNDARY=") == std::string::npos ||
        FindBoundary(line, 1, nested) != 0)
      return 0;
    boundary_ = nested;
    expectingBoundary_ = false;
    insidePart_ = false;
    return 2;
  }
  if (line.size() > 9 && holdsBoundary(line, boundary_)) {
    if (insidePart_) return 3;
    insidePart_ = true;
    return 1;
  }
  if (!insidePart_ || partAccepted_) return 1;
  std::string upper = upper1252(line);
  if (!upper.starts_with("CONTENT-TYPE")) return 1;
  std::string_view window = typeWindow(upper);
  if (window.find("TEXT/PLAIN") != std::string_view::npos ||
      window.find("TEXT/HTML") != std::string_view::npos) {
    partAccepted_ = true;
    return 1;
  }
  if (window.find("MULTIPART/ALTERNATIVE") != std::string_view::npos ||
      window.find("MULTIPART/RELATED") != std::string_view::npos) {
    // The nested boundary often stands on this very line; waiting for a later line holding
    // "BOUNDARY=" would then drop the whole rest of the body.
    std::string nested;
    if (upper.find("BOUNDARY=") != std::string::npos && FindBoundary(line, 1, nested) == 0) {
      boundary_ = nested;
      insidePart_ = false;
      return 2;
    }
    expectingBoundary_ = true;
  }
  return 0;
}

std::string MimeBody::BuildBody(const LineList& lines, uint8_t contentClass, size_t first,
                                size_t last) const {
  std::string text;
  if (last > lines.size()) last = lines.size();
  if (format_ == internet_format::kAol || format_ == internet_format::kCompuServe2000) {
    for (size_t i = first; i >= 1 && i <= last && text.size() < kMaxTextLength; ++i) {
      if (lines.isRemoved(i)) continue;
      text += std::string_view(lines.line(i)).substr(0, kMaxTextLength - text.size());
    }
    AolHtmlToText(text);
    return text;
  }
  constexpr size_t kCut = kMaxTextLength - 2;
  for (size_t i = first; i >= 1 && i <= last; ++i) {
    if (lines.isRemoved(i)) continue;
    const std::string& line = lines.line(i);
    if (text.size() + line.size() + 2 >= kMaxTextLength) {
      if (text.size() < kCut) {
        text += std::string_view(line).substr(0, kCut - text.size());
        text += "\r\n";
      }
      break;
    }
    text += line;
    // A split entry continues on the next one, the first line of the body included.
    if (!lines.isSplit(i)) text += "\r\n";
  }
  if (contentClass == kHtmlText) {
    HtmlToText(text);
  } else if (contentClass == kEnrichedText) {
    EnrichedToText(text);
  } else if (upper1252(std::string_view(text).substr(0, 8)).find("HTML") != std::string::npos) {
    HtmlToText(text);
  }
  return text;
}

}  // namespace qv
