// UTF-8 to GBK (code page 936, the ANSI code page of the programs) for the
// host tools that store texts the programs read: the template compiler and
// the payload builder.
#pragma once

#include <string>
#include <string_view>

namespace vx::tools {

// Throws std::runtime_error for text GBK cannot hold (or no conversion).
std::string Utf8ToGbk(std::string_view utf8);

}  // namespace vx::tools
