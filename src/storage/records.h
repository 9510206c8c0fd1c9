// Record buffers of every archive, work and exchange file, with their exact widths and order.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "storage/layout.h"

namespace qv {

// File numbers of the catalogue.
enum FileNo : int {
  kCodes = 1,
  kForums = 2,
  kMsgNmbr = 3,
  kMsgText = 4,
  kPerson = 5,
  kSections = 6,
  kThreads = 7,
  kControl = 8,
  kSIndex = 9,
  kNHR = 10,
  kHRE = 11,
  kDOS = 12,
  kMail = 13,
  kCCR = 17,
  kIMP = 18,
  kCCT = 19,
  kCCO = 20,
  kCMA = 21,
  kREF = 22,
  kPLINK = 23,
  kTID = 24,
  kMsgString = 25,
  kTAS = 26,
  kFLI = 27,
  kWordList = 28,
  kMasIdx = 29,
  kSTO = 30,
  kTOC = 31,
  kSearch = 32,
  kPUR = 33,
  kBAT = 34,
  kTIM = 35,
  kWD = 39,
  kOUI = 40,
  kTLO = 41,
  kTLI = 42,
  kNeo = 43,
  kDBM = 44,
  kDBA = 45,
  kDBF = 46,
  kDBN = 47,
};

// The largest text part of a MsgText or NHR record.
constexpr uint32_t kMaxTextLength = 64000;

#pragma pack(push, 1)

// Groups are anonymous unions: the group name spans the whole group and the fields inside
// overlay it, so code can copy the group as one block or use its parts.

// Codes (file 1): topic definitions.
struct Codes {
  uint8_t TYPE;
  char INDEX[40];
  uint32_t ID;
  uint32_t COUNT;
  int32_t DATE;
  int32_t TIME;
  uint8_t CHARCASE;
  uint8_t WORDONLY;

  enum Key { ClassKey };
};
static_assert(sizeof(Codes) == 59);

// Forums (file 2): the database list.
struct Forums {
  uint32_t ID;
  char DESCRIPTION[100];
  uint32_t REDIRNOW;
  uint32_t REDIRBEFORE;
  uint8_t TARGETNG;
  uint32_t DIRNUMBER;
  uint8_t NODIR;
  uint8_t TYPE;
  uint8_t NOIMPORT;
  uint32_t MSGCOUNT;
  uint8_t COUNTFLAG;
  uint8_t DUMMY;
  int32_t CREATED;
  int32_t LOWDATE;
  char MAILADDRESS[60];
  uint32_t PERSONID;
  char ALTADDRESS[10][60];
  uint32_t LASTMSGID;
  uint32_t RECSLASTTIME;
  int32_t WORDLISTINDEXNEEDSUPDATE;
  uint8_t INDEXTYPE;

  enum Key { ForumKey, AlphaKey, DirKey, TypeKey };
};
static_assert(sizeof(Forums) == 811);

// MsgNmbr (file 3): forum and newsgroup message headers.
struct MsgNmbr {
  uint32_t MSGNUMBER;
  uint32_t SECSYSID;
  uint32_t REFNUMBER;
  uint32_t THREADNUMBER;
  char THREADALPHA[10];
  uint32_t FROMID;
  char FROMALPHA[10];
  uint32_t TOID;
  char TOALPHA[10];
  int32_t DATE;
  uint8_t DUMMY;
  uint8_t FG;

  // Keys, by their index in the file's key list.
  enum Key { IdKey, Threadkey, SECkey, FromKey, ToKey, DateKey, StatusKey };
};
static_assert(sizeof(MsgNmbr) == 60);

// MsgText (file 4): the fixed part of a message text; the text itself is the file's text part.
struct MsgText {
  uint32_t MSGNUMBER;
  int32_t DATE;
  int32_t TIME;

  enum Key { IdKey, DateKey };
};
static_assert(sizeof(MsgText) == 12);

// Person (file 5): senders and receivers.
struct Person {
  uint32_t PERSONID;
  char PERSONSTRING[100];
  char LASTNAME[25];
  char FIRSTNAME[25];
  char ADDRESS[60];
  uint32_t FROMCOUNT;
  uint32_t TOCOUNT;
  int32_t LASTDATE;
  uint8_t DUMMY;

  enum Key { PersonKey, StringKey, AddressKey, NameKey };
};
static_assert(sizeof(Person) == 227);

// Sections (file 6): forum sections or newsgroups.
struct Sections {
  uint32_t SECTIONNUMBER;
  uint32_t SECSYSID;
  char DESCRIPTION[100];
  uint32_t MSGCOUNT;
  uint8_t DUMMY;

  enum Key { SysIdKey, SectionKey, DescKey };
};
static_assert(sizeof(Sections) == 113);

// Threads (file 7): threads; HEADING is the subject, ALPHA its first ten characters.
struct Threads {
  uint32_t THREADNUMBER;
  uint32_t SECSYSID;
  union {
    char HEADING[100];
    struct {
      char ALPHA[10];
      char BETA[90];
    };
  };
  uint32_t MSGCOUNT;
  uint8_t DUMMY;

  enum Key { ThreadKey, SecKey, AlphaKey, StatusKey };
};
static_assert(sizeof(Threads) == 113);

// Control (file 8): the identifier counter and preferences; CTLGROUP's layout depends on ID.
struct Control {
  uint8_t ID;
  uint32_t NEXTNUMBER;
  union {
    uint8_t CTLGROUP[257];
    uint8_t CTLFIELD[257];
  };

  enum Key { IdKey };
};
static_assert(sizeof(Control) == 262);

// SIndex (file 9): topic-to-message links.
struct SIndex {
  uint32_t ID;
  uint32_t MSGNUMBER;

  enum Key { IdKey, MsgKey };
};
static_assert(sizeof(SIndex) == 8);

// NHR (file 10): headers read by an import before they are posted; the text is the text part.
struct NHR {
  uint32_t INTERNAL;
  uint32_t MSGNUMBER;
  uint32_t REFNUMBER;
  char FOR_DESCRIPTION[100];
  uint32_t SECTIONNUMBER;
  char SEC_DESCRIPTION[100];
  char HEADING[100];
  char S_CISADRESS[60];
  char S_NAME[60];
  char R_CISADRESS[60];
  char R_NAME[60];
  uint8_t DUMMY;
  int32_t DATE;
  int32_t TIME;
  uint8_t MAILTYPE;
  char RECIPTYPE[2];
  int32_t IMPDATE;
  int32_t IMPTIME;

  enum Key { MSGKEY };
};
static_assert(sizeof(NHR) == 576);

// Mail (file 13): mail headers.
struct Mail {
  int32_t DATE;
  int32_t TIME;
  char SUBJECT[50];
  uint32_t MAILID;
  uint32_t FROMID;
  char FROMALPHA[10];
  uint32_t TOID;
  char TOALPHA[10];
  uint32_t PAIRID;
  char PAIRALPHA[25];
  char RECIPTYPE[2];
  uint8_t CCR;
  uint8_t DUMMY;
  uint8_t FG;

  enum Key { IdKey, DateKey, PairKey, FromKey, ToKey, SubjectKey, StatusKey };
};
static_assert(sizeof(Mail) == 124);

// CCR (file 17): further receivers of a mail.
struct CCR {
  uint32_t MAILID;
  char R_NAME[40];
  char R_CISADRESS[60];
  char RECIPTYPE[2];

  enum Key { IdKey };
};
static_assert(sizeof(CCR) == 106);

// IMP (file 18): marks of messages already imported.
struct IMP {
  uint32_t FORUMNUMBER;
  uint32_t MSGNUMBER;

  enum Key { IDKEY };
};
static_assert(sizeof(IMP) == 8);

// CCT (file 19): further receivers of mails still in the temporary import file.
struct CCT {
  uint32_t MAILID;
  char R_NAME[40];
  char R_CISADRESS[60];
  char RECIPTYPE[2];

  enum Key { IDKEY };
};
static_assert(sizeof(CCT) == 106);

// REF (file 22): the database's own description, one record repeating its list entry.
struct REF {
  uint8_t TYPE;
  char DESCRIPTION[100];
  uint8_t TARGETNG;
  int32_t PERSONID;
  char MAILADDRESS[60];
  char ALTADDRESS[10][60];
};
static_assert(sizeof(REF) == 766);

// PLINK (file 23): name variants of persons.
struct PLINK {
  char PERSONSTRING[100];
  uint32_t PERSONID;

  enum Key { StringKey, PersonKey };
};
static_assert(sizeof(PLINK) == 104);

// TID (file 24): message-id strings of newsgroup messages still in the temporary import file.
struct TID {
  char IDSTRING[60];
  uint32_t MSGNUMBER;

  enum Key { IDKEY };
};
static_assert(sizeof(TID) == 64);

// MsgString (file 25): newsgroup message-id strings.
struct MsgString {
  char IDSTRING[60];
  uint32_t MSGNUMBER;

  enum Key { IDStringKey, IDKey };
};
static_assert(sizeof(MsgString) == 64);

// TAS (file 26): scheduled tasks.
struct TAS {
  uint32_t ID;
  char DESCRIPTION[50];
  int32_t RUNNOWDATE;
  int32_t RUNNOWTIME;
  int32_t RUNNEXTDATE;
  int32_t RUNNEXTTIME;
  int32_t LASTRUNDATE;
  int32_t LASTRUNTIME;
  union {
    uint8_t DAILYREPEAT[7];
    uint8_t DAYS[7];
  };
  union {
    uint8_t MONTHLYREPEAT[5];
    uint8_t MONTHDAYS[5];
  };
  uint8_t DODUPELIM;
  uint8_t DOPURGE;
  uint8_t DOCOUNT;
  uint8_t DOINDEX;
  uint8_t RESULTCODE;
  uint8_t ACTIVE;

  enum Key { IDKEY };
};
static_assert(sizeof(TAS) == 96);

// FLI (file 27): file names or masks of an import batch.
struct FLI {
  uint32_t ID;
  char FILESPEC[254];

  enum Key { IDKEY };
};
static_assert(sizeof(FLI) == 258);

// WordList (file 28): the words of a word index.
struct WordList {
  int32_t WORDID;
  char THEWORD[40];
  int32_t WORDCOUNT;

  enum Key { by_WordId, by_theWord, by_WordCount };
};
static_assert(sizeof(WordList) == 48);

// MasIdx (file 29): word-to-message links.
struct MasIdx {
  uint32_t SYSID;
  uint32_t WORDID;

  enum Key { by_SysID, by_WordId };
};
static_assert(sizeof(MasIdx) == 8);

// STO (file 30): words the word index ignores.
struct STO {
  char THEWORD[40];

  enum Key { BY_THEWORD };
};
static_assert(sizeof(STO) == 40);

// Search (file 32): search results.
struct Search {
  uint32_t SORT;
  uint32_t ID;

  enum Key { SortKey, IdKey };
};
static_assert(sizeof(Search) == 8);

// PUR (file 33): word links waiting for removal; no keys.
struct PUR {
  int32_t SYSID;
  int32_t WORDID;
};
static_assert(sizeof(PUR) == 8);

// BAT (file 34): import batches (predefined imports).
struct BAT {
  uint32_t ID;
  uint32_t TYPE;
  char DESCRIPTION[50];
  uint32_t DATABASE;
  uint8_t FILETYPE;
  char IMPPATH[254];
  uint8_t SELMETHOD;
  uint32_t MAILBOX;
  uint8_t MAILMSG;
  uint8_t FORUMMSG;
  uint8_t NEWSGROUPMSG;
  uint8_t MSGFILTER;
  uint8_t ALLOWREIMP;
  uint32_t MAILTOPIC;

  enum Key { IDKEY, TYPEKEY };
};
static_assert(sizeof(BAT) == 331);

// TIM (file 35): the steps of a task, each running one import batch.
struct TIM {
  uint32_t TASKID;
  uint32_t BATCHID;
  int32_t EVENTTIME;
  uint8_t RESULTCODE;

  enum Key { TASKKEY, BATCHKEY };
};
static_assert(sizeof(TIM) == 13);

// WD (file 39): word character sets.
struct WD {
  char SETNAME[40];
  uint8_t ID;
  uint8_t STARTWORD;
  uint8_t INWORD;
  uint8_t ENDWORD;

  enum Key { BY_SETNAME };
};
static_assert(sizeof(WD) == 44);

// TLO (file 41): the log of task runs.
struct TLO {
  uint32_t TASKLOGID;
  uint32_t TASKID;
  int32_t DATESTARTED;
  int32_t DATEFINISHED;
  int32_t TIMESTARTED;
  int32_t TIMEFINISHED;
  uint8_t RESULTCODE;

  enum Key { IDKEY, BYTASK };
};
static_assert(sizeof(TLO) == 25);

// TLI (file 42): the log of the steps of each task run.
struct TLI {
  uint32_t TASKLOGID;
  uint32_t TYPE;
  uint32_t BATCHID;
  int32_t DATESTARTED;
  int32_t DATEFINISHED;
  int32_t TIMESTARTED;
  int32_t TIMEFINISHED;
  uint8_t RESULTCODE;

  enum Key { IDKEY };
};
static_assert(sizeof(TLI) == 29);

// Neo (file 43): the text table; NEOGROUP holds one 100-character text.
struct Neo {
  uint32_t ID;
  union {
    char NEOGROUP[100];
    uint8_t NEOFIELD[100];
  };

  enum Key { IDKey };
};
static_assert(sizeof(Neo) == 104);

#pragma pack(pop)

// The description of file `number`, or nullptr when the catalogue names no such file.
const FileDef* fileDef(int number);
// The description of the file named `name`: its name ("MsgNmbr"), prefix ("MSG") or
// catalogue file name ("IDX003"), case-insensitive; nullptr when none matches.
const FileDef* fileDefByName(std::string_view name);
// Every described file, in file-number order.
const std::vector<const FileDef*>& allFileDefs();

}  // namespace qv
