// Fuzz target: header parse, multipart filtering, body building and the header-value decoders.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "readers/internet/headers.h"
#include "readers/internet/line_list.h"
#include "readers/internet/mime.h"
#include "storage/records.h"

namespace {

// An import side that accepts everything and checks what the parse hands it.
class Side : public qv::ImportSide {
 public:
  void addIdString(std::string_view idString, uint32_t) override {
    if (idString.size() > 60) std::abort();
  }
  bool knowsDatabase(std::string_view name) override { return name.size() % 2 == 0; }
  uint8_t classifyMail(std::string& sender, std::string& receiver) override {
    if (sender.size() > 60 || receiver.size() > 60) std::abort();
    return sender.empty() ? 2 : 1;
  }
  std::string ownerName() override { return "Owner"; }
  std::string ownerAddress() override { return "owner@example.org"; }
  void splitCompuServeAddress(std::string_view value, std::string& address,
                              std::string& name) override {
    address = std::string(value.substr(0, 60));
    name.clear();
  }
};

constexpr int kFormats[] = {0,
                            qv::internet_format::kPegasus,
                            qv::internet_format::kOutlookExpress5Mail,
                            qv::internet_format::kAol,
                            qv::internet_format::kWinvn,
                            qv::internet_format::kNetscapeNews,
                            16,
                            qv::internet_format::kCompuServe2000};

void checkBody(const std::string& text) {
  if (text.size() > qv::kMaxTextLength) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  int format = kFormats[data[0] % (sizeof(kFormats) / sizeof(kFormats[0]))];
  std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

  qv::LineList lines;
  lines.addText(input);
  qv::NHR nhr{};
  qv::MimeBody body(format);
  Side side;
  qv::MessageContext msg{lines, nhr, body, side};

  qv::LineList original = lines;
  qv::MailHeaderResult mail = qv::ParseMailHeader(msg, 1);
  if (mail.ok) {
    if (mail.firstBodyLine < 1 || mail.firstBodyLine > lines.size() + 1) std::abort();
    if (!body.boundary().empty() && format == qv::internet_format::kOutlookExpress5Mail) {
      for (size_t i = mail.firstBodyLine; i <= lines.size(); ++i)
        body.FilterPartLine(lines.line(i));
    }
    checkBody(body.BuildBody(lines, mail.contentClass, mail.firstBodyLine, lines.size()));
  }

  lines = original;
  nhr = qv::NHR{};
  uint32_t counter = 1;
  qv::NewsOverview overview;
  overview.messageId = std::string(input.substr(0, 20));
  overview.references = std::string(input.substr(0, 40));
  bool withOverview = data[0] & 0x80;
  qv::NewsHeaderResult news =
      qv::ParseNewsHeader(msg, 1, withOverview ? &overview : nullptr, counter);
  if (news.kind < 1 || news.kind > 3) std::abort();
  if (counter > 1 + 2 * lines.size() + 2) std::abort();
  checkBody(body.BuildBody(lines, news.contentClass, news.firstBodyLine, lines.size()));

  for (size_t i = 1; i <= original.size() && i <= 50; ++i) {
    const std::string& line = original.line(i);
    qv::ClassifyHeader(line);
    qv::IsHeaderLike(line);
    qv::IsHeaderOfInterest(line);
    std::string value = line;
    qv::DecodeWord(value);
    std::string boundary;
    qv::FindBoundary(line, 1 + i % 30, boundary);
    if (boundary.size() > qv::kMaxBoundaryLength) std::abort();
    int32_t date, time;
    qv::ParseMsgDate(line, i % 2 == 0, date, time);
    if (date < 0 || time < 0) std::abort();
    std::string address, name;
    qv::SplitAddress(line, address, name);
    qv::StripRe(line);
  }
  std::string enriched(input);
  qv::EnrichedToText(enriched);
  checkBody(enriched);
  return 0;
}
