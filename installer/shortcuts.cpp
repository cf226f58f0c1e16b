// Shortcut files written through the shell's automation object, and the
// step after the install worker: shortcuts, launch, end.
#include "installer/installer.h"
#include "installer/phases.h"
#include "installer/units.h"
#include "runtime/com/com_object.h"
#include "runtime/commands/commands.h"

namespace vx::installer {
namespace {

namespace iw = installer_window;

// An automation object variable of a procedure: it holds the address of its
// record block (none until first assigned), disposed of when it goes.
struct ObjectVariable {
    ObjectRecord* record = nullptr;
    ObjectVariable() = default;
    ObjectVariable(const ObjectVariable&) = delete;
    ObjectVariable& operator=(const ObjectVariable&) = delete;
    ~ObjectVariable() { DisposeObject(record); }
    void Clear() { ClearObject(record); }
    void Take(ObjectRecord* fresh) {
        DisposeObject(record);
        record = fresh;
    }
    ValueRecord Ref() { return ValueRecord::OfAddress(&record, type::ComObject | type::ByAddress); }
    ValueRecord Value() { return ValueRecord::OfAddress(record, type::ComObject); }
};

bool SetProperty(ObjectVariable& object, const char* name, ValueRecord value) {
    return Call(ObjectSetProperty, {object.Value(), Arg(name), value}).Bool();
}

std::string Folder(int32_t kind) {
    Text folder = TextOf(CallLibrary(kSystemInterfaceLibrary, commands::SpecialFolderPath, {Arg(kind)}));
    return folder.str();
}

}  // namespace

bool CreateShortcutFile(std::string& linkPath, const std::string& target, const char* description,
                        const char* arguments, const char* workingFolder, const char* iconFile, const char* hotKey,
                        const int32_t* windowStyle) {
    constexpr char kLinkEnding[] = ".lnk";
    Text tail = TextOf(Call(commands::RightText, {Arg(linkPath), Arg(int32_t(sizeof kLinkEnding - 1))}));
    Text lowered = TextOf(Call(commands::ToLowerCase, {Arg(tail.get())}));
    if (lowered.view() != kLinkEnding) linkPath += kLinkEnding;

    ObjectVariable shell, shortcut;
    Call(ObjectCreate, {shell.Ref(), Arg("WScript.Shell")});
    ValueRecord created = Call(ObjectCallMethodForObject, {shell.Value(), Arg("CreateShortcut"), Arg(linkPath)});
    shortcut.Take(created.Address<ObjectRecord>());  // a fresh block the variable now owns

    // The texts go by reference, as procedure variables do: in a runtime
    // block, which a write-back may free and replace.
    char* targetVar = NewText(target);
    SetProperty(shortcut, "TargetPath", ValueRecord::OfAddress(&targetVar, type::Text | type::ByAddress));
    Free(targetVar);
    if (iconFile) {
        std::string icon = std::string(iconFile) + ", 0";
        SetProperty(shortcut, "IconLocation", Arg(icon));
    }
    if (description) SetProperty(shortcut, "Description", Arg(description));
    if (arguments) SetProperty(shortcut, "Arguments", Arg(arguments));
    if (hotKey) SetProperty(shortcut, "Hotkey", Arg(hotKey));
    if (workingFolder) SetProperty(shortcut, "WorkingDirectory", Arg(workingFolder));
    if (windowStyle && (*windowStyle == 1 || *windowStyle == 2))
        SetProperty(shortcut, "WindowStyle", Arg(*windowStyle == 1 ? 7 : 3));
    Call(ObjectCallMethod, {shortcut.Value(), Arg("Save")});
    Text error = TextOf(Call(ObjectLastError, {shortcut.Value()}));
    shell.Clear();
    shortcut.Clear();
    return error.empty();
}

void RunShortcutStep(const std::string& registeredFolder) {
    std::string programs = Folder(commands::kFolderPrograms);
    std::string desktopLink = Folder(commands::kFolderDesktop) + "Vexilo.lnk";
    std::string menu = programs + "TolvanePC\\Vexilo\\";
    const bool upgrade = !registeredFolder.empty() && FileExists(registeredFolder);
    auto folder = [&] {
        if (upgrade) return registeredFolder;
        return GetText(iw::kId, iw::kPathEdit, property::kContent).str() + "\\Vexilo";
    };

    Call(commands::DirectoryCreate, {Arg(programs + "TolvanePC")});
    Call(commands::DirectoryCreate, {Arg(programs + "TolvanePC\\Vexilo")});
    std::string programLink = menu + "Vexilo.lnk";
    std::string uninstallLink = menu + "卸载.lnk";
    auto makeProgramLink = [&] {
        std::string f = folder();
        CreateShortcutFile(programLink, "\"" + f + "\\Kandor.exe\"", "Tolvane", nullptr, f.c_str(), nullptr, nullptr,
                           nullptr);
    };
    auto makeUninstallLink = [&] {
        std::string f = folder();
        std::string icon = f + "\\image\\Uninstall.ico";
        CreateShortcutFile(uninstallLink, "\"" + f + "\\Uninstall.exe\"", "Tolvane", nullptr, f.c_str(), icon.c_str(),
                           nullptr, nullptr);
    };
    if (upgrade) {
        // An upgrade keeps the shortcuts the user has; missing ones return.
        if (!FileExists(programLink)) makeProgramLink();
        if (!FileExists(desktopLink)) Call(commands::FileCopy, {Arg(programLink), Arg(desktopLink)});
        if (!FileExists(uninstallLink)) makeUninstallLink();
    } else {
        makeProgramLink();
        Call(commands::FileCopy, {Arg(programLink), Arg(desktopLink)});
        makeUninstallLink();
    }
    MarkPhase("linked");
    if (!gSilentMode) {
        // Quoted: unquoted, "C:\Program Files\..." would start C:\Program.exe.
        std::string command = "\"" + folder() + "\\Kandor.exe\" -1000";
        Call(commands::RunProgram, {Arg(command), Arg(false)});
        MarkPhase("handed off");
        EndProgram(kExitSuccess);
    }
}

}  // namespace vx::installer
