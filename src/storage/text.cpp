// Code page 1252 helpers shared by the store and every field of every record.
#include "storage/text.h"

#include <array>
#include <cstring>

namespace qv {
namespace {

// Unicode code points of bytes 0x80-0x9F; 0 where code page 1252 leaves the byte undefined.
constexpr std::array<uint16_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

int byteOf(uint32_t cp) {
  if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
  for (size_t i = 0; i < kHigh.size(); ++i)
    if (kHigh[i] != 0 && kHigh[i] == cp) return static_cast<int>(0x80 + i);
  return -1;
}

}  // namespace

uint8_t upper1252(uint8_t c) {
  if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 32);
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<uint8_t>(c - 32);
  switch (c) {
    case 0x9A: return 0x8A;  // š
    case 0x9C: return 0x8C;  // œ
    case 0x9E: return 0x8E;  // ž
    case 0xFF: return 0x9F;  // ÿ
    default: return c;
  }
}

std::string upper1252(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(upper1252(static_cast<uint8_t>(c)));
  return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (upper1252(static_cast<uint8_t>(a[i])) != upper1252(static_cast<uint8_t>(b[i])))
      return false;
  return true;
}

std::string_view trimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && (s[n - 1] == ' ' || s[n - 1] == '\0')) --n;
  return s.substr(0, n);
}

std::string trimmed(const char* field, size_t width) {
  return std::string(trimRight(std::string_view(field, width)));
}

void setField(char* field, size_t width, std::string_view value) {
  size_t n = value.size() < width ? value.size() : width;
  std::memcpy(field, value.data(), n);
  std::memset(field + n, ' ', width - n);
}

std::string cp1252ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char ch : s) {
    auto c = static_cast<uint8_t>(ch);
    if (c < 0x80) {
      out += ch;
    } else if (c < 0xA0) {
      uint16_t cp = kHigh[c - 0x80];
      appendUtf8(out, cp ? cp : 0xFFFD);
    } else {
      appendUtf8(out, c);
    }
  }
  return out;
}

std::string utf8ToCp1252(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    auto c = static_cast<uint8_t>(s[i]);
    uint32_t cp;
    size_t len;
    if (c < 0x80) {
      cp = c, len = 1;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F, len = 2;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F, len = 3;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07, len = 4;
    } else {
      out += '?';
      ++i;
      continue;
    }
    if (i + len > s.size()) {
      out += '?';
      break;
    }
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      auto cc = static_cast<uint8_t>(s[i + k]);
      if ((cc & 0xC0) != 0x80) ok = false;
      cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    int b = byteOf(cp);
    out += b < 0 ? '?' : static_cast<char>(b);
    i += len;
  }
  return out;
}

}  // namespace qv
