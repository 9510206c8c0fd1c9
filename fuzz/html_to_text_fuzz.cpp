// Fuzz target: both HTML-to-text variants, which must never grow a text past 64000 characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "readers/internet/html_to_text.h"
#include "storage/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string input(reinterpret_cast<const char*>(data), size);
  std::string general = input;
  qv::HtmlToText(general);
  if (general.size() > qv::kMaxTextLength) std::abort();
  std::string aol = input;
  qv::AolHtmlToText(aol);
  if (aol.size() > qv::kMaxTextLength) std::abort();
  // A converted text converts again without trouble.
  qv::HtmlToText(aol);
  return 0;
}
