// Creating an archive root and opening its numbered files directly, for tools without windows.
#pragma once

#include <string>

#include "storage/session.h"

namespace qv {

// Creates the root's CFG directory, the control file with its identifier counter record, and
// the text table, where they are missing. Returns 0 or a store code; `error` says what failed.
int initArchive(Session& s, std::string& error);

// Points the session's current database at database `id` of the list (0 for none). Returns
// 0, 35 when the list has no such database, or the store code of opening the list.
int selectDatabase(Session& s, uint32_t id, std::string& error);

// Opens file `number` at its catalogue path (shared, read-write), creating it when missing
// and `create` is set. Returns the store code; 46 is repaired by rebuilding the keys.
int openNumbered(Session& s, int number, bool create, std::string& error);

// The text of entry `number` of the text table, trimmed; empty when it has none.
std::string textTableEntry(Session& s, uint32_t number);

}  // namespace qv
