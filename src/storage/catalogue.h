// The file catalogue: where each numbered file lives, and database directories.
#pragma once

#include <cstdint>
#include <string>

#include "storage/session.h"

namespace qv {

// The full path of file `number` for the session's directories and current database: the
// system-wide files in root/CFG, the temporary ones in the temporary directory, the outside
// files at the session's outside-file name, the word index files under the word index top
// directory, the others in the current database's directory. Empty for an outside file
// without a name and for a number the catalogue does not name.
std::string filePath(const Session& s, int number);

// For the word index files 28, 29 and 33: creates the database's directory under the word
// index top directory when that differs from the database top directory. Silent.
void ensureWordIndexDirectory(const Session& s, int number);

// The directory number for a new database: one above the highest in the database list
// (1 for an empty list). `forums` is the open database list.
uint32_t nextDirectoryNumber(StoreFile& forums);

// Removes the current database's directory and, when it lives apart, its word index
// directory: the files matching *.TPS, *.DAT, *.K* and *.I* (each mask only after the one
// before removed everything), then the directory itself. Every file is closed first. The
// current database becomes none. Returns false, after its messages, when something stayed;
// does nothing and returns false while a task window of the program is open.
bool removeDatabaseDirectory(Session& s);

// Removes the files of `dir` matching `mask`, one by one, with the removal messages; false
// when any stayed.
bool removeMatching(Session& s, const std::string& dir, const std::string& mask);

}  // namespace qv
