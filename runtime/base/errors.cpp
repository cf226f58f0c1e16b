// Error texts, message formatting and the hand-over to the reporter.
#include "runtime/base/errors.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>

namespace vx {

const char* ErrorTableText(int32_t code) {
    static const char* const kTable[] = {
        "数组成员引用下标超出定义范围",
        "未得到所需要的数值型数据",
        "引用数组成员时维数不为1且不等于该数组目前所具有的维数",
        "数组成员引用下标必须大于等于1",
        "数据或数组类型不匹配",
        "调用DLL命令后发现堆栈错误",
        "子语句参数未返回数据或者返回了非系统基本类型或数组型数据",
        "被比较数据只能使用等于或不等于命令比较",
        "“多项选择”命令的索引值参数小于零或超出了所提供参数表范围",
        "“重定义数组”命令的数组维定义参数值必须大于零或单维时大于等于零",
        "所提供参数的数据类型不符合要求",
    };
    if (code < 1 || code > static_cast<int32_t>(sizeof kTable / sizeof kTable[0])) return "";
    return kTable[code - 1];
}

std::string FormatErrorText(const char* message, int32_t code) {
    std::string text = "运行时出错!\r\n\r\n";
    if (code != 0) text += "错误代码：" + std::to_string(code) + "\r\n\r\n";
    if (message && *message) {
        text += "错误信息：";
        text += message;
        text += "\r\n";
    }
    return text;
}

namespace {
std::atomic<ErrorReporter> gReporter{nullptr};
}  // namespace

void SetErrorReporter(ErrorReporter reporter) { gReporter = reporter; }

void ReportError(const char* message, int32_t code) {
    if (ErrorReporter reporter = gReporter) reporter(message, code);
    throw RuntimeError(FormatErrorText(message, code), code);
}

void RaiseError(int32_t code) { ReportError(ErrorTableText(code), code); }

void ReportErrorF(const char* format, ...) {
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    ReportError(buffer, 0);
}

void ReportAllocationFailure(size_t size) {
    // Printed in full: a size past 2 GiB must not show up as a negative number.
    ReportErrorF("分配 %llu 字节内存失败!", static_cast<unsigned long long>(size));
}

}  // namespace vx
