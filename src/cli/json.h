// Small JSON writing helpers for the command-line tool's output.
#pragma once

#include <string>
#include <string_view>

#include "storage/layout.h"

namespace qv::cli {

// `s` (UTF-8) as a JSON string literal.
std::string jsonString(std::string_view s);

// The record bytes `rec` as one JSON object: field names as the system spells them, strings
// trimmed and converted from code page 1252, numbers as numbers, arrays as arrays. Groups are
// shown through the fields inside them.
std::string recordJson(const FileDef& def, const uint8_t* rec);

}  // namespace qv::cli
