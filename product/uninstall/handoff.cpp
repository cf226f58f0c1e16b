#include "product/uninstall/handoff.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>

#include "product/uninstall/handles.h"
#include "product/uninstall/removal.h"

namespace vx::uninstall {
namespace {

constexpr char kCopyPrefix[] = "VexiloUninstall-";
constexpr DWORD kParentWaitMs = 60000;
constexpr DWORD kDeleteRetryMs = 10000;

std::string TempFolder() {
    char path[MAX_PATH] = {};
    DWORD n = GetTempPathA(MAX_PATH, path);
    return n && n < MAX_PATH ? std::string(path, n) : std::string();
}

// Copies left by earlier runs: each one ends before it could delete itself.
void SweepEarlierCopies(const std::string& temp, const std::string& self) {
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((temp + kCopyPrefix + "*.exe").c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string path = temp + data.cFileName;
        if (!SamePath(path, self)) DeleteFileA(path.c_str());  // fails for a copy that still runs
    } while (FindNextFileA(search, &data));
    FindClose(search);
}

}  // namespace

bool HandOffOwnRemoval(const std::string& ownPath, const std::string& folder) {
    std::string temp = TempFolder();
    if (temp.empty()) return false;
    // A fresh name: a copy of an earlier run may still be running under a
    // name built from a process id that has since been reused.
    std::string copy;
    for (unsigned attempt = 0;; ++attempt) {
        if (attempt == 100) return false;
        copy = temp + kCopyPrefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt) + ".exe";
        if (CopyFileA(ownPath.c_str(), copy.c_str(), TRUE)) break;
    }
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0)) {
        DeleteFileA(copy.c_str());
        return false;
    }
    UniqueHandle selfOwner(self);
    std::string command = "\"" + copy + "\" " + kFinishFlag + " " + std::to_string(reinterpret_cast<uintptr_t>(self)) +
                          " \"" + folder + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Started in the temp folder: a current folder inside the install folder
    // would keep it from being removed.
    if (!CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, temp.c_str(), &si, &pi)) {
        DeleteFileA(copy.c_str());
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

int FinishOwnRemoval(const std::string& waitFor, const std::string& folder) {
    UniqueHandle parent(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(waitFor.c_str(), nullptr, 10))));
    if (parent) WaitForSingleObject(parent.get(), kParentWaitMs);
    parent.reset();
    std::string original = folder + "\\" + kUninstallerName;
    bool gone = false;
    for (DWORD waited = 0; !gone && waited <= kDeleteRetryMs; waited += 100) {
        SetFileAttributesA(original.c_str(), FILE_ATTRIBUTE_NORMAL);
        gone = DeleteFileA(original.c_str()) || GetFileAttributesA(original.c_str()) == INVALID_FILE_ATTRIBUTES;
        if (!gone) Sleep(100);
    }
    RemoveInstallFolder(folder);
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    SweepEarlierCopies(TempFolder(), self);
    return gone ? 0 : 3;
}

}  // namespace vx::uninstall
