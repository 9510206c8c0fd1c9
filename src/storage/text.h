// Fixed-width code page 1252 strings: trimming, padding, case folding and conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qv {

// Upper case of one code page 1252 byte (letters with accents too: 'é' -> 'É', 'ÿ' -> 'Ÿ').
uint8_t upper1252(uint8_t c);
std::string upper1252(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);

// The bytes of a fixed-width field without trailing blanks (and trailing NULs).
std::string_view trimRight(std::string_view s);
std::string trimmed(const char* field, size_t width);
template <size_t N>
std::string trimmed(const char (&field)[N]) {
  return trimmed(field, N);
}

// Writes `value` into a fixed-width field: cut at the width, blank padded.
void setField(char* field, size_t width, std::string_view value);
template <size_t N>
void setField(char (&field)[N], std::string_view value) {
  setField(field, N, value);
}

// Code page 1252 bytes to UTF-8 (the five undefined bytes map to U+FFFD).
std::string cp1252ToUtf8(std::string_view s);
// UTF-8 to code page 1252; characters outside it, and malformed bytes, become '?'.
std::string utf8ToCp1252(std::string_view s);

}  // namespace qv
