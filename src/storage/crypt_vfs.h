// The "qvcrypt" SQLite VFS: archive files kept under an owner password are encrypted on disk.
#pragma once

#include <string>
#include <string_view>

namespace qv::crypt {

// The URI parameter that carries a file's key (hex of the owner password).
inline constexpr const char* kKeyParam = "qvkey";

// Registers, once and thread-safely, the VFS "qvcrypt" (not as the default VFS): a shim over the
// default VFS that encrypts a database, its rollback journal and its WAL when the database was
// opened with the key parameter, and passes every file through unchanged otherwise. Returns its
// name for sqlite3_open_v2(..., SQLITE_OPEN_URI | ..., vfsName()). Should registration fail, the
// name is still returned and opening through it fails with "no such vfs".
//
// Opening an encrypted file without its key, with another key, or a plain file with a key, gives
// SQLITE_NOTADB on the first statement that reads it. A key parameter that is not hex makes the
// open fail with SQLITE_CANTOPEN.
const char* vfsName();

// "file:///abs/path?qvkey=<hex of password>" for `absolutePath` (which must start with '/'),
// its bytes outside [A-Za-z0-9/._~-] percent-escaped. Open it with SQLITE_OPEN_URI through
// vfsName(), or ATTACH it from a connection opened that way.
std::string uriFor(const std::string& absolutePath, std::string_view password);

}  // namespace qv::crypt
