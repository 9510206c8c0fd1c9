// The identifier counter of the Control file and the check that sets it above every
// identifier in use.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "storage/session.h"

namespace qv {

// Returns a new identifier, unique in the archive also when other threads and other programs
// draw at the same time, or 0 after the message "Next ID cannot be generated!" (none when
// unattended). A new archive starts at 250000 (kCounterFloor); loading the general settings
// (Konfig) raises a smaller stored counter to there. Ends any hold this session has on the
// counter's record; a run that keeps the counter held holds it again after drawing. Must not
// be called while the Control file is part of the caller's running transaction: the counter
// would be raised only when that commits, and another program could draw the same number.
uint32_t NextNr(Session& s);

struct IdCheckResult {
  bool done = false;                 // the check ran to the end
  uint32_t highestId = 0;            // the highest identifier found in use
  uint32_t nextId = 0;               // the counter as the check left it
  int32_t oldestDate = 0;            // the oldest message date of the archive (0 when none)
  std::vector<std::string> removed;  // names of the databases taken out of the list
  std::string error;                 // why the check could not run, when it did not
};

// The highest-identifier check. Walks the database list: stores each database's creation
// date (today when missing), message count and oldest date, removes from the list every
// database marked Delete and every one whose lowest text date is -1 (its directory stays,
// after a message), and sets the counter to one above the highest identifier in use (not
// below 250000), and stores the archive's oldest message date as general setting 5. `progress`
// gets the lines "Checking for highest existing ID ..." and, at the end, "Checking for highest
// existing ID ...OK!".
//
// Every database becomes current in turn, so the per-database files are closed before and
// after; the session's current database is the same again afterwards. A database whose
// directory is missing stops the program, as opening any of its files does.
//
// `storeOldestDate`, when given, receives the oldest date in place of the store into setting 5
// (for callers that save the general settings themselves).
IdCheckResult CheckHighestId(Session& s, const std::function<void(const std::string&)>& progress,
                             const std::function<void(int32_t)>& storeOldestDate = {});

}  // namespace qv
