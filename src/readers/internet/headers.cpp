// RFC 822 header decoding of mail and news messages into the temporary import record.
#include "readers/internet/headers.h"

#include "storage/dates.h"
#include "storage/text.h"

namespace qv {
namespace {

// Columns `from`..`to` (1-based, inclusive) of `line`, as far as the line reaches.
std::string_view columns(std::string_view line, size_t from, size_t to = std::string_view::npos) {
  if (from > line.size()) return {};
  std::string_view rest = line.substr(from - 1);
  if (to != std::string_view::npos) rest = rest.substr(0, to - from + 1);
  return rest;
}

std::string_view trimLeft(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  return s;
}

std::string_view trimBoth(std::string_view s) {
  return trimRight(trimLeft(s));
}

// The value after a header name of `nameLength` characters (its colon included).
std::string_view headerValue(std::string_view line, size_t nameLength) {
  return trimBoth(columns(line, nameLength + 1));
}

// Some CompuServe-era programs end an address with "(X)"; it is not part of the address.
std::string_view withoutTrailingX(std::string_view value) {
  value = trimRight(value);
  if (value.size() >= 3 && upper1252(value.substr(value.size() - 3)) == "(X)")
    value = trimRight(value.substr(0, value.size() - 3));
  return value;
}

bool isDigits(std::string_view s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

int toNumber(std::string_view s) {
  int n = 0;
  for (char c : s) n = n * 10 + (c - '0');
  return n;
}

// The last blank-separated token of a References or In-Reply-To value: the article answered.
std::string lastToken(std::string_view value) {
  value = trimRight(value);
  size_t blank = value.find_last_of(" \t");
  std::string_view token = blank == std::string_view::npos ? value : value.substr(blank + 1);
  return std::string(token.substr(0, 60));
}

void setFields(char (&addressField)[60], char (&nameField)[60], std::string_view address,
               std::string_view name) {
  setField(addressField, address);
  setField(nameField, name);
}

bool isNewsFormat(int format) {
  using namespace internet_format;
  return format == kAgentNews || format == kIeNews || format == kOutlookExpress4News ||
         format == kUnixNews || format == kGravity || format == kWinvn;
}

bool filtersWhileReading(int format) {
  return format == internet_format::kOutlookExpress5Mail ||
         format == internet_format::kOutlookExpress5News;
}

// "General" date layout: DD MON YY[YY] HH:MM[:SS], positions counted from column 1.
void parseGeneralDate(std::string_view value, int32_t& date, int32_t& time) {
  std::string v(value);
  if (v.size() >= 4 && v[3] == ',') v = std::string(trimLeft(std::string_view(v).substr(4)));
  if (v.size() >= 2 && v[1] == ' ') v.insert(0, "0");
  auto at = [&](size_t column) { return column <= v.size() ? v[column - 1] : ' '; };
  bool twoDigitYear = at(10) == ' ';
  std::string_view day = columns(v, 1, 2);
  std::string_view month = columns(v, 4, 6);
  std::string_view year = twoDigitYear ? columns(v, 8, 9) : columns(v, 8, 11);
  if (!isDigits(day) || !isDigits(year) || year.size() != (twoDigitYear ? 2u : 4u)) return;
  int32_t d = MonthNameDate(month, toNumber(day), toNumber(year));
  if (d == 0) return;
  date = d;
  size_t start = twoDigitYear ? 11 : 13;
  std::string clock = at(start + 5) != ' ' ? std::string(columns(v, start, start + 7))
                                           : std::string(columns(v, start, start + 4)) + ":00";
  if (clock.size() != 8 || clock[2] != ':' || clock[5] != ':') return;
  std::string_view c = clock;
  if (!isDigits(c.substr(0, 2)) || !isDigits(c.substr(3, 2)) || !isDigits(c.substr(6, 2))) return;
  int h = toNumber(c.substr(0, 2));
  int m = toNumber(c.substr(3, 2));
  int s = toNumber(c.substr(6, 2));
  if (h > 23 || m > 59 || s > 59) return;
  time = timeFromHms(h, m, s);
}

bool isDateSeparator(char c) {
  return c == '-' || c == ' ';
}

// Brings the Pegasus Mail date forms into the general layout.
std::string pegasusToGeneral(std::string_view value) {
  std::string v(value);
  if (v.size() >= 4 && v[3] == ',') return v;
  size_t comma = v.find(',');
  if (comma != std::string::npos) {
    // "MONDAY, JAN 5, 1998 12:34": month, then the day just before the second comma.
    std::string_view rest = trimLeft(std::string_view(v).substr(comma + 1));
    size_t second = rest.find(',');
    if (second == std::string_view::npos || rest.size() < 3) return v;
    std::string_view month = rest.substr(0, 3);
    std::string_view day = trimBoth(rest.substr(0, second));
    size_t blank = day.find_last_of(' ');
    if (blank != std::string_view::npos) day = day.substr(blank + 1);
    if (day.size() > 2) day = day.substr(day.size() - 2);
    std::string out = day.size() == 1 ? "0" + std::string(day) : std::string(day);
    out += ' ';
    out += month;
    out += ' ';
    out += trimLeft(rest.substr(second + 1));
    return out;
  }
  if (v.size() >= 7 && isDateSeparator(v[2]) && isDateSeparator(v[6])) {
    v[2] = ' ';
    v[6] = ' ';
  } else if (v.size() >= 6 && isDateSeparator(v[1]) && isDateSeparator(v[5])) {
    v[1] = ' ';
    v[5] = ' ';
  }
  return v;
}

// A sender value "You" (a CompuServe program's own messages) marks a message the owner sent.
bool isYou(std::string_view value) {
  if (value.size() < 3 || upper1252(value.substr(0, 3)) != "YOU") return false;
  if (value.size() == 3) return true;
  char next = value[3];
  return !((next >= 'A' && next <= 'Z') || (next >= 'a' && next <= 'z'));
}

void splitForFormat(MessageContext& msg, std::string_view value, int which) {
  if (isNewsFormat(msg.body.format())) {
    SplitAddress(msg.nhr, value, which);
    return;
  }
  std::string address, name;
  msg.side.splitCompuServeAddress(value, address, name);
  if (which == 2)
    setFields(msg.nhr.S_CISADRESS, msg.nhr.S_NAME, address, name);
  else
    setFields(msg.nhr.R_CISADRESS, msg.nhr.R_NAME, address, name);
}

}  // namespace

uint8_t ClassifyHeader(std::string_view line) {
  std::string u = upper1252(line.substr(0, 50));
  auto starts = [&](std::string_view prefix) { return u.starts_with(prefix); };
  auto colonBlankFrom = [&](size_t index) { return u.find(": ", index) != std::string::npos; };
  if (u.empty()) return kNotAHeader;
  switch (u[0]) {
    case 'A':
      if (starts("APPROVED-BY:")) return kOtherHeader;
      if (starts("ALTERNATE-") && colonBlankFrom(10)) return kOtherHeader;
      break;
    case 'C':
      if (starts("COMMENTS:") || starts("CONVERSION:")) return kOtherHeader;
      if (starts("CONTENT-") && colonBlankFrom(8)) return kOtherHeader;
      break;
    case 'D':
      if (starts("DATE:")) return kDateHeader;
      if (starts("DISCLOSE-") && colonBlankFrom(9)) return kOtherHeader;
      break;
    case 'F':
      if (starts("FROM:")) return kFromHeader;
      if (starts("FROM ")) {
        // A mailbox separator line: "From someone@host date" or "From - date". The dash is
        // accepted in column 6 as well as in column 7.
        if (u.find('@', 6) != std::string::npos) return kOtherHeader;
        if (u.compare(4, 3, " - ") == 0 || u.compare(5, 3, " - ") == 0) return kOtherHeader;
      }
      break;
    case 'I':
      if (starts("IN-REPLY-TO:") || starts("IMPORTANCE:")) return kOtherHeader;
      break;
    case 'L':
      if (starts("LIST-") && colonBlankFrom(5)) return kOtherHeader;
      break;
    case 'M':
      if (starts("MESSAGE-ID:")) return kMessageIdHeader;
      if (starts("MIME-VERSION:")) return kOtherHeader;
      break;
    case 'N':
      if (starts("NEWSGROUPS:")) return kNewsgroupsHeader;
      break;
    case 'O':
      if (starts("ORGANIZATION:")) return kOtherHeader;
      if (starts("ORIGINAL-") && colonBlankFrom(9)) return kOtherHeader;
      break;
    case 'P':
      if (starts("PATH:") || starts("PRIORITY:")) return kOtherHeader;
      break;
    case 'R':
      if (starts("RECEIVED:") || starts("REPLY-TO:") || starts("REFERENCES:") ||
          starts("RETURN-PATH:"))
        return kOtherHeader;
      break;
    case 'S':
      if (starts("SUBJECT:")) return kSubjectHeader;
      if (starts("SENDER:") || starts("STATUS:")) return kOtherHeader;
      break;
    case 'T':
      if (starts("TO:")) return kToHeader;
      break;
    case 'U':
      if (starts("URL:")) return kOtherHeader;
      break;
    case 'X':
      if ((starts("X-") || starts("X400-")) && colonBlankFrom(2)) return kOtherHeader;
      break;
    default:
      break;
  }
  return kNotAHeader;
}

uint8_t IsHeaderLike(std::string_view line) {
  if (line.empty()) return 1;
  if (line[0] == ' ' || line[0] == '\t') return 0;
  for (size_t i = 2; i < 49 && i < line.size(); ++i) {
    if (line[i] == ' ' || line[i] == '\t') return line[i - 1] == ':' ? 0 : 1;
  }
  return 1;
}

uint8_t IsHeaderOfInterest(std::string_view line) {
  std::string u = upper1252(line.substr(0, 15));
  for (std::string_view prefix :
       {"SENDER:", "RECEIVED:", "MESSAGE-ID:", "FROM:", "DATE:", "SUBJECT:", "TO:"})
    if (u.starts_with(prefix)) return 1;
  return 0;
}

void SplitAddress(std::string_view value, std::string& address, std::string& name) {
  std::string_view v = trimBoth(value);
  std::string_view a = v;
  std::string_view n;
  size_t at = v.find('@');
  if (at != std::string_view::npos) {
    if (v.back() == '>') {
      size_t open = v.rfind('<');
      if (open != std::string_view::npos) {
        a = v.substr(open + 1, v.size() - open - 2);
        n = v.substr(0, open);
      }
    } else if (size_t blank = v.find(' ', at); blank != std::string_view::npos) {
      a = v.substr(0, blank);
      n = v.substr(blank + 1);
    } else if (size_t before = v.rfind(' ', at); before != std::string_view::npos) {
      a = v.substr(before + 1);
      n = v.substr(0, before);
    }
  }
  n = trimBoth(n);
  if (n.size() > 2 &&
      ((n.front() == '"' && n.back() == '"') || (n.front() == '(' && n.back() == ')')))
    n = n.substr(1, n.size() - 2);
  address = lowerText(trimBoth(a)).substr(0, 60);
  name = std::string(n.substr(0, 60));
}

void SplitAddress(NHR& nhr, std::string_view value, int which) {
  std::string address, name;
  SplitAddress(value, address, name);
  if (which == 2)
    setFields(nhr.S_CISADRESS, nhr.S_NAME, address, name);
  else
    setFields(nhr.R_CISADRESS, nhr.R_NAME, address, name);
}

int32_t MonthNameDate(std::string_view month, int day, int year) {
  static constexpr std::string_view kNames[][2] = {{"JAN", "Jan"}, {"FEB", "Feb"}, {"MAR", "Mar"},
                                                   {"APR", "Apr"}, {"MAY", "May"}, {"JUN", "Jun"},
                                                   {"JUL", "Jul"}, {"AUG", "Aug"}, {"SEP", "Sep"},
                                                   {"OCT", "Oct"}, {"NOV", "Nov"}, {"DEC", "Dec"}};
  static constexpr struct {
    std::string_view upper, mixed;
    int month;
  } kGerman[] = {
      {"M\xC4R", "M\xE4r", 3}, {"MAI", "Mai", 5}, {"OKT", "Okt", 10}, {"DEZ", "Dez", 12}};
  month = trimRight(month);
  int m = 0;
  for (int i = 0; i < 12; ++i)
    if (month == kNames[i][0] || month == kNames[i][1]) m = i + 1;
  for (const auto& g : kGerman)
    if (month == g.upper || month == g.mixed) m = g.month;
  if (m == 0 || day < 1 || day > 31 || year < 0) return 0;
  if (year < 100) year += year < 80 ? 2000 : 1900;
  int32_t date = dateFromYmd(year, m, day);
  int y, mm, d;
  ymdFromDate(date, y, mm, d);
  if (mm != m) return 0;  // 31 April and the like
  return date;
}

void ParseMsgDate(std::string_view value, bool pegasus, int32_t& date, int32_t& time) {
  date = 0;
  time = 0;
  std::string v = upper1252(trimBoth(value));
  if (v.empty()) return;
  if (pegasus) v = pegasusToGeneral(v);
  parseGeneralDate(v, date, time);
  if (date == 0) time = 0;
}

std::string StripRe(std::string_view subject) {
  subject = trimLeft(subject);
  if (subject.size() >= 3 && upper1252(subject.substr(0, 3)) == "RE:")
    subject = trimLeft(subject.substr(3));
  return std::string(subject);
}

std::string SelectNewsgroup(std::string_view value, ImportSide& side) {
  value = trimBoth(value);
  if (value.find(',') == std::string_view::npos) return std::string(value.substr(0, 100));
  std::string_view firstName;
  while (true) {
    size_t comma = value.find(',');
    std::string_view name = trimBoth(value.substr(0, comma));
    if (!name.empty()) {
      if (firstName.empty()) firstName = name;
      if (side.knowsDatabase(name)) return std::string(name.substr(0, 100));
    }
    if (comma == std::string_view::npos) break;
    value.remove_prefix(comma + 1);
  }
  return std::string(firstName.substr(0, 100));
}

MailHeaderResult ParseMailHeader(MessageContext& msg, size_t first) {
  MimeBody& body = msg.body;
  NHR& nhr = msg.nhr;
  body.reset();
  MailHeaderResult result;
  bool multipart = false;
  std::string boundary;
  std::string sender, date, subject, receiver;
  bool haveDate = false, haveSubject = false, haveTo = false;
  size_t i = first;
  for (; i >= 1 && i <= msg.lines.size(); ++i) {
    const std::string& line = msg.lines.line(i);
    if (isBlankLine(line)) break;
    // A folded Content-Type line carries the boundary on a later line.
    if (multipart && boundary.empty() && line.size() > 9) FindBoundary(line, 1, boundary);
    std::string u = upper1252(std::string_view(line).substr(0, 100));
    if (u.starts_with("NEWSGROUPS:")) return result;
    if (u.starts_with("FROM:")) {
      sender = columns(line, 6, 100);
    } else if (u.starts_with("DATE:")) {
      date = columns(line, 6, 100);
      haveDate = true;
    } else if (u.starts_with("SUBJECT:")) {
      subject = columns(line, 9, 100);
      haveSubject = true;
    } else if (u.starts_with("TO:")) {
      receiver = columns(line, 4, 100);
      haveTo = true;
    } else if (u.starts_with("CONTENT-TYPE: TEXT/HTML")) {
      result.contentClass = kHtmlText;
    } else if (u.starts_with("CONTENT-TYPE: TEXT/ENRI")) {
      result.contentClass = kEnrichedText;
    } else if (u.starts_with("CONTENT-TYPE: MULTIPART") &&
               !u.starts_with("CONTENT-TYPE: MULTIPART/DIGEST")) {
      multipart = true;
      if (line.size() > 32) FindBoundary(line, 24, boundary);
    }
  }
  if (multipart && boundary.empty()) return result;
  result.firstBodyLine = i <= msg.lines.size() ? i + 1 : msg.lines.size() + 1;

  if (haveDate) {
    // The record is packed: its fields cannot be bound to references.
    int32_t day, time;
    ParseMsgDate(date, body.format() == internet_format::kPegasus, day, time);
    nhr.DATE = day;
    nhr.TIME = time;
  } else {
    nhr.DATE = 0;
    nhr.TIME = 0;
  }
  setField(nhr.HEADING, haveSubject ? StripRe(subject) : std::string());
  SplitAddress(nhr, sender, 2);
  if (haveTo) SplitAddress(nhr, withoutTrailingX(receiver), 1);

  std::string senderAddress = trimmed(nhr.S_CISADRESS);
  std::string receiverAddress = trimmed(nhr.R_CISADRESS);
  nhr.MAILTYPE = msg.side.classifyMail(senderAddress, receiverAddress);
  setField(nhr.S_CISADRESS, senderAddress);
  setField(nhr.R_CISADRESS, receiverAddress);
  std::string owner = msg.side.ownerName().substr(0, 40);
  if (nhr.MAILTYPE == 2) setField(nhr.S_NAME, owner);
  if (nhr.MAILTYPE == 1) setField(nhr.R_NAME, owner);

  if (!boundary.empty()) {
    body.setBoundary(boundary);
    if (!filtersWhileReading(body.format()))
      result.contentClass = body.FilterParts(msg.lines, result.firstBodyLine);
  } else {
    body.clearBoundary();
  }
  body.setContentClass(result.contentClass);
  result.ok = true;
  return result;
}

NewsHeaderResult ParseNewsHeader(MessageContext& msg, size_t first, const NewsOverview* overview,
                                 uint32_t& counter) {
  MimeBody& body = msg.body;
  NHR& nhr = msg.nhr;
  LineList& lines = msg.lines;
  body.reset();
  NewsHeaderResult result;
  result.kind = overview != nullptr ? 3 : 2;
  bool multipart = false;
  std::string boundary;
  std::string sender, date, subject, receiver;
  bool haveFrom = false, haveDate = false, haveSubject = false, haveTo = false;
  bool haveId = false, haveReference = false, haveGroups = false;

  auto addReference = [&](std::string_view value) {
    std::string reference = lastToken(value);
    nhr.REFNUMBER = counter++;
    msg.side.addIdString(reference, nhr.REFNUMBER);
    haveReference = true;
  };

  size_t i = first;
  for (; i >= 1 && i <= lines.size(); ++i) {
    const std::string& line = lines.line(i);
    if (isBlankLine(line)) {
      if (result.kind == 3 || (haveFrom && haveDate && haveSubject) || haveTo) break;
      continue;
    }
    if (multipart && boundary.empty() && line.size() > 9) FindBoundary(line, 1, boundary);
    std::string u = upper1252(std::string_view(line).substr(0, 100));
    if (u.starts_with("NEWSGROUPS:")) {
      setField(nhr.FOR_DESCRIPTION, SelectNewsgroup(headerValue(line, 11), msg.side));
      result.kind = 3;
      haveGroups = true;
    } else if (u.starts_with("MESSAGE-ID:")) {
      std::string id(trimRight(headerValue(line, 11).substr(0, 60)));
      nhr.MSGNUMBER = counter++;
      msg.side.addIdString(id, nhr.MSGNUMBER);
      haveId = true;
      if (overview != nullptr && trimBoth(overview->messageId) != id) overview = nullptr;
    } else if (u.starts_with("REFERENCES:") || u.starts_with("IN-REPLY-TO:")) {
      std::string value(headerValue(line, u[0] == 'R' ? 11 : 12));
      // The article answered is the last one named, which may stand on a split entry or on a
      // folded continuation line.
      while (i < lines.size()) {
        const std::string& next = lines.line(i + 1);
        bool continued = lines.isSplit(i);
        bool folded = (next.starts_with('\t') || next.starts_with(' ')) && !isBlankLine(next);
        if (!continued && !folded) break;
        if (!continued) value += ' ';
        value += continued ? std::string_view(next) : trimLeft(next);
        ++i;
      }
      addReference(value);
    } else if (u.starts_with("CONTENT-TYPE: TEXT/HTML")) {
      result.contentClass = kHtmlText;
    } else if (u.starts_with("CONTENT-TYPE: MULTIPART")) {
      multipart = true;
      if (line.size() > 32) FindBoundary(line, 24, boundary);
    } else if (u.starts_with("LINES:")) {
      std::string_view count = trimBoth(columns(line, 7));
      if (isDigits(count) && count.size() <= 9) result.bodyLines = toNumber(count);
    } else if (u.starts_with("FROM:")) {
      sender = columns(line, 6);
      haveFrom = true;
    } else if (u.starts_with("DATE:")) {
      date = columns(line, 6);
      haveDate = true;
    } else if (u.starts_with("SUBJ:")) {
      subject = columns(line, 6);
      haveSubject = true;
    } else if (u.starts_with("SUBJECT:")) {
      subject = columns(line, 9);
      haveSubject = true;
      if (i == first) result.kind = 1;
    } else if (u.starts_with("REPLY TO:")) {
      if (result.kind != 3) {
        subject = columns(line, 10);
        haveSubject = true;
      }
    } else if (u.starts_with("TO:")) {
      receiver = columns(line, 4);
      haveTo = true;
    } else if (u.starts_with("FM:")) {
      if (result.kind == 1) {
        sender = columns(line, 4);
        haveFrom = true;
      }
    }
  }
  while (i >= 1 && i <= lines.size() && isBlankLine(lines.line(i))) ++i;
  result.firstBodyLine = i;

  if (result.kind == 3 && overview != nullptr) {
    if (!haveId && !trimBoth(overview->messageId).empty()) {
      nhr.MSGNUMBER = counter++;
      msg.side.addIdString(trimBoth(overview->messageId).substr(0, 60), nhr.MSGNUMBER);
    }
    if (!haveSubject && !trimBoth(overview->subject).empty()) subject = overview->subject;
    if (!haveFrom && !trimBoth(overview->from).empty()) sender = overview->from;
    if (!haveReference && !trimBoth(overview->references).empty())
      addReference(overview->references);
    if (!haveGroups && !trimBoth(overview->newsgroups).empty())
      setField(nhr.FOR_DESCRIPTION, SelectNewsgroup(overview->newsgroups, msg.side));
  }

  int32_t day, time;
  ParseMsgDate(date, false, day, time);
  nhr.DATE = day;
  nhr.TIME = time;
  setField(nhr.HEADING, StripRe(subject));

  std::string_view from = trimLeft(sender);
  if (result.kind == 2 && isYou(from)) {
    nhr.MAILTYPE = 2;
    setFields(nhr.S_CISADRESS, nhr.S_NAME, msg.side.ownerAddress(), msg.side.ownerName());
  } else if (result.kind == 3) {
    SplitAddress(nhr, withoutTrailingX(from), 2);
  } else {
    splitForFormat(msg, withoutTrailingX(from), 2);
  }

  if (result.kind == 3) {
    setFields(nhr.R_CISADRESS, nhr.R_NAME, "", nhr.REFNUMBER != 0 ? "Unknown" : "All");
  } else if (haveTo) {
    splitForFormat(msg, withoutTrailingX(trimLeft(receiver)), 1);
  } else {
    setFields(nhr.R_CISADRESS, nhr.R_NAME, msg.side.ownerAddress(), msg.side.ownerName());
  }

  if (!boundary.empty()) {
    body.setBoundary(boundary);
    if (!filtersWhileReading(body.format()))
      result.contentClass = body.FilterParts(lines, result.firstBodyLine);
  } else {
    body.clearBoundary();
  }
  body.setContentClass(result.contentClass);
  return result;
}

}  // namespace qv
