// Program events between windows.
#include "app/events.h"

namespace qv {

void EventQueue::setHandler(std::string_view window, Handler handler) {
  handlers_[std::string(window)] = std::move(handler);
}

void EventQueue::removeHandler(std::string_view window) {
  auto it = handlers_.find(window);
  if (it != handlers_.end()) handlers_.erase(it);
}

bool EventQueue::hasHandler(std::string_view window) const {
  return handlers_.find(window) != handlers_.end();
}

void EventQueue::post(std::string_view window, int code, int64_t param) {
  queue_.push_back({std::string(window), code, param});
  if (onPosted) onPosted();
}

bool EventQueue::deliverOne() {
  if (queue_.empty()) return false;
  Event e = std::move(queue_.front());
  queue_.pop_front();
  auto it = handlers_.find(e.window);
  if (it != handlers_.end()) {
    Handler h = it->second;  // the handler may replace itself
    h(e.code, e.param);
  }
  return true;
}

int EventQueue::deliverAll(int limit) {
  int n = 0;
  while (n < limit && deliverOne()) ++n;
  return n;
}

}  // namespace qv
