// The session object: directories, current database, files and the injected world.
#include "storage/session.h"

#include <chrono>
#include <ctime>
#include <filesystem>

#include "storage/dates.h"
#include "storage/records.h"

namespace qv {

Session::Session(std::string root, Runtime& runtime) : runtime_(runtime) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(root, ec).lexically_normal();
  archiveRoot = p.string();
  if (archiveRoot.size() > 1 && archiveRoot.back() == '/') archiveRoot.pop_back();
  tempDir = archiveRoot == "/" ? "/TEMP" : archiveRoot + "/TEMP";
  dbTopDir = archiveRoot;
  wordIndexTopDir = archiveRoot;
  store_ = std::make_unique<Store>((archiveRoot == "/" ? "" : archiveRoot) + "/CFG/QVLOCK.LCK");
  today = [] {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return dateFromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  };
  clockTime = [] {
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                  std::chrono::system_clock::now().time_since_epoch())
                  .count() %
              1000;
    return static_cast<int32_t>((tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) * 100 + ms / 10 +
                                1);
  };
}

Session::~Session() {
  // Files close before the store that holds their connections.
  files_.clear();
}

StoreFile* Session::file(int number) {
  auto it = files_.find(number);
  if (it != files_.end()) return it->second.get();
  const FileDef* def = fileDef(number);
  if (!def) return nullptr;
  auto f = std::make_unique<StoreFile>(*store_, *def);
  if (def->password == 'A') f->setPassword(kPasswordA);
  if (def->password == 'B') f->setPassword(kPasswordB);
  return files_.emplace(number, std::move(f)).first->second.get();
}

void Session::closeAllFiles() {
  if (store_->inTransaction()) store_->rollback();
  for (auto& [n, f] : files_) f->close();
  useCount.fill(0);
}

int Session::message(std::string_view text, std::string_view title, Icon icon, int buttons,
                     int defaultButton) {
  if (unattended()) {
    taskLogLines_.push_back(std::string(title) + ": " + std::string(text));
    return defaultButton;
  }
  return runtime_.message(text, title, icon, buttons, defaultButton);
}

}  // namespace qv
