// The archive root's system files, and direct opening of numbered files.
#include "storage/archive.h"

#include <filesystem>
#include <utility>

#include "storage/catalogue.h"
#include "storage/records.h"
#include "storage/text.h"

namespace fs = std::filesystem;

namespace qv {
namespace {

// The text table: numbered texts that messages and titles read.
const std::pair<uint32_t, const char*> kTextTable[] = {
    {1, "Quorvane found a database whose oldest message is dated before any calendar:"},
    {2, "is taken for a deleted database and removed from the database list."},
    {12, "Database Removed"},
    {27, "The settings could not be saved: another user is changing them. Try again later."},
    {28, "Settings Not Saved"},
    {29, "Choose at least one kind of message to import: mail, forum or newsgroup messages."},
    {30, "No Message Kind Chosen"},
    {31, "Mail is to be imported, but no mail database is chosen. Choose one first."},
    {32, "No Mail Database"},
    {33, "This format does not name its forum: choose the forum database to import into."},
    {34, "No Forum Database"},
    {40, "Newsgroup messages are to be imported, but no newsgroup database is chosen."},
    {41, "No Newsgroup Database"},
};

}  // namespace

int openNumbered(Session& s, int number, bool create, std::string& error) {
  StoreFile* f = s.file(number);
  if (!f) {
    error = "No file has the number " + std::to_string(number);
    return kStoreFailure;
  }
  // Counted as one user of the file, like an open by the file access layer, so that a close
  // there does not close the file under this opener.
  if (f->isOpen()) {
    ++s.useCount[static_cast<size_t>(number)];
    return kStoreOk;
  }
  std::string path = filePath(s, number);
  if (path.empty()) {
    error = "File " + std::to_string(number) + " has no name";
    return kInvalidName;
  }
  ensureWordIndexDirectory(s, number);
  f->setPath(path);
  int code = f->open();
  if (code == kNoFile && create) {
    code = f->create();
    if (code == kStoreOk) code = f->open();
  }
  if (code == kBadKeys) {
    code = f->buildKeys();
    if (code != kStoreOk) f->close();
  }
  if (code != kStoreOk)
    error = path + ": " + f->errorText();
  else
    ++s.useCount[static_cast<size_t>(number)];
  return code;
}

int initArchive(Session& s, std::string& error) {
  std::error_code ec;
  fs::create_directories(fs::path(s.archiveRoot) / "CFG", ec);
  if (ec) {
    error = "The directory " + s.archiveRoot + "/CFG cannot be created: " + ec.message();
    return kAccessDenied;
  }
  int code = openNumbered(s, kControl, true, error);
  if (code) return code;
  StoreFile& ctl = *s.file(kControl);
  ctl.clear();
  ctl.rec<Control>().ID = 1;
  if (ctl.get(Control::IdKey) == kRecordNotFound) {
    ctl.clear();
    ctl.rec<Control>().ID = 1;
    ctl.rec<Control>().NEXTNUMBER = 250000;
    code = ctl.add();
    if (code) {
      error = ctl.errorText();
      return code;
    }
  }
  code = openNumbered(s, kNeo, true, error);
  if (code) return code;
  StoreFile& neo = *s.file(kNeo);
  for (const auto& [number, text] : kTextTable) {
    neo.clear();
    neo.rec<Neo>().ID = number;
    if (neo.get(Neo::IDKey) == kStoreOk) continue;
    neo.clear();
    neo.rec<Neo>().ID = number;
    setField(neo.rec<Neo>().NEOGROUP, text);
    code = neo.add();
    if (code) {
      error = neo.errorText();
      return code;
    }
  }
  return kStoreOk;
}

int selectDatabase(Session& s, uint32_t id, std::string& error) {
  if (id == 0) {
    s.dbId = 0;
    s.dbType = kDbNone;
    s.dbDirName.clear();
    s.dbDescription.clear();
    return kStoreOk;
  }
  int code = openNumbered(s, kForums, false, error);
  if (code) return code;
  StoreFile& forums = *s.file(kForums);
  forums.clear();
  forums.rec<Forums>().ID = id;
  if (forums.get(Forums::ForumKey) != kStoreOk) {
    error = "The database list has no database " + std::to_string(id);
    return kRecordNotFound;
  }
  const Forums& r = forums.rec<Forums>();
  s.dbId = r.ID;
  s.dbType = r.TYPE;
  s.dbDirName = "F" + std::to_string(r.DIRNUMBER);
  s.dbDescription = trimmed(r.DESCRIPTION);
  return kStoreOk;
}

std::string textTableEntry(Session& s, uint32_t number) {
  std::string error;
  if (openNumbered(s, kNeo, false, error) != kStoreOk) return {};
  StoreFile& neo = *s.file(kNeo);
  neo.clear();
  neo.rec<Neo>().ID = number;
  if (neo.get(Neo::IDKey) != kStoreOk) return {};
  return trimmed(neo.rec<Neo>().NEOGROUP);
}

}  // namespace qv
