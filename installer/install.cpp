// The install procedure: runs on its own worker thread, writes the payload
// archive out, keeps the user's settings across an upgrade, extracts, and
// registers the product for uninstalling.
#include <windows.h>

#include <cstring>
#include <string>

#include "installer/installer.h"
#include "installer/units.h"
#include "runtime/commands/commands.h"
#include "runtime/text.h"
#include "runtime/zip/extraction.h"

extern "C" const unsigned char vxPayloadByteSet[];

namespace vx::installer {
namespace {

namespace iw = installer_window;

constexpr char kProductTitle[] = "TolvanePC-Vexilo";
constexpr DWORD kProductCloseTimeoutMs = 10000;

bool FileExists(const std::string& path) { return Call(commands::FileExists, {Arg(path)}).Bool(); }
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

// "The folder could not be created": nothing is rolled back.
[[noreturn]] void FolderFailure() {
    if (!SilentMode) Call(commands::ShowMessageBox, {Arg("目录创建失败，安装终止"), Arg(16)});
    EndProgram(kExitFolderNotCreated);
}

// An extraction that did not finish must not be registered, linked or
// started as if it had.
[[noreturn]] void ExtractionFailure() {
    if (!SilentMode) Call(commands::ShowMessageBox, {Arg("安装文件解压失败，安装终止"), Arg(16)});
    EndProgram(kExitExtractionFailed);
}

template <class Fn>
Fn Dll(DllCommandNumber k) {
    return reinterpret_cast<Fn>(ResolveDllCommand(k));
}

// Asks a running product to close and waits (bounded) for its process to
// end, so that extraction does not meet its files still in use.
void CloseRunningProduct(const std::string& folder) {
    Text handleText = IniRead(folder + "\\win.lock", "传递", "窗口句柄");
    int32_t handle = Call(commands::ToInteger, {Arg(handleText.get())}).Int();
    Text title = TextOf(CallLibrary(kApplicationInterfaceLibrary, commands::GetWindowTextByHandle, {Arg(handle)}));
    if (title.view() != kProductTitle) return;
    HWND window = reinterpret_cast<HWND>(static_cast<intptr_t>(handle));

    DWORD processId = 0;
    Dll<DWORD(WINAPI*)(HWND, DWORD*)>(kDllGetWindowThreadProcessId)(window, &processId);
    HANDLE process = processId ? Dll<HANDLE(WINAPI*)(DWORD, BOOL, DWORD)>(kDllOpenProcess)(SYNCHRONIZE, FALSE, processId)
                               : nullptr;
    Dll<BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM)>(kDllPostMessage)(window, WM_CLOSE, 0, 0);
    if (process) {
        Dll<DWORD(WINAPI*)(HANDLE, DWORD)>(kDllWaitForSingleObject)(process, kProductCloseTimeoutMs);
        Dll<BOOL(WINAPI*)(HANDLE)>(kDllCloseHandle)(process);
    }
}

// The archive as written to the temporary folder, held open from the write
// until extraction has finished: read sharing only, so no other process can
// swap it in between (the installer may be running elevated).
class PayloadFile {
public:
    explicit PayloadFile(std::string path) : path_(std::move(path)) {}
    ~PayloadFile() { Close(); }
    PayloadFile(const PayloadFile&) = delete;
    PayloadFile& operator=(const PayloadFile&) = delete;

    // Writes the archive in one piece straight from the constant data, then
    // takes the guard and checks that the file holds what was written.
    bool WriteAndHold() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            Call(commands::FileWrite, {Arg(path_), ValueRecord::OfBytes(vxPayloadByteSet)});
            guard_ = Dll<HANDLE(WINAPI*)(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE)>(
                kDllCreateFile)(path_.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
            if (guard_ == INVALID_HANDLE_VALUE) {
                guard_ = nullptr;
                continue;
            }
            if (HoldsPayload()) return true;
            Close();
        }
        return false;
    }

    void Close() {
        if (guard_) Dll<BOOL(WINAPI*)(HANDLE)>(kDllCloseHandle)(guard_);
        guard_ = nullptr;
    }
    const std::string& path() const { return path_; }

private:
    bool HoldsPayload() {
        auto read = Dll<BOOL(WINAPI*)(HANDLE, void*, DWORD, DWORD*, LPOVERLAPPED)>(kDllReadFile);
        const uint8_t* expected = ByteSetData(vxPayloadByteSet);
        size_t remaining = ByteSetSize(vxPayloadByteSet);
        static thread_local uint8_t buffer[64 * 1024];
        for (;;) {
            DWORD got = 0;
            if (!read(guard_, buffer, sizeof buffer, &got, nullptr)) return false;
            if (got == 0) return remaining == 0;
            if (got > remaining || std::memcmp(buffer, expected, got) != 0) return false;
            expected += got;
            remaining -= got;
        }
    }

    std::string path_;
    HANDLE guard_ = nullptr;
};

std::string TemporaryArchivePath() {
    Text temp = TextOf(CallLibrary(kSystemInterfaceLibrary, commands::SpecialFolderPath, {Arg(11)}));
    return temp.str() + "qvzip.zip";
}

int32_t ExtractPayload(const std::string& archive, const std::string& folder) {
    return CallLibrary(kArchiveLibrary, zip::ExtractCommand,
                       {WindowRef(iw::kId, iw::kZip), Arg(archive), Arg(folder)})
        .Int();
}

// The user's settings set aside before extraction, so the upgrade keeps them.
struct SetAside {
    bool collection = false, boot = false, imageBoot = false, logo = false;
};

SetAside SetSettingsAside(const std::string& f) {
    SetAside s;
    s.collection = FileMove(f + "\\Collection\\Collection.ini", f + "\\Collection\\Collections.ini");
    s.boot = FileMove(f + "\\boot.ini", f + "\\boots.ini");
    s.imageBoot = FileMove(f + "\\image\\boot.ini", f + "\\image\\boots.ini");
    s.logo = FileMove(f + "\\image\\logo.png", f + "\\image\\logos.png");
    return s;
}

// Removes the top-level files of an earlier installation, keeping the two
// files set aside there. Only a folder that holds the product is cleaned:
// RunPath could name any folder, and its other files are not ours.
void CleanTopLevel(const std::string& folder) {
    if (!FileExists(folder + "\\Kandor.exe") && !FileExists(folder + "\\Uninstall.exe")) return;
    intptr_t search = 0;
    std::string pattern = folder + "\\*";
    for (Text name(FindFile(pattern.c_str(), 0, true, &search)); !name.empty();
         name = Text(FindFile(nullptr, 0, true, &search))) {
        if (name.view() != "Collections.ini" && name.view() != "boots.ini") FileDelete(folder + "\\" + name.str());
    }
    EndSearch(search);
}

// A file set aside takes its own name again, in place of the extracted one.
void MoveBack(const std::string& f, bool movedAside, const char* name, const char* aside) {
    if (!movedAside) return;  // keep the extracted file
    FileDelete(f + name);
    FileMove(f + aside, f + name);
}

// An upgrade that cannot finish puts the user's settings files back under
// their own names, in place of whatever the extraction left there.
void PutSettingsBack(const std::string& f, const SetAside& s) {
    MoveBack(f, s.collection, "\\Collection\\Collection.ini", "\\Collection\\Collections.ini");
    MoveBack(f, s.boot, "\\boot.ini", "\\boots.ini");
    MoveBack(f, s.imageBoot, "\\image\\boot.ini", "\\image\\boots.ini");
    MoveBack(f, s.logo, "\\image\\logo.png", "\\image\\logos.png");
}

void RestoreLogo(const std::string& f, const SetAside& s) {
    MoveBack(f, s.logo, "\\image\\logo.png", "\\image\\logos.png");
}

void CarryLogoSetting(const std::string& f, const SetAside& s) {
    if (!s.imageBoot) return;
    Text logo = IniRead(f + "\\image\\boots.ini", "配置", "logo");
    IniWrite(f + "\\image\\boot.ini", "配置", "logo", logo.get());
    FileDelete(f + "\\image\\boots.ini");
}

void WriteFixedSettings(const std::string& f) {
    static const char* const kValues[][3] = {
        {"功能", "6", "原始桌面"},   {"功能", "7", "QV桌面 A"},    {"功能", "8", "QV桌面 B"},
        {"功能", "9", "桌面设置"},   {"功能", "10", "退出桌面"},   {"功能", "调节方式", "1"},
        {"功能", "滤镜颜色", "255"}, {"热键", "增亮", "2"},        {"热键", "增亮按键", "50"},
        {"热键", "调暗", "2"},       {"热键", "调暗按键", "49"},
    };
    std::string boot = f + "\\boot.ini";
    for (const auto& v : kValues) IniWrite(boot, v[0], v[1], v[2]);
    FileDelete(f + "\\boots.ini");
}

std::string IconSection(int32_t n) {
    Text number = TextOf(Call(commands::ToText, {Arg(n)}));
    return "图标" + number.str();
}

// The user's shortcut list survives; entries whose text the shipped list
// also has take the shipped name.
void MergeCollection(const std::string& f, const SetAside& s) {
    if (!s.collection) return;  // keep the extracted list
    std::string oldFile = f + "\\Collection\\Collections.ini";
    std::string newFile = f + "\\Collection\\Collection.ini";
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
                IniWrite(oldFile, IconSection(k).c_str(), "名称", name.get());
                break;
            }
        }
        ++k;
        t = IniRead(oldFile, IconSection(k).c_str(), "文本");
    }
    FileDelete(newFile);
    FileMove(oldFile, newFile);
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
}

void ShowRegistering() {
    SetNumber(iw::kId, iw::kProgressBar, property::kPosition, 100);
    SetText(iw::kId, iw::kStatusLine, property::kContent, "正在注册软件信息...");
}

void ShowLinking() { SetText(iw::kId, iw::kStatusLine, property::kContent, "正在创建快捷方式..."); }

void Upgrade(const std::string& folder) {
    if (!FileExists(folder) && !CreateFolderPath(folder.c_str())) FolderFailure();
    CloseRunningProduct(folder);
    PayloadFile payload(TemporaryArchivePath());
    bool held = payload.WriteAndHold();
    SetAside aside = SetSettingsAside(folder);
    CleanTopLevel(folder);
    int32_t result = held ? ExtractPayload(payload.path(), folder) : 0;
    payload.Close();
    if (result != 1) {
        PutSettingsBack(folder, aside);
        ExtractionFailure();
    }
    RestoreLogo(folder, aside);
    CarryLogoSetting(folder, aside);
    WriteFixedSettings(folder);
    MergeCollection(folder, aside);
    ShowRegistering();
    RegisterProduct(folder, false);
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
    if (!FileExists(folder) && !CreateFolderPath(folder.c_str())) FolderFailure();
    int32_t result = held ? ExtractPayload(payload.path(), folder) : 0;
    payload.Close();
    if (result != 1) ExtractionFailure();
    ShowRegistering();
    std::string current = GetText(iw::kId, iw::kPathEdit, property::kContent).str() + "\\Vexilo";
    RegisterProduct(current, true);
    ShowLinking();
}

}  // namespace

unsigned long __stdcall InstallThreadEntry(void*) {
    InstallFiles();
    return 0;
}

void InstallFiles() {
    Text runPath = TextOf(Call(commands::RegistryReadText, {Arg(kLocalMachine), Arg(kProductRunPath)}));
    if (!runPath.empty())
        Upgrade(runPath.str());
    else
        FreshInstall();
    SetNumber(iw::kId, iw::kCloseButton, property::kDisabled, 0);
    SetNumber(iw::kId, iw::kSelf, property::kDisabled, 0);
    InstallFinished = 1;
}

bool CreateFolderPath(const char* path) {
    auto folderExists = [](const std::string& p) {
        intptr_t search = 0;
        Text found(FindFile(p.c_str(), FILE_ATTRIBUTE_DIRECTORY, false, &search));
        EndSearch(search);
        return !found.empty();
    };
    std::string whole = path ? path : "";
    if (folderExists(whole)) return true;
    auto find = [&](int32_t from) {
        return Call(commands::FindText, {Arg(whole), Arg("\\"), Arg(from)}).Int();
    };
    int32_t p = find(1);
    if (p != -1) {
        p = find(p + 1);  // past the backslash of a drive root such as "C:\"
        while (p != -1) {
            Text prefix = TextOf(Call(commands::LeftText, {Arg(whole), Arg(p - 1)}));
            if (!folderExists(prefix.str()) && !Call(commands::DirectoryCreate, {Arg(prefix.get())}).Bool())
                return false;
            p = find(p + 1);
        }
    }
    return Call(commands::DirectoryCreate, {Arg(whole)}).Bool();
}

}  // namespace vx::installer
