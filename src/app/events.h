// Program events between windows: numbered events queued to a window by its registry name.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace qv {

// Events every window understands.
inline constexpr int kEventCloseRequest = 1280;
inline constexpr int kEventRestore = 1281;

// Events arrive one at a time, after those already queued, never inside the call that posts
// them. The GUI delivers them from its event loop (`onPosted` asks it to); the command-line tool
// and tests call deliverAll().
class EventQueue {
 public:
  using Handler = std::function<void(int code, int64_t param)>;

  void setHandler(std::string_view window, Handler handler);
  void removeHandler(std::string_view window);
  bool hasHandler(std::string_view window) const;

  // Queues `code` for `window`; an event for a window without a handler is dropped on
  // delivery.
  void post(std::string_view window, int code, int64_t param = 0);
  // Delivers the first queued event. False when none was queued.
  bool deliverOne();
  // Delivers until the queue is empty, at most `limit` events (a window that reposts itself
  // forever must not hang a test). Returns the number delivered.
  int deliverAll(int limit = 10000);
  size_t pending() const { return queue_.size(); }

  std::function<void()> onPosted;

 private:
  struct Event {
    std::string window;
    int code;
    int64_t param;
  };
  std::deque<Event> queue_;
  std::map<std::string, Handler, std::less<>> handlers_;
};

}  // namespace qv
