// The data dictionary: every record's fields and keys, declared once.
#include "storage/records.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <memory>
#include <string_view>

#include "storage/text.h"

namespace qv {
namespace {

// Field declaration helpers; `R` is the record struct, `f` a member.
// clang-format off
#define QV_FIELD(R, prefix, f, type) \
  FieldDef{prefix ":" #f, type, offsetof(R, f), sizeof(R::f), 1}
#define QV_ARRAY(R, prefix, f, type, n) \
  FieldDef{prefix ":" #f, type, offsetof(R, f), sizeof(R::f) / (n), n}
// A group spans its member `f`; the fields inside it follow it in the list.
#define QV_GROUP(R, prefix, f) \
  FieldDef{prefix ":" #f, FieldType::kGroup, offsetof(R, f), sizeof(R::f), 1}
// clang-format on

constexpr auto B = FieldType::kByte;
constexpr auto L = FieldType::kLong;
constexpr auto UL = FieldType::kULong;
constexpr auto S = FieldType::kString;

// Key attributes, combined with |.
enum : unsigned { kDup = 0, kUnique = 1, kPrimary = 2, kNocase = 4, kOpt = 8, kIndex = 16 };

// A key over the fields named in `comps`, in order; a leading '-' makes a component
// descending. A name that is no field of `d` is a slip in the tables below, so it stops the
// program at the first look-up rather than leaving a key that silently sorts on the wrong field.
KeyDef key(const FileDef& d, const char* name, std::initializer_list<std::string_view> comps,
           unsigned attrs) {
  KeyDef k{name,
           {},
           (attrs & kUnique) != 0,
           (attrs & kPrimary) != 0,
           (attrs & kNocase) != 0,
           (attrs & kOpt) != 0,
           (attrs & kIndex) != 0};
  for (std::string_view c : comps) {
    bool descending = !c.empty() && c.front() == '-';
    if (descending) c.remove_prefix(1);
    int i = d.fieldIndex(c);
    if (i < 0 || d.fields[static_cast<size_t>(i)].type == FieldType::kGroup) {
      std::fprintf(stderr, "key %s names no field %.*s\n", name, static_cast<int>(c.size()),
                   c.data());
      std::abort();
    }
    k.comps.push_back({static_cast<uint16_t>(i), descending});
  }
  return k;
}

FileDef file(int number, const char* name, const char* prefix, uint32_t recordSize, FileKind kind,
             Place place, char password = 0, uint32_t maxText = 0) {
  return FileDef{number, name, prefix, recordSize, kind, place, password, maxText, {}, {}};
}

constexpr auto kKeyed = FileKind::kKeyed;
constexpr auto kFlat = FileKind::kFlat;
constexpr auto kSystem = Place::kSystem;
constexpr auto kTemporary = Place::kTemporary;
constexpr auto kDatabase = Place::kDatabase;
constexpr auto kWordIndex = Place::kWordIndex;

// The two owner passwords: A guards the database list and mail headers, B the rest.
constexpr char kPasswordA = 'A';
constexpr char kPasswordB = 'B';

// ---- System-wide files

FileDef forums() {
  using R = Forums;
  FileDef d = file(kForums, "Forums", "FOR", sizeof(R), kKeyed, kSystem, kPasswordA);
  d.fields = {
      QV_FIELD(R, "FOR", ID, UL),
      QV_FIELD(R, "FOR", DESCRIPTION, S),
      QV_FIELD(R, "FOR", REDIRNOW, UL),
      QV_FIELD(R, "FOR", REDIRBEFORE, UL),
      QV_FIELD(R, "FOR", TARGETNG, B),
      QV_FIELD(R, "FOR", DIRNUMBER, UL),
      QV_FIELD(R, "FOR", NODIR, B),
      QV_FIELD(R, "FOR", TYPE, B),
      QV_FIELD(R, "FOR", NOIMPORT, B),
      QV_FIELD(R, "FOR", MSGCOUNT, UL),
      QV_FIELD(R, "FOR", COUNTFLAG, B),
      QV_FIELD(R, "FOR", DUMMY, B),
      QV_FIELD(R, "FOR", CREATED, L),
      QV_FIELD(R, "FOR", LOWDATE, L),
      QV_FIELD(R, "FOR", MAILADDRESS, S),
      QV_FIELD(R, "FOR", PERSONID, UL),
      QV_ARRAY(R, "FOR", ALTADDRESS, S, 10),
      QV_FIELD(R, "FOR", LASTMSGID, UL),
      QV_FIELD(R, "FOR", RECSLASTTIME, UL),
      QV_FIELD(R, "FOR", WORDLISTINDEXNEEDSUPDATE, L),
      QV_FIELD(R, "FOR", INDEXTYPE, B),
  };
  d.keys = {
      key(d, "FOR:ForumKey", {"FOR:ID"}, kUnique | kPrimary | kNocase),
      key(d, "FOR:AlphaKey", {"FOR:DESCRIPTION"}, kUnique | kNocase),
      key(d, "FOR:DirKey", {"FOR:DIRNUMBER"}, kUnique | kNocase),
      key(d, "FOR:TypeKey", {"FOR:TYPE"}, kDup),
  };
  return d;
}

FileDef control() {
  using R = Control;
  FileDef d = file(kControl, "Control", "CTL", sizeof(R), kKeyed, kSystem, kPasswordB);
  d.fields = {
      QV_FIELD(R, "CTL", ID, B),
      QV_FIELD(R, "CTL", NEXTNUMBER, UL),
      QV_GROUP(R, "CTL", CTLGROUP),
      QV_ARRAY(R, "CTL", CTLFIELD, B, 257),
  };
  d.keys = {key(d, "CTL:IdKey", {"CTL:ID"}, kUnique | kPrimary | kNocase)};
  return d;
}

FileDef imp() {
  using R = IMP;
  FileDef d = file(kIMP, "IMP", "IMP", sizeof(R), kKeyed, kSystem);
  d.fields = {
      QV_FIELD(R, "IMP", FORUMNUMBER, UL),
      QV_FIELD(R, "IMP", MSGNUMBER, UL),
  };
  d.keys = {
      key(d, "IMP:IDKEY", {"IMP:FORUMNUMBER", "IMP:MSGNUMBER"}, kUnique | kPrimary | kNocase)};
  return d;
}

FileDef tas() {
  using R = TAS;
  FileDef d = file(kTAS, "TAS", "TAS", sizeof(R), kKeyed, kSystem);
  d.fields = {
      QV_FIELD(R, "TAS", ID, UL),         QV_FIELD(R, "TAS", DESCRIPTION, S),
      QV_FIELD(R, "TAS", RUNNOWDATE, L),  QV_FIELD(R, "TAS", RUNNOWTIME, L),
      QV_FIELD(R, "TAS", RUNNEXTDATE, L), QV_FIELD(R, "TAS", RUNNEXTTIME, L),
      QV_FIELD(R, "TAS", LASTRUNDATE, L), QV_FIELD(R, "TAS", LASTRUNTIME, L),
      QV_GROUP(R, "TAS", DAILYREPEAT),    QV_ARRAY(R, "TAS", DAYS, B, 7),
      QV_GROUP(R, "TAS", MONTHLYREPEAT),  QV_ARRAY(R, "TAS", MONTHDAYS, B, 5),
      QV_FIELD(R, "TAS", DODUPELIM, B),   QV_FIELD(R, "TAS", DOPURGE, B),
      QV_FIELD(R, "TAS", DOCOUNT, B),     QV_FIELD(R, "TAS", DOINDEX, B),
      QV_FIELD(R, "TAS", RESULTCODE, B),  QV_FIELD(R, "TAS", ACTIVE, B),
  };
  d.keys = {key(d, "TAS:IDKEY", {"TAS:ID"}, kUnique | kPrimary | kNocase)};
  return d;
}

FileDef fli() {
  using R = FLI;
  FileDef d = file(kFLI, "FLI", "FLI", sizeof(R), kKeyed, kSystem);
  d.fields = {
      QV_FIELD(R, "FLI", ID, UL),
      QV_FIELD(R, "FLI", FILESPEC, S),
  };
  d.keys = {key(d, "FLI:IDKEY", {"FLI:ID", "FLI:FILESPEC"}, kUnique | kPrimary | kNocase)};
  return d;
}

FileDef sto() {
  using R = STO;
  FileDef d = file(kSTO, "STO", "STO", sizeof(R), kKeyed, kSystem);
  d.fields = {QV_FIELD(R, "STO", THEWORD, S)};
  d.keys = {key(d, "STO:BY_THEWORD", {"STO:THEWORD"}, kUnique | kPrimary | kOpt | kNocase)};
  return d;
}

FileDef bat() {
  using R = BAT;
  FileDef d = file(kBAT, "BAT", "BAT", sizeof(R), kKeyed, kSystem);
  d.fields = {
      QV_FIELD(R, "BAT", ID, UL),          QV_FIELD(R, "BAT", TYPE, UL),
      QV_FIELD(R, "BAT", DESCRIPTION, S),  QV_FIELD(R, "BAT", DATABASE, UL),
      QV_FIELD(R, "BAT", FILETYPE, B),     QV_FIELD(R, "BAT", IMPPATH, S),
      QV_FIELD(R, "BAT", SELMETHOD, B),    QV_FIELD(R, "BAT", MAILBOX, UL),
      QV_FIELD(R, "BAT", MAILMSG, B),      QV_FIELD(R, "BAT", FORUMMSG, B),
      QV_FIELD(R, "BAT", NEWSGROUPMSG, B), QV_FIELD(R, "BAT", MSGFILTER, B),
      QV_FIELD(R, "BAT", ALLOWREIMP, B),   QV_FIELD(R, "BAT", MAILTOPIC, UL),
  };
  d.keys = {
      key(d, "BAT:IDKEY", {"BAT:ID"}, kUnique | kPrimary | kNocase),
      key(d, "BAT:TYPEKEY", {"BAT:TYPE"}, kDup | kNocase),
  };
  return d;
}

FileDef tim() {
  using R = TIM;
  FileDef d = file(kTIM, "TIM", "TIM", sizeof(R), kKeyed, kSystem);
  d.fields = {
      QV_FIELD(R, "TIM", TASKID, UL),
      QV_FIELD(R, "TIM", BATCHID, UL),
      QV_FIELD(R, "TIM", EVENTTIME, L),
      QV_FIELD(R, "TIM", RESULTCODE, B),
  };
  d.keys = {
      key(d, "TIM:TASKKEY", {"TIM:TASKID", "TIM:BATCHID"}, kUnique | kPrimary | kNocase),
      key(d, "TIM:BATCHKEY", {"TIM:BATCHID"}, kDup | kNocase),
  };
  return d;
}

FileDef tlo() {
  using R = TLO;
  FileDef d = file(kTLO, "TLO", "TLO", sizeof(R), kKeyed, kSystem);
  d.fields = {
      QV_FIELD(R, "TLO", TASKLOGID, UL),  QV_FIELD(R, "TLO", TASKID, UL),
      QV_FIELD(R, "TLO", DATESTARTED, L), QV_FIELD(R, "TLO", DATEFINISHED, L),
      QV_FIELD(R, "TLO", TIMESTARTED, L), QV_FIELD(R, "TLO", TIMEFINISHED, L),
      QV_FIELD(R, "TLO", RESULTCODE, B),
  };
  d.keys = {
      key(d, "TLO:IDKEY", {"TLO:TASKLOGID"}, kUnique | kPrimary | kNocase),
      key(d, "TLO:BYTASK", {"TLO:TASKID", "TLO:TASKLOGID"}, kUnique | kNocase),
  };
  return d;
}

FileDef tli() {
  using R = TLI;
  FileDef d = file(kTLI, "TLI", "TLI", sizeof(R), kKeyed, kSystem);
  d.fields = {
      QV_FIELD(R, "TLI", TASKLOGID, UL),   QV_FIELD(R, "TLI", TYPE, UL),
      QV_FIELD(R, "TLI", BATCHID, UL),     QV_FIELD(R, "TLI", DATESTARTED, L),
      QV_FIELD(R, "TLI", DATEFINISHED, L), QV_FIELD(R, "TLI", TIMESTARTED, L),
      QV_FIELD(R, "TLI", TIMEFINISHED, L), QV_FIELD(R, "TLI", RESULTCODE, B),
  };
  d.keys = {key(d, "TLI:IDKEY", {"TLI:TASKLOGID", "TLI:TYPE", "TLI:DATESTARTED", "TLI:TIMESTARTED"},
                kUnique | kPrimary | kNocase)};
  return d;
}

FileDef neo() {
  using R = Neo;
  FileDef d = file(kNeo, "Neo", "NEO", sizeof(R), kKeyed, kSystem, kPasswordB);
  d.fields = {
      QV_FIELD(R, "NEO", ID, UL),
      QV_GROUP(R, "NEO", NEOGROUP),
      // The text lives in a byte array that is read as one string.
      FieldDef{"NEO:NEOFIELD", S, offsetof(R, NEOFIELD), sizeof(R::NEOFIELD), 1},
  };
  d.keys = {key(d, "NEO:IDKey", {"NEO:ID"}, kUnique | kPrimary | kNocase)};
  return d;
}

// ---- Per-database files

FileDef codes() {
  using R = Codes;
  FileDef d = file(kCodes, "Codes", "COD", sizeof(R), kKeyed, kDatabase);
  d.fields = {
      QV_FIELD(R, "COD", TYPE, B),     QV_FIELD(R, "COD", INDEX, S),    QV_FIELD(R, "COD", ID, UL),
      QV_FIELD(R, "COD", COUNT, UL),   QV_FIELD(R, "COD", DATE, L),     QV_FIELD(R, "COD", TIME, L),
      QV_FIELD(R, "COD", CHARCASE, B), QV_FIELD(R, "COD", WORDONLY, B),
  };
  d.keys = {key(d, "COD:ClassKey", {"COD:TYPE", "COD:INDEX"}, kUnique | kPrimary | kNocase)};
  return d;
}

FileDef msgNmbr() {
  using R = MsgNmbr;
  FileDef d = file(kMsgNmbr, "MsgNmbr", "MSG", sizeof(R), kKeyed, kDatabase);
  d.fields = {
      QV_FIELD(R, "MSG", MSGNUMBER, UL),  QV_FIELD(R, "MSG", SECSYSID, UL),
      QV_FIELD(R, "MSG", REFNUMBER, UL),  QV_FIELD(R, "MSG", THREADNUMBER, UL),
      QV_FIELD(R, "MSG", THREADALPHA, S), QV_FIELD(R, "MSG", FROMID, UL),
      QV_FIELD(R, "MSG", FROMALPHA, S),   QV_FIELD(R, "MSG", TOID, UL),
      QV_FIELD(R, "MSG", TOALPHA, S),     QV_FIELD(R, "MSG", DATE, L),
      QV_FIELD(R, "MSG", DUMMY, B),       QV_FIELD(R, "MSG", FG, B),
  };
  d.keys = {
      key(d, "MSG:IdKey", {"-MSG:MSGNUMBER"}, kUnique | kPrimary | kNocase),
      key(d, "MSG:Threadkey", {"MSG:THREADALPHA", "MSG:THREADNUMBER", "MSG:MSGNUMBER"},
          kDup | kNocase),
      key(d, "MSG:SECkey", {"MSG:SECSYSID", "MSG:THREADALPHA", "MSG:THREADNUMBER", "MSG:MSGNUMBER"},
          kDup | kNocase),
      key(d, "MSG:FromKey", {"MSG:FROMALPHA", "MSG:FROMID", "-MSG:MSGNUMBER"}, kDup | kNocase),
      key(d, "MSG:ToKey", {"MSG:TOALPHA", "MSG:TOID", "-MSG:MSGNUMBER"}, kDup | kNocase),
      key(d, "MSG:DateKey", {"-MSG:DATE", "-MSG:MSGNUMBER"}, kDup | kNocase),
      key(d, "MSG:StatusKey", {"MSG:DUMMY"}, kDup),
  };
  return d;
}

FileDef msgText() {
  using R = MsgText;
  FileDef d = file(kMsgText, "MsgText", "TXT", sizeof(R), kKeyed, kDatabase, 0, kMaxTextLength);
  d.fields = {
      QV_FIELD(R, "TXT", MSGNUMBER, UL),
      QV_FIELD(R, "TXT", DATE, L),
      QV_FIELD(R, "TXT", TIME, L),
  };
  d.keys = {
      key(d, "TXT:IdKey", {"TXT:MSGNUMBER"}, kUnique | kPrimary | kNocase),
      key(d, "TXT:DateKey", {"TXT:DATE"}, kDup | kNocase),
  };
  return d;
}

FileDef person() {
  using R = Person;
  FileDef d = file(kPerson, "Person", "PER", sizeof(R), kKeyed, kDatabase);
  d.fields = {
      QV_FIELD(R, "PER", PERSONID, UL), QV_FIELD(R, "PER", PERSONSTRING, S),
      QV_FIELD(R, "PER", LASTNAME, S),  QV_FIELD(R, "PER", FIRSTNAME, S),
      QV_FIELD(R, "PER", ADDRESS, S),   QV_FIELD(R, "PER", FROMCOUNT, UL),
      QV_FIELD(R, "PER", TOCOUNT, UL),  QV_FIELD(R, "PER", LASTDATE, L),
      QV_FIELD(R, "PER", DUMMY, B),
  };
  d.keys = {
      key(d, "PER:PersonKey", {"PER:PERSONID"}, kUnique | kPrimary | kNocase),
      key(d, "PER:StringKey", {"PER:PERSONSTRING"}, kUnique | kNocase),
      key(d, "PER:AddressKey", {"PER:ADDRESS"}, kDup | kNocase),
      key(d, "PER:NameKey", {"PER:LASTNAME", "PER:FIRSTNAME"}, kDup | kNocase),
  };
  return d;
}

FileDef sections() {
  using R = Sections;
  FileDef d = file(kSections, "Sections", "SEC", sizeof(R), kKeyed, kDatabase);
  d.fields = {
      QV_FIELD(R, "SEC", SECTIONNUMBER, UL), QV_FIELD(R, "SEC", SECSYSID, UL),
      QV_FIELD(R, "SEC", DESCRIPTION, S),    QV_FIELD(R, "SEC", MSGCOUNT, UL),
      QV_FIELD(R, "SEC", DUMMY, B),
  };
  d.keys = {
      key(d, "SEC:SysIdKey", {"SEC:SECSYSID"}, kUnique | kPrimary | kNocase),
      key(d, "SEC:SectionKey", {"SEC:SECTIONNUMBER"}, kDup),
      key(d, "SEC:DescKey", {"SEC:DESCRIPTION"}, kDup | kNocase),
  };
  return d;
}

FileDef threads() {
  using R = Threads;
  FileDef d = file(kThreads, "Threads", "THR", sizeof(R), kKeyed, kDatabase);
  d.fields = {
      QV_FIELD(R, "THR", THREADNUMBER, UL), QV_FIELD(R, "THR", SECSYSID, UL),
      QV_GROUP(R, "THR", HEADING),          QV_FIELD(R, "THR", ALPHA, S),
      QV_FIELD(R, "THR", BETA, S),          QV_FIELD(R, "THR", MSGCOUNT, UL),
      QV_FIELD(R, "THR", DUMMY, B),
  };
  d.keys = {
      key(d, "THR:ThreadKey", {"THR:THREADNUMBER"}, kUnique | kPrimary | kNocase),
      key(d, "THR:SecKey", {"THR:SECSYSID", "THR:ALPHA"}, kDup | kNocase),
      key(d, "THR:AlphaKey", {"THR:ALPHA"}, kDup | kNocase),
      key(d, "THR:StatusKey", {"THR:DUMMY"}, kDup),
  };
  return d;
}

FileDef sIndex() {
  using R = SIndex;
  FileDef d = file(kSIndex, "SIndex", "SIN", sizeof(R), kKeyed, kDatabase);
  d.fields = {
      QV_FIELD(R, "SIN", ID, UL),
      QV_FIELD(R, "SIN", MSGNUMBER, UL),
  };
  d.keys = {
      key(d, "SIN:IdKey", {"SIN:ID", "-SIN:MSGNUMBER"}, kUnique | kPrimary | kNocase),
      key(d, "SIN:MsgKey", {"SIN:MSGNUMBER"}, kDup),
  };
  return d;
}

FileDef mail() {
  using R = Mail;
  FileDef d = file(kMail, "Mail", "MAI", sizeof(R), kKeyed, kDatabase, kPasswordA);
  d.fields = {
      QV_FIELD(R, "MAI", DATE, L),      QV_FIELD(R, "MAI", TIME, L),
      QV_FIELD(R, "MAI", SUBJECT, S),   QV_FIELD(R, "MAI", MAILID, UL),
      QV_FIELD(R, "MAI", FROMID, UL),   QV_FIELD(R, "MAI", FROMALPHA, S),
      QV_FIELD(R, "MAI", TOID, UL),     QV_FIELD(R, "MAI", TOALPHA, S),
      QV_FIELD(R, "MAI", PAIRID, UL),   QV_FIELD(R, "MAI", PAIRALPHA, S),
      QV_FIELD(R, "MAI", RECIPTYPE, S), QV_FIELD(R, "MAI", CCR, B),
      QV_FIELD(R, "MAI", DUMMY, B),     QV_FIELD(R, "MAI", FG, B),
  };
  d.keys = {
      key(d, "MAI:IdKey", {"-MAI:MAILID"}, kUnique | kPrimary | kNocase),
      key(d, "MAI:DateKey", {"-MAI:DATE", "-MAI:TIME", "-MAI:MAILID"}, kDup | kNocase),
      key(d, "MAI:PairKey",
          {"MAI:PAIRALPHA", "MAI:PAIRID", "-MAI:DATE", "-MAI:TIME", "-MAI:MAILID"}, kDup | kNocase),
      key(d, "MAI:FromKey",
          {"MAI:FROMALPHA", "MAI:FROMID", "-MAI:DATE", "-MAI:TIME", "-MAI:MAILID"}, kDup | kNocase),
      key(d, "MAI:ToKey", {"MAI:TOALPHA", "MAI:TOID", "-MAI:DATE", "-MAI:TIME", "-MAI:MAILID"},
          kDup | kNocase),
      key(d, "MAI:SubjectKey", {"MAI:SUBJECT", "-MAI:DATE", "-MAI:TIME", "-MAI:MAILID"},
          kDup | kNocase),
      key(d, "MAI:StatusKey", {"MAI:DUMMY"}, kDup),
  };
  return d;
}

FileDef ccr() {
  using R = CCR;
  FileDef d = file(kCCR, "CCR", "CCR", sizeof(R), kKeyed, kDatabase);
  d.fields = {
      QV_FIELD(R, "CCR", MAILID, UL),
      QV_FIELD(R, "CCR", R_NAME, S),
      QV_FIELD(R, "CCR", R_CISADRESS, S),
      QV_FIELD(R, "CCR", RECIPTYPE, S),
  };
  d.keys = {key(d, "CCR:IdKey", {"CCR:MAILID", "CCR:R_CISADRESS", "CCR:R_NAME"},
                kUnique | kPrimary | kNocase)};
  return d;
}

FileDef ref() {
  using R = REF;
  FileDef d = file(kREF, "REF", "REF", sizeof(R), kFlat, kDatabase);
  d.fields = {
      QV_FIELD(R, "REF", TYPE, B),        QV_FIELD(R, "REF", DESCRIPTION, S),
      QV_FIELD(R, "REF", TARGETNG, B),    QV_FIELD(R, "REF", PERSONID, L),
      QV_FIELD(R, "REF", MAILADDRESS, S), QV_ARRAY(R, "REF", ALTADDRESS, S, 10),
  };
  return d;
}

FileDef plink() {
  using R = PLINK;
  FileDef d = file(kPLINK, "PLINK", "PLI", sizeof(R), kKeyed, kDatabase);
  d.fields = {
      QV_FIELD(R, "PLI", PERSONSTRING, S),
      QV_FIELD(R, "PLI", PERSONID, UL),
  };
  d.keys = {
      key(d, "PLI:StringKey", {"PLI:PERSONSTRING"}, kUnique | kPrimary | kNocase),
      key(d, "PLI:PersonKey", {"PLI:PERSONID"}, kDup | kNocase),
  };
  return d;
}

FileDef msgString() {
  using R = MsgString;
  FileDef d = file(kMsgString, "MsgString", "MST", sizeof(R), kKeyed, kDatabase);
  d.fields = {
      QV_FIELD(R, "MST", IDSTRING, S),
      QV_FIELD(R, "MST", MSGNUMBER, UL),
  };
  d.keys = {
      key(d, "MST:IDStringKey", {"MST:IDSTRING"}, kUnique | kPrimary | kNocase),
      key(d, "MST:IDKey", {"MST:MSGNUMBER"}, kUnique | kNocase),
  };
  return d;
}

// ---- Word index files

FileDef wordList() {
  using R = WordList;
  FileDef d = file(kWordList, "WordList", "WOR", sizeof(R), kFlat, kWordIndex);
  d.fields = {
      QV_FIELD(R, "WOR", WORDID, L),
      QV_FIELD(R, "WOR", THEWORD, S),
      QV_FIELD(R, "WOR", WORDCOUNT, L),
  };
  d.keys = {
      key(d, "WOR:by_WordId", {"WOR:WORDID"}, kUnique | kPrimary | kOpt | kNocase),
      key(d, "WOR:by_theWord", {"WOR:THEWORD"}, kUnique | kOpt | kNocase),
      key(d, "WOR:by_WordCount", {"WOR:WORDCOUNT"}, kDup | kOpt | kNocase | kIndex),
  };
  return d;
}

FileDef masIdx() {
  using R = MasIdx;
  FileDef d = file(kMasIdx, "MasIdx", "MAS", sizeof(R), kKeyed, kWordIndex);
  d.fields = {
      QV_FIELD(R, "MAS", SYSID, UL),
      QV_FIELD(R, "MAS", WORDID, UL),
  };
  d.keys = {
      key(d, "MAS:by_SysID", {"MAS:SYSID", "MAS:WORDID"}, kUnique | kPrimary | kOpt | kNocase),
      key(d, "MAS:by_WordId", {"MAS:WORDID"}, kDup | kOpt | kNocase),
  };
  return d;
}

FileDef pur() {
  using R = PUR;
  FileDef d = file(kPUR, "PUR", "PUR", sizeof(R), kFlat, kWordIndex);
  d.fields = {
      QV_FIELD(R, "PUR", SYSID, L),
      QV_FIELD(R, "PUR", WORDID, L),
  };
  return d;
}

FileDef wd() {
  using R = WD;
  FileDef d = file(kWD, "WD", "WD", sizeof(R), kKeyed, kWordIndex);
  d.fields = {
      QV_FIELD(R, "WD", SETNAME, S), QV_FIELD(R, "WD", ID, B),      QV_FIELD(R, "WD", STARTWORD, B),
      QV_FIELD(R, "WD", INWORD, B),  QV_FIELD(R, "WD", ENDWORD, B),
  };
  d.keys = {key(d, "WD:BY_SETNAME", {"WD:SETNAME", "WD:ID"}, kUnique | kPrimary | kNocase)};
  return d;
}

// ---- Temporary work files

FileDef nhr() {
  using R = NHR;
  FileDef d = file(kNHR, "NHR", "NHR", sizeof(R), kKeyed, kTemporary, kPasswordB, kMaxTextLength);
  d.fields = {
      QV_FIELD(R, "NHR", INTERNAL, UL),      QV_FIELD(R, "NHR", MSGNUMBER, UL),
      QV_FIELD(R, "NHR", REFNUMBER, UL),     QV_FIELD(R, "NHR", FOR_DESCRIPTION, S),
      QV_FIELD(R, "NHR", SECTIONNUMBER, UL), QV_FIELD(R, "NHR", SEC_DESCRIPTION, S),
      QV_FIELD(R, "NHR", HEADING, S),        QV_FIELD(R, "NHR", S_CISADRESS, S),
      QV_FIELD(R, "NHR", S_NAME, S),         QV_FIELD(R, "NHR", R_CISADRESS, S),
      QV_FIELD(R, "NHR", R_NAME, S),         QV_FIELD(R, "NHR", DUMMY, B),
      QV_FIELD(R, "NHR", DATE, L),           QV_FIELD(R, "NHR", TIME, L),
      QV_FIELD(R, "NHR", MAILTYPE, B),       QV_FIELD(R, "NHR", RECIPTYPE, S),
      QV_FIELD(R, "NHR", IMPDATE, L),        QV_FIELD(R, "NHR", IMPTIME, L),
  };
  d.keys = {key(d, "NHR:MSGKEY", {"NHR:INTERNAL", "NHR:MSGNUMBER"}, kUnique | kPrimary | kNocase)};
  return d;
}

FileDef cct() {
  using R = CCT;
  FileDef d = file(kCCT, "CCT", "CCT", sizeof(R), kKeyed, kTemporary);
  d.fields = {
      QV_FIELD(R, "CCT", MAILID, UL),
      QV_FIELD(R, "CCT", R_NAME, S),
      QV_FIELD(R, "CCT", R_CISADRESS, S),
      QV_FIELD(R, "CCT", RECIPTYPE, S),
  };
  d.keys = {key(d, "CCT:IDKEY", {"CCT:MAILID", "CCT:R_CISADRESS", "CCT:R_NAME"},
                kUnique | kPrimary | kNocase)};
  return d;
}

FileDef tid() {
  using R = TID;
  FileDef d = file(kTID, "TID", "TID", sizeof(R), kKeyed, kTemporary);
  d.fields = {
      QV_FIELD(R, "TID", IDSTRING, S),
      QV_FIELD(R, "TID", MSGNUMBER, UL),
  };
  d.keys = {key(d, "TID:IDKEY", {"TID:MSGNUMBER"}, kUnique | kPrimary | kNocase)};
  return d;
}

FileDef search() {
  using R = Search;
  FileDef d = file(kSearch, "Search", "SEA", sizeof(R), kKeyed, kTemporary);
  d.fields = {
      QV_FIELD(R, "SEA", SORT, UL),
      QV_FIELD(R, "SEA", ID, UL),
  };
  // Both keys carry the primary mark; code that needs a single primary key takes the first.
  d.keys = {
      key(d, "SEA:SortKey", {"SEA:SORT"}, kUnique | kPrimary | kNocase),
      key(d, "SEA:IdKey", {"SEA:ID"}, kUnique | kPrimary | kNocase),
  };
  return d;
}

// ---- Files of other programs and export tables: named here so that their paths resolve;
// their columns are read and written by the table code.

FileDef outside(int number, const char* name, uint32_t recordSize, FileKind kind) {
  return file(number, name, name, recordSize, kind, Place::kOutside);
}

FileDef hre() {
  return outside(kHRE, "HRE", 549, FileKind::kFoxPro);
}
FileDef dos() {
  return outside(kDOS, "DOS", 10000, FileKind::kByte);
}
FileDef cco() {
  return outside(kCCO, "CCO", 191, FileKind::kFoxPro);
}
FileDef cma() {
  return outside(kCMA, "CMA", 146, FileKind::kFoxPro);
}
FileDef toc() {
  return outside(kTOC, "TOC", 10000, FileKind::kByte);
}
FileDef oui() {
  return outside(kOUI, "OUI", 369, FileKind::kFoxPro);
}
FileDef dbm() {
  return outside(kDBM, "DBM", 303, FileKind::kDBase3);
}
FileDef dba() {
  return outside(kDBA, "DBA", 118, FileKind::kDBase3);
}
FileDef dbf() {
  return outside(kDBF, "DBF", 364, FileKind::kDBase3);
}
FileDef dbn() {
  return outside(kDBN, "DBN", 498, FileKind::kDBase3);
}

struct Catalogue {
  std::map<int, std::unique_ptr<FileDef>> byNumber;
  std::vector<const FileDef*> all;
  Catalogue() {
    for (FileDef (*make)() :
         {codes, forums, msgNmbr, msgText,   person, sections, threads,  control, sIndex,
          nhr,   hre,    dos,     mail,      ccr,    imp,      cct,      cco,     cma,
          ref,   plink,  tid,     msgString, tas,    fli,      wordList, masIdx,  sto,
          toc,   search, pur,     bat,       tim,    wd,       oui,      tlo,     tli,
          neo,   dbm,    dba,     dbf,       dbn}) {
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

const std::vector<const FileDef*>& allFileDefs() {
  return catalogue().all;
}

}  // namespace qv
