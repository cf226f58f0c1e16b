// Uninstall.exe: removes Vexilo from the folder it sits in.
//   Uninstall.exe [/S]   /S: no questions and no messages
// Exit code: 0 removed, 1 cancelled, 2 no installation here, 3 something
// stayed behind (the product did not close, a file could not be deleted),
// -1 a system DLL or function is missing.
#include <windows.h>

#include <cstring>
#include <string>

#include "product/common/product_files.h"
#include "product/uninstall/handoff.h"
#include "product/uninstall/removal.h"

namespace {

constexpr char kCaption[] = "Vexilo 卸载";
constexpr DWORD kCloseWaitMs = 10000;

enum ExitCode { kRemoved = 0, kCancelled = 1, kNoInstallation = 2, kIncomplete = 3 };

bool IsSilentFlag(const char* arg) { return lstrcmpiA(arg, "/S") == 0 || lstrcmpiA(arg, "-S") == 0; }

int Uninstall(bool silent) {
    using namespace vx::uninstall;
    std::string folder = vx::product::ModuleFolder();
    char ownPath[MAX_PATH * 2] = {};
    GetModuleFileNameA(nullptr, ownPath, sizeof ownPath);
    bool runsFromFolder = SamePath(ownPath, folder + "\\" + kUninstallerName);
    Removal removal(folder, runsFromFolder ? std::string(ownPath) : std::string());
    if (!removal.IsInstallation()) {
        if (!silent) MessageBoxA(nullptr, "此文件夹中没有找到 Vexilo 的安装。", kCaption, MB_OK | MB_ICONSTOP);
        return kNoInstallation;
    }
    if (!silent && MessageBoxA(nullptr, "确定要从此计算机上完全删除 Vexilo 吗？", kCaption,
                               MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2) != IDOK)
        return kCancelled;

    bool ok = removal.CloseRunningProduct(kCloseWaitMs);
    // Shortcuts and key of another registered installation are not ours.
    if (removal.OwnsRegistration()) ok = removal.RemoveRegistration() && ok;
    ok = removal.RemoveFiles() && ok;
    Removal::RemoveInstallerArchive();
    if (runsFromFolder) ok = HandOffOwnRemoval(ownPath, folder) && ok;
    else
        ok = (DeleteFileA((folder + "\\" + kUninstallerName).c_str()) ||
              GetFileAttributesA((folder + "\\" + kUninstallerName).c_str()) == INVALID_FILE_ATTRIBUTES) &&
             ok;
    if (!runsFromFolder) RemoveInstallFolder(folder);

    if (!silent)
        MessageBoxA(nullptr, ok ? "Vexilo 已成功从您的计算机上删除。" : "部分文件未能删除，请关闭 Vexilo 后再试一次。",
                    kCaption, MB_OK | (ok ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    return ok ? kRemoved : kIncomplete;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    vx::product::LoadDllsFromSystemFolderOnly();
    if (__argc == 4 && std::strcmp(__argv[1], vx::uninstall::kFinishFlag) == 0)
        return vx::uninstall::FinishOwnRemoval(__argv[2], __argv[3]);
    bool silent = false;
    for (int i = 1; i < __argc; ++i)
        if (IsSilentFlag(__argv[i])) silent = true;
    return Uninstall(silent);
}
