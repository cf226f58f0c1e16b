#include "tests/support/win32_harness.h"

#include <shellapi.h>

#include <cstdio>
#include <cstring>

#include "runtime/win32/handle_owner.h"

namespace vx::test {

std::string ExeDirectory() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n);
    return s.substr(0, s.find_last_of('\\') + 1);
}

TempDir::TempDir() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static LONG counter = 0;
    for (;;) {
        path_ = std::string(temp) + "vxtest-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(InterlockedIncrement(&counter));
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

TempDir::~TempDir() { RemoveTree(path_); }

void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((path + "\\*").c_str(), &data);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(child);
            else DeleteFileA(child.c_str());
        } while (FindNextFileA(h, &data));
        FindClose(h);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    if (FILE* f = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
        std::fclose(f);
    }
    return bytes;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

namespace {
struct BoxSearch {
    const std::string* caption;
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindBox(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<BoxSearch*>(lp);
    char cls[64], title[256];
    if (!IsWindowVisible(hwnd) || !GetClassNameA(hwnd, cls, sizeof cls) || std::string(cls) != "#32770") return TRUE;
    GetWindowTextA(hwnd, title, sizeof title);
    if (*search->caption != title) return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (search->processId && pid != search->processId) return TRUE;
    search->found = hwnd;
    return FALSE;
}
}  // namespace

HWND FindMessageBox(const std::string& caption, DWORD processId) {
    BoxSearch search{&caption, processId, nullptr};
    EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string MessageBoxText(HWND box) {
    HWND label = GetDlgItem(box, 0xFFFF);
    char text[4096] = {};
    if (label) GetWindowTextA(label, text, sizeof text);
    return text;
}

void PressButton(HWND box, int id) {
    if (HWND button = GetDlgItem(box, id)) SendMessageA(button, BM_CLICK, 0, 0);
    else PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(id), 0);
}

ProcessResult RunProcess(const std::string& commandLine, const ProcessOptions& options) {
    ProcessResult result;
    // Environment block: ours plus the additions.
    std::string block;
    if (!options.environment.empty()) {
        char* env = GetEnvironmentStringsA();
        for (const char* p = env; *p; p += std::strlen(p) + 1) block.append(p, std::strlen(p) + 1);
        FreeEnvironmentStringsA(env);
        for (const auto& [name, value] : options.environment) block += name + "=" + value + '\0';
        block += '\0';
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = commandLine;
    if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, block.empty() ? nullptr : block.data(),
                        options.workingDirectory.empty() ? nullptr : options.workingDirectory.c_str(), &si, &pi))
        return result;
    result.started = true;
    DWORD start = GetTickCount();
    for (;;) {
        if (WaitForSingleObject(pi.hProcess, 50) == WAIT_OBJECT_0) break;
        if (!options.boxCaption.empty()) {
            if (HWND box = FindMessageBox(options.boxCaption, pi.dwProcessId)) {
                Sleep(100);  // let the box finish laying out its text
                result.boxTexts.push_back(MessageBoxText(box));
                PressButton(box, options.boxButton);
                Sleep(200);
            }
        }
        if (GetTickCount() - start > options.timeoutMs) {
            result.timedOut = true;
            TerminateProcess(pi.hProcess, 0xDEAD);
            WaitForSingleObject(pi.hProcess, 5000);
            break;
        }
    }
    GetExitCodeProcess(pi.hProcess, &result.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return result;
}

namespace {
MessageFilter g_pumpFilter = nullptr;
}  // namespace

void SetPumpFilter(MessageFilter filter) { g_pumpFilter = filter; }

void Pump(int ms) {
    DWORD end = GetTickCount() + static_cast<DWORD>(ms);
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (g_pumpFilter && g_pumpFilter(&m)) continue;
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        DWORD now = GetTickCount();
        if (static_cast<int32_t>(end - now) <= 0) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
    }
}

// Wine starts Unix programs detached, with no handle to wait on: the shell
// leaves the exit status in a marker file (seen through Z:), written aside
// and moved so that a marker seen is whole.
bool RunUnix(const std::string& command, int timeoutMs) {
    static int serial = 0;
    char name[64];
    std::snprintf(name, sizeof name, "/tmp/vx_unix_%lu_%d", GetCurrentProcessId(), ++serial);
    const std::string marker = name, dosMarker = "Z:" + marker;
    std::string line =
        "/bin/sh -c \"" + command + "; echo $? > " + marker + ".tmp; mv " + marker + ".tmp " + marker + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    KernelHandle process(pi.hProcess), thread(pi.hThread);
    std::string status;
    for (DWORD end = GetTickCount() + static_cast<DWORD>(timeoutMs);
         status.empty() && static_cast<int32_t>(end - GetTickCount()) > 0;) {
        status = ReadFileBytes(dosMarker);
        if (status.empty()) Pump(5);
    }
    DeleteFileA(dosMarker.c_str());
    return status.rfind("0\n", 0) == 0;
}

bool Xdotool(const std::string& args) {
    const bool ran = RunUnix("/usr/bin/xdotool " + args, 10000);
    Pump(150);
    return ran;
}

}  // namespace vx::test
