#include "product/uninstall/handoff.h"

#include <windows.h>
// After <windows.h>: they use its types.
#include <sddl.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "runtime/win32/handle_owner.h"
#include "product/uninstall/removal.h"

namespace vx::uninstall {
namespace {

// Each copy runs from a folder of its own, %TEMP%\VexiloUninstall-<pid>-<n>.
constexpr char kCopyPrefix[] = "VexiloUninstall-";
// A finished copy's exe, moved out of its folder so that the folder can go:
// a running exe can be renamed but not deleted. The next copy sweeps it.
constexpr char kFinishedSuffix[] = ".old";
constexpr unsigned kNameAttempts = 100;
constexpr DWORD kParentWaitMs = 60000;
constexpr DWORD kDeleteRetryMs = 10000;

std::string TempFolder() {
    char path[MAX_PATH] = {};
    DWORD n = GetTempPathA(MAX_PATH, path);
    return n && n < MAX_PATH ? std::string(path, n) : std::string();
}

// A SID of this process's token in its string form: TOKEN_USER and
// TOKEN_MANDATORY_LABEL both start with the SID_AND_ATTRIBUTES asked for.
std::string TokenSid(TOKEN_INFORMATION_CLASS which) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    KernelHandle tokenOwner(token);
    DWORD size = 0;
    GetTokenInformation(token, which, nullptr, 0, &size);
    if (size < sizeof(SID_AND_ATTRIBUTES)) return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token, which, buffer.data(), size, &size)) return {};
    char* text = nullptr;
    if (!ConvertSidToStringSidA(reinterpret_cast<SID_AND_ATTRIBUTES*>(buffer.data())->Sid, &text)) return {};
    std::string sid(text);
    LocalFree(text);
    return sid;
}

// Creates a folder that only SYSTEM, the Administrators and this user can
// open, nothing inherited from the temporary folder above it, and that
// processes below this one's integrity level cannot write to. Fails when
// anything of that name exists: the folder is always this run's own.
bool CreatePrivateFolder(const std::string& path) {
    std::string user = TokenSid(TokenUser);
    if (user.empty()) return false;
    std::string sddl = "D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" + user + ")";
    std::string level = TokenSid(TokenIntegrityLevel);
    if (!level.empty()) sddl += "S:(ML;OICI;NW;;;" + level + ")";
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl.c_str(), SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    bool created = CreateDirectoryA(path.c_str(), &attributes);
    LocalFree(descriptor);
    return created;
}

// The folder part of a path (no trailing "\"), or "" without one.
std::string ParentOf(const std::string& path) {
    char full[MAX_PATH * 2] = {};
    char* name = nullptr;
    DWORD n = GetFullPathNameA(path.c_str(), sizeof full, full, &name);
    if (n == 0 || n >= sizeof full || !name || name == full) return {};
    return std::string(full, static_cast<size_t>(name - full - 1));
}

// Folders and moved exes left by earlier copies: a copy still running keeps
// its exe, so its folder stays. A reparse point is never followed: this runs
// elevated, and the temporary folder is the user's to fill.
void SweepEarlierCopies(const std::string& temp) {
    WIN32_FIND_DATAA data;
    FindHandle search(FindFirstFileA((temp + kCopyPrefix + "*").c_str(), &data));
    if (!search) return;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
        std::string path = temp + data.cFileName;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            DeleteFileA((path + "\\" + kUninstallerName).c_str());
            RemoveDirectoryA(path.c_str());
        } else {
            DeleteFileA(path.c_str());
        }
    } while (FindNextFileA(search.get(), &data));
}

// The copy's last step: its exe leaves its folder, and the folder goes.
void RemoveOwnFolder(const std::string& temp) {
    char self[MAX_PATH * 2] = {};
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    if (n == 0 || n >= sizeof self) return;
    std::string folder = ParentOf(self);
    std::string parent = ParentOf(folder);
    // Only a hand-off copy's own folder, never wherever else this exe runs.
    if (parent.empty() || !SamePath(parent + "\\", temp) ||
        folder.compare(parent.size() + 1, sizeof kCopyPrefix - 1, kCopyPrefix) != 0)
        return;
    std::string moved = folder + kFinishedSuffix;
    if (!MoveFileExA(self, moved.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
    // Elevated, the copy can also have its exe deleted at the next start.
    MoveFileExA(moved.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    RemoveDirectoryA(folder.c_str());
}

}  // namespace

bool HandOffOwnRemoval(const std::string& ownPath, const std::string& folder) {
    std::string temp = TempFolder();
    if (temp.empty()) return false;
    // A fresh folder: one of an earlier run may still be in use under a name
    // built from a process id that has since been reused.
    std::string copyFolder;
    for (unsigned attempt = 0;; ++attempt) {
        if (attempt == kNameAttempts) return false;
        copyFolder = temp + kCopyPrefix + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt);
        if (CreatePrivateFolder(copyFolder)) break;
    }
    std::string copy = copyFolder + "\\" + kUninstallerName;
    auto abandon = [&] {
        DeleteFileA(copy.c_str());
        RemoveDirectoryA(copyFolder.c_str());
        return false;
    };
    if (!CopyFileA(ownPath.c_str(), copy.c_str(), TRUE)) return abandon();
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self, SYNCHRONIZE, TRUE, 0))
        return abandon();
    KernelHandle selfOwner(self);
    std::string command = "\"" + copy + "\" " + kFinishFlag + " " + std::to_string(reinterpret_cast<uintptr_t>(self)) +
                          " \"" + folder + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Started in the temp folder: a current folder inside the install folder
    // or its own folder would keep that folder from being removed.
    if (!CreateProcessA(copy.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr, temp.c_str(), &si, &pi))
        return abandon();
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

int FinishOwnRemoval(const std::string& waitFor, const std::string& folder) {
    KernelHandle parent(reinterpret_cast<HANDLE>(static_cast<uintptr_t>(std::strtoull(waitFor.c_str(), nullptr, 10))));
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
    std::string temp = TempFolder();
    if (!temp.empty()) {
        RemoveOwnFolder(temp);
        SweepEarlierCopies(temp);
    }
    return gone ? 0 : 3;
}

}  // namespace vx::uninstall
