// The "qvcrypt" VFS: ChaCha20 by file offset below SQLite for files opened with a key.
#include "storage/crypt_vfs.h"

#include <openssl/evp.h>
#include <sqlite3.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

namespace qv::crypt {
namespace {

constexpr const char* kVfsName = "qvcrypt";

// Part of every key: changing it makes every existing encrypted file unreadable.
constexpr std::string_view kKeyDomain = "Quorvane archive file key, version 1";

using Key = std::array<uint8_t, 32>;
using Nonce = std::array<uint8_t, 8>;

// A rollback journal and a WAL hold copies of database pages; each file role gets a keystream of
// its own so that no two files of one key share one. Rewriting a page in place still reuses the
// keystream of its offset: that is the accepted price of a cipher addressed by offset alone,
// which is what lets SQLite read and write any byte range without extra per-page data.
constexpr Nonce kDbNonce = {'q', 'v', 'd', 'b', 'm', 'a', 'i', 'n'};
constexpr Nonce kJournalNonce = {'q', 'v', 'j', 'o', 'u', 'r', 'n', 'l'};
constexpr Nonce kWalNonce = {'q', 'v', 'w', 'a', 'l', 'l', 'o', 'g'};

// What every rollback journal in use starts with once synced (SQLite writes zeros there first).
constexpr uint8_t kJournalMagic[8] = {0xd9, 0xd5, 0x05, 0xf9, 0x20, 0xa1, 0x63, 0xd7};

struct CryptFile {
  sqlite3_file base;  // first member: SQLite hands us this pointer
  sqlite3_file* real;
  EVP_CIPHER_CTX* cipher;  // null: the file passes through unchanged
  const Nonce* nonce;
};

// The underlying file lives in the same allocation, behind ours, suitably aligned.
constexpr size_t kRealOffset = (sizeof(CryptFile) + 15) & ~size_t{15};

CryptFile* cryptOf(sqlite3_file* file) {
  return reinterpret_cast<CryptFile*>(file);
}
sqlite3_file* realOf(sqlite3_file* file) {
  return cryptOf(file)->real;
}
sqlite3_vfs* baseOf(sqlite3_vfs* vfs) {
  return static_cast<sqlite3_vfs*>(vfs->pAppData);
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// SHA-256 of the domain string and the password given as hex. False on malformed hex.
bool deriveKey(const char* hex, Key& key) {
  size_t len = std::strlen(hex);
  if (len % 2 != 0) return false;
  EVP_MD_CTX* md = EVP_MD_CTX_new();
  bool ok = md && EVP_DigestInit_ex(md, EVP_sha256(), nullptr) == 1 &&
            EVP_DigestUpdate(md, kKeyDomain.data(), kKeyDomain.size()) == 1;
  for (size_t i = 0; ok && i < len; i += 2) {
    int hi = hexDigit(hex[i]), lo = hexDigit(hex[i + 1]);
    uint8_t byte = static_cast<uint8_t>(hi * 16 + lo);
    ok = hi >= 0 && lo >= 0 && EVP_DigestUpdate(md, &byte, 1) == 1;
  }
  unsigned int outLen = 0;
  ok = ok && EVP_DigestFinal_ex(md, key.data(), &outLen) == 1 && outLen == key.size();
  EVP_MD_CTX_free(md);
  return ok;
}

EVP_CIPHER_CTX* newCipher(const Key& key) {
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  if (ctx && EVP_EncryptInit_ex(ctx, EVP_chacha20(), nullptr, key.data(), nullptr) != 1) {
    EVP_CIPHER_CTX_free(ctx);
    ctx = nullptr;
  }
  return ctx;
}

// XORs `n` bytes with the keystream at byte `offset` of the file. The IV is the 64-bit block
// counter offset / 64 (little-endian; OpenSSL carries the low word into the high one, so the
// stream stays continuous past 256 GiB) followed by the role nonce.
bool applyKeystream(EVP_CIPHER_CTX* ctx, const Nonce& nonce, sqlite3_int64 offset,
                    const uint8_t* in, uint8_t* out, int n) {
  if (n <= 0) return true;
  uint8_t iv[16];
  uint64_t block = static_cast<uint64_t>(offset) / 64;
  for (int i = 0; i < 8; ++i) iv[i] = static_cast<uint8_t>(block >> (8 * i));
  std::memcpy(iv + 8, nonce.data(), nonce.size());
  int len = 0;
  if (EVP_EncryptInit_ex(ctx, nullptr, nullptr, nullptr, iv) != 1) return false;
  if (int skip = static_cast<int>(offset % 64); skip > 0) {
    uint8_t scratch[64] = {};
    if (EVP_EncryptUpdate(ctx, scratch, &len, scratch, skip) != 1) return false;
  }
  return EVP_EncryptUpdate(ctx, out, &len, in, n) == 1 && len == n;
}

// Keys of the databases this process opened encrypted. SQLite checks the other journals named
// in a super-journal by opening them as super-journals, without their URI, so the key of such a
// journal can only be recognised among the keys already seen.
std::mutex gKeysMutex;
std::vector<Key> gKnownKeys;

void rememberKey(const Key& key) {
  std::lock_guard lock(gKeysMutex);
  if (std::find(gKnownKeys.begin(), gKnownKeys.end(), key) != gKnownKeys.end()) return;
  try {
    gKnownKeys.push_back(key);
  } catch (const std::bad_alloc&) {
    // Only the recovery of a crashed multi-file commit looks keys up; it then fails safe.
  }
}

bool isJournalHead(const uint8_t head[8]) {
  static constexpr uint8_t kZeros[8] = {};
  return std::memcmp(head, kJournalMagic, 8) == 0 || std::memcmp(head, kZeros, 8) == 0;
}

// Called for a rollback journal SQLite opened as a super-journal: after rolling back a hot
// journal of a multi-file commit, SQLite reads the tail of each other journal of that commit to
// see whether it still points at the super-journal, and deletes the super-journal when none
// does. Read as ciphertext, an encrypted journal would never match, the super-journal would go,
// and that journal would later be taken as committed instead of being rolled back. So the
// journal is decrypted with whichever known key turns its head into a journal head. When none
// does, the open fails: the statement that ran the recovery fails once, and the super-journal
// stays until that database is opened with its key and rolled back.
int adoptJournalKey(CryptFile* f) {
  sqlite3_int64 size = 0;
  int rc = f->real->pMethods->xFileSize(f->real, &size);
  if (rc != SQLITE_OK || size < 16) return rc;  // too short to point at a super-journal
  uint8_t head[8];
  rc = f->real->pMethods->xRead(f->real, head, 8, 0);
  if (rc != SQLITE_OK || isJournalHead(head)) return rc;
  std::lock_guard lock(gKeysMutex);
  for (const Key& key : gKnownKeys) {
    EVP_CIPHER_CTX* ctx = newCipher(key);
    if (!ctx) return SQLITE_NOMEM;
    uint8_t plain[8];
    if (applyKeystream(ctx, kJournalNonce, 0, head, plain, 8) && isJournalHead(plain)) {
      f->cipher = ctx;
      f->nonce = &kJournalNonce;
      return SQLITE_OK;
    }
    EVP_CIPHER_CTX_free(ctx);
  }
  return SQLITE_CANTOPEN;
}

// --- sqlite3_io_methods ---------------------------------------------------------------------

int fileClose(sqlite3_file* file) {
  CryptFile* f = cryptOf(file);
  int rc = f->real->pMethods->xClose(f->real);
  EVP_CIPHER_CTX_free(f->cipher);
  f->cipher = nullptr;
  return rc;
}

int fileRead(sqlite3_file* file, void* buf, int amt, sqlite3_int64 offset) {
  CryptFile* f = cryptOf(file);
  int rc = f->real->pMethods->xRead(f->real, buf, amt, offset);
  if (!f->cipher || (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ)) return rc;
  int n = amt;
  if (rc == SQLITE_IOERR_SHORT_READ) {
    // The zero-filled tail past the end of the file means "no data" to SQLite and must stay zero.
    sqlite3_int64 size = 0;
    if (f->real->pMethods->xFileSize(f->real, &size) != SQLITE_OK) return SQLITE_IOERR_READ;
    n = size <= offset ? 0 : static_cast<int>(std::min<sqlite3_int64>(amt, size - offset));
  }
  auto* bytes = static_cast<uint8_t*>(buf);
  if (!applyKeystream(f->cipher, *f->nonce, offset, bytes, bytes, n)) return SQLITE_IOERR_READ;
  return rc;
}

int fileWrite(sqlite3_file* file, const void* buf, int amt, sqlite3_int64 offset) {
  CryptFile* f = cryptOf(file);
  if (!f->cipher || amt <= 0) return f->real->pMethods->xWrite(f->real, buf, amt, offset);
  // SQLite's buffer is often its page cache: encrypt a copy. One underlying write per call keeps
  // the write as atomic as SQLite expects it to be.
  auto* copy = static_cast<uint8_t*>(sqlite3_malloc(amt));
  if (!copy) return SQLITE_IOERR_NOMEM;
  int rc = applyKeystream(f->cipher, *f->nonce, offset, static_cast<const uint8_t*>(buf), copy, amt)
               ? f->real->pMethods->xWrite(f->real, copy, amt, offset)
               : SQLITE_IOERR_WRITE;
  sqlite3_free(copy);
  return rc;
}

int fileTruncate(sqlite3_file* file, sqlite3_int64 size) {
  return realOf(file)->pMethods->xTruncate(realOf(file), size);
}
int fileSync(sqlite3_file* file, int flags) {
  return realOf(file)->pMethods->xSync(realOf(file), flags);
}
int fileSize(sqlite3_file* file, sqlite3_int64* size) {
  return realOf(file)->pMethods->xFileSize(realOf(file), size);
}
int fileLock(sqlite3_file* file, int lock) {
  return realOf(file)->pMethods->xLock(realOf(file), lock);
}
int fileUnlock(sqlite3_file* file, int lock) {
  return realOf(file)->pMethods->xUnlock(realOf(file), lock);
}
int fileCheckReservedLock(sqlite3_file* file, int* out) {
  return realOf(file)->pMethods->xCheckReservedLock(realOf(file), out);
}
int fileControl(sqlite3_file* file, int op, void* arg) {
  return realOf(file)->pMethods->xFileControl(realOf(file), op, arg);
}
int fileSectorSize(sqlite3_file* file) {
  return realOf(file)->pMethods->xSectorSize(realOf(file));
}
int fileDeviceCharacteristics(sqlite3_file* file) {
  return realOf(file)->pMethods->xDeviceCharacteristics(realOf(file));
}
// The shared-memory wal-index holds frame and page numbers and checksums, no content.
int fileShmMap(sqlite3_file* file, int page, int pageSize, int extend, void volatile** out) {
  return realOf(file)->pMethods->xShmMap(realOf(file), page, pageSize, extend, out);
}
int fileShmLock(sqlite3_file* file, int offset, int n, int flags) {
  return realOf(file)->pMethods->xShmLock(realOf(file), offset, n, flags);
}
void fileShmBarrier(sqlite3_file* file) {
  realOf(file)->pMethods->xShmBarrier(realOf(file));
}
int fileShmUnmap(sqlite3_file* file, int deleteFlag) {
  return realOf(file)->pMethods->xShmUnmap(realOf(file), deleteFlag);
}
int fileFetch(sqlite3_file* file, sqlite3_int64 offset, int amt, void** out) {
  CryptFile* f = cryptOf(file);
  if (f->cipher) {
    // A mapping would hand SQLite ciphertext; no pointer makes it fall back to xRead.
    *out = nullptr;
    return SQLITE_OK;
  }
  return f->real->pMethods->xFetch(f->real, offset, amt, out);
}
int fileUnfetch(sqlite3_file* file, sqlite3_int64 offset, void* p) {
  CryptFile* f = cryptOf(file);
  if (f->cipher) return SQLITE_OK;  // nothing was ever mapped for it
  return f->real->pMethods->xUnfetch(f->real, offset, p);
}

constexpr sqlite3_io_methods methodsOfVersion(int version) {
  return {version,
          fileClose,
          fileRead,
          fileWrite,
          fileTruncate,
          fileSync,
          fileSize,
          fileLock,
          fileUnlock,
          fileCheckReservedLock,
          fileControl,
          fileSectorSize,
          fileDeviceCharacteristics,
          version >= 2 ? fileShmMap : nullptr,
          version >= 2 ? fileShmLock : nullptr,
          version >= 2 ? fileShmBarrier : nullptr,
          version >= 2 ? fileShmUnmap : nullptr,
          version >= 3 ? fileFetch : nullptr,
          version >= 3 ? fileUnfetch : nullptr};
}

// Indexed by the underlying file's version less one: SQLite decides on WAL and memory mapping
// from iVersion, so the shim must not claim more than the file below can do.
constexpr sqlite3_io_methods kMethods[3] = {methodsOfVersion(1), methodsOfVersion(2),
                                            methodsOfVersion(3)};

// --- sqlite3_vfs ----------------------------------------------------------------------------

const Nonce* nonceForRole(int flags) {
  if (flags & SQLITE_OPEN_MAIN_DB) return &kDbNonce;
  if (flags & SQLITE_OPEN_MAIN_JOURNAL) return &kJournalNonce;
  if (flags & SQLITE_OPEN_WAL) return &kWalNonce;
  // Super-journals hold only file names. Temporary files (statement journals, sorter and temp
  // databases) are deleted as soon as they are opened and are not tied to a key.
  return nullptr;
}

bool endsWith(const char* s, std::string_view tail) {
  size_t len = std::strlen(s);
  return len >= tail.size() && std::memcmp(s + len - tail.size(), tail.data(), tail.size()) == 0;
}

int vfsOpen(sqlite3_vfs* vfs, const char* name, sqlite3_file* file, int flags, int* outFlags) {
  sqlite3_vfs* base = baseOf(vfs);
  CryptFile* f = cryptOf(file);
  f->base.pMethods = nullptr;
  f->real = reinterpret_cast<sqlite3_file*>(reinterpret_cast<char*>(f) + kRealOffset);
  f->real->pMethods = nullptr;
  f->cipher = nullptr;
  f->nonce = nullptr;

  const Nonce* nonce = name ? nonceForRole(flags) : nullptr;
  const char* hex = nonce ? sqlite3_uri_parameter(name, kKeyParam) : nullptr;
  Key key{};
  // A key that cannot be read must not silently leave the file unencrypted.
  if (hex && !deriveKey(hex, key)) return SQLITE_CANTOPEN;

  int rc = base->xOpen(base, name, f->real, flags, outFlags);
  if (rc == SQLITE_OK && hex) {
    f->cipher = newCipher(key);
    f->nonce = nonce;
    if (!f->cipher) rc = SQLITE_NOMEM;
    if (f->cipher && (flags & SQLITE_OPEN_MAIN_DB)) rememberKey(key);
  } else if (rc == SQLITE_OK && name && (flags & SQLITE_OPEN_SUPER_JOURNAL) &&
             endsWith(name, "-journal")) {
    rc = adoptJournalKey(f);  // real super-journals are named "...-mjXXXXXXXXX"
  }
  if (rc != SQLITE_OK) {
    if (f->real->pMethods) f->real->pMethods->xClose(f->real);
    EVP_CIPHER_CTX_free(f->cipher);
    f->cipher = nullptr;
    return rc;
  }
  f->base.pMethods = &kMethods[std::clamp(f->real->pMethods->iVersion, 1, 3) - 1];
  return SQLITE_OK;
}

int vfsDelete(sqlite3_vfs* vfs, const char* name, int syncDir) {
  return baseOf(vfs)->xDelete(baseOf(vfs), name, syncDir);
}
int vfsAccess(sqlite3_vfs* vfs, const char* name, int flags, int* out) {
  return baseOf(vfs)->xAccess(baseOf(vfs), name, flags, out);
}
int vfsFullPathname(sqlite3_vfs* vfs, const char* name, int n, char* out) {
  return baseOf(vfs)->xFullPathname(baseOf(vfs), name, n, out);
}
void* vfsDlOpen(sqlite3_vfs* vfs, const char* name) {
  return baseOf(vfs)->xDlOpen(baseOf(vfs), name);
}
void vfsDlError(sqlite3_vfs* vfs, int n, char* out) {
  baseOf(vfs)->xDlError(baseOf(vfs), n, out);
}
using DlSym = void (*)(void);
DlSym vfsDlSym(sqlite3_vfs* vfs, void* handle, const char* symbol) {
  return baseOf(vfs)->xDlSym(baseOf(vfs), handle, symbol);
}
void vfsDlClose(sqlite3_vfs* vfs, void* handle) {
  baseOf(vfs)->xDlClose(baseOf(vfs), handle);
}
int vfsRandomness(sqlite3_vfs* vfs, int n, char* out) {
  return baseOf(vfs)->xRandomness(baseOf(vfs), n, out);
}
int vfsSleep(sqlite3_vfs* vfs, int micros) {
  return baseOf(vfs)->xSleep(baseOf(vfs), micros);
}
int vfsCurrentTime(sqlite3_vfs* vfs, double* out) {
  return baseOf(vfs)->xCurrentTime(baseOf(vfs), out);
}
int vfsGetLastError(sqlite3_vfs* vfs, int n, char* out) {
  return baseOf(vfs)->xGetLastError(baseOf(vfs), n, out);
}
int vfsCurrentTimeInt64(sqlite3_vfs* vfs, sqlite3_int64* out) {
  return baseOf(vfs)->xCurrentTimeInt64(baseOf(vfs), out);
}
int vfsSetSystemCall(sqlite3_vfs* vfs, const char* name, sqlite3_syscall_ptr call) {
  return baseOf(vfs)->xSetSystemCall(baseOf(vfs), name, call);
}
sqlite3_syscall_ptr vfsGetSystemCall(sqlite3_vfs* vfs, const char* name) {
  return baseOf(vfs)->xGetSystemCall(baseOf(vfs), name);
}
const char* vfsNextSystemCall(sqlite3_vfs* vfs, const char* name) {
  return baseOf(vfs)->xNextSystemCall(baseOf(vfs), name);
}

bool registerVfs() {
  sqlite3_vfs* base = sqlite3_vfs_find(nullptr);
  if (!base) return false;
  static sqlite3_vfs vfs{};
  vfs.iVersion = std::min(base->iVersion, 3);
  vfs.szOsFile = static_cast<int>(kRealOffset) + base->szOsFile;
  vfs.mxPathname = base->mxPathname;
  vfs.zName = kVfsName;
  vfs.pAppData = base;
  vfs.xOpen = vfsOpen;
  vfs.xDelete = vfsDelete;
  vfs.xAccess = vfsAccess;
  vfs.xFullPathname = vfsFullPathname;
  vfs.xDlOpen = vfsDlOpen;
  vfs.xDlError = vfsDlError;
  vfs.xDlSym = vfsDlSym;
  vfs.xDlClose = vfsDlClose;
  vfs.xRandomness = vfsRandomness;
  vfs.xSleep = vfsSleep;
  vfs.xCurrentTime = vfsCurrentTime;
  vfs.xGetLastError = vfsGetLastError;
  if (vfs.iVersion >= 2) vfs.xCurrentTimeInt64 = vfsCurrentTimeInt64;
  if (vfs.iVersion >= 3) {
    vfs.xSetSystemCall = vfsSetSystemCall;
    vfs.xGetSystemCall = vfsGetSystemCall;
    vfs.xNextSystemCall = vfsNextSystemCall;
  }
  return sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
}

}  // namespace

const char* vfsName() {
  [[maybe_unused]] static const bool registered = registerVfs();
  return kVfsName;
}

std::string uriFor(const std::string& absolutePath, std::string_view password) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  // An empty authority ("file://" + "/...") keeps a path starting with "//" from being read as
  // a host name.
  std::string uri = "file://";
  for (unsigned char c : absolutePath) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 std::string_view("/._~-").find(static_cast<char>(c)) != std::string_view::npos;
    if (plain) {
      uri += static_cast<char>(c);
    } else {
      uri += '%';
      uri += kHexDigits[c >> 4];
      uri += kHexDigits[c & 15];
    }
  }
  uri += '?';
  uri += kKeyParam;
  uri += '=';
  for (unsigned char c : password) {
    uri += kHexDigits[c >> 4];
    uri += kHexDigits[c & 15];
  }
  return uri;
}

}  // namespace qv::crypt
