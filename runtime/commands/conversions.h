// Value conversions shared by the conversion commands and the message box.
#pragma once

#include <string>

#include "runtime/base/value.h"

namespace vx::commands {

inline constexpr char kTrueText[] = "真";
inline constexpr char kFalseText[] = "假";

// Number, logical or date-time as text; other types give "".
std::string ScalarText(const ValueRecord& v);

// An 8-byte floating date (days since 1899-12-30, time as the fraction) as
// "YYYY-MM-DD HH:MM:SS"; "" outside years 100..9999.
std::string DateText(double date);

}  // namespace vx::commands
