// The benchmark installer's moments: each appended to the file that
// VX_PHASE_LOG names, as "<name> <ns since 1970>", so that the benchmark
// script can set them against its own clock (wine's is the Linux one).
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "installer/phases.h"

namespace vx::installer {
namespace {
constexpr unsigned long long kFileTimeAt1970 = 116444736000000000ull;  // 100 ns ticks since 1601
}  // namespace

void MarkPhase(const char* name) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);  // wine: the Linux clock, to the microsecond
    const unsigned long long ticks = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("VX_PHASE_LOG", path, sizeof path);
    if (n == 0 || n >= sizeof path) return;
    HANDLE log = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return;
    char line[128];
    int length = std::snprintf(line, sizeof line, "%s %llu\n", name, (ticks - kFileTimeAt1970) * 100);
    DWORD written = 0;
    if (length > 0) WriteFile(log, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(log);
}

}  // namespace vx::installer
