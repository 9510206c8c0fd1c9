// SemaFore: the library's dispatcher, which starts a procedure or window by code number.
#pragma once

#include <functional>
#include <map>

namespace qv {

class Session;

// Codes fixed across the system.
inline constexpr int kSemaTaskLog = 202;         // open the task log window
inline constexpr int kSemaTaskDueCheck = 206;    // register the task runner's 15-second check
inline constexpr int kSemaTaskImportStep = 208;  // next import step of a task run
inline constexpr int kSemaTransactionCheck = 212;
inline constexpr int kSemaRecountPersons = 213;
inline constexpr int kSemaIdentifierCheck = 215;

// The procedures behind the codes. Subsystems register theirs as they come into being; a
// code nobody registered starts nothing.
class SemaForeTable {
 public:
  using Procedure = std::function<void(Session&)>;
  void add(int code, Procedure p) { procedures_[code] = std::move(p); }
  bool has(int code) const { return procedures_.count(code) != 0; }
  const Procedure* find(int code) const {
    auto it = procedures_.find(code);
    return it == procedures_.end() ? nullptr : &it->second;
  }

 private:
  std::map<int, Procedure> procedures_;
};

// Starts the procedure of `code`. Returns 1 when one was started, 0 for a code without one.
int SemaFore(const SemaForeTable& table, Session& s, int code);

}  // namespace qv
