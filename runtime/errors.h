// Run-time errors: one message box, then the program ends with exit code -1.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vx {

// Numbered errors of the error table (1..11).
enum ErrorCode : int32_t {
    kIndexOutOfRange = 1,
    kNumberRequired = 2,
    kDimensionMismatch = 3,
    kIndexBelowOne = 4,
    kTypeMismatch = 5,
    kDllStack = 6,
    kNoValue = 7,
    kOnlyEquality = 8,
    kChoiceIndex = 9,
    kRedimSize = 10,
    kArgumentType = 11,
};

// Text of a numbered error, "" outside 1..11.
const char* ErrorTableText(int32_t code);

// The message box body: "运行时出错!\r\n\r\n" [code line] [message line].
std::string FormatErrorText(const char* message, int32_t code);

[[noreturn]] void RaiseError(int32_t code);
[[noreturn]] void ReportError(const char* message, int32_t code = 0);

// Thrown instead of the message box in the host build only.
class RuntimeError : public std::runtime_error {
public:
    RuntimeError(const std::string& text, int32_t code) : std::runtime_error(text), code_(code) {}
    int32_t code() const { return code_; }

private:
    int32_t code_;
};

// printf-style message (the runtime's own texts carry %d / %s).
[[noreturn]] void ReportErrorF(const char* format, ...);

// Messages of a function missing from a DLL: library and function name, or
// the function name alone when the system libraries were searched.
inline constexpr char kMissingExportText[] = "无法找到指定DLL库文件“%s”中的输出命令“%s”";
inline constexpr char kMissingSystemExportText[] = "无法找到指定DLL库文件中的输出命令“%s”";

}  // namespace vx
