// Handlers of the two windows' events, and the entries of the program's
// procedure table that the window template's event bindings point into.
#include <windows.h>
#include <shlobj.h>

#include <atomic>
#include <cstring>
#include <string>

#include "installer/installer.h"
#include "installer/procedures.h"
#include "installer/units.h"
#include "runtime/commands/commands.h"
#include "runtime/base/errors.h"
#include "runtime/threads/threads.h"
#include "runtime/zip/extraction.h"

namespace vx::installer {
namespace {

namespace iw = installer_window;
namespace aw = agreement_window;

// Message boxes: their flags.
constexpr int32_t kInformationMessage = MB_OK | MB_ICONINFORMATION;
constexpr int32_t kQuestionMessage = MB_OKCANCEL | MB_ICONQUESTION;

// The progress view replaces the choosing view, in this order.
struct Switch {
    uint32_t unit;
    int32_t index;
    int32_t value;
};
constexpr Switch kProgressView[] = {
    {iw::kPathCaption, property::kVisible, 0},     {iw::kChangePathLink, property::kVisible, 0},
    {iw::kAgreementBox, property::kVisible, 0},    {iw::kAgreementLink, property::kVisible, 0},
    {iw::kAgreeCaption, property::kVisible, 0},    {iw::kInstallButton, property::kVisible, 0},
    {iw::kProgressCaption, property::kVisible, 1}, {iw::kProgressBar, property::kVisible, 1},
    {iw::kPercentage, property::kVisible, 1},      {iw::kPathEdit, property::kVisible, 0},
    {iw::kStatusLine, property::kVisible, 1},      {iw::kCloseButton, property::kDisabled, 1},
    {iw::kSelf, property::kDisabled, 1},
};

// The percentage the bar and its label show. A payload has more files than
// percent steps, and every write repaints synchronously from the worker, so
// the two are written only when the percentage changes.
std::atomic<int32_t> gShownPercentage{-1};

// "请选择文件夹" padded with blanks to 161 bytes.
std::string BrowseTitle() {
    std::string title = "请选择文件夹";
    title.append(149, ' ');
    return title;
}

// The folder browser: true and the 260-byte path buffer, or false and the
// empty byte set.
bool BrowseForFolder(HWND owner, const void* titleBytes, Text& chosen) {
    // A byte set carries no terminator: the shell gets a copy with one.
    const std::string title(reinterpret_cast<const char*>(ByteSetData(titleBytes)), ByteSetSize(titleBytes));
    BROWSEINFOA info{};  // no root, flags or callback: the whole shell namespace
    info.hwndOwner = owner;
    info.lpszTitle = title.c_str();
    auto browse = reinterpret_cast<LPITEMIDLIST(WINAPI*)(BROWSEINFOA*)>(ResolveDllCommand(kDllBrowseForFolder));
    LPITEMIDLIST list = browse(&info);
    Text buffer = TextOf(Call(commands::BlankByteSet, {Arg(MAX_PATH)}));
    auto toPath = reinterpret_cast<BOOL(WINAPI*)(LPCITEMIDLIST, char*)>(ResolveDllCommand(kDllPathFromIdList));
    auto* bytes = reinterpret_cast<char*>(const_cast<uint8_t*>(ByteSetData(buffer.get())));
    const bool found = list && toPath(list, bytes);
    CoTaskMemFree(list);  // also after a choice without a file-system path
    if (!found) return false;
    chosen = std::move(buffer);
    return true;
}

}  // namespace

void OnInstallClicked() {
    if (!gAgreementAccepted) {
        Call(commands::ShowMessageBox, {Arg("请先阅读安装协议，并勾选同意安装协议"), Arg(kInformationMessage)});
        return;
    }
    for (const Switch& s : kProgressView) SetNumber(iw::kId, s.unit, s.index, s.value);
    const std::string registered = FindRegistration().folder;
    ResetInstallWorkerSignal();
    gShownPercentage = -1;
    ValueRecord entry = ValueRecord::OfAddress(reinterpret_cast<void*>(&InstallThreadEntry), type::SubProgram);
    bool started = CallLibrary(kMultithreadingLibrary, commands::ThreadStart, {entry}).Bool();
    if (!started) {
        // No worker: do the work here rather than wait for a flag no one sets.
        InstallFiles();
    }
    WaitForInstallWorker();
    // Back to an enabled window only now: nothing can close it between the
    // worker's end and the shortcut step, which runs without dispatching.
    SetNumber(iw::kId, iw::kCloseButton, property::kDisabled, 0);
    SetNumber(iw::kId, iw::kSelf, property::kDisabled, 0);
    RunShortcutStep(registered);
}

// The box is a push button showing one of two pictures; its Selected flag
// (only stored in push mode) is what a screen reader reads as ticked.
void OnAgreementTicked() {
    if (gAgreementAccepted) {
        gAgreementAccepted = 0;
        SetBytes(iw::kId, iw::kAgreementBox, property::kNormalPicture, vxUntickedPicture);
    } else {
        gAgreementAccepted = 1;
        SetBytes(iw::kId, iw::kAgreementBox, property::kNormalPicture, vxTickedPicture);
    }
    SetNumber(iw::kId, iw::kAgreementBox, property::kSelected, gAgreementAccepted);
}

void OnAgreementLinkPressed() {
    Free(gAgreementText);
    gAgreementText = NewText(kAgreementTextConstant);
    Call(commands::LoadWindow, {WindowRef(aw::kId, aw::kSelf), Omitted(), Arg(true)});
}

void OnAgreementWindowCreated() {
    if (gAgreementText && *gAgreementText) SetText(aw::kId, aw::kText, property::kContent, gAgreementText);
}

void OnAgreeClicked() { Call(commands::WindowClose, {WindowRef(aw::kId, aw::kSelf)}); }

void OnEndInstallClicked() { EndProgram(kExitSuccess); }

void OnChangePathPressed() {
    int32_t handle = Call(commands::GetWindowHandle, {WindowRef(iw::kId, iw::kSelf)}).Int();
    std::string title = BrowseTitle();
    Text titleBytes = TextOf(Call(commands::ToByteSet, {Arg(title)}));
    Text chosen;
    if (BrowseForFolder(reinterpret_cast<HWND>(static_cast<intptr_t>(handle)), titleBytes.get(), chosen)) {
        Text path = TextOf(Call(commands::ToText, {ValueRecord::OfBytes(chosen.get())}));
        SetText(iw::kId, iw::kPathEdit, property::kContent, path.get());
    }
    Call(commands::ProcessEvents, {});
    Call(commands::WindowSetZOrder, {WindowRef(iw::kId, iw::kSelf)});
}

void OnWebLinkPressed() {
    CallLibrary(kApplicationInterfaceLibrary, commands::OpenWebAddress, {Arg(kMakerWebAddress)});
}

void OnMinimiseClicked() { SetNumber(iw::kId, iw::kSelf, property::kWindowPosition, wt::property::window::kMinimised); }

void OnCloseClicked() {
    Call(commands::SoundBeep, {});
    int32_t answer = Call(commands::ShowMessageBox, {Arg("是否确定退出程序安装"), Arg(kQuestionMessage)}).Int();
    if (answer == commands::kAnswerOk) EndProgram(kExitSuccess);
}

void OnExtractProgress(int32_t percentage) {
    // A silent install keeps the window hidden: nothing written here would be
    // seen, and every write still waits for a repaint on the window thread
    // (together several times the extraction itself).
    if (gSilentMode) return;
    Text file = TextOf(CallLibrary(kArchiveLibrary, zip::CurrentFileNameCommand, {WindowRef(iw::kId, iw::kZip)}));
    SetText(iw::kId, iw::kStatusLine, property::kContent, file.get());
    if (gShownPercentage.exchange(percentage) == percentage) return;
    SetNumber(iw::kId, iw::kProgressBar, property::kPosition, percentage);
    Text number = TextOf(Call(commands::ToText, {Arg(percentage)}));
    std::string caption = number.str() + "%";
    SetText(iw::kId, iw::kPercentage, property::kContent, caption.c_str());
}

// Entries of the procedure table: the window system calls a bound event's
// entry with the event's arguments; none of the installer's handlers gives
// a value back.
namespace procedures {
#define VX_HANDLER(name, call)                                      \
    bool name(const int32_t* args, int32_t argc, int32_t* result) { \
        (void)args, (void)argc, (void)result;                       \
        call;                                                       \
        return false;                                               \
    }
VX_HANDLER(OnStartWindowCreated, installer::OnStartWindowCreated())
VX_HANDLER(ProgramMain, vx::ProgramMain())
VX_HANDLER(FreeGlobals, installer::FreeGlobals())
VX_HANDLER(InstallThreadEntry, installer::InstallThreadEntry(nullptr))
VX_HANDLER(InstallFiles, installer::InstallFiles())
// Procedures with arguments of their own cannot stand behind an event.
VX_HANDLER(CreateFolderPath, RaiseError(kArgumentType))
VX_HANDLER(CreateShortcutFile, RaiseError(kArgumentType))
VX_HANDLER(OnInstallClicked, installer::OnInstallClicked())
VX_HANDLER(OnAgreementTicked, installer::OnAgreementTicked())
VX_HANDLER(OnAgreementLinkPressed, installer::OnAgreementLinkPressed())
VX_HANDLER(OnChangePathPressed, installer::OnChangePathPressed())
VX_HANDLER(OnWebLinkPressed, installer::OnWebLinkPressed())
VX_HANDLER(OnMinimiseClicked, installer::OnMinimiseClicked())
VX_HANDLER(OnCloseClicked, installer::OnCloseClicked())
VX_HANDLER(OnExtractProgress, installer::OnExtractProgress(argc >= 1 ? args[0] : 0))
VX_HANDLER(OnAgreementWindowCreated, installer::OnAgreementWindowCreated())
VX_HANDLER(OnAgreeClicked, installer::OnAgreeClicked())
VX_HANDLER(OnEndInstallClicked, installer::OnEndInstallClicked())
#undef VX_HANDLER
}  // namespace procedures

}  // namespace vx::installer
