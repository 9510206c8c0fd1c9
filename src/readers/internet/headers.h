// RFC 822 header decoding of mail and news messages into the temporary import record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "readers/internet/line_list.h"
#include "readers/internet/mime.h"
#include "storage/records.h"

namespace qv {

// What ClassifyHeader recognises.
enum HeaderKind : uint8_t {
  kNotAHeader = 0,
  kFromHeader = 1,
  kDateHeader = 2,
  kToHeader = 3,
  kSubjectHeader = 4,
  kNewsgroupsHeader = 5,
  kMessageIdHeader = 6,
  kOtherHeader = 99,
};

// Recognises a header line (or a mailbox separator line) by its first 50 characters.
uint8_t ClassifyHeader(std::string_view line);

// 0 when the line can belong to a header block (a folded continuation, or a name followed by
// ": " before column 50), 1 when it cannot.
uint8_t IsHeaderLike(std::string_view line);

// 1 when the line starts one of the headers that mark Internet mail inside captured text.
uint8_t IsHeaderOfInterest(std::string_view line);

// Splits a From or To value into a lower-cased address and a name: "Name <address>",
// "address (Name)", "address Name" and "Name address" all give the same parts; a value without
// "@" is all address. Quotes or parentheses around the name are dropped.
void SplitAddress(std::string_view value, std::string& address, std::string& name);
// The same into the receiver (which = 1) or sender (which = 2) fields of `nhr`.
void SplitAddress(NHR& nhr, std::string_view value, int which);

// The day number of a month name ("JAN"/"Jan" ... "DEZ"/"Dez", English and German), a day and
// a year; two-digit years below 80 are 20xx, the others 19xx. 0 for an unknown month name or
// a day that the month does not have.
int32_t MonthNameDate(std::string_view month, int day, int year);

// Reads a Date value ("Mon, 5 Jan 1998 12:34:56 +0100", "05 Jan 98 12:34") into a day number
// and a time; time zones are ignored. `pegasus` also accepts the Pegasus Mail forms
// ("5-Jan-98 12:34", "Monday, Jan 5, 1998 12:34"). Date and time are 0 when the value is empty
// or cannot be read.
void ParseMsgDate(std::string_view value, bool pegasus, int32_t& date, int32_t& time);

// The subject without leading blanks and without one leading "Re:".
std::string StripRe(std::string_view subject);

// The side of an import that the header parse needs: the temporary files, the database
// catalogue and the owner of the target database. The import run implements it.
class ImportSide {
 public:
  virtual ~ImportSide() = default;

  // Adds the ID string record (file TID) that ties a temporary number to a Message-ID or a
  // reference, so that posting can resolve it.
  virtual void addIdString(std::string_view idString, uint32_t number) = 0;

  // Whether the run's database catalogue already holds a database of that name (find only).
  virtual bool knowsDatabase(std::string_view name) = 0;

  // The in/out decision of a mail: 1 when the owner received it (the receiver address becomes
  // the owner's default address), 2 when the owner sent it (the sender address becomes the
  // owner's default address). The other address is lower-cased.
  virtual uint8_t classifyMail(std::string& senderAddress, std::string& receiverAddress) = 0;

  // The owner of the target database: its name (the database's name, at most 40 characters)
  // and its default address.
  virtual std::string ownerName() = 0;
  virtual std::string ownerAddress() = 0;

  // Splits a sender or receiver value of the CompuServe-style formats: a name followed by an
  // address in angle brackets, an address marked INTERNET, or a numeric CompuServe user ID.
  virtual void splitCompuServeAddress(std::string_view value, std::string& address,
                                      std::string& name) = 0;
};

// One message being decoded: its line list, its temporary import record and its body state
// (which also tells the source format).
struct MessageContext {
  LineList& lines;
  NHR& nhr;
  MimeBody& body;
  ImportSide& side;
};

struct MailHeaderResult {
  bool ok = false;  // false: a news article, or a multipart body without a boundary
  uint8_t contentClass = kPlainText;
  size_t firstBodyLine = 0;
};

// Parses the header block of a mail from line `first` to the first blank line into the
// sender, receiver, date, subject and mail type of the record, and the content class; a
// multipart body is filtered down to its first text part (Outlook Express 5 only keeps the
// boundary, as its reader filters while reading). Resets `body` first.
MailHeaderResult ParseMailHeader(MessageContext& msg, size_t first);

// The index record that some news readers keep beside the article text.
struct NewsOverview {
  std::string messageId;   // 60
  std::string subject;     // 50
  std::string from;        // 100
  std::string references;  // 400
  std::string newsgroups;  // 100
};

struct NewsHeaderResult {
  uint8_t kind = 2;  // 1 CompuServe-style (the first line is a Subject), 2 other, 3 news
  uint8_t contentClass = kPlainText;
  uint32_t bodyLines = 0;  // from "Lines:", 0 when absent
  size_t firstBodyLine = 0;
};

// Parses the header of a news article (or of a message in a mixed mail/news file) into the
// record: newsgroup, temporary numbers of the article and of the article it answers (drawn
// from `counter`, each with its ID string record), sender, receiver, date and subject. An
// `overview` makes the message a news article and fills what the header lacks; it is ignored
// when its Message-ID differs. Resets `body` first.
NewsHeaderResult ParseNewsHeader(MessageContext& msg, size_t first, const NewsOverview* overview,
                                 uint32_t& counter);

// The newsgroup a cross-posted article is filed under: the first of the comma-separated
// names that the catalogue knows, else the first name.
std::string SelectNewsgroup(std::string_view value, ImportSide& side);

}  // namespace qv
