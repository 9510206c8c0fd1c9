// The keyed record store: fixed-length records with keys, kept in SQLite database files.
//
// How it is kept:
// - One SQLite database per archive file. Its table qv_rec holds one row per record: the row id
//   is the record's position (never reused, so a saved position string cannot come to name
//   another record), the record bytes are stored whole, the text part beside them, and each key
//   is one BLOB column holding the key image: the components' bytes in an order that memcmp
//   sorts as the key must (numbers big-endian with the sign bit flipped, strings at their full
//   blank-padded width, upper-cased for nocase keys, descending components complemented). Each
//   key has an index over (key image, position, record bytes), so that a walk from any
//   (key image, position) pair is one range scan that never leaves the index; a unique key has
//   a second, narrow index that keeps its values unique. Optional keys store NULL for blank
//   values, which every range condition leaves out.
// - qv_meta records the file's name, record size and layout signature (a mismatch gives 47) and
//   whether the keys are current (they are not after append() until buildKeys(): 46 at open).
// - Connections: each open file has its own connection with the file as main database. A
//   transaction over several files moves them onto one connection, the first file as main and
//   the others attached (at most 10), so that SQLite's multi-file commit in rollback-journal
//   mode makes them atomic together, also across a killed process. The group stays together
//   for the next transaction over the same files.
// - Holds, file locks and deny-all opens are open-file-description byte-range locks (OFD, per
//   open file, so they work between threads as between processes) on one lock file of the
//   archive, at offsets derived from the file's path and the record position.
// - Files under an owner password are encrypted below SQLite by the crypt VFS (crypt_vfs.h).
// - Walks read a small batch of rows at a time and keep no statement open between calls, so a
//   long walk blocks no writer of another program, and a write to the file simply makes the
//   walk seek again from the last record it returned.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "storage/layout.h"

struct sqlite3;
struct sqlite3_stmt;

namespace qv {

// Result codes of store operations, read after each call.
enum StoreCode : int {
  kStoreOk = 0,
  kNoFile = 2,           // the file does not exist
  kNoPath = 3,           // its directory does not exist
  kAccessDenied = 5,     // another user has it open exclusively, or the system refuses access
  kNoRecord = 33,        // no record there: either end of a walk, or no current record
  kRecordNotFound = 35,  // no record with that key value or position
  kDuplicateKey = 40,    // a unique key would be duplicated
  kInvalidName = 45,     // the name cannot be a file name
  kHeld = 43,            // held or locked by another user
  kBadKeys = 46,         // the keys must be rebuilt
  kBadLayout = 47,       // the file does not have this record layout
  kAlreadyOpen = 52,     // the file is open (and cannot be removed or opened again)
  kStoreFailure = 90,    // any other failure; the error text says what
};

enum class Access : uint8_t { kReadOnly, kReadWrite };
enum class Share : uint8_t { kDenyNone, kDenyAll };

class StoreFile;

// Counters that show how much work the store's queries did; tests use them to prove that a
// walk is an index range scan.
struct StoreStats {
  uint64_t queries = 0;
  uint64_t rowsReturned = 0;
  uint64_t fullScanSteps = 0;  // steps of a full table scan
  uint64_t sorts = 0;          // sorts a query needed because no index gave the order
};

// The engine of one session: connections, the running transaction and the lock file.
class Store {
 public:
  // `lockFile` is the path of the archive's lock file (created when missing); empty disables
  // holds, locks and deny-all opens (only for tools that work on private files).
  explicit Store(std::string lockFile);
  ~Store();
  Store(const Store&) = delete;
  Store& operator=(const Store&) = delete;

  // Starts a transaction over the listed open files (at most 11), waiting up to `waitSeconds`
  // for other users' writes to end. Every change to these files until commit() or rollback()
  // is kept or undone together.
  int begin(std::span<StoreFile* const> files, int waitSeconds = 5);
  int commit();
  int rollback();
  bool inTransaction() const { return txn_ != nullptr; }

  // Removes, renames or copies a store file (and its journal) that no one has open: 52 when
  // it is open here or in another program.
  int remove(const std::string& path);
  int rename(const std::string& from, const std::string& to);
  int copy(const std::string& from, const std::string& to);

  const std::string& lockFile() const { return lockFile_; }
  StoreStats& stats() { return stats_; }
  std::string errorText() const { return errorText_; }

 private:
  friend class StoreFile;
  struct Conn;

  Conn* openConn(StoreFile& main, int& code);
  void closeConnIfUnused(Conn* c);
  void detach(StoreFile& f);
  int attachAll(Conn* c, std::span<StoreFile* const> files);
  int fail(int code, std::string text);
  bool isOpenHere(const std::string& canonicalPath) const;
  int checkMove(const std::string& from, const std::string& to);

  std::string lockFile_;
  std::vector<std::unique_ptr<Conn>> conns_;
  std::vector<StoreFile*> files_;  // every open file of this store
  Conn* txn_ = nullptr;
  StoreStats stats_;
  std::string errorText_;
};

// One archive file: its record buffer, text part, position, hold and open state.
class StoreFile {
 public:
  StoreFile(Store& store, const FileDef& def);
  ~StoreFile();
  StoreFile(const StoreFile&) = delete;
  StoreFile& operator=(const StoreFile&) = delete;

  const FileDef& def() const { return def_; }
  Store& store() { return store_; }

  // The file's full path (shown in messages as its name) and, for encrypted files, the owner
  // password. Set before create() or open().
  void setPath(std::string path) { path_ = std::move(path); }
  const std::string& path() const { return path_; }
  void setPassword(std::string password) { password_ = std::move(password); }

  // Creates the file empty, replacing one that exists (5 while another user has it open). The
  // new file appears whole or not at all. The file stays closed.
  int create();
  // Opens the file. Codes: 2, 3, 5, 47, 52, 90; 46 leaves the file open so that buildKeys()
  // can repair it.
  int open(Access access = Access::kReadWrite, Share share = Share::kDenyNone);
  int close();
  bool isOpen() const { return conn_ != nullptr; }
  bool exclusive() const { return share_ == Share::kDenyAll; }

  // The record buffer, shared by everything that uses this file.
  uint8_t* buffer() { return record_.data(); }
  const uint8_t* buffer() const { return record_.data(); }
  template <class R>
  R& rec() {
    static_assert(std::is_standard_layout_v<R>);
    return *reinterpret_cast<R*>(record_.data());
  }
  std::string& text() { return text_; }
  // Blanks the buffer: strings to blanks, numbers to zero, the text part empty.
  void clear();

  // Positioning. `key` is an index into def().keys; -1 means record order.
  int set(int key);            // before the first record of the key (previous(): the last)
  int setFromBuffer(int key);  // at the buffer's key value; a blank value is set(key)
  int reset(int key, std::string_view position);  // at the record of a saved position
  int next();                                     // 33 past the end
  int previous();                                 // 33 before the start
  int get(int key);                      // the first record whose key value equals the buffer's; 35
  int reget(std::string_view position);  // the record at a saved position; 35
  std::string position() const;          // of the current record; empty when there is none

  // Writes. add() keeps the keys; append() leaves them for buildKeys(). put() and erase()
  // work on the current record (33 when there is none, 35 when it is gone, 43 when another
  // user holds it).
  int add();
  int append();
  int put();
  int erase();
  // True when adding the buffer (or putting it, for the current record) would duplicate the
  // unique key `key`, or any unique key for -1.
  bool duplicate(int key = -1);

  int64_t records();

  // Holds the current record (waiting up to `seconds`) and reads it again: 43 when another
  // user keeps holding it, 35 when it is gone. One hold per file; put() and erase() end it.
  int hold(int seconds = 1);
  void release();
  int lock(int seconds = 5);
  void unlock();

  // Stream mode batches the writes of a bulk job without waiting for the disk; flush() writes
  // the batch through to the disk and ends stream mode.
  int stream();
  int flush();

  int buildKeys();
  int buildKey(int key);
  int empty();  // exclusive
  int pack();   // exclusive
  int sendOption(std::string_view option);

  int lastError() const { return lastError_; }
  const std::string& errorText() const { return errorText_; }

 private:
  friend class Store;
  struct Row {
    int64_t pos;
    std::string data, text, image;
    bool imageNull;
  };
  // Where the walk stands: nowhere; at both ends (after set()); past the last record; before
  // the first; at every record with one key value (setFromBuffer()); at a record, inclusive
  // (reset()); just after (or before) the record it returned last.
  enum class Anchor : uint8_t { kNone, kEnds, kPastEnd, kBeforeStart, kValue, kAt, kAfter };

  std::string uri() const;
  std::string table() const;
  sqlite3* db() const;
  std::string indexedBy(int key) const;
  sqlite3_stmt* prepare(const std::string& sql);
  void finalizeAll();
  int move(int dir);
  void noteQuery(sqlite3_stmt* st);
  int result(int code, std::string text = {});
  int sqliteCode(int rc);
  bool keyImage(int key, const uint8_t* rec, std::string& out) const;
  int readRowAt(int64_t pos);
  int loadRow(const Row& r);
  int fetch(int dir);
  void invalidate();
  int writeRow(bool insert, bool keys);
  int checkMeta();
  int lockRange(int64_t offset, bool write, int seconds);
  void unlockRange(int64_t offset);
  bool heldElsewhere(int64_t offset);
  int64_t slotBase() const { return slotBase_; }
  void wrote();
  int endBatch();

  Store& store_;
  const FileDef& def_;
  std::string path_, password_, canonical_;
  std::vector<uint8_t> record_;
  std::string text_;

  Store::Conn* conn_ = nullptr;
  std::string schema_ = "main";
  std::unordered_map<std::string, sqlite3_stmt*> stmts_;
  Access access_ = Access::kReadWrite;
  Share share_ = Share::kDenyNone;
  bool keysValid_ = true;

  int lockFd_ = -1;
  int64_t slotBase_ = 0;
  int64_t held_ = 0;  // position of the held record, 0 none
  bool locked_ = false;

  bool streaming_ = false;
  bool batchOpen_ = false;
  int batchWrites_ = 0;

  // The walk.
  int walkKey_ = -1;
  Anchor anchor_ = Anchor::kNone;
  std::string anchorImage_;
  bool anchorNull_ = false;
  int64_t anchorPos_ = 0;
  bool anchorInclusive_ = false;
  std::deque<Row> batch_;
  int batchDir_ = 0;
  size_t batchSize_ = 8;
  int64_t current_ = 0;  // position of the current record, 0 none

  int lastError_ = 0;
  std::string errorText_;
};

// The key image of `key` for the record bytes `rec`; false for an optional key whose fields
// are all blank (the record stays out of that key).
bool makeKeyImage(const FileDef& def, const KeyDef& key, const uint8_t* rec, std::string& out);

// The text the store gives for a code (the text of the last error where SQLite says more).
const char* storeCodeText(int code);

}  // namespace qv
