#include <string>

#include "runtime/com/com_ptr.h"

namespace vx::com {

std::wstring WideFromAnsi(const char* text) {
    if (!text || !*text) return std::wstring();
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return std::wstring();
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    wide.resize(static_cast<size_t>(n) - 1);
    return wide;
}

std::string AnsiFromWide(const wchar_t* text, size_t length) {
    if (!text || length == 0) return std::string();
    int wlen = static_cast<int>(length);
    int n = WideCharToMultiByte(CP_ACP, 0, text, wlen, nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string ansi(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, wlen, ansi.data(), n, nullptr, nullptr);
    return ansi;
}

Bstr BstrFromAnsi(const char* text) {
    std::wstring wide = WideFromAnsi(text);
    return Bstr(SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size())));
}

}  // namespace vx::com
