// The database list: the current database, lookup and selection, adding forum and mail
// databases, their description files, import permission, removal and the rebuild of the list.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "storage/session.h"

namespace qv {

// "Forum", "Mail", "Newsgroup" (empty for another type).
const char* dbTypeName(uint8_t type);

// Makes database `id` of the list the current database of the session (its number, type,
// directory name, description, status, owner, target flag and word index bookkeeping).
// Returns false, leaving no database current, when the list has no such entry.
bool SelectDatabase(Session& s, uint32_t id);
// No database is current afterwards.
void ClearCurrentDatabase(Session& s);

// The outcome of a database lookup by typed name.
struct ForumLookup {
  bool found = false;           // an entry's description begins with the typed text
  bool needsSelection = false;  // an entry follows the typed text but does not begin with it:
                                // the selection dialog decides
  uint32_t id = 0;
  uint8_t type = 0;
  std::string description;
  std::string position;        // of the entry found; empty when none
  uint32_t nextDirNumber = 1;  // for a database the caller may add
};

// `ForumLup`: the first entry at or after `typed` in description order, when its description
// begins with `typed` (letter case ignored).
ForumLookup ForumLup(Session& s, std::string_view typed);

// One row of the database selection list.
struct SelectionRow {
  std::string description;
  std::string typeName;
  std::string directory;  // "F" + directory number
  uint32_t messages = 0;
  std::string counted;        // "Yes" when counted, else "No"
  std::string importAllowed;  // "Yes" or "No"
  uint32_t id = 0;
  uint8_t type = 0;
  bool noImport = false;
  uint32_t dirNumber = 0;
  std::string position;
};

// The logic of the database selection dialog. `kind` 1 restricts the list to databases of
// `type`; any other kind lists every database.
class DatabaseSelection {
 public:
  enum Tab { kByName = 1, kByDirectory = 2 };
  struct Choice {
    bool made = false;
    uint32_t id = 0;
    uint8_t type = 0;
  };

  DatabaseSelection(Session& s, int kind, uint8_t type);

  const std::string& title() const { return title_; }
  const std::string& header() const { return header_; }
  bool insertVisible() const { return insertVisible_; }
  // The insert button: the mail set-up when restricted to mail, else the add forum window.
  bool insertOpensMailSetup() const { return kind_ == 1 && type_ == kDbMail; }

  // The shown entries in the tab's order (read again on every call, so refreshed).
  std::vector<SelectionRow> rows(Tab tab);
  // The row the typed text locates: on the name tab the first description at or after it; on
  // the directory tab the first directory number at or above it, a leading "F" ignored. -1 for
  // none.
  int locate(Tab tab, std::string_view typed);
  // The popup on a row: "Allow import|Disallow import"; item 1 allows, 2 disallows.
  static constexpr const char* kPopup = "Allow import|Disallow import";
  bool popup(const SelectionRow& row, int item);
  Choice choose(const SelectionRow& row);
  Choice escape() { return {}; }

 private:
  Session& s_;
  int kind_;
  uint8_t type_;
  std::string title_, header_;
  bool insertVisible_ = true;
};

// The add forum database window: " Add New Forum", prompt "Forum name", "Save new Forum".
class AddForumDatabase {
 public:
  explicit AddForumDatabase(Session& s);
  // Adds a forum database named `name` (cut to 100 characters), creates its directory, makes
  // it the current directory and writes its description file. False, after "A record with
  // identical key already exists!" for a name in use or another message, when nothing was
  // added; the next directory number then stays.
  // `type` is kDbNewsgroup for the newsgroup databases that the tool creates ahead of import.
  bool save(std::string_view name, uint8_t type = kDbForum);
  uint32_t nextDirNumber() const { return nextDir_; }
  uint32_t lastId() const { return lastId_; }

 private:
  Session& s_;
  uint32_t nextDir_;
  uint32_t lastId_ = 0;
};

// The entries of the mail database dialog.
struct MailSetupFields {
  std::string name;                          // "Mail database name"
  std::string address;                       // "Default mail address"
  std::array<std::string, 10> alternatives;  // "Alternative mail address"
};

enum class MailSetupResult {
  kSaved,       // the database was added or its addresses changed
  kBlankField,  // a beep; the cursor goes to the name field; nothing changed
  kFailed,      // the add or update failed after its message; the dialog stays open
};

// `UpDateBox`: adds a mail database (request 1) in directory `dirNumber`, which is raised by
// one after a successful add, or changes the current mail database's alternative addresses
// (request 2). When `dbIdOut` is given the new or updated number and name are returned and
// stored as general setting 19.
MailSetupResult UpDateBox(Session& s, int request, uint32_t& dirNumber, MailSetupFields& fields,
                          uint32_t* dbIdOut = nullptr, std::string* nameOut = nullptr);

// `UpdREF`: writes the current database's description file from its list entry (held in the
// Forums buffer); `errorMode` goes to UppDat. Rewrites the record only when it changes.
bool UpdREF(Session& s, int errorMode);

// Sets or clears the import permission of database `id`. False when it is not in the list or
// its record cannot be held and updated.
bool SetImportAllowed(Session& s, uint32_t id, bool allowed);

// Removes database `id`: its directory and word index directory (files by the four masks) and
// its list entry. The current database becomes none. False, after the removal's messages, when
// files stayed (the entry then stays too), or when a task window is open.
bool RemoveDatabase(Session& s, uint32_t id, std::string& error);

// The structure test and rebuild of the database list. Writes CFG/TestDB.Txt afresh, checks
// every listed database against its directory, removes unrecognisable entries, attaches
// unlisted database directories, rewrites every description file and ends with the
// highest-identifier check. `progress` gets the progress lines.
struct RebuildResult {
  int checked = 0, removed = 0, attached = 0;
  bool done = false;
  std::string error;
};
RebuildResult RebuildDatabaseList(Session& s,
                                  const std::function<void(const std::string&)>& progress);

}  // namespace qv
