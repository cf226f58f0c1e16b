#include "product/uninstall/removal.h"

#include <shlobj.h>

#include <iterator>

#include "product/common/product_files.h"
#include "runtime/win32/handle_owner.h"

namespace vx::uninstall {

const PayloadEntry kPayloadEntries[] = {
#include "payload_entries.inc"
};
const size_t kPayloadEntryCount = std::size(kPayloadEntries);

namespace {

// Files the installer writes beside the payload's own during an upgrade and
// normally deletes again; left over after a failed upgrade.
constexpr const char* kSetAsideFiles[] = {"boots.ini", "image\\boots.ini", "image\\logos.png",
                                          "Collection\\Collections.ini"};
constexpr const char* kShortcutFolders[] = {"TolvanePC\\Vexilo", "TolvanePC"};
constexpr const char* kProgramShortcuts[] = {"TolvanePC\\Vexilo\\Vexilo.lnk", "TolvanePC\\Vexilo\\卸载.lnk"};
constexpr char kDesktopShortcut[] = "Vexilo.lnk";
constexpr char kDefaultBaseName[] = "TolvanePC";
constexpr char kInstallerArchive[] = "qvzip.zip";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Deletes a file; true when it is gone afterwards (also when it never was).
bool DeleteIfPresent(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileA(path.c_str()) || !Exists(path);
}

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathA(nullptr, path, csidl, FALSE)) return {};
    return path;
}

// Last path level.
std::string Leaf(const std::string& path, std::string* parent) {
    const size_t cut = product::LastSeparator(path);
    if (cut == std::string::npos) return path;
    if (parent) *parent = path.substr(0, cut);
    return path.substr(cut + 1);
}

}  // namespace

bool SamePath(const std::string& a, const std::string& b) {
    // Trailing separators go, never the "\" half of a last character.
    auto trim = [](std::string s) {
        while (s.size() > 3 && product::LastSeparator(s) == s.size() - 1) s.pop_back();
        return s;
    };
    return lstrcmpiA(trim(a).c_str(), trim(b).c_str()) == 0;
}

Removal::Removal(std::string folder, std::string keep) : folder_(std::move(folder)), keep_(std::move(keep)) {}

std::string Removal::RegisteredFolder() const {
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_QUERY_VALUE, key.out()) != ERROR_SUCCESS) return {};
    char value[MAX_PATH * 2] = {};
    DWORD type = 0, size = sizeof value - 1;
    if (RegQueryValueExA(key.get(), "RunPath", nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return {};
    return value;
}

bool Removal::IsInstallation() const {
    std::string registered = RegisteredFolder();
    return Exists(folder_ + "\\Kandor.exe") || (!registered.empty() && SamePath(registered, folder_));
}

bool Removal::OwnsRegistration() const {
    std::string registered = RegisteredFolder();
    return registered.empty() || SamePath(registered, folder_);
}

bool Removal::CloseRunningProduct(DWORD timeoutMs) const {
    HWND window = product::ReadLockedWindow(folder_);
    if (!product::IsProductWindow(window)) return true;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, pid));
    PostMessageA(window, WM_CLOSE, 0, 0);
    if (!process) {
        // Without a process handle, watch the window instead.
        for (DWORD waited = 0; IsWindow(window) && waited < timeoutMs; waited += 100) Sleep(100);
        return !IsWindow(window);
    }
    return WaitForSingleObject(process.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool Removal::RemoveFiles() const {
    bool ok = true;
    for (size_t i = 0; i < kPayloadEntryCount; ++i) {
        const PayloadEntry& e = kPayloadEntries[i];
        std::string path = folder_ + "\\" + e.path;
        if (e.folder || (!keep_.empty() && SamePath(path, keep_))) continue;
        ok = DeleteIfPresent(path) && ok;
    }
    for (const char* name : kSetAsideFiles) ok = DeleteIfPresent(folder_ + "\\" + name) && ok;
    // Folders last, deepest first; one that still holds the user's files stays.
    for (size_t i = kPayloadEntryCount; i-- > 0;)
        if (kPayloadEntries[i].folder) RemoveDirectoryA((folder_ + "\\" + kPayloadEntries[i].path).c_str());
    return ok;
}

bool Removal::RemoveRegistration() const {
    bool ok = true;
    std::string programs = SpecialFolder(CSIDL_PROGRAMS);
    if (!programs.empty()) {
        for (const char* link : kProgramShortcuts) ok = DeleteIfPresent(programs + "\\" + link) && ok;
        for (const char* folder : kShortcutFolders) RemoveDirectoryA((programs + "\\" + folder).c_str());
    }
    std::string desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    if (!desktop.empty()) ok = DeleteIfPresent(desktop + "\\" + kDesktopShortcut) && ok;
    LONG rc = RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    return (rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND) && ok;
}

void Removal::RemoveInstallerArchive() {
    char temp[MAX_PATH] = {};
    DWORD n = GetTempPathA(MAX_PATH, temp);
    if (n && n < MAX_PATH) DeleteIfPresent(std::string(temp, n) + kInstallerArchive);
}

void RemoveInstallFolder(const std::string& folder) {
    if (!RemoveDirectoryA(folder.c_str())) return;
    std::string parent;
    Leaf(folder, &parent);
    if (!parent.empty() && lstrcmpiA(Leaf(parent, nullptr).c_str(), kDefaultBaseName) == 0)
        RemoveDirectoryA(parent.c_str());
}

}  // namespace vx::uninstall
