// Consistency of the data dictionary: catalogue entries, field offsets, groups and keys.
#include "storage/records.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "storage/text.h"

namespace qv {
namespace {

struct Expected {
  int number;
  const char* name;
  uint32_t recordSize;
  size_t keys;
  FileKind kind;
  Place place;
  char password;
  uint32_t maxText;
};

constexpr auto K = FileKind::kKeyed, F = FileKind::kFlat, Y = FileKind::kByte,
               X = FileKind::kFoxPro, D = FileKind::kDBase3;
constexpr auto Sys = Place::kSystem, Tmp = Place::kTemporary, Db = Place::kDatabase,
               Wi = Place::kWordIndex, Out = Place::kOutside;

// The catalogue as the system defines it, written out independently of the declarations.
const std::vector<Expected> kCatalogue = {
    {1, "Codes", 59, 1, K, Db, 0, 0},     {2, "Forums", 811, 4, K, Sys, 'A', 0},
    {3, "MsgNmbr", 60, 7, K, Db, 0, 0},   {4, "MsgText", 12, 2, K, Db, 0, 64000},
    {5, "Person", 227, 4, K, Db, 0, 0},   {6, "Sections", 113, 3, K, Db, 0, 0},
    {7, "Threads", 113, 4, K, Db, 0, 0},  {8, "Control", 262, 1, K, Sys, 'B', 0},
    {9, "SIndex", 8, 2, K, Db, 0, 0},     {10, "NHR", 576, 1, K, Tmp, 'B', 64000},
    {11, "HRE", 549, 0, X, Out, 0, 0},    {12, "DOS", 10000, 0, Y, Out, 0, 0},
    {13, "Mail", 124, 7, K, Db, 'A', 0},  {17, "CCR", 106, 1, K, Db, 0, 0},
    {18, "IMP", 8, 1, K, Sys, 0, 0},      {19, "CCT", 106, 1, K, Tmp, 0, 0},
    {20, "CCO", 191, 0, X, Out, 0, 0},    {21, "CMA", 146, 0, X, Out, 0, 0},
    {22, "REF", 766, 0, F, Db, 0, 0},     {23, "PLINK", 104, 2, K, Db, 0, 0},
    {24, "TID", 64, 1, K, Tmp, 0, 0},     {25, "MsgString", 64, 2, K, Db, 0, 0},
    {26, "TAS", 96, 1, K, Sys, 0, 0},     {27, "FLI", 258, 1, K, Sys, 0, 0},
    {28, "WordList", 48, 3, F, Wi, 0, 0}, {29, "MasIdx", 8, 2, K, Wi, 0, 0},
    {30, "STO", 40, 1, K, Sys, 0, 0},     {31, "TOC", 10000, 0, Y, Out, 0, 0},
    {32, "Search", 8, 2, K, Tmp, 0, 0},   {33, "PUR", 8, 0, F, Wi, 0, 0},
    {34, "BAT", 331, 2, K, Sys, 0, 0},    {35, "TIM", 13, 2, K, Sys, 0, 0},
    {39, "WD", 44, 1, K, Wi, 0, 0},       {40, "OUI", 369, 0, X, Out, 0, 0},
    {41, "TLO", 25, 2, K, Sys, 0, 0},     {42, "TLI", 29, 1, K, Sys, 0, 0},
    {43, "Neo", 104, 1, K, Sys, 'B', 0},  {44, "DBM", 303, 0, D, Out, 0, 0},
    {45, "DBA", 118, 0, D, Out, 0, 0},    {46, "DBF", 364, 0, D, Out, 0, 0},
    {47, "DBN", 498, 0, D, Out, 0, 0},
};

TEST(Records, CatalogueMatchesTheFileTable) {
  std::vector<int> described;
  for (const FileDef* d : allFileDefs()) described.push_back(d->number);
  std::vector<int> expected;
  for (const Expected& e : kCatalogue) expected.push_back(e.number);
  EXPECT_EQ(described, expected);

  for (const Expected& e : kCatalogue) {
    SCOPED_TRACE(e.name);
    const FileDef* d = fileDef(e.number);
    ASSERT_NE(d, nullptr);
    EXPECT_STREQ(d->name, e.name);
    EXPECT_EQ(d->recordSize, e.recordSize);
    EXPECT_EQ(d->keys.size(), e.keys);
    EXPECT_EQ(d->kind, e.kind);
    EXPECT_EQ(d->place, e.place);
    EXPECT_EQ(d->password, e.password);
    EXPECT_EQ(d->maxText, e.maxText);
    if (e.place == Out) {
      EXPECT_TRUE(d->fields.empty());
      EXPECT_TRUE(d->keys.empty());
    } else {
      EXPECT_FALSE(d->fields.empty());
    }
  }

  for (int n : {0, -1, 14, 15, 16, 36, 37, 38, 48, 999}) EXPECT_EQ(fileDef(n), nullptr) << n;
}

// Top-level fields must tile the record exactly; the fields after a group entry that lie
// before its end are its parts and must tile the group.
TEST(Records, FieldsTileRecordAndGroups) {
  for (const FileDef* d : allFileDefs()) {
    if (d->fields.empty()) continue;
    SCOPED_TRACE(d->name);
    const std::string prefix = std::string(d->prefix) + ":";
    std::set<std::string> names;
    uint32_t pos = 0;
    for (size_t i = 0; i < d->fields.size(); ++i) {
      const FieldDef& f = d->fields[i];
      SCOPED_TRACE(f.name);
      EXPECT_EQ(std::string(f.name).rfind(prefix, 0), 0u);
      EXPECT_TRUE(names.insert(upper1252(f.name)).second) << "field named twice";
      EXPECT_GE(f.dim, 1u);
      EXPECT_EQ(f.offset, pos) << "gap or overlap before the field";
      if (f.type == FieldType::kGroup) {
        EXPECT_EQ(f.dim, 1u);
        const uint32_t end = f.offset + f.size;
        uint32_t inner = f.offset;
        while (i + 1 < d->fields.size() && d->fields[i + 1].offset < end) {
          const FieldDef& g = d->fields[++i];
          SCOPED_TRACE(g.name);
          EXPECT_NE(g.type, FieldType::kGroup);
          EXPECT_EQ(g.offset, inner);
          inner = g.offset + g.size * g.dim;
          EXPECT_LE(inner, end) << "part reaches past its group";
        }
        EXPECT_EQ(inner, end) << "group not filled by its parts";
        pos = end;
      } else {
        pos += f.size * f.dim;
      }
    }
    EXPECT_EQ(pos, d->recordSize);
  }
}

TEST(Records, KeysNameValidFields) {
  for (const FileDef* d : allFileDefs()) {
    SCOPED_TRACE(d->name);
    std::set<std::string> names;
    for (const KeyDef& k : d->keys) {
      SCOPED_TRACE(k.name);
      EXPECT_EQ(std::string(k.name).rfind(std::string(d->prefix) + ":", 0), 0u);
      EXPECT_TRUE(names.insert(upper1252(k.name)).second) << "key named twice";
      EXPECT_FALSE(k.comps.empty());
      for (const KeyComp& c : k.comps) {
        ASSERT_LT(c.field, d->fields.size());
        EXPECT_NE(d->fields[c.field].type, FieldType::kGroup);
      }
    }
    // Every keyed file declares its unique primary key first.
    if (!d->keys.empty()) {
      EXPECT_TRUE(d->keys[0].primary && d->keys[0].unique);
    }
  }
}

TEST(Records, LookupByNamePrefixAndFileName) {
  struct Case {
    const char* query;
    int number;  // 0: no file
  };
  const Case cases[] = {
      {"MsgNmbr", 3}, {"msgnmbr", 3}, {"MSG", 3},  {"IDX003", 3},  {"idx043", 43},  {"Mail", 13},
      {"MAI", 13},    {"WD", 39},     {"WOR", 28}, {"IDX022", 22}, {"DBN", 47},     {"IDX047", 47},
      {"", 0},        {"IDX014", 0},  {"IDX3", 0}, {"MsgNmb", 0},  {"MsgNmbrX", 0}, {"MSG:", 0},
  };
  for (const Case& c : cases) {
    const FileDef* d = fileDefByName(c.query);
    if (c.number == 0) {
      EXPECT_EQ(d, nullptr) << c.query;
    } else {
      ASSERT_NE(d, nullptr) << c.query;
      EXPECT_EQ(d->number, c.number) << c.query;
    }
  }
}

// Names of a key's components, descending ones with a leading '-'.
std::vector<std::string> compNames(const FileDef& d, int key) {
  std::vector<std::string> out;
  for (const KeyComp& c : d.keys[static_cast<size_t>(key)].comps)
    out.push_back((c.descending ? "-" : "") + std::string(d.fields[c.field].name));
  return out;
}

TEST(Records, KeyDefinitionsThatOrderMatters) {
  const FileDef& msg = *fileDef(kMsgNmbr);
  ASSERT_EQ(msg.keyIndex("MSG:IdKey"), MsgNmbr::IdKey);
  const KeyDef& id = msg.keys[MsgNmbr::IdKey];
  EXPECT_TRUE(id.unique && id.primary && id.nocase);
  EXPECT_EQ(compNames(msg, MsgNmbr::IdKey), std::vector<std::string>{"-MSG:MSGNUMBER"});
  EXPECT_EQ(compNames(msg, MsgNmbr::DateKey),
            (std::vector<std::string>{"-MSG:DATE", "-MSG:MSGNUMBER"}));
  EXPECT_EQ(msg.keyIndex("threadkey"), MsgNmbr::Threadkey);
  EXPECT_FALSE(msg.keys[MsgNmbr::StatusKey].nocase);
  EXPECT_FALSE(msg.keys[MsgNmbr::StatusKey].unique);

  const FileDef& mail = *fileDef(kMail);
  ASSERT_EQ(mail.keyIndex("MAI:PairKey"), Mail::PairKey);
  EXPECT_EQ(compNames(mail, Mail::PairKey),
            (std::vector<std::string>{"MAI:PAIRALPHA", "MAI:PAIRID", "-MAI:DATE", "-MAI:TIME",
                                      "-MAI:MAILID"}));
  EXPECT_FALSE(mail.keys[Mail::PairKey].unique);

  const FileDef& sin = *fileDef(kSIndex);
  EXPECT_EQ(compNames(sin, SIndex::IdKey), (std::vector<std::string>{"SIN:ID", "-SIN:MSGNUMBER"}));

  const FileDef& thr = *fileDef(kThreads);
  EXPECT_EQ(compNames(thr, Threads::SecKey),
            (std::vector<std::string>{"THR:SECSYSID", "THR:ALPHA"}));

  const FileDef& sto = *fileDef(kSTO);
  EXPECT_EQ(sto.keyIndex("STO:BY_THEWORD"), STO::BY_THEWORD);
  EXPECT_TRUE(sto.keys[STO::BY_THEWORD].opt && sto.keys[STO::BY_THEWORD].unique);

  const FileDef& wor = *fileDef(kWordList);
  EXPECT_EQ(wor.keyIndex("WOR:by_theWord"), WordList::by_theWord);
  for (const KeyDef& k : wor.keys) EXPECT_TRUE(k.opt) << k.name;
  EXPECT_TRUE(wor.keys[WordList::by_WordCount].index);
  EXPECT_FALSE(wor.keys[WordList::by_theWord].index);

  const FileDef& sea = *fileDef(kSearch);
  EXPECT_TRUE(sea.keys[Search::SortKey].primary && sea.keys[Search::IdKey].primary);

  // Group parts are fields of their own, so keys and code can reach them by name.
  EXPECT_EQ(thr.fields[static_cast<size_t>(thr.fieldIndex("ALPHA"))].offset, 8u);
  EXPECT_EQ(fileDef(kControl)
                ->fields[static_cast<size_t>(fileDef(kControl)->fieldIndex("CTL:CTLFIELD"))]
                .dim,
            257u);
}

}  // namespace
}  // namespace qv
