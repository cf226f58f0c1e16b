#include "tests/installer/installer_support.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/support/win32_harness.h"

namespace vx::test::installer {
namespace {

std::wstring Wide(const std::string& ansi) {
    int n = MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.c_str(), -1, wide.data(), n);
    wide.resize(wcslen(wide.c_str()));
    return wide;
}

struct EnumState {
    const char* title;
    std::vector<HWND>* found;
};

BOOL CALLBACK CollectTitled(HWND hwnd, LPARAM param) {
    auto* state = reinterpret_cast<EnumState*>(param);
    char text[256] = {};
    GetWindowTextA(hwnd, text, sizeof text);
    if (strcmp(text, state->title) == 0) state->found->push_back(hwnd);
    return TRUE;
}

void RemoveIfEmpty(const std::string& folder) { RemoveDirectoryA(folder.c_str()); }

}  // namespace

std::string InstallerPath() { return ExeDirectory() + "VexiloSetup.exe"; }

std::string SpecialFolder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetSpecialFolderPathA(nullptr, path, csidl, TRUE);
    return path;
}

std::string DefaultInstallFolder() { return "C:\\Program Files\\TolvanePC\\Vexilo"; }

std::string TempArchivePath() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "qvzip.zip";
}

ShortcutPaths Shortcuts() {
    ShortcutPaths s;
    s.menuFolder = SpecialFolder(CSIDL_PROGRAMS) + "\\TolvanePC\\Vexilo";
    s.program = s.menuFolder + "\\Vexilo.lnk";
    s.uninstall = s.menuFolder + "\\卸载.lnk";
    s.desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Vexilo.lnk";
    return s;
}

std::optional<std::string> ProductValue(const char* name, REGSAM view) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return std::nullopt;
    char data[2048] = {};
    DWORD size = sizeof data - 1, type = 0;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return std::string(data);
}

bool ProductKeyExists(REGSAM view) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void WriteProductValue(const char* name, const std::string& value, REGSAM view) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0, nullptr, 0, KEY_WRITE | view, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

bool ReadLink(const std::string& file, LinkFields* out) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* persist = nullptr;
    bool ok = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
              SUCCEEDED(persist->Load(Wide(file).c_str(), STGM_READ));
    if (ok) {
        char buffer[MAX_PATH * 2];
        auto take = [&](std::string* field) {
            *field = buffer;
            buffer[0] = 0;
        };
        buffer[0] = 0;
        link->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH);
        take(&out->target);
        link->GetArguments(buffer, sizeof buffer);
        take(&out->arguments);
        link->GetWorkingDirectory(buffer, sizeof buffer);
        take(&out->workingFolder);
        link->GetDescription(buffer, sizeof buffer);
        take(&out->description);
        link->GetIconLocation(buffer, sizeof buffer, &out->iconIndex);
        take(&out->iconPath);
    }
    if (persist) persist->Release();
    link->Release();
    return ok;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = data.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

bool WaitForPath(const std::string& path, DWORD timeoutMs, bool gone) {
    for (DWORD start = GetTickCount();; Sleep(50)) {
        if (Exists(path) != gone) return true;
        if (GetTickCount() - start > timeoutMs) return false;
    }
}

std::vector<HWND> WindowsTitled(const char* title) {
    std::vector<HWND> found;
    EnumState state{title, &found};
    EnumWindows(CollectTitled, reinterpret_cast<LPARAM>(&state));
    return found;
}

HWND WaitForWindow(const char* title, DWORD timeoutMs, DWORD processId) {
    for (DWORD start = GetTickCount();; Sleep(50)) {
        for (HWND hwnd : WindowsTitled(title)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (IsWindowVisible(hwnd) && (processId == 0 || owner == processId)) return hwnd;
        }
        if (GetTickCount() - start > timeoutMs) return nullptr;
    }
}

bool ProcessRunning(const std::function<bool(const char* exeName)>& matches) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found; more = Process32Next(snapshot, &entry))
        found = matches(entry.szExeFile);
    CloseHandle(snapshot);
    return found;
}

bool ProductProcessRunning() {
    return ProcessRunning([](const char* exe) { return lstrcmpiA(exe, "Kandor.exe") == 0; });
}

void CloseProductWindows() {
    for (HWND hwnd : WindowsTitled(kProductTitle)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid);
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        if (process) {
            if (WaitForSingleObject(process, 10000) != WAIT_OBJECT_0) TerminateProcess(process, 1);
            CloseHandle(process);
        }
    }
}

void ResetMachine() {
    CloseProductWindows();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kProductKey);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kProductKey, KEY_WOW64_32KEY, 0);
    RemoveTree(DefaultInstallFolder());
    RemoveIfEmpty("C:\\Program Files\\TolvanePC");
    ShortcutPaths s = Shortcuts();
    DeleteFileA(s.program.c_str());
    DeleteFileA(s.uninstall.c_str());
    DeleteFileA(s.desktop.c_str());
    RemoveIfEmpty(s.menuFolder);
    RemoveIfEmpty(SpecialFolder(CSIDL_PROGRAMS) + "\\TolvanePC");
    DeleteFileA(TempArchivePath().c_str());
}

Process::Process(const std::string& commandLine, const std::string& workingFolder) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.empty() ? nullptr : workingFolder.c_str(), &si, &pi))
        return;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    id_ = pi.dwProcessId;
}

Process::~Process() {
    if (!process_) return;
    if (Running()) {
        TerminateProcess(process_, 255);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

Process::Process(Process&& other) noexcept : process_(other.process_), id_(other.id_) {
    other.process_ = nullptr;
    other.id_ = 0;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        Process gone(std::move(*this));
        process_ = other.process_;
        id_ = other.id_;
        other.process_ = nullptr;
        other.id_ = 0;
    }
    return *this;
}

std::optional<DWORD> Process::Wait(DWORD timeoutMs) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return code;
}

bool Process::Running() const { return process_ && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

namespace {

// wine's DLL overrides for one program (its exe name): wine reads them when
// the program starts, unlike WINEDLLOVERRIDES, which a child process takes
// from wine's own environment rather than from its parent's.
constexpr char kInstallerOverrides[] = "Software\\Wine\\AppDefaults\\VexiloSetup.exe\\DllOverrides";
constexpr char kInstallerDefaults[] = "Software\\Wine\\AppDefaults\\VexiloSetup.exe";
constexpr char kProbeMarkerVariable[] = "VX_PROBE_MARKER";

}  // namespace

PlantedInstaller::PlantedInstaller() {
    exe_ = folder_ / "VexiloSetup.exe";
    marker_ = folder_ / "probes.txt";
    ready_ = CopyFileA(InstallerPath().c_str(), exe_.c_str(), FALSE);
    HKEY key = nullptr;
    DWORD created = 0;
    ready_ = RegCreateKeyExA(HKEY_CURRENT_USER, kInstallerOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                             &created) == ERROR_SUCCESS &&
             created == REG_CREATED_NEW_KEY && ready_;  // none of the prefix's own to mix with
    std::istringstream list(VX_PLANTED_SYSTEM_DLLS);
    for (std::string file; std::getline(list, file, ',');) {
        ready_ = CopyFileA((ExeDirectory() + "planted\\" + file).c_str(), (folder_ / file).c_str(), FALSE) && ready_;
        // Override names: without ".dll", other suffixes kept.
        if (file.size() > 4 && lstrcmpiA(file.c_str() + file.size() - 4, ".dll") == 0) file.resize(file.size() - 4);
        static const char kNativeFirst[] = "native,builtin";
        ready_ = key &&
                 RegSetValueExA(key, file.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst),
                                sizeof kNativeFirst) == ERROR_SUCCESS &&
                 ready_;
    }
    if (key) RegCloseKey(key);
    ready_ = SetEnvironmentVariableA(kProbeMarkerVariable, marker_.c_str()) && ready_;
}

PlantedInstaller::~PlantedInstaller() {
    SetEnvironmentVariableA(kProbeMarkerVariable, nullptr);
    RegDeleteKeyA(HKEY_CURRENT_USER, kInstallerOverrides);
    RegDeleteKeyA(HKEY_CURRENT_USER, kInstallerDefaults);
}

std::string PlantedInstaller::Loaded() const { return ReadFileBytes(marker_); }

std::optional<DWORD> RunInstaller(const std::string& arguments, DWORD timeoutMs, const std::string& workingFolder) {
    Process installer("\"" + InstallerPath() + "\" " + arguments, workingFolder);
    if (!installer.started()) return std::nullopt;
    return installer.Wait(timeoutMs);
}

namespace {

struct TopSearch {
    DWORD processId;
    const std::function<bool(HWND)>* match;
    HWND found;
};

BOOL CALLBACK FindTopOf(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<TopSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search->processId || !IsWindowVisible(hwnd)) return TRUE;
    if (*search->match && !(*search->match)(hwnd)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

struct ChildSearch {
    HWND top;
    RECT rect;
    const char* className;
    HWND found;
};

BOOL CALLBACK FindChildAt(HWND hwnd, LPARAM param) {
    auto* search = reinterpret_cast<ChildSearch*>(param);
    if (GetParent(hwnd) != search->top) return TRUE;
    if (search->className) {
        char cls[64] = {};
        GetClassNameA(hwnd, cls, sizeof cls);
        if (lstrcmpiA(cls, search->className) != 0) return TRUE;
    }
    RECT r;
    GetWindowRect(hwnd, &r);
    MapWindowPoints(nullptr, search->top, reinterpret_cast<POINT*>(&r), 2);
    if (!EqualRect(&r, &search->rect)) return TRUE;
    search->found = hwnd;
    return FALSE;
}

}  // namespace

HWND VisibleTopWindowOf(DWORD processId, const std::function<bool(HWND)>& match) {
    TopSearch search{processId, &match, nullptr};
    EnumWindows(FindTopOf, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND WaitForTopWindowOf(DWORD processId, const std::function<bool(HWND)>& match, DWORD timeoutMs) {
    HWND found = nullptr;
    PollUntil([&] { return (found = VisibleTopWindowOf(processId, match)) != nullptr; }, timeoutMs);
    return found;
}

HWND WaitForInstallerWindow(DWORD processId, DWORD timeoutMs, int dpi) {
    return WaitForTopWindowOf(
        processId,
        [dpi](HWND hwnd) {
            RECT client;
            return GetClientRect(hwnd, &client) && client.right == MulDiv(559, dpi, 96) &&
                   client.bottom == MulDiv(400, dpi, 96);
        },
        timeoutMs);
}

HWND WaitForMessageBoxOf(DWORD processId, DWORD timeoutMs) {
    return WaitForTopWindowOf(
        processId,
        [](HWND hwnd) {
            char cls[16] = {};
            GetClassNameA(hwnd, cls, sizeof cls);
            return std::strcmp(cls, "#32770") == 0;
        },
        timeoutMs);
}

HWND ChildAt(HWND top, int x, int y, int width, int height, const char* className) {
    ChildSearch search{top, {x, y, x + width, y + height}, className, nullptr};
    EnumChildWindows(top, FindChildAt, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

POINT ScreenPoint(HWND hwnd, int x, int y) {
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    return p;
}

std::string WindowText(HWND hwnd) {
    char text[4096] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                             &copied))
        return "";
    return std::string(text, strnlen(text, sizeof text));
}

bool PollUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    for (DWORD start = GetTickCount();; Sleep(20)) {
        if (done()) return true;
        if (GetTickCount() - start > timeoutMs) return done();
    }
}

std::string ArtefactPath(const std::string& name) { return std::string(VX_ARTEFACT_DIR) + "\\" + name; }

std::string SaveScreen(const std::string& name) {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as a BMP file stores it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::string path;
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        DWORD imageSize = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof file + sizeof info.bmiHeader;
        file.bfSize = file.bfOffBits + imageSize;
        std::string target = ArtefactPath(name);
        std::ofstream out(target, std::ios::binary);
        out.write(reinterpret_cast<const char*>(&file), sizeof file);
        out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
        out.write(static_cast<const char*>(bits), imageSize);
        if (out) path = target;
    }
    if (bitmap) DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return path;
}

// DefineDosDevice is not enough: wine's file lookup only follows the
// dosdevices links. An existing drive of that letter that is not ours is
// left alone and fails the test.
MappedDrive::MappedDrive(char letter, unsigned long tmpfsBytes) : letter_(letter) {
    const std::string folder = Folder(), link = std::string("dosdevices/") + char(letter - 'A' + 'a') + ":";
    if (!RunUnix("cd \\\"$WINEPREFIX\\\" && mkdir -p " + folder + " && { test ! -e " + link + " -a ! -L " + link +
                 " || test \\\"$(readlink " + link + ")\\\" = ../" + folder + "; }"))
        return;
    if (tmpfsBytes) {
        mounted_ = RunUnix("cd \\\"$WINEPREFIX\\\" && mount -t tmpfs -o size=" + std::to_string(tmpfsBytes) +
                           " tmpfs " + folder);
        if (!mounted_) return;
    }
    mapped_ = RunUnix("cd \\\"$WINEPREFIX\\\" && ln -sfn ../" + folder + " " + link);
    if (mapped_) Empty();
}

MappedDrive::~MappedDrive() {
    const std::string link = std::string("dosdevices/") + char(letter_ - 'A' + 'a') + ":";
    if (mapped_) Empty();
    if (mapped_) RunUnix("cd \\\"$WINEPREFIX\\\" && rm -f " + link);
    if (mounted_) RunUnix("cd \\\"$WINEPREFIX\\\" && umount " + Folder());
    if (mapped_ || mounted_) RunUnix("cd \\\"$WINEPREFIX\\\" && rm -rf " + Folder());
}

bool MappedDrive::Ready() const { return mapped_ && GetDriveTypeA(Root().c_str()) == DRIVE_FIXED; }

std::vector<std::string> MappedDrive::Listing() const { return installer::Listing(Root().substr(0, 2)); }

void MappedDrive::Empty() const {
    for (const std::string& name : Listing()) {
        std::string path = Root() + name;
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
        else DeleteFileA(path.c_str());
    }
}

}  // namespace vx::test::installer
