// TStrUtils::OleVarToStr in a file of its own: the shortest form of a
// double needs the C++ library's conversion tables (about 170 KB), which an
// image that never formats a variant is spared this way.
#include "base/str_utils.h"

#include <charconv>

namespace tessera {

namespace {

struct TCivilDate {
  int64_t Year;
  unsigned Month;
  unsigned Day;
};

// Days since 1970-01-01 to a proleptic Gregorian date (the well-known
// era-based conversion); exact for every int64 day count that seconds allow.
TCivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  const unsigned day = dayOfYear - (153 * monthIndex + 2) / 5 + 1;
  const unsigned month = monthIndex < 10 ? monthIndex + 3 : monthIndex - 9;
  return {static_cast<int64_t>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::string FormatDate(const TOleDate& date) {
  const int64_t seconds = date.Value.time_since_epoch().count();
  int64_t days = seconds / 86400;
  int64_t secondOfDay = seconds % 86400;
  if (secondOfDay < 0) {
    secondOfDay += 86400;
    --days;
  }
  const TCivilDate civil = CivilFromDays(days);
  return TStrUtils::AddLeadingZeroes(civil.Year, 4) + "-" +
         TStrUtils::AddLeadingZeroes(civil.Month, 2) + "-" +
         TStrUtils::AddLeadingZeroes(civil.Day, 2) + " " +
         TStrUtils::AddLeadingZeroes(secondOfDay / 3600, 2) + ":" +
         TStrUtils::AddLeadingZeroes(secondOfDay / 60 % 60, 2) + ":" +
         TStrUtils::AddLeadingZeroes(secondOfDay % 60, 2);
}

} // namespace

std::string TStrUtils::OleVarToStr(const TOleVariant& value) {
  if (const auto* text = std::get_if<std::string>(&value)) {
    return *text;
  }
  if (const auto* integer = std::get_if<int64_t>(&value)) {
    return std::to_string(*integer);
  }
  if (const auto* number = std::get_if<double>(&value)) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, *number);
    return std::string(buffer, result.ptr);
  }
  if (const auto* date = std::get_if<TOleDate>(&value)) {
    return FormatDate(*date);
  }
  return {};
}

} // namespace tessera
