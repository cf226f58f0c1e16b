// The DLLs a PE image (exe or DLL, 32 or 64 bit) imports: the names in its
// import directory, which the loader resolves before the program's own code
// runs, and those in its delay-import directory, loaded on first call.
//
// Portable: no <windows.h>. Every offset and length read from the image is
// checked against the image before it is used.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vx::pe {

struct Imports {
    std::vector<std::string> loadTime;  // import directory, in image order
    std::vector<std::string> delayed;   // delay-import directory (when it is set)
};

// nullopt, with the reason in *error, when the bytes are not a PE image or
// a directory points outside it.
std::optional<Imports> ReadImports(std::span<const uint8_t> image, std::string* error);

// Case-insensitive membership of a DLL name in a list of names.
bool NameListed(const std::string& name, const std::vector<std::string>& list);

}  // namespace vx::pe
