// Look-ups on a file description and the signature that detects a changed layout.
#include "storage/layout.h"

#include "storage/text.h"

namespace qv {
namespace {

std::string_view withoutPrefix(std::string_view s) {
  size_t colon = s.find(':');
  return colon == std::string_view::npos ? s : s.substr(colon + 1);
}

}  // namespace

int FileDef::fieldIndex(std::string_view n) const {
  for (size_t i = 0; i < fields.size(); ++i)
    if (equalsNoCase(fields[i].name, n) || equalsNoCase(withoutPrefix(fields[i].name), n))
      return static_cast<int>(i);
  return -1;
}

int FileDef::keyIndex(std::string_view n) const {
  for (size_t i = 0; i < keys.size(); ++i)
    if (equalsNoCase(keys[i].name, n) || equalsNoCase(withoutPrefix(keys[i].name), n))
      return static_cast<int>(i);
  return -1;
}

std::string FileDef::signature() const {
  std::string s = std::string(name) + "/" + std::to_string(recordSize) + "/" +
                  std::to_string(maxText) + "|";
  for (const FieldDef& f : fields) {
    s += f.name;
    s += ',' + std::to_string(static_cast<int>(f.type)) + ',' + std::to_string(f.offset) + ',' +
         std::to_string(f.size) + ',' + std::to_string(f.dim) + ';';
  }
  s += '|';
  for (const KeyDef& k : keys) {
    s += k.name;
    for (const KeyComp& c : k.comps) s += (c.descending ? ",-" : ",+") + std::to_string(c.field);
    s += k.unique ? ",U" : ",D";
    if (k.nocase) s += ",N";
    if (k.primary) s += ",P";
    if (k.opt) s += ",O";
    if (k.index) s += ",I";
    s += ';';
  }
  return s;
}

}  // namespace qv
