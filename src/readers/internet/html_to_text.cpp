// Reduces HTML message bodies to the plain text that is stored and indexed.
#include "readers/internet/html_to_text.h"

#include <string_view>

#include "readers/internet/mime.h"
#include "storage/records.h"
#include "storage/text.h"

namespace qv {
namespace {

constexpr size_t kMaxTagLength = 1000;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

bool allDigits(std::string_view s) {
  for (char c : s)
    if (!isDigit(c)) return false;
  return !s.empty();
}

// The Latin-1 letter for `base` followed by an accent name, or 0. The case of `base` decides
// the case of the result.
uint8_t accented(char base, std::string_view accent) {
  struct Row {
    std::string_view accent;
    std::string_view letters;  // lower-case letters that take the accent
    std::string_view lower;    // their accented forms
    std::string_view upper;    // the accented forms of the capitals ("" when none)
  };
  static const Row kRows[] = {
      {"ACUTE", "aeiouy", "\xE1\xE9\xED\xF3\xFA\xFD", "\xC1\xC9\xCD\xD3\xDA\xDD"},
      {"GRAVE", "aeiou", "\xE0\xE8\xEC\xF2\xF9", "\xC0\xC8\xCC\xD2\xD9"},
      {"TILDE", "ano", "\xE3\xF1\xF5", "\xC3\xD1\xD5"},
      {"CEDIL", "c", "\xE7", "\xC7"},
      {"SLASH", "o", "\xF8", "\xD8"},
      {"CIRC", "aeiou", "\xE2\xEA\xEE\xF4\xFB", "\xC2\xCA\xCE\xD4\xDB"},
      {"RING", "a", "\xE5", "\xC5"},
      {"ZLIG", "s", "\xDF", ""},
      {"HORN", "t", "\xFE", "\xDE"},
      {"ELIG", "a", "\xE6", "\xC6"},
      {"UML", "aeiouy", "\xE4\xEB\xEF\xF6\xFC\xFF", "\xC4\xCB\xCF\xD6\xDC"},
  };
  bool capital = base >= 'A' && base <= 'Z';
  char lower = capital ? static_cast<char>(base + 32) : base;
  for (const Row& row : kRows) {
    if (row.accent != accent) continue;
    size_t at = row.letters.find(lower);
    if (at == std::string_view::npos) return 0;
    if (!capital) return static_cast<uint8_t>(row.lower[at]);
    return at < row.upper.size() ? static_cast<uint8_t>(row.upper[at]) : 0;
  }
  return 0;
}

// Decodes the entity whose "&" stands at `at` in `run`. Returns the number of characters it
// takes (the "&" included), or 0 when no rule matches; `out` is the character.
size_t decodeEntity(std::string_view run, size_t at, uint8_t& out) {
  std::string_view rest = run.substr(at + 1);
  std::string_view window = rest.substr(0, 7);
  size_t semi = window.find(';');
  if (semi == std::string_view::npos) {
    if (rest.size() < 4) return 0;
    std::string_view four = rest.substr(0, 4);
    if (upper1252(four) == "NBSP") {
      out = ' ';
      return 5;
    }
    if (four[0] == '#' && allDigits(four.substr(1))) {
      int code = std::stoi(std::string(four.substr(1)));
      if (code < 1 || code > 255) return 0;
      out = static_cast<uint8_t>(code);
      return 5;
    }
    return 0;
  }
  std::string_view name = window.substr(0, semi);
  std::string upper = upper1252(name);
  uint8_t c = 0;
  switch (semi + 1) {
    case 7:
    case 6:
      c = accented(name[0], std::string_view(upper).substr(1));
      break;
    case 5:
      if (upper == "NBSP") {
        c = ' ';
      } else if (upper == "COPY") {
        c = 0xA9;
      } else if (upper == "QUOT") {
        c = '"';
      } else if (name[0] == '#' && allDigits(name.substr(1))) {
        int code = std::stoi(std::string(name.substr(1)));
        if (code >= 1 && code <= 255) c = static_cast<uint8_t>(code);
      } else if (upper.substr(1) == "UML") {
        c = accented(name[0], "UML");
      }
      break;
    case 4:
      if (upper == "ETH") {
        c = name[0] == 'E' ? 0xD0 : 0xF0;
      } else if (upper == "AMP") {
        c = '&';
      } else if (upper == "REG") {
        c = 0xAE;
      } else if (upper == "SHY") {
        c = '-';
      } else if (name[0] == '#' && allDigits(name.substr(1))) {
        int code = std::stoi(std::string(name.substr(1)));
        if (code >= 1) c = static_cast<uint8_t>(code);
      }
      break;
    case 3:
      if (upper == "GT") c = '>';
      if (upper == "LT") c = '<';
      break;
    default:
      break;
  }
  if (c == 0) return 0;
  out = c;
  return semi + 2;
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

class Converter {
 public:
  explicit Converter(bool aol) : aol_(aol) {}

  std::string run(std::string_view input) {
    if (input.size() > kMaxTextLength) input = input.substr(0, kMaxTextLength);
    const std::string_view asRead = input;
    input = trimBlanks(input);
    for (size_t i = 0; i < input.size() && !ended_ && !full_; ++i) {
      char c = input[i];
      if (c == '<') {
        if (aol_ && !tagOpen_ && i + 1 < input.size() && input[i + 1] == '<') {
          run_ += "<<";
          ++i;
          continue;
        }
        if (aol_ && tagOpen_ && i + 2 < input.size() && upper1252(input.substr(i + 1, 2)) == "BR") {
          run_ += ' ';
          i += 2;
          continue;
        }
        if (tagOpen_) {
          // The earlier "<" did not start a tag after all: its text is written before the tag
          // that starts here can act.
          run_ += '<';
          run_ += tag_;
        }
        flushRun();
        tagOpen_ = true;
        tag_.clear();
        seenTag_ = true;
        continue;
      }
      if (!seenTag_ && !aol_) continue;
      if (tagOpen_) {
        if (c == '>') {
          tagOpen_ = false;
          sawCompleteTag_ = true;
          applyTag();
        } else if (tag_.size() < kMaxTagLength) {
          tag_ += c;
        }
        continue;
      }
      run_ += c;
    }
    if (aol_ && !sawCompleteTag_) return std::string(asRead);
    if (!ended_) {
      // Text after the last tag is part of the message too (HTML without a closing HTML tag).
      if (tagOpen_) {
        run_ += '<';
        run_ += tag_;
      }
      if (run_.find_first_not_of(" \t\r\n") != std::string::npos) flushRun();
      if (linkOpen_) writeTarget();
    }
    return std::move(out_);
  }

 private:
  bool endsWith(std::string_view tail) const { return std::string_view(out_).ends_with(tail); }

  void put(std::string_view s) {
    if (out_.size() + s.size() > kMaxTextLength) {
      full_ = true;
      return;
    }
    out_ += s;
  }
  void put(char c) { put(std::string_view(&c, 1)); }

  void separator() {
    if (!out_.empty() && out_.back() != ' ' && !endsWith("\r\n")) put(' ');
  }

  // Breaks are not written into an empty output: a body never starts with empty lines.
  void lineBreak() {
    if (out_.empty()) return;
    if (out_.back() == ' ') out_.pop_back();
    put("\r\n");
  }

  void paragraphBreak() {
    if (out_.empty() || endsWith("\r\n\r\n")) return;
    if (out_.back() == ' ') out_.pop_back();
    put(endsWith("\r\n") ? "\r\n" : "\r\n\r\n");
  }

  void writeTarget() {
    if (target_.empty()) return;
    separator();
    put("[" + lowerText(target_) + "] ");
    target_.clear();
  }

  void flushRun() {
    std::string run = std::move(run_);
    run_.clear();
    if (title_) return;
    std::string_view text = trimBlanks(run);
    if (linkOpen_) separator();
    bool visible =
        pre_ ? !text.empty() : text.find_first_not_of(" \t\r\n") != std::string_view::npos;
    if (visible) {
      if (dl_ && ddIndent_) {
        put("   ");
        ddIndent_ = false;
      }
      if (itemPending_) {
        put("* ");
        itemPending_ = false;
      }
    }
    for (size_t j = 0; j < text.size(); ++j) {
      char c = text[j];
      if (!pre_) {
        if (c == '\r' || c == '\n') {
          if (c == '\r' && j + 1 < text.size() && text[j + 1] == '\n') ++j;
          separator();
          continue;
        }
        if (c == ' ') {
          separator();
          continue;
        }
        if (c == '\t') continue;
      }
      if (c == '&') {
        uint8_t decoded;
        size_t used = decodeEntity(text, j, decoded);
        if (used > 0) {
          put(static_cast<char>(decoded));
          j += used - 1;
          continue;
        }
      } else if (c == '=' && j + 2 < text.size()) {
        uint8_t decoded = QpPair(text[j + 1], text[j + 2]);
        if (decoded != 0) {
          put(static_cast<char>(decoded));
          j += 2;
          continue;
        }
      }
      put(c);
    }
    if (linkOpen_) separator();
  }

  void openLink(const std::string& upper) {
    if (linkOpen_) writeTarget();
    linkOpen_ = true;
    target_.clear();
    size_t href = upper.find("HREF");
    if (href == std::string::npos) return;
    size_t open = tag_.find('"', href + 4);
    if (open == std::string::npos) return;
    size_t close = tag_.find('"', open + 1);
    if (close == std::string::npos) return;
    target_ = tag_.substr(open + 1, close - open - 1);
  }

  void applyTag() {
    std::string upper = upper1252(tag_);
    if (upper.starts_with('!')) return;
    bool closing = upper.starts_with('/');
    std::string_view body = upper;
    if (closing) body.remove_prefix(1);
    std::string_view name = body.substr(0, body.find_first_of(" \t\r\n/"));
    if (name == "A") {
      if (closing) {
        writeTarget();
        linkOpen_ = false;
      } else if (body.size() > 1 && (aol_ ? body[1] == ' ' : true)) {
        openLink(upper);
      }
    } else if (name == "B" || name == "I" || name == "U") {
      separator();
    } else if (name == "BR") {
      lineBreak();
    } else if (name == "DIV") {
      if (closing) lineBreak();
    } else if (name == "DL") {
      dl_ = !closing;
      ddIndent_ = false;
    } else if (name == "DT") {
      if (!closing && dl_) ddIndent_ = false;
    } else if (name == "DD") {
      if (!closing && dl_) ddIndent_ = true;
    } else if (name.size() == 2 && name[0] == 'H' && name[1] >= '1' && name[1] <= '6') {
      if (closing) paragraphBreak();
    } else if (name == "HTML") {
      if (!aol_ && closing) ended_ = true;
    } else if (name == "LI") {
      if (!closing && (ulDepth_ > 0 || olDepth_ > 0)) {
        paragraphBreak();
        itemPending_ = true;
      }
    } else if (name == "OL" || name == "UL") {
      int& depth = name == "OL" ? olDepth_ : ulDepth_;
      if (!closing) {
        ++depth;
      } else {
        if (depth > 0) --depth;
        itemPending_ = false;
      }
    } else if (name == "P") {
      paragraphBreak();
    } else if (name == "PRE" || name == "PLAINTEXT") {
      pre_ = !closing;
    } else if (name == "TITLE") {
      title_ = !closing;
    } else if (name == "TR" || name == "TD") {
      if (closing) paragraphBreak();
    }
  }

  bool aol_;
  std::string out_;
  std::string run_;
  std::string tag_;
  std::string target_;
  bool tagOpen_ = false;
  bool seenTag_ = false;
  bool sawCompleteTag_ = false;
  bool ended_ = false;
  bool full_ = false;
  bool pre_ = false;
  bool title_ = false;
  int ulDepth_ = 0;
  int olDepth_ = 0;
  bool itemPending_ = false;
  bool dl_ = false;
  bool ddIndent_ = false;
  bool linkOpen_ = false;
};

}  // namespace

void HtmlToText(std::string& text) {
  text = Converter(false).run(text);
}

void AolHtmlToText(std::string& text) {
  text = Converter(true).run(text);
}

}  // namespace qv
