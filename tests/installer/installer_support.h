// Shared by the installer's end-to-end tests: the installer exe beside the
// test exes, the machine state an installation leaves (product key, folder,
// shortcuts, the archive copy in the temp folder), putting that state back,
// reading shortcuts, finding the installer's windows and saving screenshots.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/win32_harness.h"

namespace vx::test::installer {

constexpr char kProductKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\qvtlpc_kandor";
constexpr char kProductTitle[] = "TolvanePC-Vexilo";  // Kandor.exe's main window

// VexiloSetup.exe, Kandor.exe and Uninstall.exe beside this test exe.
std::string InstallerPath();

// A shell folder without a trailing "\" (CSIDL_PROGRAMS, ...).
std::string SpecialFolder(int csidl);
// C:\Program Files\TolvanePC\Vexilo: where a fresh default install goes.
std::string DefaultInstallFolder();
// %TEMP%\qvzip.zip, the archive the installer writes before extracting.
std::string TempArchivePath();

struct ShortcutPaths {
    std::string program;     // start menu TolvanePC\Vexilo\Vexilo.lnk
    std::string desktop;     // desktop Vexilo.lnk
    std::string uninstall;   // start menu TolvanePC\Vexilo\卸载.lnk
    std::string menuFolder;  // start menu TolvanePC\Vexilo
};
ShortcutPaths Shortcuts();

// A value of the product key (HKLM), or nullopt when key or value is missing.
// view: 0 for the native registry view, KEY_WOW64_32KEY for the 32-bit one.
std::optional<std::string> ProductValue(const char* name, REGSAM view = 0);
bool ProductKeyExists(REGSAM view = 0);
void WriteProductValue(const char* name, const std::string& value, REGSAM view = 0);

struct LinkFields {
    std::string target;
    std::string arguments;
    std::string workingFolder;
    std::string description;
    std::string iconPath;
    int iconIndex = -1;
};
// Reads a shortcut through IShellLinkA (COM initialised by the caller).
bool ReadLink(const std::string& file, LinkFields* out);

bool Exists(const std::string& path);
// Names in a folder (without "." and ".."), sorted; empty when it is missing.
std::vector<std::string> Listing(const std::string& folder);
// Waits until the path exists (or, with `gone`, no longer exists).
bool WaitForPath(const std::string& path, DWORD timeoutMs, bool gone = false);

// Top-level windows of a title (any process), visible or not.
std::vector<HWND> WindowsTitled(const char* title);
// Waits for a visible top-level window of that title, optionally of one process.
HWND WaitForWindow(const char* title, DWORD timeoutMs, DWORD processId = 0);
// True while a process runs whose exe name (no folder) `matches` accepts.
bool ProcessRunning(const std::function<bool(const char* exeName)>& matches);
// True while a Kandor.exe process of any origin runs.
bool ProductProcessRunning();
// Closes every running product window (WM_CLOSE) and waits for its process.
void CloseProductWindows();

// Back to a machine without Vexilo: products closed, product key deleted,
// default folder, shortcuts, empty start-menu folders and the temp archive
// removed.
void ResetMachine();

// A running installer process (or any program), ended by the destructor if
// it is still running.
class Process {
public:
    Process() = default;
    explicit Process(const std::string& commandLine, const std::string& workingFolder = "");
    ~Process();
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    bool started() const { return process_ != nullptr; }
    DWORD id() const { return id_; }
    HANDLE handle() const { return process_; }
    // The exit code, or nullopt when it did not end in time.
    std::optional<DWORD> Wait(DWORD timeoutMs);
    bool Running() const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// A copy of the installer in a fresh folder with a probe DLL beside it under
// each name of VX_PLANTED_SYSTEM_DLLS (tests/CMakeLists.txt). Windows looks
// for such a DLL in the exe's folder first; wine does too for the names it is
// told to prefer native DLLs of. While this object lives, wine prefers native
// DLLs of those names for VexiloSetup.exe, and this process's environment
// names the probes' marker file, for the installer it starts to inherit.
class PlantedInstaller {
public:
    PlantedInstaller();
    ~PlantedInstaller();
    PlantedInstaller(const PlantedInstaller&) = delete;
    PlantedInstaller& operator=(const PlantedInstaller&) = delete;
    bool ready() const { return ready_; }
    const std::string& path() const { return exe_; }
    // "<name> loaded", a line for each probe DLL loaded by any process.
    std::string Loaded() const;

private:
    TempDir folder_;
    std::string exe_, marker_;
    bool ready_ = false;
};

// Runs the installer with these arguments to its end (at most timeoutMs);
// nullopt when it did not end.
std::optional<DWORD> RunInstaller(const std::string& arguments, DWORD timeoutMs = 120000,
                                  const std::string& workingFolder = "");

// The first visible top-level window of the process that `match` accepts
// (any, without one), or nullptr; the waiting form polls for it.
HWND VisibleTopWindowOf(DWORD processId, const std::function<bool(HWND)>& match = nullptr);
HWND WaitForTopWindowOf(DWORD processId, const std::function<bool(HWND)>& match, DWORD timeoutMs);
// The installer's main window (borderless, empty caption): the visible
// top-level window of that process with a 559 x 400 client area, scaled to
// the screen's DPI.
HWND WaitForInstallerWindow(DWORD processId, DWORD timeoutMs, int dpi = 96);
// A message box ("#32770") of that process.
HWND WaitForMessageBoxOf(DWORD processId, DWORD timeoutMs);
// A child window of `top` at exactly this client rectangle (hidden ones too),
// optionally of one window class; nullptr when there is none.
HWND ChildAt(HWND top, int x, int y, int width, int height, const char* className = nullptr);
// A screen point at client coordinates of a window.
POINT ScreenPoint(HWND hwnd, int x, int y);
// A window's text through WM_GETTEXT, also across processes ("" on timeout).
std::string WindowText(HWND hwnd);
// Polls `done` every 20 ms until it holds or the time is up.
bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs);

// A drive letter for the test: a folder inside the wine prefix linked in as
// dosdevices/<letter>:, or with tmpfsBytes a tmpfs of that size mounted
// there (a drive that fills up). Emptied and unmapped when it goes.
class MappedDrive {
public:
    explicit MappedDrive(char letter = 'D', unsigned long tmpfsBytes = 0);
    ~MappedDrive();
    MappedDrive(const MappedDrive&) = delete;
    MappedDrive& operator=(const MappedDrive&) = delete;

    bool Ready() const;
    std::string Root() const { return std::string(1, letter_) + ":\\"; }
    // Top-level entries of the drive, sorted.
    std::vector<std::string> Listing() const;

private:
    void Empty() const;
    std::string Folder() const { return std::string("vx_drive_") + char(letter_ - 'A' + 'a'); }

    char letter_;
    bool mounted_ = false;
    bool mapped_ = false;
};

// The whole screen saved as a 24-bit BMP named `name` in the tests' artefact
// folder; returns the path written ("" on failure).
std::string SaveScreen(const std::string& name);
std::string ArtefactPath(const std::string& name);

}  // namespace vx::test::installer
