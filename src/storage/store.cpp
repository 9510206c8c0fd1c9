// The keyed record store on SQLite: files, keys, walks, holds, transactions.
#include "storage/store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "storage/crypt_vfs.h"
#include "storage/text.h"

namespace fs = std::filesystem;

namespace qv {

struct Store::Conn {
  sqlite3* db = nullptr;
  std::vector<StoreFile*> members;  // members[0] is the main database
  int nextAlias = 1;
};

namespace {

constexpr int kBatchCommitWrites = 2000;
constexpr size_t kMaxBatch = 256;
constexpr int64_t kRecordSlots = 16;  // lock offsets below this are the open and lock slots

std::string keyColumn(size_t i) {
  return "k" + std::to_string(i);
}
std::string indexName(size_t i) {
  return "qv_k" + std::to_string(i);
}
std::string uniqueName(size_t i) {
  return "qv_u" + std::to_string(i);
}

// The indexes of key `i`: one that holds the record bytes beside the key image and position,
// so that a walk reads the index alone and never jumps into the table, and for a unique key a
// narrow one that keeps its values unique. `schema` is "" or a quoted schema name and a dot.
std::string createIndexSql(const KeyDef& key, size_t i, const std::string& schema) {
  std::string sql;
  if (key.unique)
    sql += "CREATE UNIQUE INDEX IF NOT EXISTS " + schema + uniqueName(i) + " ON qv_rec(" + "k" +
           std::to_string(i) + ");";
  sql += "CREATE INDEX IF NOT EXISTS " + schema + indexName(i) + " ON qv_rec(k" +
         std::to_string(i) + ", pos, data);";
  return sql;
}

size_t indexCount(const FileDef& def) {
  size_t n = def.keys.size();
  for (const KeyDef& k : def.keys) n += k.unique ? 1 : 0;
  return n;
}

std::string sqlName(const std::string& s) {
  return "\"" + s + "\"";
}

// FNV-1a, 31 bits: which band of the lock file belongs to a path.
int64_t pathHash(const std::string& s) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return static_cast<int64_t>((h ^ (h >> 31)) & 0x7FFFFFFF);
}

bool blankField(const FieldDef& f, const uint8_t* p) {
  size_t n = static_cast<size_t>(f.size) * f.dim;
  for (size_t i = 0; i < n; ++i) {
    if (f.type == FieldType::kString) {
      if (p[i] != ' ' && p[i] != 0) return false;
    } else if (p[i] != 0) {
      return false;
    }
  }
  return true;
}

bool blankKey(const FileDef& def, const KeyDef& key, const uint8_t* rec) {
  for (const KeyComp& c : key.comps) {
    const FieldDef& f = def.fields[c.field];
    if (!blankField(f, rec + f.offset)) return false;
  }
  return true;
}

std::string uriEscape(const std::string& path) {
  std::string out = "file:";
  for (unsigned char c : path) {
    if (c == '%' || c == '?' || c == '#' || c == ' ' || c < 0x20 || c >= 0x7F) {
      char buf[4];
      std::snprintf(buf, sizeof buf, "%%%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

int execSql(sqlite3* db, const std::string& sql) {
  return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
}

bool parsePosition(std::string_view s, int64_t& pos) {
  if (s.empty() || s.size() > 18) return false;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  pos = v;
  return v > 0;
}

}  // namespace

const char* storeCodeText(int code) {
  switch (code) {
    case kStoreOk:
      return "No error";
    case kNoFile:
      return "The file does not exist";
    case kNoPath:
      return "The directory of the file does not exist";
    case kAccessDenied:
      return "Access to the file is denied";
    case kNoRecord:
      return "No record is available there";
    case kRecordNotFound:
      return "The record was not found";
    case kDuplicateKey:
      return "A record with this key value already exists";
    case kInvalidName:
      return "The name is not a valid file name";
    case kHeld:
      return "The record or file is held by another user";
    case kBadKeys:
      return "The keys of the file are damaged and must be rebuilt";
    case kBadLayout:
      return "The file does not have the record layout the program expects";
    case kAlreadyOpen:
      return "The file is open";
    default:
      return "The file system reported an error";
  }
}

bool makeKeyImage(const FileDef& def, const KeyDef& key, const uint8_t* rec, std::string& out) {
  out.clear();
  if (key.opt && blankKey(def, key, rec)) return false;
  for (const KeyComp& c : key.comps) {
    const FieldDef& f = def.fields[c.field];
    const uint8_t* p = rec + f.offset;
    size_t start = out.size();
    switch (f.type) {
      case FieldType::kByte:
        out += static_cast<char>(p[0]);
        break;
      case FieldType::kUShort:
        out += static_cast<char>(p[1]);
        out += static_cast<char>(p[0]);
        break;
      case FieldType::kLong:
        out += static_cast<char>(p[3] ^ 0x80);
        out += static_cast<char>(p[2]);
        out += static_cast<char>(p[1]);
        out += static_cast<char>(p[0]);
        break;
      case FieldType::kULong:
        out += static_cast<char>(p[3]);
        out += static_cast<char>(p[2]);
        out += static_cast<char>(p[1]);
        out += static_cast<char>(p[0]);
        break;
      case FieldType::kString:
      case FieldType::kGroup: {
        // Full width, so that memcmp orders as blank-padded strings compare; a NUL pads
        // like a blank.
        size_t n = static_cast<size_t>(f.size) * f.dim;
        for (size_t i = 0; i < n; ++i) {
          uint8_t ch = p[i] == 0 ? ' ' : p[i];
          out += static_cast<char>(key.nocase ? upper1252(ch) : ch);
        }
        break;
      }
    }
    if (c.descending)
      for (size_t i = start; i < out.size(); ++i) out[i] = static_cast<char>(~out[i]);
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Store

Store::Store(std::string lockFile) : lockFile_(std::move(lockFile)) {}

Store::~Store() {
  if (txn_) rollback();
  for (StoreFile* f : std::vector<StoreFile*>(files_)) f->close();
  for (auto& c : conns_)
    if (c->db) sqlite3_close_v2(c->db);
}

int Store::fail(int code, std::string text) {
  errorText_ = std::move(text);
  return code;
}

bool Store::isOpenHere(const std::string& canonicalPath) const {
  for (const StoreFile* f : files_)
    if (f->canonical_ == canonicalPath) return true;
  return false;
}

Store::Conn* Store::openConn(StoreFile& main, int& code) {
  sqlite3* db = nullptr;
  int flags = SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX |
              (main.access_ == Access::kReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
  int rc = sqlite3_open_v2(main.uri().c_str(), &db, flags, crypt::vfsName());
  if (rc != SQLITE_OK) {
    errorText_ = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    if (db) sqlite3_close_v2(db);
    code = rc == SQLITE_CANTOPEN ? kAccessDenied : kStoreFailure;
    return nullptr;
  }
  sqlite3_busy_timeout(db, 5000);
  sqlite3_extended_result_codes(db, 1);
  // Reading through a memory map saves a system call per page on plain files; the crypt VFS
  // declines to map encrypted ones, which read through a larger cache instead.
  execSql(db, "PRAGMA mmap_size=268435456");
  execSql(db, main.password_.empty() ? "PRAGMA cache_size=-4096" : "PRAGMA cache_size=-16384");
  // Statement journals stay in memory: a temporary file would hold pages of encrypted files
  // in clear.
  execSql(db, "PRAGMA temp_store=MEMORY");
  auto c = std::make_unique<Conn>();
  c->db = db;
  c->members.push_back(&main);
  main.conn_ = c.get();
  main.schema_ = "main";
  conns_.push_back(std::move(c));
  code = kStoreOk;
  return conns_.back().get();
}

void Store::closeConnIfUnused(Conn* c) {
  if (!c->members.empty()) return;
  if (txn_ == c) txn_ = nullptr;
  sqlite3_close_v2(c->db);
  conns_.erase(std::remove_if(conns_.begin(), conns_.end(),
                              [c](const std::unique_ptr<Conn>& p) { return p.get() == c; }),
               conns_.end());
}

// Takes `f` off its connection. When it is the connection's main database the others move to
// connections of their own.
void Store::detach(StoreFile& f) {
  Conn* c = f.conn_;
  if (!c) return;
  f.finalizeAll();
  if (c->members.front() == &f) {
    std::vector<StoreFile*> others(c->members.begin() + 1, c->members.end());
    for (StoreFile* o : others) o->finalizeAll();
    c->members.clear();
    f.conn_ = nullptr;
    closeConnIfUnused(c);
    for (StoreFile* o : others) {
      int code;
      o->conn_ = nullptr;
      if (!openConn(*o, code)) o->conn_ = nullptr;
    }
    return;
  }
  execSql(c->db, "DETACH " + sqlName(f.schema_));
  c->members.erase(std::find(c->members.begin(), c->members.end(), &f));
  f.conn_ = nullptr;
  f.schema_ = "main";
  closeConnIfUnused(c);
}

int Store::attachAll(Conn* c, std::span<StoreFile* const> files) {
  for (StoreFile* f : files.subspan(1)) {
    std::string alias = "a" + std::to_string(c->nextAlias++);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(c->db, ("ATTACH ?1 AS " + sqlName(alias)).c_str(), -1, &st, nullptr);
    std::string u = f->uri();
    sqlite3_bind_text(st, 1, u.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE) return fail(kStoreFailure, sqlite3_errmsg(c->db));
    f->conn_ = c;
    f->schema_ = alias;
    c->members.push_back(f);
    execSql(c->db, "PRAGMA " + sqlName(alias) + ".synchronous=" + (f->streaming_ ? "OFF" : "FULL"));
  }
  return kStoreOk;
}

int Store::begin(std::span<StoreFile* const> files, int waitSeconds) {
  if (txn_) return fail(kStoreFailure, "A transaction is already running");
  if (files.empty() || files.size() > 11)
    return fail(kStoreFailure, "A transaction takes from 1 to 11 files");
  for (StoreFile* f : files) {
    if (!f->isOpen()) return fail(kStoreFailure, "The file " + f->path() + " is not open");
    int code = f->endBatch();
    if (code) return fail(code, f->errorText());
  }
  Conn* c = files[0]->conn_;
  bool together =
      c->members.size() == files.size() &&
      std::all_of(files.begin(), files.end(), [c](StoreFile* f) { return f->conn_ == c; });
  if (!together) {
    for (StoreFile* f : files) detach(*f);
    int code;
    c = openConn(*files[0], code);
    if (!c) return code;
    execSql(c->db,
            std::string("PRAGMA main.synchronous=") + (files[0]->streaming_ ? "OFF" : "FULL"));
    code = attachAll(c, files);
    if (code) return code;
  }
  sqlite3_busy_timeout(c->db, waitSeconds * 1000);
  int rc = execSql(c->db, "BEGIN IMMEDIATE");
  sqlite3_busy_timeout(c->db, 5000);
  if (rc != SQLITE_OK) {
    int code = (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED ? kHeld : kStoreFailure;
    return fail(code, sqlite3_errmsg(c->db));
  }
  txn_ = c;
  for (StoreFile* f : files) f->invalidate();
  return kStoreOk;
}

int Store::commit() {
  if (!txn_) return fail(kStoreFailure, "No transaction is running");
  Conn* c = txn_;
  int rc = execSql(c->db, "COMMIT");
  if (rc != SQLITE_OK) {
    std::string text = sqlite3_errmsg(c->db);
    execSql(c->db, "ROLLBACK");
    txn_ = nullptr;
    for (StoreFile* f : c->members) f->invalidate();
    return fail((rc & 0xFF) == SQLITE_BUSY ? kHeld : kStoreFailure, text);
  }
  txn_ = nullptr;
  return kStoreOk;
}

int Store::rollback() {
  if (!txn_) return fail(kStoreFailure, "No transaction is running");
  Conn* c = txn_;
  int rc = execSql(c->db, "ROLLBACK");
  txn_ = nullptr;
  for (StoreFile* f : c->members) f->invalidate();
  return rc == SQLITE_OK ? kStoreOk : fail(kStoreFailure, sqlite3_errmsg(c->db));
}

namespace {

// Whether another open file description holds the open slot of `path` in `lockFile`.
bool openElsewhere(const std::string& lockFile, const std::string& canonical) {
  if (lockFile.empty()) return false;
  int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = pathHash(canonical) << 32;
  fl.l_len = 1;
  bool busy = fcntl(fd, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
  ::close(fd);
  return busy;
}

int checkClosed(Store& s, const std::string& path, const std::string& lockFile,
                std::string& canonical, bool (Store::*openHere)(const std::string&) const) {
  std::error_code ec;
  if (!fs::exists(path, ec))
    return fs::is_directory(fs::path(path).parent_path(), ec) ||
                   fs::path(path).parent_path().empty()
               ? kNoFile
               : kNoPath;
  canonical = fs::canonical(path, ec).string();
  if ((s.*openHere)(canonical) || openElsewhere(lockFile, canonical)) return kAlreadyOpen;
  return kStoreOk;
}

}  // namespace

int Store::remove(const std::string& path) {
  std::string canonical;
  int code = checkClosed(*this, path, lockFile_, canonical, &Store::isOpenHere);
  if (code) return fail(code, storeCodeText(code));
  std::error_code ec;
  fs::remove(path + "-journal", ec);
  if (!fs::remove(path, ec) || ec) return fail(kAccessDenied, ec.message());
  return kStoreOk;
}

// Whether `from` can be moved or copied to `to`: no one has it open and the target directory
// exists.
int Store::checkMove(const std::string& from, const std::string& to) {
  std::string canonical;
  int code = checkClosed(*this, from, lockFile_, canonical, &Store::isOpenHere);
  if (code) return fail(code, storeCodeText(code));
  std::error_code ec;
  if (!fs::is_directory(fs::absolute(to).parent_path(), ec)) return fail(kNoPath, to);
  return kStoreOk;
}

int Store::rename(const std::string& from, const std::string& to) {
  if (int code = checkMove(from, to)) return code;
  std::error_code ec;
  fs::remove(to + "-journal", ec);
  if (fs::exists(from + "-journal", ec)) fs::rename(from + "-journal", to + "-journal", ec);
  fs::rename(from, to, ec);
  if (ec) return fail(kAccessDenied, ec.message());
  return kStoreOk;
}

int Store::copy(const std::string& from, const std::string& to) {
  if (int code = checkMove(from, to)) return code;
  std::error_code ec;
  // A journal left by a killed writer goes along, so that the copy recovers as the original
  // would.
  fs::remove(to + "-journal", ec);
  fs::copy_file(from, to + ".copying", fs::copy_options::overwrite_existing, ec);
  if (!ec && fs::exists(from + "-journal"))
    fs::copy_file(from + "-journal", to + "-journal", fs::copy_options::overwrite_existing, ec);
  if (!ec) fs::rename(to + ".copying", to, ec);
  if (ec) {
    fs::remove(to + ".copying", ec);
    return fail(kAccessDenied, ec.message());
  }
  return kStoreOk;
}

// ---------------------------------------------------------------------------------------------
// StoreFile

StoreFile::StoreFile(Store& store, const FileDef& def)
    : store_(store), def_(def), record_(def.recordSize) {
  clear();
}

StoreFile::~StoreFile() {
  close();
}

std::string StoreFile::uri() const {
  std::string abs = fs::absolute(path_).string();
  return password_.empty() ? uriEscape(abs) : crypt::uriFor(abs, password_);
}

std::string StoreFile::table() const {
  return sqlName(schema_) + ".qv_rec";
}

sqlite3* StoreFile::db() const {
  return conn_->db;
}

std::string StoreFile::indexedBy(int key) const {
  // Named, because for a unique key the planner could as well take the narrow index and then
  // look every record up in the table.
  return keysValid_ ? " INDEXED BY " + indexName(static_cast<size_t>(key)) : std::string();
}

int StoreFile::result(int code, std::string text) {
  lastError_ = code;
  if (code == kStoreOk)
    errorText_.clear();
  else
    errorText_ = text.empty() ? storeCodeText(code) : std::move(text);
  return code;
}

int StoreFile::sqliteCode(int rc) {
  std::string msg = conn_ ? sqlite3_errmsg(db()) : sqlite3_errstr(rc);
  switch (rc & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return result(kHeld, msg);
    case SQLITE_CONSTRAINT:
      return result(kDuplicateKey);
    case SQLITE_NOTADB:
      return result(kBadLayout, msg);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      return result(kAccessDenied, msg);
    default:
      return result(kStoreFailure, msg);
  }
}

sqlite3_stmt* StoreFile::prepare(const std::string& sql) {
  auto it = stmts_.find(sql);
  if (it != stmts_.end()) {
    sqlite3_reset(it->second);
    sqlite3_clear_bindings(it->second);
    return it->second;
  }
  sqlite3_stmt* st = nullptr;
  if (sqlite3_prepare_v3(db(), sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &st, nullptr) !=
      SQLITE_OK) {
    return nullptr;
  }
  stmts_.emplace(sql, st);
  return st;
}

void StoreFile::finalizeAll() {
  for (auto& [sql, st] : stmts_) sqlite3_finalize(st);
  stmts_.clear();
}

void StoreFile::noteQuery(sqlite3_stmt* st) {
  StoreStats& s = store_.stats_;
  ++s.queries;
  s.fullScanSteps +=
      static_cast<uint64_t>(sqlite3_stmt_status(st, SQLITE_STMTSTATUS_FULLSCAN_STEP, 1));
  s.sorts += static_cast<uint64_t>(sqlite3_stmt_status(st, SQLITE_STMTSTATUS_SORT, 1));
}

void StoreFile::clear() {
  std::fill(record_.begin(), record_.end(), 0);
  for (const FieldDef& f : def_.fields)
    if (f.type == FieldType::kString)
      std::memset(record_.data() + f.offset, ' ', static_cast<size_t>(f.size) * f.dim);
  text_.clear();
}

bool StoreFile::keyImage(int key, const uint8_t* rec, std::string& out) const {
  return makeKeyImage(def_, def_.keys[static_cast<size_t>(key)], rec, out);
}

// ----- create, open, close

int StoreFile::create() {
  if (isOpen()) return result(kAlreadyOpen);
  if (path_.empty()) return result(kInvalidName);
  std::error_code ec;
  fs::path p = fs::absolute(path_, ec);
  if (ec || !fs::is_directory(p.parent_path(), ec)) return result(kNoPath);
  if (fs::exists(p, ec)) {
    std::string canonical = fs::canonical(p, ec).string();
    if (store_.isOpenHere(canonical) || openElsewhere(store_.lockFile(), canonical))
      return result(kAccessDenied);
  }
  // Built under a temporary name and renamed into place, so that a killed program leaves the
  // old file or the whole new one. The temporary name matches the "*.K*" removal mask.
  fs::path tmp = p;
  tmp.replace_extension(".K$$");
  fs::remove(tmp, ec);
  fs::remove(tmp.string() + "-journal", ec);

  // No journal and no syncs while building: the file is not in place until the rename, which
  // follows one sync of the whole file.
  std::string sql =
      "PRAGMA journal_mode=OFF;"
      "PRAGMA synchronous=OFF;"
      "BEGIN;"
      "CREATE TABLE qv_meta(name TEXT PRIMARY KEY, value) WITHOUT ROWID;"
      "CREATE TABLE qv_rec(pos INTEGER PRIMARY KEY AUTOINCREMENT, data BLOB NOT NULL, txt BLOB";
  for (size_t i = 0; i < def_.keys.size(); ++i) sql += ", " + keyColumn(i) + " BLOB";
  sql += ");";
  for (size_t i = 0; i < def_.keys.size(); ++i) sql += createIndexSql(def_.keys[i], i, "");
  sql +=
      "INSERT INTO qv_meta VALUES('file', ?1), ('recordsize', ?2), ('signature', ?3),"
      " ('keysvalid', 1), ('format', 1);";

  sqlite3* db = nullptr;
  std::string tmpUri =
      password_.empty() ? uriEscape(tmp.string()) : crypt::uriFor(tmp.string(), password_);
  int rc = sqlite3_open_v2(tmpUri.c_str(), &db,
                           SQLITE_OPEN_URI | SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                           crypt::vfsName());
  std::string err;
  if (rc == SQLITE_OK) {
    execSql(db, "PRAGMA temp_store=MEMORY");
    const char* tail = sql.c_str();
    while (rc == SQLITE_OK && *tail) {
      sqlite3_stmt* st = nullptr;
      rc = sqlite3_prepare_v2(db, tail, -1, &st, &tail);
      if (rc != SQLITE_OK || !st) break;
      if (sqlite3_bind_parameter_count(st) == 3) {
        std::string sig = def_.signature();
        sqlite3_bind_text(st, 1, def_.name, -1, SQLITE_STATIC);
        sqlite3_bind_int64(st, 2, def_.recordSize);
        sqlite3_bind_text(st, 3, sig.c_str(), -1, SQLITE_TRANSIENT);
      }
      int s = sqlite3_step(st);
      sqlite3_finalize(st);
      rc = (s == SQLITE_DONE || s == SQLITE_ROW) ? SQLITE_OK : s;
    }
    if (rc == SQLITE_OK) rc = execSql(db, "COMMIT");
    if (rc != SQLITE_OK) err = sqlite3_errmsg(db);
  } else {
    err = sqlite3_errstr(rc);
  }
  if (db) sqlite3_close_v2(db);
  if (rc != SQLITE_OK) {
    fs::remove(tmp, ec);
    fs::remove(tmp.string() + "-journal", ec);
    return result((rc & 0xFF) == SQLITE_CANTOPEN ? kAccessDenied : kStoreFailure, err);
  }
  int fd = ::open(tmp.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || fsync(fd) != 0) {
    if (fd >= 0) ::close(fd);
    fs::remove(tmp, ec);
    return result(kStoreFailure, "The new file cannot be written to the disk");
  }
  ::close(fd);
  // A journal of the file being replaced must not be played back into the new one.
  fs::remove(p.string() + "-journal", ec);
  fs::rename(tmp, p, ec);
  if (ec) {
    std::string why = ec.message();
    fs::remove(tmp, ec);
    return result(kAccessDenied, why);
  }
  int dirFd = ::open(p.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    fsync(dirFd);
    ::close(dirFd);
  }
  return result(kStoreOk);
}

int StoreFile::checkMeta() {
  sqlite3_stmt* st = nullptr;
  int rc = sqlite3_prepare_v2(db(), "SELECT name, value FROM main.qv_meta", -1, &st, nullptr);
  if (rc != SQLITE_OK) {
    int base = rc & 0xFF;
    std::string msg = sqlite3_errmsg(db());
    // Not a database at all (or another password), or a database without our tables.
    if (base == SQLITE_NOTADB || base == SQLITE_ERROR) return result(kBadLayout, msg);
    return sqliteCode(rc);
  }
  std::string file, sig;
  int64_t size = -1, keysValid = 0;
  while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    std::string name = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
    if (name == "file") file = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
    if (name == "signature") sig = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
    if (name == "recordsize") size = sqlite3_column_int64(st, 1);
    if (name == "keysvalid") keysValid = sqlite3_column_int64(st, 1);
  }
  sqlite3_finalize(st);
  if (rc != SQLITE_DONE) return sqliteCode(rc);
  if (file != def_.name || size != def_.recordSize || sig != def_.signature())
    return result(kBadLayout,
                  file == def_.name && size == def_.recordSize
                      ? "The file's " + file + " records have another layout of fields or keys"
                      : "The file holds " + (file.empty() ? "no" : file) + " records of " +
                            std::to_string(size) + " bytes, not " + def_.name + " records of " +
                            std::to_string(def_.recordSize) + " bytes");
  // Every key's index must be there; a missing one is damage that a rebuild repairs.
  size_t indexes = 0;
  rc = sqlite3_prepare_v2(db(),
                          "SELECT count(*) FROM main.sqlite_schema WHERE type='index' AND "
                          "tbl_name='qv_rec' AND name LIKE 'qv_%'",
                          -1, &st, nullptr);
  if (rc == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
    indexes = static_cast<size_t>(sqlite3_column_int64(st, 0));
  sqlite3_finalize(st);
  keysValid_ = keysValid == 1 && indexes == indexCount(def_);
  return result(keysValid_ ? kStoreOk : kBadKeys);
}

int StoreFile::open(Access access, Share share) {
  if (isOpen()) return result(kAlreadyOpen);
  if (path_.empty()) return result(kInvalidName);
  std::error_code ec;
  fs::path p = fs::absolute(path_, ec);
  if (ec) return result(kInvalidName);
  if (!fs::is_directory(p.parent_path(), ec)) return result(kNoPath);
  auto status = fs::status(p, ec);
  if (!fs::exists(status)) return result(kNoFile);
  if (!fs::is_regular_file(status)) return result(kAccessDenied);
  if (::access(p.c_str(), access == Access::kReadOnly ? R_OK : R_OK | W_OK) != 0)
    return result(kAccessDenied);
  canonical_ = fs::canonical(p, ec).string();
  access_ = access;
  share_ = share;

  if (!store_.lockFile().empty()) {
    lockFd_ = ::open(store_.lockFile().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (lockFd_ < 0) {
      canonical_.clear();
      return result(kStoreFailure, "The lock file " + store_.lockFile() + " cannot be opened");
    }
    slotBase_ = pathHash(canonical_) << 32;
    if (lockRange(slotBase_, share == Share::kDenyAll, 0) != kStoreOk) {
      ::close(lockFd_);
      lockFd_ = -1;
      canonical_.clear();
      return result(kAccessDenied, "Another user has the file open");
    }
  }
  int code;
  if (!store_.openConn(*this, code)) {
    std::string text = store_.errorText();
    if (lockFd_ >= 0) ::close(lockFd_);
    lockFd_ = -1;
    canonical_.clear();
    return result(code, text);
  }
  execSql(db(), "PRAGMA main.synchronous=FULL");
  store_.files_.push_back(this);
  code = checkMeta();
  if (code != kStoreOk && code != kBadKeys) {
    std::string text = errorText_;
    close();
    return result(code, text);
  }
  anchor_ = Anchor::kNone;
  current_ = 0;
  batch_.clear();
  return code;
}

int StoreFile::close() {
  if (!isOpen()) return result(kStoreOk);
  if (store_.txn_ == conn_) return result(kStoreFailure, "The file is in a running transaction");
  if (streaming_) flush();
  release();
  unlock();
  store_.detach(*this);
  store_.files_.erase(std::remove(store_.files_.begin(), store_.files_.end(), this),
                      store_.files_.end());
  if (lockFd_ >= 0) ::close(lockFd_);
  lockFd_ = -1;
  canonical_.clear();
  batch_.clear();
  anchor_ = Anchor::kNone;
  current_ = 0;
  streaming_ = batchOpen_ = false;
  return result(kStoreOk);
}

// ----- reading

int StoreFile::loadRow(const Row& r) {
  if (r.data.size() != record_.size())
    return result(kStoreFailure, "A record of the file has a wrong length");
  std::memcpy(record_.data(), r.data.data(), record_.size());
  text_ = r.text;
  current_ = r.pos;
  return result(kStoreOk);
}

int StoreFile::readRowAt(int64_t pos) {
  sqlite3_stmt* st = prepare("SELECT data, txt FROM " + table() + " WHERE pos=?1");
  if (!st) return sqliteCode(sqlite3_errcode(db()));
  sqlite3_bind_int64(st, 1, pos);
  int rc = sqlite3_step(st);
  if (rc == SQLITE_DONE) return result(kRecordNotFound);
  if (rc != SQLITE_ROW) return sqliteCode(rc);
  Row r;
  r.pos = pos;
  r.data.assign(static_cast<const char*>(sqlite3_column_blob(st, 0)),
                static_cast<size_t>(sqlite3_column_bytes(st, 0)));
  if (sqlite3_column_type(st, 1) != SQLITE_NULL)
    r.text.assign(static_cast<const char*>(sqlite3_column_blob(st, 1)),
                  static_cast<size_t>(sqlite3_column_bytes(st, 1)));
  sqlite3_reset(st);
  return loadRow(r);
}

void StoreFile::invalidate() {
  batch_.clear();
  batchDir_ = 0;
}

// Reads the next batch of rows in direction `dir` (+1 forward, -1 backward) from the anchor.
int StoreFile::fetch(int dir) {
  if (batchDir_ == dir)
    batchSize_ = std::min(batchSize_ * 2, kMaxBatch);
  else
    batchSize_ = 8;
  batch_.clear();
  batchDir_ = dir;
  const bool fwd = dir > 0;
  const std::string cols =
      std::string("SELECT pos, data, ") + (def_.maxText ? "txt" : "NULL") + ", " +
      (walkKey_ >= 0 ? keyColumn(static_cast<size_t>(walkKey_)) : std::string("NULL")) + " FROM " +
      table() + (walkKey_ >= 0 ? indexedBy(walkKey_) : std::string()) + " WHERE ";
  const std::string k = walkKey_ >= 0 ? keyColumn(static_cast<size_t>(walkKey_)) : "";
  const char* asc = fwd ? "" : " DESC";

  auto run = [&](sqlite3_stmt* st, int limitParam) -> int {
    sqlite3_bind_int64(st, limitParam, static_cast<int64_t>(batchSize_ - batch_.size()));
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
      Row r;
      r.pos = sqlite3_column_int64(st, 0);
      r.data.assign(static_cast<const char*>(sqlite3_column_blob(st, 1)),
                    static_cast<size_t>(sqlite3_column_bytes(st, 1)));
      if (sqlite3_column_type(st, 2) != SQLITE_NULL)
        r.text.assign(static_cast<const char*>(sqlite3_column_blob(st, 2)),
                      static_cast<size_t>(sqlite3_column_bytes(st, 2)));
      r.imageNull = sqlite3_column_type(st, 3) == SQLITE_NULL;
      if (!r.imageNull)
        r.image.assign(static_cast<const char*>(sqlite3_column_blob(st, 3)),
                       static_cast<size_t>(sqlite3_column_bytes(st, 3)));
      batch_.push_back(std::move(r));
    }
    noteQuery(st);
    sqlite3_reset(st);
    store_.stats_.rowsReturned += batch_.size();
    return rc == SQLITE_DONE ? kStoreOk : sqliteCode(rc);
  };
  auto prep = [&](const std::string& sql) -> sqlite3_stmt* { return prepare(sql); };

  bool fromEnd = anchor_ == Anchor::kEnds || (anchor_ == Anchor::kPastEnd && !fwd) ||
                 (anchor_ == Anchor::kBeforeStart && fwd);
  if ((anchor_ == Anchor::kPastEnd && fwd) || (anchor_ == Anchor::kBeforeStart && !fwd) ||
      anchor_ == Anchor::kNone)
    return kStoreOk;

  if (walkKey_ < 0) {
    sqlite3_stmt* st;
    if (fromEnd) {
      st = prep(cols + "1 ORDER BY pos" + asc + " LIMIT ?1");
      if (!st) return sqliteCode(sqlite3_errcode(db()));
      return run(st, 1);
    }
    bool incl = anchor_ == Anchor::kAt;
    st = prep(cols + "pos " + (fwd ? ">" : "<") + (incl ? "=" : "") + " ?2 ORDER BY pos" + asc +
              " LIMIT ?1");
    if (!st) return sqliteCode(sqlite3_errcode(db()));
    sqlite3_bind_int64(st, 2, anchorPos_);
    return run(st, 1);
  }

  if (fromEnd) {
    sqlite3_stmt* st = prep(cols + k + " >= x'' ORDER BY " + k + asc + ", pos" + asc + " LIMIT ?1");
    if (!st) return sqliteCode(sqlite3_errcode(db()));
    return run(st, 1);
  }
  // Records with the anchor's key value beyond the anchor's position, then the records with
  // the following key values.
  int64_t pos = anchorPos_;
  bool incl = anchor_ == Anchor::kAt || anchor_ == Anchor::kValue;
  if (anchor_ == Anchor::kValue) pos = fwd ? INT64_MIN : INT64_MAX;
  sqlite3_stmt* st = prep(cols + k + " = ?2 AND pos " + (fwd ? ">" : "<") + (incl ? "=" : "") +
                          " ?3 ORDER BY pos" + asc + " LIMIT ?1");
  if (!st) return sqliteCode(sqlite3_errcode(db()));
  sqlite3_bind_blob(st, 2, anchorImage_.data(), static_cast<int>(anchorImage_.size()),
                    SQLITE_TRANSIENT);
  sqlite3_bind_int64(st, 3, pos);
  int code = run(st, 1);
  if (code || batch_.size() >= batchSize_) return code;
  st = prep(cols + k + (fwd ? " > ?2" : " < ?2") + " ORDER BY " + k + asc + ", pos" + asc +
            " LIMIT ?1");
  if (!st) return sqliteCode(sqlite3_errcode(db()));
  sqlite3_bind_blob(st, 2, anchorImage_.data(), static_cast<int>(anchorImage_.size()),
                    SQLITE_TRANSIENT);
  return run(st, 1);
}

int StoreFile::set(int key) {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (key < -1 || key >= static_cast<int>(def_.keys.size()))
    return result(kStoreFailure, "No such key");
  walkKey_ = key;
  anchor_ = Anchor::kEnds;
  invalidate();
  return result(kStoreOk);
}

int StoreFile::setFromBuffer(int key) {
  int code = set(key);
  if (code || key < 0) return code;
  const KeyDef& kd = def_.keys[static_cast<size_t>(key)];
  if (blankKey(def_, kd, record_.data())) return code;
  keyImage(key, record_.data(), anchorImage_);
  anchor_ = Anchor::kValue;
  return result(kStoreOk);
}

int StoreFile::reset(int key, std::string_view position) {
  int code = set(key);
  if (code) return code;
  int64_t pos;
  if (!parsePosition(position, pos)) return result(kRecordNotFound);
  sqlite3_stmt* st = prepare("SELECT data FROM " + table() + " WHERE pos=?1");
  if (!st) return sqliteCode(sqlite3_errcode(db()));
  sqlite3_bind_int64(st, 1, pos);
  int rc = sqlite3_step(st);
  if (rc == SQLITE_DONE) return result(kRecordNotFound);
  if (rc != SQLITE_ROW) return sqliteCode(rc);
  std::string data(static_cast<const char*>(sqlite3_column_blob(st, 0)),
                   static_cast<size_t>(sqlite3_column_bytes(st, 0)));
  sqlite3_reset(st);
  if (data.size() != record_.size())
    return result(kStoreFailure, "A record of the file has a wrong length");
  if (key >= 0 && !keyImage(key, reinterpret_cast<const uint8_t*>(data.data()), anchorImage_))
    return result(kRecordNotFound);  // the record stays out of this optional key
  anchor_ = Anchor::kAt;
  anchorPos_ = pos;
  return result(kStoreOk);
}

int StoreFile::next() {
  return move(1);
}

int StoreFile::previous() {
  return move(-1);
}

// One record on in direction `dir` (+1 forward, -1 backward) from the anchor.
int StoreFile::move(int dir) {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (batchDir_ != dir || batch_.empty()) {
    int code = fetch(dir);
    if (code) return code;
  }
  if (batch_.empty()) {
    if (anchor_ != Anchor::kNone) anchor_ = dir > 0 ? Anchor::kPastEnd : Anchor::kBeforeStart;
    return result(kNoRecord);
  }
  Row r = std::move(batch_.front());
  batch_.pop_front();
  int code = loadRow(r);
  anchor_ = Anchor::kAfter;
  anchorPos_ = r.pos;
  anchorImage_ = std::move(r.image);
  return code;
}

int StoreFile::get(int key) {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (key < 0 || key >= static_cast<int>(def_.keys.size()))
    return result(kStoreFailure, "No such key");
  std::string image;
  if (!keyImage(key, record_.data(), image)) return result(kRecordNotFound);
  const std::string k = keyColumn(static_cast<size_t>(key));
  sqlite3_stmt* st =
      prepare(std::string("SELECT pos, data, ") + (def_.maxText ? "txt" : "NULL") + " FROM " +
              table() + indexedBy(key) + " WHERE " + k + " = ?1 ORDER BY " + k + ", pos LIMIT 1");
  if (!st) return sqliteCode(sqlite3_errcode(db()));
  sqlite3_bind_blob(st, 1, image.data(), static_cast<int>(image.size()), SQLITE_TRANSIENT);
  int rc = sqlite3_step(st);
  noteQuery(st);
  if (rc == SQLITE_DONE) {
    sqlite3_reset(st);
    return result(kRecordNotFound);
  }
  if (rc != SQLITE_ROW) return sqliteCode(rc);
  Row r;
  r.pos = sqlite3_column_int64(st, 0);
  r.data.assign(static_cast<const char*>(sqlite3_column_blob(st, 1)),
                static_cast<size_t>(sqlite3_column_bytes(st, 1)));
  if (sqlite3_column_type(st, 2) != SQLITE_NULL)
    r.text.assign(static_cast<const char*>(sqlite3_column_blob(st, 2)),
                  static_cast<size_t>(sqlite3_column_bytes(st, 2)));
  sqlite3_reset(st);
  return loadRow(r);
}

int StoreFile::reget(std::string_view position) {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  int64_t pos;
  if (!parsePosition(position, pos)) return result(kRecordNotFound);
  return readRowAt(pos);
}

std::string StoreFile::position() const {
  return current_ ? std::to_string(current_) : "";
}

int64_t StoreFile::records() {
  if (!isOpen()) {
    result(kStoreFailure, "The file is not open");
    return 0;
  }
  sqlite3_stmt* st = prepare("SELECT count(*) FROM " + table());
  if (!st) {
    sqliteCode(sqlite3_errcode(db()));
    return 0;
  }
  int64_t n = 0;
  int rc = sqlite3_step(st);
  if (rc == SQLITE_ROW) n = sqlite3_column_int64(st, 0);
  sqlite3_reset(st);
  if (rc != SQLITE_ROW) {
    sqliteCode(rc);
    return 0;
  }
  result(kStoreOk);
  return n;
}

// ----- writing

int StoreFile::endBatch() {
  if (!batchOpen_) return kStoreOk;
  batchOpen_ = false;
  batchWrites_ = 0;
  int rc = execSql(db(), "COMMIT");
  if (rc != SQLITE_OK) {
    int code = sqliteCode(rc);
    execSql(db(), "ROLLBACK");
    return code;
  }
  return kStoreOk;
}

void StoreFile::wrote() {
  invalidate();
  if (batchOpen_ && ++batchWrites_ >= kBatchCommitWrites) endBatch();
}

int StoreFile::writeRow(bool insert, bool keys) {
  (void)keys;
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (access_ == Access::kReadOnly) return result(kAccessDenied);
  if (streaming_ && !batchOpen_ && store_.txn_ != conn_ && conn_->members.size() == 1) {
    if (execSql(db(), "BEGIN") == SQLITE_OK) batchOpen_ = true;
  }
  std::string sql;
  const size_t nk = def_.keys.size();
  if (insert) {
    sql = "INSERT INTO " + table() + "(data, txt";
    for (size_t i = 0; i < nk; ++i) sql += ", " + keyColumn(i);
    sql += ") VALUES(?1, ?2";
    for (size_t i = 0; i < nk; ++i) sql += ", ?" + std::to_string(i + 3);
    sql += ")";
  } else {
    sql = "UPDATE " + table() + " SET data=?1, txt=?2";
    for (size_t i = 0; i < nk; ++i) sql += ", " + keyColumn(i) + "=?" + std::to_string(i + 3);
    sql += " WHERE pos=?" + std::to_string(nk + 3);
  }
  sqlite3_stmt* st = prepare(sql);
  if (!st) return sqliteCode(sqlite3_errcode(db()));
  sqlite3_bind_blob(st, 1, record_.data(), static_cast<int>(record_.size()), SQLITE_STATIC);
  if (def_.maxText) {
    size_t n = std::min<size_t>(text_.size(), def_.maxText);
    if (n == 0)
      sqlite3_bind_zeroblob(st, 2, 0);
    else
      sqlite3_bind_blob(st, 2, text_.data(), static_cast<int>(n), SQLITE_STATIC);
  }
  std::vector<std::string> images(nk);
  for (size_t i = 0; i < nk; ++i) {
    if (keyImage(static_cast<int>(i), record_.data(), images[i]))
      sqlite3_bind_blob(st, static_cast<int>(i + 3), images[i].data(),
                        static_cast<int>(images[i].size()), SQLITE_STATIC);
  }
  if (!insert) sqlite3_bind_int64(st, static_cast<int>(nk + 3), current_);
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  if (rc != SQLITE_DONE) return sqliteCode(rc);
  if (insert) {
    current_ = sqlite3_last_insert_rowid(db());
  } else if (sqlite3_changes(db()) == 0) {
    return result(kRecordNotFound);
  }
  wrote();
  return result(kStoreOk);
}

int StoreFile::add() {
  return writeRow(true, true);
}

int StoreFile::append() {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (keysValid_ && !def_.keys.empty()) {
    // The keys go until buildKeys(): appending without them is what makes bulk loads fast,
    // and a file left so by a killed program opens with 46 and is rebuilt.
    std::string sql = "UPDATE " + sqlName(schema_) + ".qv_meta SET value=0 WHERE name='keysvalid';";
    for (size_t i = 0; i < def_.keys.size(); ++i)
      sql += "DROP INDEX IF EXISTS " + sqlName(schema_) + "." + indexName(i) + ";" +
             "DROP INDEX IF EXISTS " + sqlName(schema_) + "." + uniqueName(i) + ";";
    finalizeAll();
    int rc = execSql(db(), sql);
    if (rc != SQLITE_OK) return sqliteCode(rc);
    keysValid_ = false;
  }
  return writeRow(true, false);
}

int StoreFile::put() {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (!current_) return result(kNoRecord);
  if (heldElsewhere(slotBase_ + kRecordSlots + current_)) return result(kHeld);
  int code = writeRow(false, true);
  if (code == kStoreOk) release();
  return code;
}

int StoreFile::erase() {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (!current_) return result(kNoRecord);
  if (access_ == Access::kReadOnly) return result(kAccessDenied);
  if (heldElsewhere(slotBase_ + kRecordSlots + current_)) return result(kHeld);
  sqlite3_stmt* st = prepare("DELETE FROM " + table() + " WHERE pos=?1");
  if (!st) return sqliteCode(sqlite3_errcode(db()));
  sqlite3_bind_int64(st, 1, current_);
  int rc = sqlite3_step(st);
  sqlite3_reset(st);
  if (rc != SQLITE_DONE) return sqliteCode(rc);
  if (sqlite3_changes(db()) == 0) return result(kRecordNotFound);
  release();
  current_ = 0;
  wrote();
  return result(kStoreOk);
}

bool StoreFile::duplicate(int key) {
  if (!isOpen()) return false;
  for (size_t i = 0; i < def_.keys.size(); ++i) {
    if (key >= 0 && static_cast<size_t>(key) != i) continue;
    if (!def_.keys[i].unique) continue;
    std::string image;
    if (!keyImage(static_cast<int>(i), record_.data(), image)) continue;
    sqlite3_stmt* st = prepare("SELECT 1 FROM " + table() + " WHERE " + keyColumn(i) +
                               " = ?1 AND pos <> ?2 LIMIT 1");
    if (!st) continue;
    sqlite3_bind_blob(st, 1, image.data(), static_cast<int>(image.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(st, 2, current_);
    bool found = sqlite3_step(st) == SQLITE_ROW;
    sqlite3_reset(st);
    if (found) return true;
  }
  return false;
}

// ----- holds and locks

int StoreFile::lockRange(int64_t offset, bool write, int seconds) {
  if (lockFd_ < 0) return kStoreOk;
  struct flock fl {};
  fl.l_type = static_cast<short>(write ? F_WRLCK : F_RDLCK);
  fl.l_whence = SEEK_SET;
  fl.l_start = offset;
  fl.l_len = 1;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    if (fcntl(lockFd_, F_OFD_SETLK, &fl) == 0) return kStoreOk;
    if (errno != EAGAIN && errno != EACCES) return kStoreFailure;
    if (std::chrono::steady_clock::now() >= deadline) return kHeld;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

void StoreFile::unlockRange(int64_t offset) {
  if (lockFd_ < 0) return;
  struct flock fl {};
  fl.l_type = F_UNLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = offset;
  fl.l_len = 1;
  fcntl(lockFd_, F_OFD_SETLK, &fl);
}

bool StoreFile::heldElsewhere(int64_t offset) {
  if (lockFd_ < 0) return false;
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = offset;
  fl.l_len = 1;
  return fcntl(lockFd_, F_OFD_GETLK, &fl) == 0 && fl.l_type != F_UNLCK;
}

int StoreFile::hold(int seconds) {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (!current_) return result(kNoRecord);
  int64_t pos = current_;
  if (held_ && held_ != pos) release();
  if (held_ != pos) {
    int code = lockRange(slotBase_ + kRecordSlots + pos, true, seconds);
    if (code == kHeld) return result(kHeld, "The record is held by another user");
    if (code) return result(code, "The record cannot be held");
    held_ = pos;
  }
  int code = readRowAt(pos);
  if (code) release();
  return code;
}

void StoreFile::release() {
  if (!held_) return;
  unlockRange(slotBase_ + kRecordSlots + held_);
  held_ = 0;
}

int StoreFile::lock(int seconds) {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (locked_) return result(kStoreOk);
  int code = lockRange(slotBase_ + 1, true, seconds);
  if (code) return result(code, "The file is locked by another user");
  locked_ = true;
  return result(kStoreOk);
}

void StoreFile::unlock() {
  if (!locked_) return;
  unlockRange(slotBase_ + 1);
  locked_ = false;
}

// ----- bulk work and maintenance

int StoreFile::stream() {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  // Without waiting for the disk a killed program still loses nothing that was committed
  // (the operating system has it); only a power failure can, until flush().
  execSql(db(), "PRAGMA " + sqlName(schema_) + ".synchronous=OFF");
  streaming_ = true;
  return result(kStoreOk);
}

int StoreFile::flush() {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  int code = endBatch();
  if (code) return code;
  if (streaming_) {
    execSql(db(), "PRAGMA " + sqlName(schema_) + ".synchronous=FULL");
    streaming_ = false;
  }
  sqlite3_file* file = nullptr;
  if (sqlite3_file_control(db(), schema_.c_str(), SQLITE_FCNTL_FILE_POINTER, &file) == SQLITE_OK &&
      file && file->pMethods) {
    if (file->pMethods->xSync(file, SQLITE_SYNC_NORMAL) != SQLITE_OK)
      return result(kStoreFailure, "The file cannot be written to the disk");
  }
  return result(kStoreOk);
}

int StoreFile::buildKey(int key) {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (key < 0 || key >= static_cast<int>(def_.keys.size()))
    return result(kStoreFailure, "No such key");
  int code = endBatch();
  if (code) return code;
  size_t i = static_cast<size_t>(key);
  finalizeAll();
  int rc = execSql(db(), "SAVEPOINT qv_build;" +
                             createIndexSql(def_.keys[i], i, sqlName(schema_) + ".") +
                             "RELEASE qv_build;");
  if (rc != SQLITE_OK) {
    int code = sqliteCode(rc);
    execSql(db(), "ROLLBACK TO qv_build; RELEASE qv_build;");
    return code;
  }
  // The file's keys are whole again once every index is there.
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(db(),
                     ("SELECT count(*) FROM " + sqlName(schema_) +
                      ".sqlite_schema WHERE type='index' AND tbl_name='qv_rec' AND name LIKE "
                      "'qv_%'")
                         .c_str(),
                     -1, &st, nullptr);
  size_t n = 0;
  if (st && sqlite3_step(st) == SQLITE_ROW) n = static_cast<size_t>(sqlite3_column_int64(st, 0));
  sqlite3_finalize(st);
  if (n == indexCount(def_)) {
    rc =
        execSql(db(), "UPDATE " + sqlName(schema_) + ".qv_meta SET value=1 WHERE name='keysvalid'");
    if (rc != SQLITE_OK) return sqliteCode(rc);
    keysValid_ = true;
  }
  invalidate();
  return result(kStoreOk);
}

int StoreFile::buildKeys() {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  for (size_t i = 0; i < def_.keys.size(); ++i) {
    int code = buildKey(static_cast<int>(i));
    if (code) return code;
  }
  if (def_.keys.empty()) keysValid_ = true;
  return result(kStoreOk);
}

int StoreFile::empty() {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (share_ != Share::kDenyAll) return result(kAccessDenied, "The file is not open exclusively");
  int code = endBatch();
  if (code) return code;
  // The position counter is kept, so that no position of a removed record names a new one.
  int rc = execSql(db(), "DELETE FROM " + table());
  if (rc != SQLITE_OK) return sqliteCode(rc);
  release();
  current_ = 0;
  invalidate();
  return result(kStoreOk);
}

int StoreFile::pack() {
  if (!isOpen()) return result(kStoreFailure, "The file is not open");
  if (share_ != Share::kDenyAll) return result(kAccessDenied, "The file is not open exclusively");
  if (store_.txn_ == conn_) return result(kStoreFailure, "The file is in a running transaction");
  int code = endBatch();
  if (code) return code;
  finalizeAll();
  int rc = execSql(db(), "VACUUM " + sqlName(schema_));
  if (rc != SQLITE_OK) return sqliteCode(rc);
  invalidate();
  return result(kStoreOk);
}

int StoreFile::sendOption(std::string_view option) {
  // Both options tune other engines' sequential reads and key builds; this one reads and
  // builds the same way whatever they say.
  std::string o = upper1252(option);
  if (o == "QUICKSCAN=ON" || o == "QUICKSCAN=OFF" || o == "FULLBUILD=ON" || o == "FULLBUILD=OFF")
    return result(kStoreOk);
  return result(kStoreFailure, "Unknown driver option " + std::string(option));
}

}  // namespace qv
