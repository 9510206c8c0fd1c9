// The per-message list of text lines that Internet-format readers fill and the decoders read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// The widest entry of the line list; longer source lines are cut into several entries.
inline constexpr size_t kLineWidth = 400;

// A line whose text begins with this is left out of the stored message text.
inline constexpr std::string_view kRemoveMarker = "!!!Remove this!!!";

// True when `line` is (or begins with) the removal marker.
bool isRemovalMarker(std::string_view line);

// True when `line` holds nothing but blanks (the empty line that ends a header block).
bool isBlankLine(std::string_view line);

// One entry of the line list. SPLITLINE = 1 means that no line break follows the entry: the
// next entry continues the same source line.
struct TQ {
  std::string LINE;  // at most kLineWidth characters
  uint8_t SPLITLINE = 0;

  uint32_t LEN() const { return static_cast<uint32_t>(LINE.size()); }
};

// Lines are numbered from 1, as the header and body operations count them.
class LineList {
 public:
  void clear() { entries_.clear(); }

  // Adds one source line (without its line end). A line longer than kLineWidth becomes several
  // entries, all but the last marked as split; an empty line stays one empty entry.
  void addLine(std::string_view text);

  // Adds one entry as it is; `text` longer than kLineWidth is cut.
  void addEntry(std::string_view text, bool split);

  // Fills the list from a whole message text whose lines end in CR LF or LF.
  void addText(std::string_view text);

  size_t size() const { return entries_.size(); }
  bool empty() const { return entries_.empty(); }

  // `index` runs from 1 to size().
  const std::string& line(size_t index) const { return entries_[index - 1].LINE; }
  bool isSplit(size_t index) const { return entries_[index - 1].SPLITLINE == 1; }
  TQ& entry(size_t index) { return entries_[index - 1]; }
  const TQ& entry(size_t index) const { return entries_[index - 1]; }

  // Overwrites the line with the removal marker, so that it is left out of the stored text.
  void markRemoved(size_t index);
  bool isRemoved(size_t index) const { return isRemovalMarker(line(index)); }

  // Keeps the first `count` entries (a reader dropping the body lines kept so far).
  void truncate(size_t count) {
    if (count < entries_.size()) entries_.resize(count);
  }

 private:
  std::vector<TQ> entries_;
};

}  // namespace qv
