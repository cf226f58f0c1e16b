// What the uninstaller removes: the payload's files and folders in the
// install folder (plus the lock file the product rewrites and the copies the
// installer sets aside during an upgrade), the installer's copy of its
// archive in the temporary folder, the shortcuts, and the product's
// uninstall key. Anything else in those places is left alone.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace vx::uninstall {

inline constexpr char kProductKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\qvtlpc_kandor";
inline constexpr char kUninstallerName[] = "Uninstall.exe";

struct PayloadEntry {
    const char* path;  // relative to the install folder, "\" separated
    bool folder;
};

// The payload's entries, in archive order (folders before their files).
extern const PayloadEntry kPayloadEntries[];
extern const size_t kPayloadEntryCount;

bool SamePath(const std::string& a, const std::string& b);

class Removal {
public:
    // folder: the install folder (no trailing "\"); keep: a file of it that
    // must stay for now (the running uninstaller itself), or empty.
    Removal(std::string folder, std::string keep);

    // An installation lives here: the product is present or this folder is
    // the registered one.
    bool IsInstallation() const;
    // The product's registration names this folder (or names none).
    bool OwnsRegistration() const;
    // Asks a running product to close the way the installer does (lock
    // file, title check, WM_CLOSE) and waits for its process to end. False
    // when it is still running after timeoutMs.
    bool CloseRunningProduct(DWORD timeoutMs) const;
    // Deletes the payload's files and then its empty folders; false when a
    // file stays behind.
    bool RemoveFiles() const;
    // Deletes the three shortcuts, the start-menu folders once empty, and the
    // uninstall key; false when one of them stays behind.
    bool RemoveRegistration() const;

    // The installer's copy of its archive in this user's temporary folder.
    static void RemoveInstallerArchive();

    std::string RegisteredFolder() const;

private:
    std::string folder_;
    std::string keep_;
};

// Removes the install folder when it is empty, then its parent when that is
// the default base folder "TolvanePC" and empty too.
void RemoveInstallFolder(const std::string& folder);

}  // namespace vx::uninstall
