// Names shared by the product, its uninstaller and the installer's own
// checks: the lock file that tells where the running product's window is.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace vx::product {

inline constexpr char kMainWindowTitle[] = "TolvanePC-Vexilo";
inline constexpr char kLockFile[] = "win.lock";
inline constexpr char kLockSection[] = "传递";
inline constexpr char kLockKey[] = "窗口句柄";

// Exit code of a product program that found a system DLL or function missing.
inline constexpr UINT kMissingSystemFunctionExit = static_cast<UINT>(-1);

// First thing in WinMain: every DLL loaded from then on, and every DLL those
// load, comes from the system folder, never from a folder someone could plant
// a DLL in (the uninstaller's copy runs from the temporary folder).
inline void LoadDllsFromSystemFolderOnly() { SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32); }

// Position of a path's last "\", stepping over double-byte characters (whose
// trail byte may be "\"); npos without one.
inline size_t LastSeparator(std::string_view path) {
    size_t cut = std::string_view::npos;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size()) {
            ++i;
            continue;
        }
        if (path[i] == '\\') cut = i;
    }
    return cut;
}

// Folder of the running exe, without a trailing "\".
inline std::string ModuleFolder(HMODULE module = nullptr) {
    char path[MAX_PATH * 2];
    DWORD n = GetModuleFileNameA(module, path, sizeof path);
    if (n == 0 || n >= sizeof path) return {};
    size_t cut = LastSeparator(std::string_view(path, n));
    return cut == std::string_view::npos ? std::string() : std::string(path, cut);
}

// The handle written in the lock file as a window handle (0 when absent).
inline HWND ReadLockedWindow(const std::string& folder) {
    char text[32] = {};
    GetPrivateProfileStringA(kLockSection, kLockKey, "", text, sizeof text, (folder + "\\" + kLockFile).c_str());
    unsigned long long value = std::strtoull(text, nullptr, 10);
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
}

// True when the window exists and carries the product's title exactly.
inline bool IsProductWindow(HWND window) {
    if (!window || !IsWindow(window)) return false;
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    return std::string(title) == kMainWindowTitle;
}

}  // namespace vx::product
