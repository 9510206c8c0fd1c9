// The file access layer: opening by number with use counts and repairs, and the fixed
// messages around record writes, holds, form saves, list errors and directory checks.
#include "storage/file_access.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "storage/catalogue.h"
#include "storage/dos_files.h"
#include "storage/records.h"
#include "storage/storage_texts.h"
#include "storage/text.h"

namespace fs = std::filesystem;

namespace qv {
namespace {

namespace t = texts;

// Each pass of the open loop repairs one thing (creates, rebuilds or replaces the file); a file
// that still fails after this many passes is changing under our feet, and that is a failure.
constexpr int kMaxOpenPasses = 8;

// Seconds a record hold waits for another holder.
constexpr int kHoldSeconds = 1;

constexpr int32_t kHundredthsPerDay = 8'640'000;

std::string centred(std::string_view text, int width) {
  int pad = width - static_cast<int>(text.size());
  if (pad <= 0) return std::string(text);
  return std::string(static_cast<size_t>(pad / 2), ' ') + std::string(text) +
         std::string(static_cast<size_t>(pad - pad / 2), ' ');
}

[[noreturn]] void stop(Session& s, const std::string& text, const std::string& title) {
  s.runtime().fatalStop(text, title);
  // The compiler does not carry [[noreturn]] through a virtual call.
  std::abort();
}

// A file of another record layout below this size (bytes) is an empty file of an older
// layout of the same file, which can be thrown away and made anew; -1 when the file has no
// such older layout. The search results (32) are only ever a work file and always go.
int64_t olderLayoutLimit(int number) {
  switch (number) {
    case kCodes:
    case kBAT:
      return 1030;
    case kSIndex:
    case kIMP:
    case kFLI:
    case kTIM:
      return 770;
    case kREF:
    case kTAS:
      return 1290;
    case kPUR:
      return 140;
    case kSearch:
      return INT64_MAX;
    default:
      return -1;
  }
}

// The path of file `number` into the current file name; an outside file without a name ends
// the program.
std::string buildPath(Session& s, int number) {
  std::string path = filePath(s, number);
  if (path.empty()) {
    stop(s,
         std::string(t::kTheFile) + fileDef(number)->name + t::kCannotBeOpenedDot +
             t::kNotValidNameOrPath + t::kQuorvaneWillTerminate,
         t::kInvalidFileNameTitle);
  }
  ensureWordIndexDirectory(s, number);
  s.currentFileName = path;
  return path;
}

// Opens file `number` until it is open, repairing what can be repaired; ends the program on
// what cannot.
void openWithRepairs(Session& s, int number, Share share) {
  StoreFile& f = *s.file(number);
  const std::string path = buildPath(s, number);
  if (!f.isOpen()) f.setPath(path);
  // The raw input and the table of another program's forum reader are only ever read.
  const Access access = number == kHRE || number == kDOS ? Access::kReadOnly : Access::kReadWrite;
  const std::string name = path;
  for (int pass = 0;; ++pass) {
    int code = f.open(access, share);
    if (code == kStoreOk || code == kAlreadyOpen) return;
    if (pass == kMaxOpenPasses) code = kStoreFailure;
    switch (code) {
      case kNoFile:
        if (f.create() != kStoreOk)
          stop(s,
               std::string(t::kTheFile) + name + t::kIsMissing + t::kCannotBeCreated +
                   t::kAndWillTerminate,
               t::kFileOpenErrorTitle);
        continue;
      case kNoPath: {
        size_t slash = name.rfind('/');
        std::string dir = slash == std::string::npos ? name : name.substr(0, slash);
        s.message(std::string(t::kThePath) + dir + t::kPathDoesNotExist, t::kPathNotFoundTitle);
        stop(s, t::kCheckDirectorySetup, t::kPathNotFoundTitle);
      }
      case kBadLayout: {
        std::error_code ec;
        auto size = fs::file_size(path, ec);
        if (!ec && static_cast<int64_t>(size) < olderLayoutLimit(number)) {
          f.close();
          // When it cannot be deleted (another program has it open) it cannot be replaced
          // either, and the layout stays wrong.
          if (s.store().remove(path) == kStoreOk) continue;
        }
        stop(s,
             std::string(t::kTheFile) + name + t::kCannotBeOpenedNoDot + t::kDefinitionIncorrect +
                 t::kQuorvaneWillTerminate,
             t::kInvalidDeclarationTitle);
      }
      case kAccessDenied:
        s.message(
            std::string(t::kTheFile) + name + t::kCannotBeOpenedBang + t::kQuorvaneWillTerminate,
            t::kAccessDeniedTitle);
        stop(s, t::kCheckAccessRights, t::kAccessDeniedTitle);
      case kBadKeys:
        s.message(std::string(t::kTheFile) + name + t::kCannotBeOpenedNoDot + t::kCorruptedIndices +
                      t::kAutomaticRebuild,
                  t::kBadKeysTitle);
        if (f.buildKeys() != kStoreOk) {
          f.close();
          stop(s, std::string(t::kTheFile) + name + t::kCannotBeRebuilt + t::kQuorvaneWillTerminate,
               t::kRebuildErrorTitle);
        }
        f.close();
        continue;
      case kInvalidName:
        stop(s,
             std::string(t::kTheFile) + name + t::kCannotBeOpenedDot + t::kNotValidName +
                 t::kQuorvaneWillTerminate,
             t::kInvalidFileNameTitle);
      default:
        stop(s,
             std::string(t::kTheFile) + name + t::kCannotBeOpenedDot + t::kErrorNo +
                 std::to_string(code) + t::kLineBreak + f.errorText() + t::kLineBreak +
                 t::kQuorvaneWillTerminate,
             t::kFileOpenErrorTitle);
    }
  }
}

void closeFile(Session& s, int number) {
  s.file(number)->close();
  s.useCount[static_cast<size_t>(number)] = 0;
}

void applyRequest(Session& s, int request, int number) {
  StoreFile& f = *s.file(number);
  int32_t& count = s.useCount[static_cast<size_t>(number)];
  switch (request) {
    case kOpClose:
      if (--count <= 0) closeFile(s, number);
      break;
    case kOpOpenShared:
    case kOpOpenExclusive:
      if (count <= 0 || !f.isOpen()) {
        count = 0;
        openWithRepairs(s, number, request == kOpOpenShared ? Share::kDenyNone : Share::kDenyAll);
        // Filter expressions name the fields of every file opened once.
        s.fieldsRegistered[static_cast<size_t>(number)] = true;
      }
      ++count;
      break;
    case kOpEmpty: {
      openWithRepairs(s, number, Share::kDenyAll);
      int code = f.empty();
      if (code != kStoreOk) {
        closeFile(s, number);
        stop(s,
             std::string(t::kTheFile) + s.currentFileName + t::kCannotBeEmptied +
                 t::kExclusiveNotGranted + std::to_string(code) + t::kLineBreak +
                 t::kQuorvaneWillTerminate,
             t::kEmptyErrorTitle);
      }
      closeFile(s, number);
      break;
    }
    case kOpForceClose:
      closeFile(s, number);
      break;
    case kOpPack:
      openWithRepairs(s, number, Share::kDenyAll);
      f.pack();
      closeFile(s, number);
      break;
    case kOpRemove: {
      closeFile(s, number);
      std::string path = buildPath(s, number);
      std::error_code ec;
      if (fs::exists(path, ec)) s.store().remove(path);
      break;
    }
    case kOpTestOpen: {
      closeFile(s, number);
      std::string path = buildPath(s, number);
      f.setPath(path);
      if (f.open(Access::kReadWrite, Share::kDenyAll) == kBadLayout) s.testFlag = 1;
      closeFile(s, number);
      break;
    }
    default:
      break;
  }
}

}  // namespace

void OP_CLOSE(Session& s, int request, std::initializer_list<int> files) {
  if (request < kOpClose || request > kOpTestOpen) return;
  for (int number : files) {
    if (number == 0) continue;
    if (!fileDef(number) || number < 0 || number >= static_cast<int>(s.useCount.size())) {
      stop(s,
           centred(t::kFileNo + std::to_string(number) + t::kNotDefined, t::kCentreWidth) +
               t::kLineBreak + centred(t::kWillTerminateBang, t::kCentreWidth),
           t::kProgramFailureTitle);
    }
    applyRequest(s, request, number);
  }
}

bool UppDat(Session& s, int file, int operation, int mode) {
  StoreFile* f = s.file(file);
  if (!f) return false;
  int code;
  const char* line1;
  switch (operation) {
    case kUppAdd:
      code = f->add();
      line1 = t::kRecordAddError;
      break;
    case kUppAppend:
      code = f->append();
      line1 = t::kRecordAddError;
      break;
    case kUppUpdate:
      code = f->put();
      line1 = t::kRecordUpdateError;
      break;
    case kUppDelete:
      code = f->erase();
      line1 = t::kRecordDeleteError;
      break;
    default:
      return false;
  }
  if (code == kStoreOk) return true;
  std::string line2 = code == kNoRecord || code == kRecordNotFound || code == kAccessDenied
                          ? std::string(t::kRecordNotAvailable)
                      : code == kDuplicateKey ? std::string(t::kIdenticalKey)
                                              : f->errorText();
  std::string text = std::string(line1) + t::kLineBreak + line2;
  if (mode == kReport) {
    if (operation == kUppUpdate || operation == kUppDelete) f->release();
    s.message(text, f->path());
  } else if (mode == kRollBackAndReport) {
    if (s.store().inTransaction()) s.store().rollback();
    s.message(text + t::kLineBreak + t::kRolledBack, f->path());
  }
  return false;
}

bool HoldRec(Session& s, int file, int key, bool byKey, const std::string& position) {
  StoreFile* f = s.file(file);
  if (!f) return false;
  int code = byKey ? f->get(key) : f->reget(position);
  if (code == kStoreOk) code = f->hold(kHoldSeconds);
  if (code == kStoreOk) return true;
  if (code == kRecordNotFound)
    s.message(t::kDeletedByAnother, f->path());
  else if (code == kHeld)
    s.message(t::kLockedByAnother, t::kNotAccessibleTitle);
  else
    s.message(t::kCannotBeRead, t::kNotAccessibleTitle);
  return false;
}

SaveRec::SaveRec(Session& s, int file, int request, std::string position)
    : s_(s), file_(file), request_(request), position_(std::move(position)) {}

std::string SaveRec::formOpens() {
  StoreFile& f = *s_.file(file_);
  snapshot.assign(f.buffer(), f.buffer() + f.def().recordSize);
  saveList[0] = snapshot;
  saveList[1] = snapshot;
  return request_ == 1 ? std::string() : position_;
}

std::string SaveRec::userConfirms() {
  StoreFile& f = *s_.file(file_);
  const size_t size = f.def().recordSize;
  saveList[1].assign(f.buffer(), f.buffer() + size);
  snapshot = saveList[0];
  // A new record has no stored version that another user could have changed.
  if (request_ != 2 && request_ != 3) return t::kSaveOk;
  if (!HoldRec(s_, file_, 0, false, position_)) return {};
  if (std::memcmp(f.buffer(), snapshot.data(), size) != 0) {
    s_.message(t::kChangedByAnother, t::kWarningTitle);
    snapshot.assign(f.buffer(), f.buffer() + size);
    saveList[0] = snapshot;
    saveList[1] = snapshot;
    f.release();
    return {};
  }
  if (request_ == 2) {
    std::memcpy(f.buffer(), saveList[1].data(), size);
    return UppDat(s_, file_, kUppUpdate, kReport) ? t::kSaveOk : std::string();
  }
  return UppDat(s_, file_, kUppDelete, kReport) ? t::kSaveOk : std::string();
}

bool QError(Session& s, int mode, int code, std::string_view errorText) {
  constexpr int kEntryNotFound = 30;
  constexpr int kNoMemory = 8;
  constexpr int kBadFieldType = 75;
  if (code == 0 || code == kEntryNotFound) return false;
  std::string line2;
  const char* title;
  if (code == kNoMemory || code == kBadFieldType) {
    line2 = code == kNoMemory ? t::kInsufficientMemory : t::kInvalidFieldType;
    title = t::kFatalErrorBangTitle;
  } else {
    line2 = errorText.empty() ? storeCodeText(code) : std::string(errorText);
    title = t::kWarningTitle;
  }
  std::string text = std::string(t::kQueueAccessError) + t::kLineBreak + line2;
  if (mode == kReport) {
    s.message(text, title);
  } else if (mode == kRollBackAndReport) {
    if (s.store().inTransaction()) s.store().rollback();
    s.message(text + t::kLineBreak + t::kRolledBack, t::kFatalErrorTitle);
  }
  return true;
}

bool TransCheck(Session& s, int code) {
  if (code == kStoreOk) return false;
  s.message(std::string(t::kTransactionFrameError) + s.store().errorText(), t::kWarningTitle);
  if (s.store().inTransaction()) s.store().rollback();
  return true;
}

bool ExistPath(Session& s, int mode, int file, bool quiet, const std::string& extra,
               const std::string& path) {
  std::string dir;
  if (mode == 1 || mode == 3) {
    if (path.empty() || path.front() != '/') return false;
    dir = std::string(trimRight(path));
  } else if (mode == 2 || mode == 4) {
    std::string p = fileDef(file) ? filePath(s, file) : std::string();
    size_t slash = p.rfind('/');
    if (slash == std::string::npos) return false;
    dir = slash == 0 ? "/" : p.substr(0, slash);
  } else {
    return false;
  }
  // Changing into the directory is how the test is put, but the current directory belongs to
  // every thread of the program: asking whether one could change into it answers the same.
  std::error_code ec;
  if (fs::is_directory(dir, ec) && ::access(dir.c_str(), X_OK) == 0) return true;
  if (!quiet && !s.unattended()) {
    s.runtime().beep();
    s.message(std::string(t::kTheSpecifiedPath) + dir + t::kDoesNotExist + extra,
              t::kPathNotFoundSpacedTitle);
  }
  if (mode == 1 || mode == 2) return false;
  if (fs::create_directory(dir, ec) || fs::is_directory(dir, ec)) return true;
  if (!s.unattended()) s.runtime().beep();
  s.message(std::string(t::kTheSpecifiedDirectory) + dir + t::kCouldNotBeCreated,
            t::kDirectoryCreationTitle);
  stop(s, t::kProbableAccessViolation, t::kDirectoryCreationTitle);
}

bool DOSFunc(Session& s, int operation, const std::string& dir, const std::string& name) {
  switch (operation) {
    case 3: {
      std::string path =
          !name.empty() && name.front() == '/' ? name : (fs::path(dir) / name).string();
      int code = s.store().remove(path);
      if (code == kStoreOk || code == kNoFile || code == kNoPath) return true;
      if (code == kAlreadyOpen)
        s.message(std::string(t::kTheFile) + path + t::kIsOpenCannotRemove, t::kDeletionTitle);
      else
        s.message(std::string(t::kNoAccessRights) + path + t::kCannotBeRemoved, t::kDeletionTitle);
      return false;
    }
    case 4:
      return removeMatching(s, dir, name);
    case 5:
      return !listMatching(dir, name).empty();
    default:
      return false;
  }
}

int64_t GetFSize(const std::string& pattern) {
  size_t slash = pattern.rfind('/');
  std::string dir =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : pattern.substr(0, slash));
  std::string mask = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
  int64_t total = 0;
  for (const std::string& name : listMatching(dir, mask)) {
    std::error_code ec;
    auto size = fs::file_size(fs::path(dir) / name, ec);
    if (!ec) total += static_cast<int64_t>(size);
  }
  return total;
}

int32_t StartStop(Session& s, int operation, int slot) {
  if (operation == 0) {
    s.stopwatch.fill({});
    return 0;
  }
  if (slot < 1 || slot > static_cast<int>(s.stopwatch.size())) return 0;
  Session::StopwatchSlot& w = s.stopwatch[static_cast<size_t>(slot - 1)];
  if (operation == 1) {
    w.startDate = s.today();
    w.startTime = s.clockTime();
    return 0;
  }
  if (operation != 2) return 0;
  w.stopDate = s.today();
  w.stopTime = s.clockTime();
  int64_t hundredths = static_cast<int64_t>(w.stopDate - w.startDate) * kHundredthsPerDay +
                       (w.stopTime - w.startTime);
  return static_cast<int32_t>(hundredths / 100);
}

}  // namespace qv
