// Headless runtime: dialogs answered from a script, windows only registered, stops recorded.
#include "app/headless_runtime.h"

#include <cstdlib>

namespace qv {

std::string finalStopMessage() {
  return std::string("Quorvane has stopped to protect your archive.\r\n") +
         "If this happens again, please write to " + kSupportAddress + ".";
}

int HeadlessRuntime::message(std::string_view text, std::string_view title, Icon icon, int buttons,
                             int defaultButton) {
  shown_.push_back({std::string(text), std::string(title), icon, buttons});
  if (log_) *log_ << title << ": " << text << "\n";
  if (answers_.empty()) return defaultButton;
  int a = answers_.front();
  answers_.pop_front();
  return a;
}

void HeadlessRuntime::registerWindow(std::string_view name, std::string_view group) {
  windows_[std::string(name)] = std::string(group);
}

void HeadlessRuntime::unregisterWindow(std::string_view name) {
  auto it = windows_.find(name);
  if (it != windows_.end()) windows_.erase(it);
}

bool HeadlessRuntime::windowOpen(std::string_view name) const {
  return windows_.find(name) != windows_.end();
}

std::vector<std::string> HeadlessRuntime::windowsInGroup(std::string_view group) const {
  std::vector<std::string> out;
  for (const auto& [name, g] : windows_)
    if (g == group) out.push_back(name);
  return out;
}

void HeadlessRuntime::fatalStop(std::string_view text, std::string_view title) {
  shown_.push_back({std::string(text), std::string(title), Icon::kHand, kButtonOk});
  shown_.push_back({finalStopMessage(), "Quorvane", Icon::kHand, kButtonOk});
  if (log_) *log_ << title << ": " << text << "\n" << finalStopMessage() << "\n";
  if (throwOnStop_) throw FatalStop{std::string(text), std::string(title)};
  std::exit(3);
}

}  // namespace qv
