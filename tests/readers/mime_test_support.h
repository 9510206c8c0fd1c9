// Test doubles and helpers for the header and MIME decoding tests.
#pragma once

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "readers/internet/headers.h"
#include "readers/internet/line_list.h"
#include "storage/text.h"

namespace qv::testing {

// Stands in for the import run: records ID strings, knows a few databases, and owns the
// addresses "owner@home.example" (default) and "alias@home.example".
class FakeImportSide : public ImportSide {
 public:
  std::vector<std::pair<std::string, uint32_t>> ids;
  std::set<std::string> knownDatabases;  // upper case
  std::vector<std::string> ownerAddresses = {"owner@home.example", "alias@home.example"};
  std::string databaseName = "Home Mail";
  std::vector<std::string> compuServeCalls;

  void addIdString(std::string_view idString, uint32_t number) override {
    ids.emplace_back(std::string(idString), number);
  }
  bool knowsDatabase(std::string_view name) override {
    return knownDatabases.count(upper1252(name)) != 0;
  }
  uint8_t classifyMail(std::string& sender, std::string& receiver) override {
    std::string lower = lowerText(sender);
    for (const std::string& own : ownerAddresses) {
      if (own == lower) {
        sender = ownerAddresses[0];
        receiver = lowerText(receiver);
        return 2;
      }
    }
    sender = lower;
    receiver = ownerAddresses[0];
    return 1;
  }
  std::string ownerName() override { return databaseName; }
  std::string ownerAddress() override { return ownerAddresses[0]; }
  void splitCompuServeAddress(std::string_view value, std::string& address,
                              std::string& name) override {
    compuServeCalls.emplace_back(value);
    size_t blank = value.rfind(' ');
    address =
        blank == std::string_view::npos ? std::string(value) : std::string(value.substr(blank + 1));
    name = blank == std::string_view::npos ? std::string() : std::string(value.substr(0, blank));
  }
};

// One message with everything the operations need around it.
struct Message {
  explicit Message(int format = 0) : body(format) {}
  LineList lines;
  NHR nhr{};
  MimeBody body;
  FakeImportSide side;
  MessageContext context() { return MessageContext{lines, nhr, body, side}; }
};

inline LineList linesOf(std::initializer_list<std::string_view> lines) {
  LineList list;
  for (std::string_view line : lines) list.addLine(line);
  return list;
}

// A fixed-width record field without its padding.
template <size_t N>
std::string field(const char (&f)[N]) {
  return trimmed(f, N);
}

inline bool readFile(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

// What the readers' line assembly does with quoted-printable text while reading: "=" at a
// line end (not after "?") joins the next line, "=" escapes that QpPair knows are decoded.
inline std::string readerQuotedPrintable(std::string_view raw) {
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    char c = raw[i];
    if (c == '=') {
      bool afterQuestion = i > 0 && raw[i - 1] == '?';
      if (!afterQuestion && raw.substr(i + 1, 2) == "\r\n") {
        i += 2;
        continue;
      }
      if (!afterQuestion && raw.substr(i + 1, 1) == "\n") {
        i += 1;
        continue;
      }
      if (i + 2 < raw.size()) {
        uint8_t decoded = QpPair(raw[i + 1], raw[i + 2]);
        if (decoded != 0) {
          out += static_cast<char>(decoded);
          i += 2;
          continue;
        }
      }
    }
    out += c;
  }
  return out;
}

}  // namespace qv::testing
