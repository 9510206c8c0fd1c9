// Persons and addresses: splitting raw sender and receiver strings, the person register of a
// database with its name variants, the owner's addresses of a mail database, and the counts of
// messages sent and received per person.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "storage/session.h"

namespace qv {

// Widths of the person fields and of the sort names kept in message headers.
inline constexpr size_t kPersonStringWidth = 100;
inline constexpr size_t kPersonAddressWidth = 60;
inline constexpr size_t kPersonNameWidth = 25;  // PER:LASTNAME, PER:FIRSTNAME, MAI:PAIRALPHA
inline constexpr size_t kNameAlphaWidth = 10;   // MSG:FROMALPHA and the like
inline constexpr size_t kOwnerAddressWidth = 60;
inline constexpr size_t kOwnerAltAddresses = 10;
inline constexpr size_t kOwnerDbNameWidth = 40;
inline constexpr size_t kSplitWidth = 100;  // SplitInternetForm, CleanMailAddress

// Character 179: the list separator some forum readers put between a name and an address.
inline constexpr char kListSeparator = static_cast<char>(179);

// ---- String operations. All take and give code page 1252 bytes; results carry no trailing
// blanks (the caller's fixed-width field pads them).

// The identifying string of a person: the upper-cased name without trailing blanks, one
// blank, and the address, cut to 100 characters.
std::string personString(std::string_view name, std::string_view address);

// The sort name that message headers keep for a person: the first 10 characters of the last
// name as written (the keys over it ignore letter case).
std::string nameAlpha(std::string_view lastName);

// Lower case of code page 1252 text (accented letters too), as owner addresses are compared.
std::string lower1252(std::string_view s);

// True when `s` holds one number: blanks around it, an optional sign, digits with at most one
// decimal point. Empty and blank texts are not numeric.
bool isNumeric(std::string_view s);

struct ParsedName {
  std::string last;   // at most 25 characters
  std::string first;  // at most 25 characters
};

// Splits a name at its last blank into first and last name. A generation suffix ("III",
// "IV", also written with a lower-case l) stays with the surname before it.
ParsedName ParseName(std::string_view name);

// The 1-based position of the first occurrence of `pattern` in `text` (both without their
// trailing blanks), or 0. Letter case counts. With `wholeWord` an occurrence counts only when
// the characters on either side of it are not word characters: the digits when the pattern is
// a number, otherwise A-Z, a-z, the digit 1 and the characters 128-133.
int AISINB(std::string_view pattern, std::string_view text, bool wholeWord);

// Kinds of raw strings that FindCISAdress splits.
enum CisKind : int { kCisForum = 1, kCisMail = 2 };

struct NameAddress {
  std::string name;
  std::string address;
};

// Splits a raw "name address" string of the CompuServe readers. Numeric service identifiers
// ("12345,678", "12345.678", "[12345,678]") come back with a comma. A forum string without
// an identifier is all name; a mail string is split at its last blank, and a "CSINET" or
// "INTERNET:"-like prefix of the address is dropped.
NameAddress FindCISAdress(int kind, std::string_view text);

// Brings a numeric service identifier into its one form: "12345.678", "[12345,678]" and
// "12345, 678" all become "12345,678". Internet addresses (with "@"), blank addresses and
// "T1" come back unchanged.
std::string NormaliseCisId(std::string address);

// An Internet address loses a leading "INTERNET" (and one ":" after it); any other address
// goes through NormaliseCisId. At most 100 characters.
std::string CleanMailAddress(std::string_view address);

// Splits a raw string that may name an Internet correspondent as "name >INTERNET:address";
// strings without that marker are split by FindCISAdress with `kind`. At most 100 characters
// each.
NameAddress SplitInternetForm(std::string_view text, int kind);

// ---- The person register of the current database (files Person and PLINK).

// Finds the person of `name` and `address` (letter case ignored), following a name variant
// that person merging left in PLINK, or adds a new person. Returns 0 with the Person buffer
// holding the person, or 1 when no person could be added: the running transaction is then
// rolled back and the user was told (nothing is shown in unattended mode).
//
// A name variant that points to a person who no longer exists is repaired: the person is
// added anew under the variant's string and the variant deleted.
int AddPers(Session& s, std::string_view address, std::string_view name);

// ---- The owner's addresses of a mail database, for one mail posting run.
//
// The set is the database's default address and its ten alternative addresses, lower-cased,
// with the database's name, its default address as stored and the owner's person identifier.
// The owner name cache holds the owner's last name once the first mail of the run has looked
// it up; loading blanks it.
class OwnerAddresses {
 public:
  // Load (request 2): the set of database `dbId` of the database list. A database that is not
  // in the list leaves the whole set blank and the owner person 0.
  void load(Session& s, uint32_t dbId);

  // Classify (request 3): 2 when `sender` is one of the owner's addresses (the owner sent the
  // mail; the sender becomes the default address and the receiver is lower-cased), else 1
  // (the owner received it; the receiver becomes the default address and the sender is
  // lower-cased). So alternative addresses never reach the archive.
  int classify(std::string& sender, std::string& receiver) const;

  // Test (request 1): 0 when `address` is one of the owner's addresses, else 1.
  int test(std::string_view address) const;

  const std::string& DEFADDRESS() const { return defAddress_; }  // LOC:DEFADDRESS
  const std::string& ALTADDRESS(size_t i) const { return altAddress_.at(i); }
  const std::string& dbName() const { return dbName_; }            // first 40 of FOR:DESCRIPTION
  const std::string& mailAddress() const { return mailAddress_; }  // FOR:MAILADDRESS as stored
  uint32_t personId() const { return personId_; }                  // $Mem:PersonID

  // The owner's last name, blank until the posting sets it.
  std::string ownerNameCache;

 private:
  bool isOwner(std::string_view address) const;

  std::string defAddress_;
  std::array<std::string, kOwnerAltAddresses> altAddress_;
  std::string dbName_;
  std::string mailAddress_;
  uint32_t personId_ = 0;
};

// ---- Counts of messages per person. The Person buffer holds the person.

enum CountResult : int { kCountsUnchanged = 0, kCountsChanged = 2, kNoMessages = 3 };

// Counts the person's mails in Mail (sent on MAI:FromKey, received on MAI:ToKey). Counts that
// differ from PER:FROMCOUNT and PER:TOCOUNT are stored into the buffer (2); equal counts give
// 0. A person without any mail gives 3 in mode 0 (the buffer untouched), has zero counts
// stored in mode 1 (2), and gives 0 in any other mode. The caller writes the record.
int CFromToMail(Session& s, int mode);

// The same over MsgNmbr (MSG:FromKey, MSG:ToKey) for forum and newsgroup databases: 0, 2, or 3
// when the person has no messages (the buffer untouched).
int CountPersonMessages(Session& s);

// Recounts every person of the current forum or newsgroup database and writes the counts
// that changed (a person left without messages gets zero counts; removing persons is the
// message counting's job). Returns the number of persons written, or -1 when a write failed
// (the transaction is rolled back and the user told) or the database is a mail database. It
// commits its own transactions, so no transaction may be running when it is called.
int RecountPersons(Session& s);

}  // namespace qv
