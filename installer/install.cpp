// The install procedure: runs on its own worker thread, writes the payload
// archive out, keeps the user's settings across an upgrade, extracts, and
// registers the product for uninstalling.
//
// Nothing of an earlier installation is touched before everything that can
// be known in advance has been checked (the product has ended, the archive is
// written and held, the drive has room), and every step after that can be
// run again: an upgrade cut short by a crash or a power cut is completed by
// the next run. A fresh install that fails takes away what it added.
#include <windows.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "installer/installer.h"
#include "installer/phases.h"
#include "installer/units.h"
#include "runtime/commands/commands.h"
#include "runtime/win32/handle_owner.h"
#include "runtime/base/text.h"
#include "runtime/threads/threads.h"
#include "runtime/zip/archive_reader.h"
#include "runtime/zip/extraction.h"

extern "C" const unsigned char vxPayloadByteSet[];

namespace vx::installer {
namespace {

namespace iw = installer_window;

constexpr char kProductTitle[] = "TolvanePC-Vexilo";
constexpr DWORD kProductCloseTimeoutMs = 10000;
constexpr int32_t kStopMessage = MB_OK | MB_ICONSTOP;
// What an extracted file takes beyond its bytes at most (one allocation
// unit), and room for the settings files while both copies exist.
constexpr uint64_t kAllocationUnit = 4096;
constexpr uint64_t kSettingsRoom = 64 * 1024;
// The product key as a 32-bit installer sees it (advapi32 view flag).
constexpr char kProductKey32[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\qvtlpc_kandor";

bool FileDelete(const std::string& path) { return Call(commands::FileDelete, {Arg(path)}).Bool(); }
bool FileMove(const std::string& from, const std::string& to) {
    return Call(commands::FileMove, {Arg(from), Arg(to)}).Bool();
}
Text IniRead(const std::string& file, const char* section, const char* key) {
    return TextOf(Call(commands::IniRead, {Arg(file), Arg(section), Arg(key)}));
}
void IniWrite(const std::string& file, const char* section, const char* key, const char* value) {
    Call(commands::IniWrite, {Arg(file), Arg(section), Arg(key), Arg(value)});
}
void RegistryWrite(const char* name, const std::string& value) {
    std::string path = std::string(kProductKey) + name;
    Call(commands::RegistryWrite, {Arg(kLocalMachine), Arg(path), Arg(value)});
}

template <class Fn>
Fn Dll(DllCommandNumber k) {
    return reinterpret_cast<Fn>(ResolveDllCommand(k));
}

// Why an installation ends before it is complete, what the user is told
// (not in silent mode) and the exit code.
enum class Failure { kFolderNotCreated, kProductStillRunning, kArchiveNotHeld, kNoRoom, kExtraction };
struct FailureReport {
    Failure failure;
    const char* message;
    ExitCode code;
};
constexpr FailureReport kFailureReports[] = {
    {Failure::kFolderNotCreated, "目录创建失败，安装终止", kExitFolderNotCreated},
    {Failure::kProductStillRunning, "Vexilo 仍在运行，无法升级，安装终止", kExitExtractionFailed},
    {Failure::kArchiveNotHeld, "安装文件无法写入临时文件夹，安装终止", kExitExtractionFailed},
    {Failure::kNoRoom, "磁盘空间不足，安装终止", kExitExtractionFailed},
    {Failure::kExtraction, "安装文件解压失败，安装终止", kExitExtractionFailed},
};

// Nothing is registered, linked or started after a failure.
[[noreturn]] void Fail(Failure failure) {
    for (const FailureReport& r : kFailureReports) {
        if (r.failure != failure) continue;
        if (!gSilentMode) Call(commands::ShowMessageBox, {Arg(r.message), Arg(kStopMessage)});
        EndProgram(r.code);
    }
    EndProgram(kExitExtractionFailed);
}

// Asks a running product to close and waits (bounded) for its process to
// end, so that extraction does not meet its files still in use. False when
// it is still running.
bool CloseRunningProduct(const std::string& folder) {
    Text handleText = IniRead(folder + "\\win.lock", "传递", "窗口句柄");
    int32_t handle = Call(commands::ToInteger, {Arg(handleText.get())}).Int();
    Text title = TextOf(CallLibrary(kApplicationInterfaceLibrary, commands::GetWindowTextByHandle, {Arg(handle)}));
    if (title.view() != kProductTitle) return true;
    HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(handle));

    DWORD processId = 0;
    Dll<DWORD(WINAPI*)(HWND, DWORD*)>(kDllGetWindowThreadProcessId)(window, &processId);
    HANDLE process =
        processId ? Dll<HANDLE(WINAPI*)(DWORD, BOOL, DWORD)>(kDllOpenProcess)(SYNCHRONIZE, FALSE, processId) : nullptr;
    Dll<BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM)>(kDllPostMessage)(window, WM_CLOSE, 0, 0);
    if (!process) return true;  // nothing to wait on: extraction will tell
    DWORD waited = Dll<DWORD(WINAPI*)(HANDLE, DWORD)>(kDllWaitForSingleObject)(process, kProductCloseTimeoutMs);
    Dll<BOOL(WINAPI*)(HANDLE)>(kDllCloseHandle)(process);
    return waited == WAIT_OBJECT_0;
}

// The archive as written to the temporary folder, held open from its
// creation until extraction has finished. The installer may run elevated
// and the folder belongs to the user, so anything at that path may have
// been put there by another program: last run's archive, or a hard or
// symbolic link that would redirect the write onto another file.
class PayloadFile {
public:
    explicit PayloadFile(std::string path) : path_(std::move(path)) {}
    ~PayloadFile() { Close(); }
    PayloadFile(const PayloadFile&) = delete;
    PayloadFile& operator=(const PayloadFile&) = delete;

    // Removes what stands at the path (a link goes, never what it points
    // to), creates a new file shared for reading only and writes the archive
    // through that handle in one piece straight from the constant data. No
    // other process can have opened, mapped or swapped a file that this run
    // created with that sharing, so nothing needs reading back; the handle
    // stays as the guard. A file that cannot be removed, or a name taken
    // again in between, holds nothing.
    bool WriteAndHold() {
        auto create =
            Dll<HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)>(kDllCreateFile);
        for (int attempt = 0; attempt < kHoldAttempts; ++attempt) {
            DeleteFileA(path_.c_str());
            HANDLE file = create(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) continue;
            guard_ = file;
            const DWORD size = static_cast<DWORD>(ByteSetSize(vxPayloadByteSet));
            DWORD written = 0;
            const bool whole =
                WriteFile(file, ByteSetData(vxPayloadByteSet), size, &written, nullptr) && written == size;
            MarkPhase("archive written");
            if (whole) return true;
            Close();  // a full disk: no half archive left behind
            DeleteFileA(path_.c_str());
            return false;
        }
        return false;
    }

    void Close() {
        if (guard_) Dll<BOOL(WINAPI*)(HANDLE)>(kDllCloseHandle)(guard_);
        guard_ = nullptr;
    }
    const std::string& path() const { return path_; }

private:
    static constexpr int kHoldAttempts = 3;

    std::string path_;
    HANDLE guard_ = nullptr;
};

std::string TemporaryArchivePath() {
    Text temp =
        TextOf(CallLibrary(kSystemInterfaceLibrary, commands::SpecialFolderPath, {Arg(commands::kFolderTemporary)}));
    return temp.str() + "qvzip.zip";
}

int32_t ExtractPayload(const std::string& archive, const std::string& folder) {
    MarkPhase("checked");
    int32_t result =
        CallLibrary(kArchiveLibrary, zip::ExtractCommand, {WindowRef(iw::kId, iw::kZip), Arg(archive), Arg(folder)})
            .Int();
    MarkPhase("extracted");
    return result;
}

uint64_t RoundUp(uint64_t bytes) { return (bytes + kAllocationUnit - 1) / kAllocationUnit * kAllocationUnit; }

uint64_t ExistingFileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return 0;
    return (uint64_t(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// Whether the folder's drive has room for what the archive adds to it: every
// entry rounded up to an allocation unit, less what a file it replaces holds.
// An archive that cannot be read has no room anywhere.
bool RoomFor(const std::string& archive, const std::string& folder) {
    zip::ArchiveReader reader;
    if (reader.Open(archive.c_str()) != zip::kOk) return false;
    uint64_t needed = kSettingsRoom;
    for (int32_t i = 0; i < reader.EntryCount(); ++i) {
        zip::ZipEntry entry;
        if (reader.GetEntry(i, entry) != zip::kOk) return false;
        std::string name = entry.name;
        for (char& c : name)  // '/' is never a trail byte
            if (c == '/') c = '\\';
        uint64_t size = RoundUp(entry.uncompressedSize) + kAllocationUnit;  // and its directory entry
        uint64_t present = RoundUp(ExistingFileSize(folder + "\\" + name));
        if (size > present) needed += size - present;
    }
    ULARGE_INTEGER available{};
    auto freeSpace =
        Dll<BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER)>(kDllGetDiskFreeSpaceEx);
    if (!freeSpace((folder + "\\").c_str(), &available, nullptr, nullptr)) return true;  // unknown: try
    return available.QuadPart >= needed;
}

// The user's settings files and the names they are set aside under while the
// payload is extracted over them.
struct SettingsFile {
    const char* name;
    const char* aside;
};
constexpr SettingsFile kCollectionFile{"\\Collection\\Collection.ini", "\\Collection\\Collections.ini"};
constexpr SettingsFile kBootFile{"\\boot.ini", "\\boots.ini"};
constexpr SettingsFile kImageBootFile{"\\image\\boot.ini", "\\image\\boots.ini"};
constexpr SettingsFile kLogoFile{"\\image\\logo.png", "\\image\\logos.png"};
constexpr const SettingsFile* kSettingsFiles[] = {&kCollectionFile, &kBootFile, &kImageBootFile, &kLogoFile};

// Whether a file is set aside is what the disk says, not what this run did:
// an upgrade cut short leaves the user's file under its set-aside name, and
// the next run takes it from there instead of setting a copy over it.
bool IsAside(const std::string& f, const SettingsFile& file) { return FileExists(f + file.aside); }

void SetSettingsAside(const std::string& f) {
    for (const SettingsFile* file : kSettingsFiles)
        if (!IsAside(f, *file)) FileMove(f + file->name, f + file->aside);
}

// Removes the top-level files of an earlier installation, keeping the two
// files set aside there. Only a folder that holds the product (or an upgrade
// of it cut short) is cleaned: RunPath could name any folder, and its other
// files are not ours.
void CleanTopLevel(const std::string& folder) {
    if (!FileExists(folder + "\\Kandor.exe") && !FileExists(folder + "\\Uninstall.exe") && !IsAside(folder, kBootFile))
        return;
    intptr_t search = 0;
    std::string pattern = folder + "\\*";
    for (Text name(FindFile(pattern.c_str(), 0, true, &search)); !name.empty();
         name = Text(FindFile(nullptr, 0, true, &search))) {
        if (name.view() != "Collections.ini" && name.view() != "boots.ini") FileDelete(folder + "\\" + name.str());
    }
    EndSearch(search);
}

// A file set aside takes its own name again, in place of the extracted one.
void MoveBack(const std::string& f, const SettingsFile& file) {
    if (!IsAside(f, file)) return;  // keep the extracted file
    FileDelete(f + file.name);
    FileMove(f + file.aside, f + file.name);
}

// An upgrade that cannot finish puts the user's settings files back under
// their own names, in place of whatever the extraction left there.
void PutSettingsBack(const std::string& f) {
    for (const SettingsFile* file : kSettingsFiles) MoveBack(f, *file);
}

void CarryLogoSetting(const std::string& f) {
    if (!IsAside(f, kImageBootFile)) return;
    Text logo = IniRead(f + kImageBootFile.aside, "配置", "logo");
    IniWrite(f + kImageBootFile.name, "配置", "logo", logo.get());
    FileDelete(f + kImageBootFile.aside);
}

void WriteFixedSettings(const std::string& f) {
    static const char* const kValues[][3] = {
        {"功能", "6", "原始桌面"},  {"功能", "7", "QV桌面 A"}, {"功能", "8", "QV桌面 B"},   {"功能", "9", "桌面设置"},
        {"功能", "10", "退出桌面"}, {"功能", "调节方式", "1"}, {"功能", "滤镜颜色", "255"}, {"热键", "增亮", "2"},
        {"热键", "增亮按键", "50"}, {"热键", "调暗", "2"},     {"热键", "调暗按键", "49"},
    };
    std::string boot = f + kBootFile.name;
    for (const auto& v : kValues) IniWrite(boot, v[0], v[1], v[2]);
    FileDelete(f + kBootFile.aside);
}

std::string IconSection(int32_t n) {
    Text number = TextOf(Call(commands::ToText, {Arg(n)}));
    return "图标" + number.str();
}

// The user's shortcut list survives; entries whose text the shipped list
// also has take the shipped name. The names are written into a copy of the
// user's list, never into the only copy: a profile write cut short leaves a
// truncated file, and the set-aside list has to survive any cut to be
// merged again by the next run.
void MergeCollection(const std::string& f) {
    if (!IsAside(f, kCollectionFile)) return;  // keep the extracted list
    std::string oldFile = f + kCollectionFile.aside;
    std::string newFile = f + kCollectionFile.name;
    std::string merged = f + "\\Collection\\Collections.tmp";
    Call(commands::FileCopy, {Arg(oldFile), Arg(merged)});
    int32_t k = 1;
    Text t = IniRead(oldFile, IconSection(k).c_str(), "文本");
    Text count = IniRead(newFile, "配置", "个数");
    int32_t n = Call(commands::ToInteger, {Arg(count.get())}).Int();
    while (!t.empty()) {
        for (int32_t i = 1; i <= n; ++i) {
            std::string section = IconSection(i);
            Text shipped = IniRead(newFile, section.c_str(), "文本");
            if (shipped.view() == t.view()) {
                Text name = IniRead(newFile, section.c_str(), "名称");
                IniWrite(merged, IconSection(k).c_str(), "名称", name.get());
                break;
            }
        }
        ++k;
        t = IniRead(oldFile, IconSection(k).c_str(), "文本");
    }
    FileDelete(newFile);
    FileMove(merged, newFile);
    FileDelete(oldFile);
}

void RegisterProduct(const std::string& folder, bool withRunPath) {
    std::string uninstall = "\"" + folder + "\\Uninstall.exe\"";
    RegistryWrite("UninstallString", uninstall);
    RegistryWrite("DisplayIcon", uninstall);
    RegistryWrite("DisplayName", "VexiloV1.1");
    RegistryWrite("URLInfoAbout", kMakerWebAddress);
    RegistryWrite("DisplayVersion", "V1.1");
    RegistryWrite("Publisher", "TolvanePC");
    if (withRunPath) RegistryWrite("RunPath", folder);
    MarkPhase("registered");
}

// Forgets the 32-bit view's registration once the native view has one.
void Drop32BitRegistration() {
    Dll<LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD)>(kDllRegDeleteKeyEx)(HKEY_LOCAL_MACHINE, kProductKey32,
                                                                        KEY_WOW64_32KEY, 0);
}

void ShowRegistering() {
    SetNumber(iw::kId, iw::kProgressBar, property::kPosition, 100);
    SetText(iw::kId, iw::kStatusLine, property::kContent, "正在注册软件信息...");
}

void ShowLinking() { SetText(iw::kId, iw::kStatusLine, property::kContent, "正在创建快捷方式..."); }

// Removes the folders a run made (noted outermost first) from the innermost
// out; each goes only when empty.
void RemoveFolders(const std::vector<std::string>& made) {
    for (auto level = made.rbegin(); level != made.rend(); ++level) RemoveDirectoryA(level->c_str());
}

// What a fresh install found in its folder before extracting, so that a
// failed one takes away exactly what it added, then the folders it made.
class FreshFolder {
public:
    FreshFolder(std::string folder, std::vector<std::string> made)
        : folder_(std::move(folder)), made_(std::move(made)) {
        Walk("", [this](const std::string& relative, bool) { before_.insert(relative); });
    }

    void Undo() const {
        Walk("", [this](const std::string& relative, bool isFolder) {
            if (before_.count(relative)) return;
            std::string path = folder_ + relative;
            if (isFolder) {
                RemoveDirectoryA(path.c_str());
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);  // extracted read-only
                DeleteFileA(path.c_str());
            }
        });
        RemoveFolders(made_);
    }

private:
    // Calls visit(relative path, is folder) for everything below `relative`,
    // a folder's contents before the folder itself.
    template <class Visit>
    void Walk(const std::string& relative, const Visit& visit) const {
        WIN32_FIND_DATAA data;
        FindHandle search(FindFirstFileA((folder_ + relative + "\\*").c_str(), &data));
        if (!search) return;
        do {
            if (!std::strcmp(data.cFileName, ".") || !std::strcmp(data.cFileName, "..")) continue;
            std::string child = relative + "\\" + data.cFileName;
            const bool isFolder = data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
            if (isFolder) Walk(child, visit);
            visit(child, isFolder);
        } while (FindNextFileA(search.get(), &data));
    }

    std::string folder_;
    std::vector<std::string> made_;
    std::set<std::string> before_;
};

void Upgrade(const Registration& registration) {
    const std::string& folder = registration.folder;
    if (!FileExists(folder) && !CreateFolderPath(folder.c_str())) Fail(Failure::kFolderNotCreated);
    // Everything that can be known before the first file is touched.
    if (!CloseRunningProduct(folder)) Fail(Failure::kProductStillRunning);
    PayloadFile payload(TemporaryArchivePath());
    if (!payload.WriteAndHold()) Fail(Failure::kArchiveNotHeld);
    if (!RoomFor(payload.path(), folder)) Fail(Failure::kNoRoom);

    SetSettingsAside(folder);
    CleanTopLevel(folder);
    int32_t result = ExtractPayload(payload.path(), folder);
    payload.Close();
    if (result != 1) {
        PutSettingsBack(folder);
        Fail(Failure::kExtraction);
    }
    MoveBack(folder, kLogoFile);
    CarryLogoSetting(folder);
    WriteFixedSettings(folder);
    MergeCollection(folder);
    ShowRegistering();
    // A registration found only in the 32-bit view moves to the native one.
    RegisterProduct(folder, registration.in32BitView);
    if (registration.in32BitView) Drop32BitRegistration();
    ShowLinking();
}

void FreshInstall() {
    PayloadFile payload(TemporaryArchivePath());
    bool held = payload.WriteAndHold();
    Text base = GetText(iw::kId, iw::kPathEdit, property::kContent);
    // A trail byte equal to "\" (運 is DF 5C) is half a character, no separator.
    if (text::EndsWithChar(base.view(), '\\')) {
        std::string shortened(base.view().substr(0, base.view().size() - 1));
        SetText(iw::kId, iw::kPathEdit, property::kContent, shortened.c_str());
    }
    std::string folder = GetText(iw::kId, iw::kPathEdit, property::kContent).str() + "\\Vexilo";
    if (!held) Fail(Failure::kArchiveNotHeld);
    std::vector<std::string> made;
    if (!FileExists(folder) && !CreateFolderPath(folder.c_str(), &made)) {
        RemoveFolders(made);
        Fail(Failure::kFolderNotCreated);
    }
    FreshFolder added(folder, made);
    if (!RoomFor(payload.path(), folder)) {
        added.Undo();
        Fail(Failure::kNoRoom);
    }
    int32_t result = ExtractPayload(payload.path(), folder);
    payload.Close();
    if (result != 1) {
        added.Undo();
        Fail(Failure::kExtraction);
    }
    ShowRegistering();
    std::string current = GetText(iw::kId, iw::kPathEdit, property::kContent).str() + "\\Vexilo";
    RegisterProduct(current, true);
    ShowLinking();
}

threads::Signal& InstallWorkerDone() {
    static threads::Signal done;
    return done;
}

}  // namespace

Registration FindRegistration() {
    for (const char* path : {kProductRunPath, kProductRunPath32}) {
        Text runPath = TextOf(Call(commands::RegistryReadText, {Arg(kLocalMachine), Arg(path)}));
        if (!runPath.empty()) return {runPath.str(), path == kProductRunPath32};
    }
    return {};
}

unsigned long __stdcall InstallThreadEntry(void*) {
    InstallFiles();
    return 0;
}

void InstallFiles() {
    Registration registration = FindRegistration();
    if (!registration.folder.empty()) Upgrade(registration);
    else FreshInstall();
    // The window and its close button come back on the window thread, once
    // it has seen the worker end: enabled from here, an Escape in between
    // could close the window before the shortcut step reads it.
    gInstallFinished = 1;
    InstallWorkerDone().Set();
}

void ResetInstallWorkerSignal() {
    gInstallFinished = 0;
    InstallWorkerDone().Reset();
}

void WaitForInstallWorker() {
    // The delays of the install button's wait, each ended early by the worker.
    while (!gInstallFinished) threads::DelayUntil(InstallWorkerDone(), 1000);
}

bool CreateFolderPath(const char* path) { return CreateFolderPath(path, nullptr); }

bool CreateFolderPath(const char* path, std::vector<std::string>* made) {
    auto folderExists = [](const std::string& p) {
        intptr_t search = 0;
        Text found(FindFile(p.c_str(), FILE_ATTRIBUTE_DIRECTORY, false, &search));
        EndSearch(search);
        return !found.empty();
    };
    auto create = [&](const std::string& level) {
        if (!Call(commands::DirectoryCreate, {Arg(level)}).Bool()) return false;
        if (made) made->push_back(level);
        return true;
    };
    std::string whole = path ? path : "";
    if (folderExists(whole)) return true;
    auto find = [&](int32_t from) { return Call(commands::FindText, {Arg(whole), Arg("\\"), Arg(from)}).Int(); };
    int32_t p = find(1);
    if (p != -1) {
        p = find(p + 1);  // past the backslash of a drive root such as "C:\"
        while (p != -1) {
            Text prefix = TextOf(Call(commands::LeftText, {Arg(whole), Arg(p - 1)}));
            if (!folderExists(prefix.str()) && !create(prefix.str())) return false;
            p = find(p + 1);
        }
    }
    return create(whole);
}

}  // namespace vx::installer
