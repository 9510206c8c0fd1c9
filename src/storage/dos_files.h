// Directory listings by file mask, as the archive's rules match names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Whether file name `name` matches `mask` ("*.TPS", "IDX0??.DAT", "*." for names without an
// extension), without regard to letter case.
bool matchMask(std::string_view name, std::string_view mask);

// The regular files of `dir` whose names match `mask`, sorted by name; hidden files too.
std::vector<std::string> listMatching(const std::string& dir, std::string_view mask);

}  // namespace qv
