// The fixed message texts and titles of the import pipeline.
#pragma once

namespace qv::texts {

// Persons and addresses.
inline constexpr const char* kNoNewPersonId =
    "A new person ID could not be generated \r\nThe last transaction is rolled back.";

}  // namespace qv::texts
