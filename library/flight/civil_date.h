// SPDX-License-Identifier: MIT
// Civil dates (proleptic Gregorian) and days since 1970-01-01, the one
// conversion the flight half uses: the avionics reader's dates, the trend
// series' and the aircraft report's ISO times. Howard Hinnant's algorithms,
// right for every year, negative ones included.
#pragma once

#include <cstddef>
#include <string_view>

namespace varnix::flight {

struct CivilDate {
  int year = 0, month = 0, day = 0;
};

constexpr bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

// Days in `month` (1 to 12) of `year`.
constexpr int DaysInMonth(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return kDays[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

// Whether `text` is a day written YYYY-MM-DD: four, two and two digits, a
// month of 1 to 12 and a day the month has.
constexpr bool IsIsoDay(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  int part[3] = {};
  for (std::size_t i = 0, k = 0; i < text.size(); ++i) {
    if (i == 4 || i == 7) {
      ++k;
      continue;
    }
    if (text[i] < '0' || text[i] > '9') return false;
    part[k] = part[k] * 10 + (text[i] - '0');
  }
  return part[1] >= 1 && part[1] <= 12 && part[2] >= 1 && part[2] <= DaysInMonth(part[0], part[1]);
}

// Days since 1970-01-01 of a civil date.
constexpr long long DaysFromCivil(long long y, int m, int d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const long long yoe = y - era * 400;
  const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}
constexpr long long DaysFromCivil(const CivilDate& date) { return DaysFromCivil(date.year, date.month, date.day); }

// The civil date `days` after 1970-01-01.
constexpr CivilDate CivilFromDays(long long days) {
  days += 719468;
  const long long era = (days >= 0 ? days : days - 146096) / 146097;
  const long long doe = days - era * 146097;
  const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const long long mp = (5 * doy + 2) / 153;
  CivilDate date;
  date.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  date.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  date.year = static_cast<int>(yoe + era * 400 + (date.month <= 2 ? 1 : 0));
  return date;
}

static_assert(DaysFromCivil(1970, 1, 1) == 0 && DaysFromCivil(2000, 3, 1) == 11017);
static_assert(IsIsoDay("2024-02-29") && !IsIsoDay("2023-02-29") && !IsIsoDay("2024-13-01") && !IsIsoDay("2024-1-011"));
static_assert(CivilFromDays(11017).year == 2000 && CivilFromDays(11017).month == 3 && CivilFromDays(-1).day == 31);

}  // namespace varnix::flight
