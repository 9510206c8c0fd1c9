// Mask matching and listings of regular files.
#include "storage/dos_files.h"

#include <algorithm>
#include <filesystem>

#include "storage/text.h"

namespace qv {
namespace {

bool match(std::string_view n, std::string_view m) {
  size_t ni = 0, mi = 0, starM = std::string_view::npos, starN = 0;
  while (ni < n.size()) {
    if (mi < m.size() && (m[mi] == '?' || upper1252(static_cast<uint8_t>(m[mi])) ==
                                              upper1252(static_cast<uint8_t>(n[ni])))) {
      ++ni, ++mi;
    } else if (mi < m.size() && m[mi] == '*') {
      starM = mi++;
      starN = ni;
    } else if (starM != std::string_view::npos) {
      mi = starM + 1;
      ni = ++starN;
    } else {
      return false;
    }
  }
  while (mi < m.size() && m[mi] == '*') ++mi;
  return mi == m.size();
}

}  // namespace

bool matchMask(std::string_view name, std::string_view mask) {
  // A mask ending in "." asks for names without an extension.
  if (!mask.empty() && mask.back() == '.') {
    if (name.find('.') != std::string_view::npos) return false;
    return match(name, mask.substr(0, mask.size() - 1));
  }
  return match(name, mask);
}

std::vector<std::string> listMatching(const std::string& dir, std::string_view mask) {
  std::vector<std::string> out;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(dir, ec);
       !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    std::string name = it->path().filename().string();
    if (matchMask(name, mask)) out.push_back(name);
  }
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace qv
