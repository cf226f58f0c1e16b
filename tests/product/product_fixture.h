// Shared by the product tests: the exes and payload beside the test exe, a
// minizip extraction of the payload, and reading the lock file.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vx::test::product {

// Every file of the archive written below folder ("/" becomes "\");
// returns the relative paths of the files and folders, in archive order.
std::vector<std::string> ExtractArchive(const std::string& zipPath, const std::string& folder);

// The handle in folder\win.lock, or 0.
unsigned long long LockedHandle(const std::string& folder);

// Waits until folder\win.lock names a window (at most timeoutMs).
HWND WaitForLockedWindow(const std::string& folder, DWORD timeoutMs);

bool Exists(const std::string& path);

// Starts a program without waiting for it.
struct Started {
    HANDLE process = nullptr;
    DWORD processId = 0;
};
Started StartProgram(const std::string& commandLine);

}  // namespace vx::test::product
