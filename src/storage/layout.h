// Descriptions of record layouts and keys: the data dictionary the store works from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// Field types of a fixed-length record. Numbers are stored little-endian in the record
// bytes; strings are fixed width, blank padded, code page 1252, without a terminator.
enum class FieldType : uint8_t {
  kByte = 1,    // unsigned 8-bit
  kUShort = 2,  // unsigned 16-bit
  kLong = 3,    // signed 32-bit (dates and times too)
  kULong = 4,   // unsigned 32-bit
  kString = 5,  // STRING(n)
  kGroup = 6,   // a named span of bytes made of the fields that follow it (not a key component)
};

// One field of a record. `dim` > 1 makes a fixed array of `dim` elements of `size` bytes each;
// `size` is the width of one element. Groups span `size` bytes and overlay the fields inside.
struct FieldDef {
  const char* name;  // exactly as the system spells it, "MSG:MSGNUMBER"
  FieldType type;
  uint32_t offset;
  uint32_t size;
  uint32_t dim = 1;
};

// One component of a key: a field index into FileDef::fields, ascending or descending.
struct KeyComp {
  uint16_t field;
  bool descending = false;
};

struct KeyDef {
  const char* name;  // "MSG:IdKey"
  std::vector<KeyComp> comps;
  bool unique = false;
  bool primary = false;
  bool nocase = false;
  bool opt = false;    // records whose key fields are all blank or zero stay out of the key
  bool index = false;  // built on demand (the store keeps it current anyway)
};

// Where a file lives; the file catalogue turns this into a path.
enum class Place : uint8_t {
  kSystem = 1,     // archive root/CFG
  kTemporary = 2,  // temporary directory
  kDatabase = 3,   // database top directory/F<n>
  kWordIndex = 4,  // word index top directory/F<n>
  kOutside = 5,    // a full name the caller sets
};

enum class FileKind : uint8_t {
  kKeyed = 1,    // IDXnnn.TPS
  kFlat = 2,     // IDXnnn.DAT, flat records with keys
  kByte = 3,     // raw byte blocks of another program's file
  kFoxPro = 4,   // a FoxPro table of another program
  kDBase3 = 5,   // a dBase III table written by export
};

// One archive, work or exchange file of the catalogue.
struct FileDef {
  int number;               // 1-47
  const char* name;         // "MsgNmbr", "BAT"
  const char* prefix;       // "MSG", "BAT"
  uint32_t recordSize;      // sum of the top-level field widths
  FileKind kind;
  Place place;
  char password;            // 0 none, 'A' or 'B'
  uint32_t maxText;         // 0 when the file has no text part, else its largest length
  std::vector<FieldDef> fields;
  std::vector<KeyDef> keys;

  // Index of the field named `name` (with or without the prefix), or -1.
  int fieldIndex(std::string_view name) const;
  // Index of the key named `name` (case-insensitive, with or without the prefix), or -1.
  int keyIndex(std::string_view name) const;
  // A text that changes whenever a field or key of the layout changes.
  std::string signature() const;
};

}  // namespace qv
