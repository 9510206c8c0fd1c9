// Conversions between calendar dates and day numbers.
#include "storage/dates.h"

namespace qv {
namespace {

// Days from 1 March of year 0 of the proleptic Gregorian calendar (civil-from-days).
int64_t daysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  int64_t era = (y >= 0 ? y : y - 399) / 400;
  int64_t yoe = y - era * 400;
  int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe;
}

const int64_t kDay4 = daysFromCivil(1801, 1, 1);

}  // namespace

int32_t dateFromYmd(int year, int month, int day) {
  return static_cast<int32_t>(daysFromCivil(year, month, day) - kDay4 + 4);
}

void ymdFromDate(int32_t date, int& year, int& month, int& day) {
  int64_t z = date - 4 + kDay4;
  int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  int64_t doe = z - era * 146097;
  int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(y + (month <= 2));
}

}  // namespace qv
