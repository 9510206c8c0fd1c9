// Day numbers and times of day as the archive stores them.
#pragma once

#include <cstdint>

namespace qv {

// A date is a day number: day 4 is 1 January 1801, each day after it one more; 0 is no date.
int32_t dateFromYmd(int year, int month, int day);
// The calendar date of day number `date` (which must be positive).
void ymdFromDate(int32_t date, int& year, int& month, int& day);

// A time is hundredths of a second since midnight plus one; 0 is no time.
inline int32_t timeFromHms(int h, int m, int s, int hundredths = 0) {
  return ((h * 60 + m) * 60 + s) * 100 + hundredths + 1;
}

}  // namespace qv
