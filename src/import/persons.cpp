// Persons and addresses: raw address strings, the person register, owner addresses, counts.
#include "import/persons.h"

#include <algorithm>
#include <climits>
#include <initializer_list>
#include <vector>

#include "import/import_texts.h"
#include "storage/control.h"
#include "storage/file_access.h"
#include "storage/records.h"
#include "storage/text.h"

namespace qv {
namespace {

namespace t = texts;

// Keeps the listed files open for one operation, one use more of each while it lasts.
class FilesInUse {
 public:
  FilesInUse(Session& s, std::initializer_list<int> files) : s_(s), files_(files) {
    for (int n : files_) OP_CLOSE(s_, kOpOpenShared, {n});
  }
  ~FilesInUse() {
    for (int n : files_) OP_CLOSE(s_, kOpClose, {n});
  }
  FilesInUse(const FilesInUse&) = delete;
  FilesInUse& operator=(const FilesInUse&) = delete;

 private:
  Session& s_;
  std::vector<int> files_;
};

// Bulk writes are committed in batches of this many records.
constexpr int kCommitEvery = 400;

// ---- Strings, 1-based as the rules count positions.

// Characters `from`..`to` of `s` (1-based, inclusive); empty when the range is empty.
std::string sub(const std::string& s, int from, int to) {
  from = std::max(from, 1);
  to = std::min(to, static_cast<int>(s.size()));
  if (from > to) return {};
  return s.substr(static_cast<size_t>(from - 1), static_cast<size_t>(to - from + 1));
}

// Characters `from`..end of `s`.
std::string from(const std::string& s, int pos) {
  return sub(s, pos, static_cast<int>(s.size()));
}

char at(const std::string& s, int pos) {
  return s[static_cast<size_t>(pos - 1)];
}

bool isSeparator(char c) {
  return c == ' ' || c == kListSeparator;
}

// `s` without any trailing characters from `chars`.
std::string stripTail(std::string s, std::string_view chars) {
  while (!s.empty() && chars.find(s.back()) != std::string_view::npos) s.pop_back();
  return s;
}

std::string cut(std::string s, size_t width) {
  if (s.size() > width) s.resize(width);
  return std::string(trimRight(s));
}

// The trailing characters a name keeps from a "name >address" form.
constexpr std::string_view kNameTail{" >\xB3", 3};

bool isWordChar(uint8_t c, bool numericPattern) {
  if (numericPattern) return c >= '0' && c <= '9';
  // The digit 1 and the characters 128-133 count as letters; the other digits do not.
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '1' || (c >= 128 && c <= 133);
}

bool isGenerationSuffix(const std::string& lastName) {
  static constexpr std::string_view kSuffixes[] = {"I  ", "l  ", "II ", "ll ", "III",
                                                   "lll", "IV ", "lV ", "V  "};
  std::string head = (lastName + "   ").substr(0, 3);
  return std::find(std::begin(kSuffixes), std::end(kSuffixes), head) != std::end(kSuffixes);
}

// A mail string split at its last blank: the name loses a trailing ">" and blanks, and the
// address loses a prefix up to its first ":" ("INTERNET:", "MHS:"). Only the first `len`
// characters of `text` count.
NameAddress splitMailAtLastBlank(const std::string& text, int len) {
  NameAddress r;
  int s = 0;
  for (int i = len; i >= 2; --i)
    if (isSeparator(at(text, i))) {
      s = i;
      break;
    }
  if (s == 0) {
    r.address = sub(text, 1, len);
    return r;
  }
  r.address = sub(text, s + 1, len);
  r.name = stripTail(sub(text, 1, s - 1), kNameTail);
  size_t colon = r.address.find(':');
  if (colon != std::string::npos && colon + 1 < r.address.size())
    r.address = r.address.substr(colon + 1);
  return r;
}

// What remains when no identifier is found: a forum string is all name; a mail string is
// split at its last blank.
NameAddress fallback(int kind, const std::string& text, int len) {
  if (kind == kCisMail) return splitMailAtLastBlank(text, len);
  NameAddress r;
  r.name = text;
  return r;
}

// Walks `key` of `f` from the start of the group the buffer names and counts the records for
// which `same` holds, stopping at the first that does not.
template <class Same>
uint32_t countGroup(StoreFile& f, int key, Same same) {
  uint32_t n = 0;
  if (f.setFromBuffer(key) != kStoreOk) return 0;
  while (f.next() == kStoreOk && same()) ++n;
  return n;
}

bool sameAlpha(const char (&field)[kNameAlphaWidth], const std::string& alpha) {
  return equalsNoCase(trimRight(std::string_view(field, kNameAlphaWidth)), alpha);
}

// Stores `from` and `to` into the Person buffer as the rules of both counts say.
int storeCounts(Person& p, uint32_t fromCount, uint32_t toCount, int noneResult, bool zeroStore) {
  if (fromCount == 0 && toCount == 0) {
    if (!zeroStore) return noneResult;
    p.FROMCOUNT = 0;
    p.TOCOUNT = 0;
    return kCountsChanged;
  }
  if (fromCount == p.FROMCOUNT && toCount == p.TOCOUNT) return kCountsUnchanged;
  p.FROMCOUNT = fromCount;
  p.TOCOUNT = toCount;
  return kCountsChanged;
}

}  // namespace

// ---- Strings.

std::string personString(std::string_view name, std::string_view address) {
  std::string s(trimRight(name));
  s += ' ';
  s += trimRight(address);
  return cut(upper1252(s), kPersonStringWidth);
}

std::string nameAlpha(std::string_view lastName) {
  return cut(std::string(lastName.substr(0, std::min(lastName.size(), kNameAlphaWidth))),
             kNameAlphaWidth);
}

std::string lower1252(std::string_view s) {
  std::string out(s);
  for (char& ch : out) {
    uint8_t c = static_cast<uint8_t>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
      c = static_cast<uint8_t>(c + 32);
    else if (c == 0x8A || c == 0x8C || c == 0x8E)
      c = static_cast<uint8_t>(c + 0x10);
    else if (c == 0x9F)
      c = 0xFF;
    ch = static_cast<char>(c);
  }
  return out;
}

bool isNumeric(std::string_view s) {
  size_t b = s.find_first_not_of(' ');
  if (b == std::string_view::npos) return false;
  size_t e = s.find_last_not_of(' ');
  s = s.substr(b, e - b + 1);
  size_t i = 0;
  if (s[0] == '+' || s[0] == '-') i = 1;
  bool digit = false, point = false;
  for (; i < s.size(); ++i) {
    if (s[i] >= '0' && s[i] <= '9') {
      digit = true;
    } else if (s[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

ParsedName ParseName(std::string_view name) {
  const std::string t(trimRight(name));
  const int n = static_cast<int>(t.size());
  ParsedName r;
  int p = 0;
  for (int i = n; i >= 2; --i)
    if (at(t, i) == ' ') {
      p = i;
      break;
    }
  if (p == 0) {
    r.last = t;
  } else {
    r.last = from(t, p + 1);
    r.first = sub(t, 1, p - 1);
    if (isGenerationSuffix(r.last)) {
      // Blanks directly before the suffix separate it once; the surname starts after the
      // blank before that run.
      int i = p - 1;
      while (i >= 1 && at(t, i) == ' ') --i;
      int q = 0;
      for (; i >= 1; --i)
        if (at(t, i) == ' ') {
          q = i;
          break;
        }
      if (q >= 2) {
        r.last = from(t, q + 1);
        r.first = sub(t, 1, q - 1);
      } else {
        r.last = t;
        r.first.clear();
      }
    }
  }
  r.last = cut(r.last, kPersonNameWidth);
  r.first = cut(r.first, kPersonNameWidth);
  return r;
}

int AISINB(std::string_view pattern, std::string_view text, bool wholeWord) {
  pattern = trimRight(pattern);
  text = trimRight(text);
  const size_t m = pattern.size();
  const size_t n = text.size();
  if (m == 0 || m > n) return 0;
  size_t skip[256];
  std::fill(std::begin(skip), std::end(skip), m);
  for (size_t i = 1; i < m; ++i) skip[static_cast<uint8_t>(pattern[i - 1])] = m - i;
  const bool numericPattern = isNumeric(pattern);
  const char last = pattern[m - 1];
  // k: the 1-based position of the text character under the pattern's last character.
  for (size_t k = m; k <= n;) {
    const char c = text[k - 1];
    if (c == last && text.compare(k - m, m, pattern) == 0) {
      if (!wholeWord) return static_cast<int>(k - m + 1);
      bool before = k - m >= 1 && isWordChar(static_cast<uint8_t>(text[k - m - 1]), numericPattern);
      bool after = k < n && isWordChar(static_cast<uint8_t>(text[k]), numericPattern);
      if (!before && !after) return static_cast<int>(k - m + 1);
    }
    k += skip[static_cast<uint8_t>(c)];
  }
  return 0;
}

NameAddress FindCISAdress(int kind, std::string_view text) {
  std::string t(trimRight(text));
  int len = static_cast<int>(t.size());
  NameAddress r;

  if (kind == kCisMail) {
    if (int p = AISINB("CSINET", t, true); p > 0) {
      int a = p + 6;
      if (a <= len && at(t, a) == ':') ++a;
      r.address = from(t, a);
      if (p >= 2) r.name = sub(t, 1, p - 1);
      size_t atSign = r.address.find('@', 1);
      if (r.address.size() >= 5 && atSign != std::string::npos) r.address.resize(atSign);
      r.name = std::string(trimRight(r.name));
      r.address = std::string(trimRight(r.address));
      return r;
    }
  }

  int c = 0;
  for (int i = len - 2; i >= 2; --i)
    if (at(t, i) == ',' || at(t, i) == '.') {
      c = i;
      break;
    }
  if (c == 0) return fallback(kind, t, len);

  // A bracketed identifier: its opening bracket is expected right after the separator.
  const int bracket = at(t, len) == ']' ? 1 : 0;
  int e = len - bracket;
  if (!isNumeric(sub(t, c + 1, e))) return fallback(kind, t, e);

  // The changes below only stand when an identifier is found; otherwise the text is split
  // as it came, so that a name keeps its period.
  const std::string original = t;
  const int originalEnd = e;
  t[static_cast<size_t>(c - 1)] = ',';
  if (c < e - 2 && at(t, c + 1) == ' ') {
    t.erase(static_cast<size_t>(c), 1);
    --e;
  }
  int s = 0;
  for (int i = c - 1; i >= 1; --i)
    if (isSeparator(at(t, i))) {
      s = i;
      break;
    }
  const int start = s + 1;
  const int skip = bracket && start <= c - 1 && at(t, start) == '[' ? 1 : 0;
  if (!isNumeric(sub(t, start + skip, c - 1))) return fallback(kind, original, originalEnd);
  r.address = sub(t, start + skip, e);
  if (s > 0) r.name = stripTail(sub(t, 1, s - 1), kNameTail);
  return r;
}

std::string NormaliseCisId(std::string address) {
  std::string a(trimRight(address));
  if (a.empty() || a == "T1") return a;
  const int n = static_cast<int>(a.size());
  int comma = 0, period = 0;
  for (int i = 1; i <= n; ++i) {
    const char c = at(a, i);
    if (c == ',') {
      comma = i;
      break;
    }
    if (c == '.') period = i;
    if (c == '@') return a;
  }
  if (comma > 0) {
    if (comma < 58 && comma + 1 <= n && at(a, comma + 1) == ' ' && n - comma >= 2)
      a.erase(static_cast<size_t>(comma), 1);
  } else if (period > 0) {
    a[static_cast<size_t>(period - 1)] = ',';
    if (period <= 57 && period + 1 <= n && at(a, period + 1) == ' ' && n >= period + 2)
      a.erase(static_cast<size_t>(period), 1);
  }
  if (a.size() > 2 && a.front() == '[' && a.back() == ']') a = a.substr(1, a.size() - 2);
  return a;
}

std::string CleanMailAddress(std::string_view address) {
  std::string a(trimRight(address));
  if (a.find('@') == std::string::npos) return cut(NormaliseCisId(a), kSplitWidth);
  if (int p = AISINB("INTERNET", a, true); p > 0) {
    int rest = p + 8;
    if (rest <= static_cast<int>(a.size()) && at(a, rest) == ':') ++rest;
    a = from(a, rest);
  }
  return cut(a, kSplitWidth);
}

NameAddress SplitInternetForm(std::string_view text, int kind) {
  std::string t(trimRight(text.substr(0, std::min(text.size(), kSplitWidth))));
  NameAddress r;
  int p = AISINB("INTERNET", t, true);
  if (p == 0) {
    r = FindCISAdress(kind, t);
  } else {
    const int len = static_cast<int>(t.size());
    r.address = p + 8 <= len && at(t, p + 8) == ':' ? from(t, p + 9) : from(t, p + 8);
    r.name = stripTail(sub(t, 1, p - 1), kNameTail);
    if (r.name.size() > 2 && r.name.front() == '"' && r.name.back() == '"')
      r.name = r.name.substr(1, r.name.size() - 2);
  }
  r.name = cut(r.name, kSplitWidth);
  r.address = cut(r.address, kSplitWidth);
  return r;
}

// ---- The person register.

int AddPers(Session& s, std::string_view address, std::string_view name) {
  FilesInUse use(s, {kPerson, kPLINK});
  StoreFile& person = *s.file(kPerson);
  StoreFile& plink = *s.file(kPLINK);
  const std::string key = personString(name, address);

  person.clear();
  setField(person.rec<Person>().PERSONSTRING, key);
  if (person.get(Person::StringKey) == kStoreOk) return 0;

  plink.clear();
  setField(plink.rec<PLINK>().PERSONSTRING, key);
  bool staleVariant = false;
  if (plink.get(PLINK::StringKey) == kStoreOk) {
    person.clear();
    person.rec<Person>().PERSONID = plink.rec<PLINK>().PERSONID;
    if (person.get(Person::PersonKey) == kStoreOk) return 0;
    staleVariant = true;
  }

  person.clear();
  const uint32_t id = NextNr(s);
  if (id == 0) {
    if (s.store().inTransaction()) s.store().rollback();
    s.message(t::kNoNewPersonId, person.path());
    return 1;
  }
  Person& p = person.rec<Person>();
  p.PERSONID = id;
  setField(p.PERSONSTRING, key);
  setField(p.ADDRESS, address);
  const ParsedName parts = ParseName(name);
  setField(p.LASTNAME, parts.last);
  setField(p.FIRSTNAME, parts.first);
  if (!UppDat(s, kPerson, kUppAdd, kRollBackAndReport)) return 1;

  if (staleVariant) {
    // When the deletion fails inside a transaction, the roll-back has taken the new person
    // with it: the buffer then names a person that is not stored.
    const bool inTransaction = s.store().inTransaction();
    if (!UppDat(s, kPLINK, kUppDelete, kRollBackAndReport) && inTransaction) return 1;
  }
  return 0;
}

// ---- Owner addresses.

void OwnerAddresses::load(Session& s, uint32_t dbId) {
  FilesInUse use(s, {kForums});
  StoreFile& forums = *s.file(kForums);
  forums.clear();
  forums.rec<Forums>().ID = dbId;
  ownerNameCache.clear();
  if (forums.get(Forums::ForumKey) != kStoreOk) {
    // Addresses of the database loaded before must not classify this one's mails.
    defAddress_.clear();
    for (std::string& a : altAddress_) a.clear();
    dbName_.clear();
    mailAddress_.clear();
    personId_ = 0;
    return;
  }
  const Forums& f = forums.rec<Forums>();
  defAddress_ = lower1252(trimmed(f.MAILADDRESS));
  for (size_t i = 0; i < kOwnerAltAddresses; ++i)
    altAddress_[i] = lower1252(trimmed(f.ALTADDRESS[i], kOwnerAddressWidth));
  dbName_ = cut(trimmed(f.DESCRIPTION), kOwnerDbNameWidth);
  mailAddress_ = trimmed(f.MAILADDRESS);
  personId_ = f.PERSONID;
}

bool OwnerAddresses::isOwner(std::string_view address) const {
  const std::string a = cut(lower1252(trimRight(address)), kOwnerAddressWidth);
  if (a == defAddress_) return true;
  return std::find(altAddress_.begin(), altAddress_.end(), a) != altAddress_.end();
}

int OwnerAddresses::classify(std::string& sender, std::string& receiver) const {
  if (isOwner(sender)) {
    receiver = lower1252(trimRight(receiver));
    sender = defAddress_;
    return 2;
  }
  receiver = defAddress_;
  sender = lower1252(trimRight(sender));
  return 1;
}

int OwnerAddresses::test(std::string_view address) const {
  return isOwner(address) ? 0 : 1;
}

// ---- Counts.

int CFromToMail(Session& s, int mode) {
  FilesInUse use(s, {kMail});
  Person& p = s.file(kPerson)->rec<Person>();
  StoreFile& mail = *s.file(kMail);
  Mail& m = mail.rec<Mail>();
  const std::string alpha = nameAlpha(std::string_view(p.LASTNAME, kPersonNameWidth));
  const uint32_t id = p.PERSONID;
  // The descending date, time and identifier start at their largest values, which is the
  // beginning of the person's group in key order.
  // The fields are set by name: a reference to a field of a packed record may be misaligned.
  auto position = [&](bool from) {
    mail.clear();
    if (from) {
      setField(m.FROMALPHA, alpha);
      m.FROMID = id;
    } else {
      setField(m.TOALPHA, alpha);
      m.TOID = id;
    }
    m.DATE = INT32_MAX;
    m.TIME = INT32_MAX;
    m.MAILID = UINT32_MAX;
  };
  position(true);
  const uint32_t sent = countGroup(mail, Mail::FromKey,
                                   [&] { return m.FROMID == id && sameAlpha(m.FROMALPHA, alpha); });
  position(false);
  const uint32_t received =
      countGroup(mail, Mail::ToKey, [&] { return m.TOID == id && sameAlpha(m.TOALPHA, alpha); });
  if (sent == 0 && received == 0 && mode != 0 && mode != 1) return kCountsUnchanged;
  return storeCounts(p, sent, received, kNoMessages, mode == 1);
}

int CountPersonMessages(Session& s) {
  FilesInUse use(s, {kMsgNmbr});
  Person& p = s.file(kPerson)->rec<Person>();
  StoreFile& msg = *s.file(kMsgNmbr);
  MsgNmbr& m = msg.rec<MsgNmbr>();
  const std::string alpha = nameAlpha(std::string_view(p.LASTNAME, kPersonNameWidth));
  const uint32_t id = p.PERSONID;
  // The fields are set by name: a reference to a field of a packed record may be misaligned.
  auto position = [&](bool from) {
    msg.clear();
    if (from) {
      setField(m.FROMALPHA, alpha);
      m.FROMID = id;
    } else {
      setField(m.TOALPHA, alpha);
      m.TOID = id;
    }
    m.MSGNUMBER = UINT32_MAX;
  };
  position(true);
  const uint32_t sent = countGroup(msg, MsgNmbr::FromKey,
                                   [&] { return m.FROMID == id && sameAlpha(m.FROMALPHA, alpha); });
  position(false);
  const uint32_t received =
      countGroup(msg, MsgNmbr::ToKey, [&] { return m.TOID == id && sameAlpha(m.TOALPHA, alpha); });
  return storeCounts(p, sent, received, kNoMessages, false);
}

int RecountPersons(Session& s) {
  if (s.dbType != kDbForum && s.dbType != kDbNewsgroup) return -1;
  FilesInUse use(s, {kPerson, kMsgNmbr});
  StoreFile& person = *s.file(kPerson);
  Store& store = s.store();
  StoreFile* const txnFiles[] = {&person};
  int written = 0, pending = 0;
  if (person.set(Person::PersonKey) != kStoreOk) return -1;
  while (person.next() == kStoreOk) {
    Person& p = person.rec<Person>();
    int result = CountPersonMessages(s);
    if (result == kNoMessages) {
      if (p.FROMCOUNT == 0 && p.TOCOUNT == 0) continue;
      p.FROMCOUNT = 0;
      p.TOCOUNT = 0;
    } else if (result != kCountsChanged) {
      continue;
    }
    if (pending == 0 && TransCheck(s, store.begin(txnFiles))) return -1;
    if (!UppDat(s, kPerson, kUppUpdate, kRollBackAndReport)) return -1;
    ++written;
    if (++pending == kCommitEvery) {
      pending = 0;
      if (TransCheck(s, store.commit())) return -1;
    }
  }
  if (pending > 0 && TransCheck(s, store.commit())) return -1;
  return written;
}

}  // namespace qv
