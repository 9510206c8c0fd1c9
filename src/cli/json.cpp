// JSON text for records and strings.
#include "cli/json.h"

#include <cstdio>
#include <cstring>

#include "storage/text.h"

namespace qv::cli {

std::string jsonString(std::string_view s) {
  std::string out = "\"";
  for (char ch : s) {
    auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += ch;
        }
    }
  }
  return out + "\"";
}

namespace {

std::string element(const FieldDef& f, const uint8_t* p) {
  switch (f.type) {
    case FieldType::kByte:
      return std::to_string(p[0]);
    case FieldType::kUShort:
      return std::to_string(p[0] | (p[1] << 8));
    case FieldType::kLong: {
      int32_t v;
      std::memcpy(&v, p, 4);
      return std::to_string(v);
    }
    case FieldType::kULong: {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return std::to_string(v);
    }
    default:
      return jsonString(
          cp1252ToUtf8(trimRight(std::string_view(reinterpret_cast<const char*>(p), f.size))));
  }
}

}  // namespace

std::string recordJson(const FileDef& def, const uint8_t* rec) {
  std::string out = "{";
  bool first = true;
  for (const FieldDef& f : def.fields) {
    if (f.type == FieldType::kGroup) continue;
    if (!first) out += ", ";
    first = false;
    out += jsonString(f.name) + ": ";
    if (f.dim == 1) {
      out += element(f, rec + f.offset);
    } else {
      out += "[";
      for (uint32_t i = 0; i < f.dim; ++i) {
        if (i) out += ", ";
        out += element(f, rec + f.offset + i * f.size);
      }
      out += "]";
    }
  }
  return out + "}";
}

}  // namespace qv::cli
