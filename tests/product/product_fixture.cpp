#include "tests/product/product_fixture.h"

#include <minizip/unzip.h>

#include <cstdlib>

namespace vx::test::product {

std::vector<std::string> ExtractArchive(const std::string& zipPath, const std::string& folder) {
    std::vector<std::string> names;
    unzFile zip = unzOpen(zipPath.c_str());
    if (!zip) return names;
    for (int rc = unzGoToFirstFile(zip); rc == UNZ_OK; rc = unzGoToNextFile(zip)) {
        char name[MAX_PATH];
        unz_file_info info;
        unzGetCurrentFileInfo(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0);
        // "/" never occurs as a trail byte in GBK, so this is safe.
        std::string relative = name;
        for (char& c : relative)
            if (c == '/') c = '\\';
        bool isFolder = !relative.empty() && relative.back() == '\\';
        if (isFolder) relative.pop_back();
        std::string target = folder + "\\" + relative;
        names.push_back(relative);
        if (isFolder) {
            CreateDirectoryA(target.c_str(), nullptr);
            continue;
        }
        std::string data;
        if (unzOpenCurrentFile(zip) == UNZ_OK) {
            char buffer[16384];
            int n;
            while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
                data.append(buffer, static_cast<size_t>(n));
            unzCloseCurrentFile(zip);
        }
        HANDLE file =
            CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
            CloseHandle(file);
        }
    }
    unzClose(zip);
    return names;
}

unsigned long long LockedHandle(const std::string& folder) {
    char text[32] = {};
    GetPrivateProfileStringA("传递", "窗口句柄", "", text, sizeof text, (folder + "\\win.lock").c_str());
    return std::strtoull(text, nullptr, 10);
}

HWND WaitForLockedWindow(const std::string& folder, DWORD timeoutMs) {
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        if (unsigned long long h = LockedHandle(folder)) return reinterpret_cast<HWND>(static_cast<uintptr_t>(h));
        Sleep(50);
    }
    return nullptr;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

Started StartProgram(const std::string& commandLine) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string cmd = commandLine;
    Started started;
    if (CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        started.process = pi.hProcess;
        started.processId = pi.dwProcessId;
    }
    return started;
}

}  // namespace vx::test::product
