// The data dictionary: every record's fields and keys, declared once.
#include "storage/records.h"

#include <cstddef>
#include <cstdio>
#include <map>
#include <memory>

#include "storage/text.h"

namespace qv {
namespace {

// Field declaration helpers; `R` is the record struct, `f` a member.
#define QV_FIELD(R, prefix, f, type) \
  FieldDef { prefix ":" #f, type, offsetof(R, f), sizeof(R::f), 1 }
#define QV_ARRAY(R, prefix, f, type, n) \
  FieldDef { prefix ":" #f, type, offsetof(R, f), sizeof(R::f) / (n), n }

constexpr auto B = FieldType::kByte;
constexpr auto U16 = FieldType::kUShort;
constexpr auto L = FieldType::kLong;
constexpr auto UL = FieldType::kULong;
constexpr auto S = FieldType::kString;
constexpr auto G = FieldType::kGroup;

FileDef msgNmbr() {
  using R = MsgNmbr;
  FileDef d{kMsgNmbr, "MsgNmbr", "MSG", sizeof(R), FileKind::kKeyed, Place::kDatabase, 0, 0, {}, {}};
  d.fields = {
      QV_FIELD(R, "MSG", MSGNUMBER, UL),   QV_FIELD(R, "MSG", SECSYSID, UL),
      QV_FIELD(R, "MSG", REFNUMBER, UL),   QV_FIELD(R, "MSG", THREADNUMBER, UL),
      QV_FIELD(R, "MSG", THREADALPHA, S),  QV_FIELD(R, "MSG", FROMID, UL),
      QV_FIELD(R, "MSG", FROMALPHA, S),    QV_FIELD(R, "MSG", TOID, UL),
      QV_FIELD(R, "MSG", TOALPHA, S),      QV_FIELD(R, "MSG", DATE, L),
      QV_FIELD(R, "MSG", DUMMY, B),        QV_FIELD(R, "MSG", FG, B),
  };
  enum { MSGNUMBER, SECSYSID, REFNUMBER, THREADNUMBER, THREADALPHA, FROMID, FROMALPHA, TOID,
         TOALPHA, DATE, DUMMY };
  d.keys = {
      {"MSG:IdKey", {{MSGNUMBER, true}}, true, true, true},
      {"MSG:Threadkey", {{THREADALPHA}, {THREADNUMBER}, {MSGNUMBER}}, false, false, true},
      {"MSG:SECkey", {{SECSYSID}, {THREADALPHA}, {THREADNUMBER}, {MSGNUMBER}}, false, false, true},
      {"MSG:FromKey", {{FROMALPHA}, {FROMID}, {MSGNUMBER, true}}, false, false, true},
      {"MSG:ToKey", {{TOALPHA}, {TOID}, {MSGNUMBER, true}}, false, false, true},
      {"MSG:DateKey", {{DATE, true}, {MSGNUMBER, true}}, false, false, true},
      {"MSG:StatusKey", {{DUMMY}}, false, false, false},
  };
  return d;
}

struct Catalogue {
  std::map<int, std::unique_ptr<FileDef>> byNumber;
  std::vector<const FileDef*> all;
  Catalogue() {
    for (FileDef (*make)() : {msgNmbr}) {
      auto d = std::make_unique<FileDef>(make());
      byNumber[d->number] = std::move(d);
    }
    for (auto& [n, d] : byNumber) all.push_back(d.get());
  }
};

const Catalogue& catalogue() {
  static const Catalogue c;
  return c;
}

}  // namespace

const FileDef* fileDef(int number) {
  auto& c = catalogue();
  auto it = c.byNumber.find(number);
  return it == c.byNumber.end() ? nullptr : it->second.get();
}

const FileDef* fileDefByName(std::string_view name) {
  for (const FileDef* d : catalogue().all) {
    char idx[8];
    std::snprintf(idx, sizeof idx, "IDX%03d", d->number);
    if (equalsNoCase(name, d->name) || equalsNoCase(name, d->prefix) || equalsNoCase(name, idx))
      return d;
  }
  return nullptr;
}

const std::vector<const FileDef*>& allFileDefs() { return catalogue().all; }

}  // namespace qv
