// The runtime of the command-line tool and the tests: scripted answers, recorded messages.
#pragma once

#include <deque>
#include <map>
#include <ostream>
#include <string>

#include "app/runtime.h"

namespace qv {

class HeadlessRuntime : public Runtime {
 public:
  struct Shown {
    std::string text, title;
    Icon icon;
    int buttons;
  };

  // Messages go to `log` when given (the command-line tool's stderr), and are recorded.
  explicit HeadlessRuntime(std::ostream* log = nullptr) : log_(log) {}

  // The answers of the next dialogs, in order; a dialog without a scripted answer takes its
  // default button.
  void answer(int button) { answers_.push_back(button); }
  // When set, a fatal stop throws FatalStop (tests); otherwise it ends the process.
  void setThrowOnStop(bool on) { throwOnStop_ = on; }

  const std::vector<Shown>& shown() const { return shown_; }
  void clearShown() { shown_.clear(); }
  int beeps() const { return beeps_; }

  int message(std::string_view text, std::string_view title, Icon icon, int buttons,
              int defaultButton) override;
  void beep() override { ++beeps_; }
  void registerWindow(std::string_view name, std::string_view group) override;
  void unregisterWindow(std::string_view name) override;
  bool windowOpen(std::string_view name) const override;
  std::vector<std::string> windowsInGroup(std::string_view group) const override;
  [[noreturn]] void fatalStop(std::string_view text, std::string_view title) override;

 private:
  std::ostream* log_;
  std::deque<int> answers_;
  std::vector<Shown> shown_;
  std::map<std::string, std::string, std::less<>> windows_;  // name -> group
  bool throwOnStop_ = false;
  int beeps_ = 0;
};

}  // namespace qv
