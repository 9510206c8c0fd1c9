// Record buffers of every archive, work and exchange file, with their exact widths and order.
#pragma once

#include <cstdint>

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

#pragma pack(push, 1)

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

#pragma pack(pop)

// The description of file `number`, or nullptr when the catalogue names no such file.
const FileDef* fileDef(int number);
// The description of the file named `name`: its name ("MsgNmbr"), prefix ("MSG") or
// catalogue file name ("IDX003"), case-insensitive; nullptr when none matches.
const FileDef* fileDefByName(std::string_view name);
// Every described file, in file-number order.
const std::vector<const FileDef*>& allFileDefs();

}  // namespace qv
