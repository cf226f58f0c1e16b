// The program descriptor, the main procedure and the program's constants.
#include <windows.h>

#include <cfloat>
#include <cstring>

#include "installer/template_data.h"
#include "installer/installer.h"
#include "installer/phases.h"
#include "installer/procedures.h"
#include "installer/units.h"
#include "installer/library_table.h"
#include "runtime/process/program.h"
#include "runtime/controls/picbtn/picbtn_unit.h"
#include "runtime/controls/superbar/superbar_unit.h"
#include "runtime/controls/translabel/translabel_unit.h"
#include "runtime/windows/system/access_table.h"
#include "runtime/windows/system/window_system.h"
#include "runtime/zip/zip_unit_type.h"

namespace vx {
namespace installer {

// The site the footer link names (its caption in the window template).
const char kMakerWebAddress[] = "https://www.tolvanepc.example/vexilo/";
const char kProductKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\qvtlpc_kandor\\";
const char kProductRunPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\qvtlpc_kandor\\RunPath";
// A 64-bit program reaches the 32-bit view's key under this name.
const char kProductRunPath32[] =
    "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\qvtlpc_kandor\\RunPath";

const char kAgreementTextConstant[] =
    " 欢迎使用 Vexilo V1.1。本软件可以自由传播和复制，修改本软件须经作者同意，"
    "不得用于商业用途或任何违法用途。\r\n"
    "\r\n"
    "请支持国产软件！\r\n"
    "                                        TolvanePC 作者\r\n"
    "                                        2026年12月\r\n";

namespace {

constexpr uint32_t kStartWindowId = 0x52010001;

const char* const kDllLibraries[] = {"user32",   "",         "",         "user32",   "kernel32", "kernel32",
                                     "kernel32", "kernel32", "kernel32", "kernel32", "advapi32"};
const char* const kDllNames[] = {
    "PostMessageA", "SHBrowseForFolderA",  "SHGetPathFromIDListA", "GetWindowThreadProcessId",
    "OpenProcess",  "WaitForSingleObject", "CloseHandle",          "CreateFileA",
    "ReadFile",     "GetDiskFreeSpaceExA", "RegDeleteKeyExA"};
static_assert(sizeof kDllNames / sizeof kDllNames[0] == kDllRegDeleteKeyEx + 1);
static_assert(sizeof kDllLibraries / sizeof kDllLibraries[0] == kDllRegDeleteKeyEx + 1);

// The program's literals: its read-only data section, which holds the
// texts, the pictures, the payload archive and the window template.
struct ConstantArea {
    const uint8_t* start = nullptr;
    uint32_t length = 0;
};
ConstantArea ReadOnlyData() {
    auto* base = reinterpret_cast<const uint8_t*>(GetModuleHandleA(nullptr));
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_SECTION_HEADER* section = IMAGE_FIRST_SECTION(nt);
    for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i, ++section)
        if (std::memcmp(section->Name, ".rdata", 6) == 0)
            return {base + section->VirtualAddress, section->Misc.VirtualSize};
    return {};
}

}  // namespace
}  // namespace installer

const ProgramDescriptor& TheProgramDescriptor() {
    static const ProgramDescriptor descriptor = [] {
        installer::ConstantArea area = installer::ReadOnlyData();
        return ProgramDescriptor{
            3,
            0,
            0x10254,
            reinterpret_cast<uintptr_t>(vxProcedureTable),
            area.start,
            area.length,
            vxTemplateData,
            vxTemplateSize,
            kLibraryCount,
            kLibraries,
            sizeof installer::kDllNames / sizeof installer::kDllNames[0],
            installer::kDllLibraries,
            installer::kDllNames,
        };
    }();
    return descriptor;
}

int ProgramMain() {
    installer::MarkPhase("program main");
    // The unit types the window template uses, then the window system itself.
    controls::RegisterPicBtnType();
    controls::RegisterTransLabelType();
    controls::RegisterSuperBarType();
    zip::RegisterZipUnitType();
    windows::RegisterUnitAccess(vxUnitAccess, vxUnitAccessCount);
    windows::Install();
    // The keyboard's Enter and close command on the picture-drawn window go
    // to its install and close buttons; Enter in the agreement agrees.
    windows::SetKeyboardRoles(installer::installer_window::kId, installer::installer_window::kInstallButton,
                              installer::installer_window::kCloseButton);
    windows::SetKeyboardRoles(installer::agreement_window::kId, installer::agreement_window::kAgreeButton, 0);
    InitialiseRuntime();
    _fpreset();
    RegisterExitRoutine(installer::FreeGlobals);
    LoadStartWindow(installer::kStartWindowId);
    RunMessageLoop();
    return 0;
}

}  // namespace vx
