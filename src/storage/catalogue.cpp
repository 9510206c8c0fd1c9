// Paths of numbered files, directory numbers of new databases, removal of databases.
#include "storage/catalogue.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "storage/dos_files.h"
#include "storage/records.h"
#include "storage/storage_texts.h"
#include "storage/text.h"

namespace fs = std::filesystem;

namespace qv {
namespace {

namespace t = texts;

std::string join(std::string_view dir, std::string_view name) {
  std::string d(trimRight(dir));
  // A root directory is never given a second separator.
  if (d.empty() || d.back() != '/') d += '/';
  return d + std::string(name);
}

std::string fileName(int number, bool flat) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "IDX%03d.%s", number, flat ? "DAT" : "TPS");
  return buf;
}

bool windowsOpen(const Session& s) {
  const Runtime& r = const_cast<Session&>(s).runtime();
  for (const char* group : {"FindGroup", "NotToolsGroup", "ImportGroup"})
    if (!r.windowsInGroup(group).empty()) return true;
  return false;
}

}  // namespace

std::string filePath(const Session& s, int number) {
  const FileDef* def = fileDef(number);
  if (!def) return {};
  const bool flat = def->kind == FileKind::kFlat;
  switch (def->place) {
    case Place::kSystem:
      return join(join(s.archiveRoot, "CFG"), fileName(number, false));
    case Place::kTemporary:
      return join(s.tempDir, fileName(number, false));
    case Place::kOutside:
      return std::string(trimRight(s.outsideFileName));
    case Place::kWordIndex:
      return join(join(s.wordIndexTopDir, trimRight(s.dbDirName)), fileName(number, flat));
    case Place::kDatabase:
      return join(join(s.dbTopDir, trimRight(s.dbDirName)), fileName(number, flat));
  }
  return {};
}

void ensureWordIndexDirectory(const Session& s, int number) {
  if (number != kWordList && number != kMasIdx && number != kPUR) return;
  if (upper1252(trimRight(s.wordIndexTopDir)) == upper1252(trimRight(s.dbTopDir))) return;
  std::error_code ec;
  fs::create_directory(join(s.wordIndexTopDir, trimRight(s.dbDirName)), ec);
}

uint32_t nextDirectoryNumber(StoreFile& forums) {
  if (forums.set(Forums::DirKey) != kStoreOk) return 1;
  if (forums.previous() != kStoreOk) return 1;
  return forums.rec<Forums>().DIRNUMBER + 1;
}

bool removeMatching(Session& s, const std::string& dir, const std::string& mask) {
  bool ok = true;
  for (const std::string& name : listMatching(dir, mask)) {
    std::string path = join(dir, name);
    int code = s.store().remove(path);
    if (code == kStoreOk || code == kNoFile) continue;
    ok = false;
    if (code == kAlreadyOpen)
      s.message(std::string(t::kTheFile) + path + t::kIsOpenCannotRemove, t::kDeletionTitle);
    else
      s.message(std::string(t::kNoAccessRights) + path + t::kCannotBeRemoved, t::kDeletionTitle);
  }
  if (!ok) s.message(std::string(t::kNotAllRemoved) + dir, t::kDeletionTitle);
  return ok;
}

bool removeDatabaseDirectory(Session& s) {
  if (windowsOpen(s)) return false;
  s.closeAllFiles();
  auto removeDir = [&](const std::string& dir) {
    for (const char* mask : {"*.TPS", "*.DAT", "*.K*", "*.I*"})
      if (!removeMatching(s, dir, mask)) return false;
    // A file of another kind keeps the directory, without a message.
    std::error_code ec;
    fs::remove(dir, ec);
    return true;
  };
  std::string dbDir = join(s.dbTopDir, trimRight(s.dbDirName));
  bool ok = removeDir(dbDir);
  if (ok && upper1252(trimRight(s.wordIndexTopDir)) != upper1252(trimRight(s.dbTopDir)))
    ok = removeDir(join(s.wordIndexTopDir, trimRight(s.dbDirName)));
  s.dbId = 0;
  s.dbType = kDbNone;
  s.dbDirName.clear();
  s.dbDescription.clear();
  return ok;
}

}  // namespace qv
