// The creation date written into the headers of generated text files.
#pragma once

#include <ctime>
#include <string>

namespace q32 {

// Characters of a creation date: "Sat Dec  5 21:32:39 2026".
constexpr std::size_t kCreationDateLength = 24;

// Weekday, month, day right-aligned in three columns, hh:mm:ss and the
// four-digit year, in English, without a line feed.
std::string FormatCreationDate(const std::tm& time);

}  // namespace q32
