// The file access layer: numbered files opened with use counts and repairs, record writes,
// holds and form saves with the system's messages, directory checks and the stopwatch.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "storage/session.h"

namespace qv {

// Requests of OP_CLOSE.
enum OpRequest : int {
  kOpClose = 0,          // one user less; the file closes when none is left
  kOpOpenShared = 1,     // one user more; the first opens read-write, others may share
  kOpOpenExclusive = 2,  // the same, others denied all access
  kOpEmpty = 3,          // remove every record
  kOpForceClose = 4,     // close whatever the use count
  kOpPack = 5,           // drop the space of deleted records
  kOpRemove = 6,         // close and delete the file
  kOpTestOpen = 7,       // set Session::testFlag when the file has another record layout
};

// Operations of UppDat.
enum UppDatOp : int { kUppAdd = 1, kUppUpdate = 2, kUppDelete = 3, kUppAppend = 4 };

// Report modes of UppDat and QError; any other mode is silent.
enum ReportMode : int { kReportSilent = 0, kReport = 7, kRollBackAndReport = 8 };

// Applies `request` to each listed file in order; 0 in the list stands for an omitted file
// and is skipped, requests 8 and above are ignored. Opening (requests 1, 2, 3, 5) creates a
// missing file silently, rebuilds damaged keys, and replaces a small file of another layout
// (see the size table in the source); every other failure shows its message and ends the
// program through the runtime's fatal stop, as does a file number the catalogue does not name
// or an outside file without a name. Requests 3-7 leave the file closed with use count 0.
void OP_CLOSE(Session& s, int request, std::initializer_list<int> files);

// Adds (1), updates (2), deletes (3) or appends (4) the record in file `file`'s buffer.
// Returns true on success. On failure mode 7 ends the hold of an update or delete and shows
// what failed, mode 8 rolls the running transaction back and says so; other modes are silent.
bool UppDat(Session& s, int file, int operation, int mode);

// Holds the record of `file` (waiting at most one second) and reads it into the buffer: the
// first record with the buffer's value of key `key` when `byKey` is set, else the record at
// the saved `position`. Returns false, after its message (none when unattended), when the
// record is gone, held by another user or cannot be read.
bool HoldRec(Session& s, int file, int key, bool byKey, const std::string& position);

// The save protocol of an edit form over one record of `file`. The form calls formOpens()
// before it shows the record and userConfirms() when the user accepts the edit; between the
// two the form edits the file's record buffer. A record changed by another user meanwhile
// is not overwritten: the form gets the new record back to edit again.
struct SaveRec {
  // `request`: 1 insert, 2 change, 3 delete; `position` names the record (empty for insert).
  SaveRec(Session& s, int file, int request, std::string position);

  // Takes the snapshot of the record as the form shows it. Returns the record's position
  // string (empty for insert).
  std::string formOpens();
  // Holds and reads the record again. When it still equals the snapshot the edit is saved
  // (change) or the record deleted (delete), and the result is "OK"; insert gets "OK" with
  // the edited record left in the buffer for the form to add. When the record is gone, held
  // elsewhere or cannot be written, the result is empty. When another user changed it, the
  // buffer holds that user's record, which becomes the new snapshot, and the result is empty.
  std::string userConfirms();

  std::vector<uint8_t> snapshot;
  // Slot 0 holds the snapshot, slot 1 the record being edited.
  std::array<std::vector<uint8_t>, 2> saveList;

 private:
  Session& s_;
  int file_;
  int request_;
  std::string position_;
};

// Reports list error `code` (with `errorText`, the list's own description, where it has one).
// Returns false for no error (0) and for entry-not-found (30); otherwise true, after the
// message that mode 7 or 8 asks for (mode 8 also rolls the running transaction back).
bool QError(Session& s, int mode, int code, std::string_view errorText = {});

// The check after a commit: false when `code` is 0; otherwise says that the transaction
// failed (unless unattended), rolls back what is still running, and returns true.
bool TransCheck(Session& s, int code);

// Whether a directory exists: modes 1 and 3 test `path` (which must be absolute, else the
// result is false at once), modes 2 and 4 the directory of file `file`'s path. A missing
// directory is reported unless `quiet` or unattended (`extra` is added to the message); modes
// 3 and 4 then create it (one level) and return true, and a directory that cannot be created
// ends the program.
bool ExistPath(Session& s, int mode, int file, bool quiet, const std::string& extra,
               const std::string& path);

// File operations by name: 3 removes the file `name` (inside `dir` unless it is absolute);
// 4 removes every file of `dir` matching the mask `name`; 5 tells whether any file of `dir`
// matches `name`. Removals report what stayed (see removeMatching) and return false then.
bool DOSFunc(Session& s, int operation, const std::string& dir, const std::string& name);

// The summed size in bytes of the regular files matching `pattern` (a directory, '/', and a
// file name or mask).
int64_t GetFSize(const std::string& pattern);

// The stopwatch of 20 slots (1-20) on the session's clock: 0 clears every slot, 1 starts slot
// `slot`, 2 stops it and returns the whole seconds between start and stop, midnights
// included. Returns 0 for the other operations and for a slot outside 1-20.
int32_t StartStop(Session& s, int operation, int slot);

}  // namespace qv
