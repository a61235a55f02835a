#include "output/CreationDate.h"

#include <cstdio>

namespace q32 {

std::string FormatCreationDate(const std::tm& time) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // A broken-down time from the host is always in range; clamp anyway so a
  // bad one can never index outside the name tables.
  int day = time.tm_wday >= 0 && time.tm_wday < 7 ? time.tm_wday : 0;
  int month = time.tm_mon >= 0 && time.tm_mon < 12 ? time.tm_mon : 0;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%s %s%3d %.2d:%.2d:%.2d %d", kDays[day], kMonths[month],
                time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec, 1900 + time.tm_year);
  return buffer;
}

}  // namespace q32
