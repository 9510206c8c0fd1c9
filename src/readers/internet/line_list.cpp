// The per-message line list: cutting source lines into entries and marking removed lines.
#include "readers/internet/line_list.h"

namespace qv {

bool isRemovalMarker(std::string_view line) {
  return line.starts_with(kRemoveMarker);
}

bool isBlankLine(std::string_view line) {
  return line.find_first_not_of(' ') == std::string_view::npos;
}

void LineList::addEntry(std::string_view text, bool split) {
  TQ entry;
  entry.LINE.assign(text.substr(0, kLineWidth));
  entry.SPLITLINE = split ? 1 : 0;
  entries_.push_back(std::move(entry));
}

void LineList::addLine(std::string_view text) {
  while (text.size() > kLineWidth) {
    addEntry(text.substr(0, kLineWidth), true);
    text.remove_prefix(kLineWidth);
  }
  addEntry(text, false);
}

void LineList::addText(std::string_view text) {
  while (!text.empty()) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    addLine(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
}

void LineList::markRemoved(size_t index) {
  entries_[index - 1].LINE.assign(kRemoveMarker);
}

}  // namespace qv
