// Run-time errors: one message box, then the program ends with exit code -1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
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

// Where a run-time error goes. This layer only words it: the process runtime
// installs the reporter that shows the message box and ends the program.
// Without one (the host build, tests of this layer alone) the error is
// thrown as a RuntimeError.
using ErrorReporter = void (*)(const char* message, int32_t code);
void SetErrorReporter(ErrorReporter reporter);

// Thrown when no reporter is installed.
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

// "分配 %d 字节内存失败!" with the size in full.
[[noreturn]] void ReportAllocationFailure(size_t size);

// Runs f where no C++ exception may leave: window procedures, command and
// property entries, thread entries. A failed allocation in C++ code (the
// size is not known there, so 0 is shown) becomes the allocation run-time
// error, any other standard exception a run-time error with its text.
template <class F>
decltype(auto) Contained(F&& f) {
    try {
        return f();
    } catch (const RuntimeError&) {
        throw;  // the host build's report, meant for the caller
    } catch (const std::bad_alloc&) {
        ReportAllocationFailure(0);
    } catch (const std::length_error&) {
        ReportAllocationFailure(0);
    } catch (const std::exception& e) {
        ReportError(e.what(), 0);
    }
}

// The same boundary for controls that stand apart from the runtime: a
// failure there gives what `fallback` gives (the message left to the
// system's default handling).
template <class F, class Fallback>
decltype(auto) ContainedOr(F&& f, Fallback&& fallback) {
    try {
        return f();
    } catch (const std::exception&) {
        return fallback();
    }
}

}  // namespace vx
