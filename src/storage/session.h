// The session: everything process-wide of one running program on one archive.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/runtime.h"
#include "storage/config.h"
#include "storage/store.h"

namespace qv {

// The owner passwords of the encrypted files.
inline constexpr const char* kPasswordA = "QZT wob";
inline constexpr const char* kPasswordB = "Tulvik Mopra";

// Database types.
enum DbType : uint8_t { kDbNone = 0, kDbForum = 1, kDbMail = 2, kDbNewsgroup = 3 };

class Session {
 public:
  // A session on the archive rooted at `archiveRoot` (made absolute). The directories start at
  // their defaults: temporary root/TEMP, database and word index top directories the root.
  Session(std::string archiveRoot, Runtime& runtime);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  Runtime& runtime() { return runtime_; }
  Store& store() { return *store_; }

  // The one file object of catalogue file `number` (nullptr for numbers the catalogue does
  // not name). Its path is set by whoever opens it.
  StoreFile* file(int number);
  // Closes every open file of the session (a running transaction is rolled back first).
  void closeAllFiles();

  // Shows a message unless a task runs unattended; then it goes to the task log and the
  // default button is the answer.
  int message(std::string_view text, std::string_view title, Icon icon = Icon::kExclamation,
              int buttons = kButtonOk, int defaultButton = kButtonOk);
  bool unattended() const { return taskMode == 2 || taskMode == 6; }
  // Lines that unattended work logs instead of showing; the task log reads them.
  std::vector<std::string>& taskLogLines() { return taskLogLines_; }

  // Directories, held without trailing blanks or separator.
  std::string archiveRoot;
  std::string tempDir;
  std::string dbTopDir;
  std::string wordIndexTopDir;

  // The current database.
  uint32_t dbId = 0;
  uint8_t dbType = kDbNone;
  std::string dbDirName;  // "F" + directory number
  std::string dbDescription;
  uint8_t dbStatus = 0;            // FOR:DUMMY: 0 Normal, 1 Keep, 2 Delete
  uint32_t dbPersonId = 0;         // the owner's person (mail databases)
  uint8_t dbTargetNg = 0;          // 1 for a target newsgroup database
  int32_t dbIndexNeedsUpdate = 0;  // FOR:WORDLISTINDEXNEEDSUPDATE
  uint8_t dbIndexType = 0;         // FOR:INDEXTYPE

  // The setting stores of the Control file, as loaded (see storage/config.h).
  Config config;

  uint8_t taskMode = 0;         // 0 interactive; 2 and 6 unattended
  std::string outsideFileName;  // full name of the outside file to open next
  std::string currentFileName;  // the path of the file being opened, for messages

  // The clock: today's day number and the time of day (hundredths of a second plus one).
  std::function<int32_t()> today;
  std::function<int32_t()> clockTime;

  // The file access layer's bookkeeping, indexed by file number: how many users have each file
  // open, and whether its fields are known by name to filter expressions.
  std::array<int32_t, 48> useCount{};
  std::array<bool, 48> fieldsRegistered{};
  // Set to 1 by a test open that finds a file of another record layout; callers clear it.
  uint8_t testFlag = 0;
  // The stopwatch: start and stop of each of 20 slots, as dates and times of the clock above.
  struct StopwatchSlot {
    int32_t startTime = 0, startDate = 0, stopTime = 0, stopDate = 0;
  };
  std::array<StopwatchSlot, 20> stopwatch{};

 private:
  Runtime& runtime_;
  std::unique_ptr<Store> store_;
  std::map<int, std::unique_ptr<StoreFile>> files_;
  std::vector<std::string> taskLogLines_;
};

}  // namespace qv
