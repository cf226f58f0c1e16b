// RunProgram, ShowMessageBox, SoundBeep, ProcessEvents, ReadCommandLine.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/base/args.h"
#include "runtime/commands/commands.h"
#include "runtime/commands/conversions.h"
#include "runtime/commands/text_ops.h"
#include "runtime/win32/handle_owner.h"
#include "runtime/commands/window_rules.h"
#include "runtime/base/memory.h"
#include "runtime/process/services.h"

namespace vx::commands {
namespace {

constexpr char kDefaultCaption[] = "信息：";
constexpr size_t kConvertedMessageLimit = 100;
constexpr DWORD kIdleWaitMs = 1000;

std::string MessageText(const ValueRecord& v) {
    if (v.type == type::Text) return std::string(TextArg(v));
    if (type::IsByAddress(v.type)) return std::string();
    std::string text = ScalarText(v);
    if (text.size() > kConvertedMessageLimit) text.resize(kConvertedMessageLimit);
    return text;
}

// A one-dimensional array of fresh texts, as the runtime lays arrays out.
void* NewTextArray(const std::vector<std::string>& items) {
    size_t count = items.size();
    auto* block = static_cast<uint8_t*>(Allocate(2 * sizeof(int32_t) + count * sizeof(char*)));
    int32_t header[2] = {1, static_cast<int32_t>(count)};
    std::memcpy(block, header, sizeof header);
    for (size_t i = 0; i < count; ++i) {
        char* element = NewText(items[i]);
        std::memcpy(block + sizeof header + i * sizeof(char*), &element, sizeof element);
    }
    return block;
}

// Where the focus falls when a box goes is the system's to decide; with no
// window manager (wine's bare X display) it may land on the desktop a moment
// after the owner was activated. The owner asks for it once more then, only
// if no other window has taken it meanwhile.
constexpr UINT kForegroundRecheckMs = 150;
HWND gBoxOwner = nullptr;

void CALLBACK RecheckForeground(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND owner = gBoxOwner;
    gBoxOwner = nullptr;
    HWND foreground = GetForegroundWindow();
    if (!owner || !IsWindow(owner) || !IsWindowVisible(owner) || !IsWindowEnabled(owner)) return;
    if (!foreground || foreground == GetDesktopWindow()) SetForegroundWindow(owner);
}

}  // namespace

void RunProgram(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string commandLine(TextArg(Arg(argc, args, 0)));
    if (commandLine.empty()) return;
    const ValueRecord& mode = Arg(argc, args, 2);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(ShowCommandOf(mode.Given(), IntArg(mode, 2)));
    PROCESS_INFORMATION info{};
    // The system may write into the command line buffer.
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        return;
    }
    KernelHandle process(info.hProcess), thread(info.hThread);
    if (BoolArg(Arg(argc, args, 1))) {
        WaitForSingleObject(process.get(), INFINITE);
    } else {
        WaitForInputIdle(process.get(), kIdleWaitMs);
    }
    result->SetBool(true);
}

void ShowMessageBox(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string message = MessageText(Arg(argc, args, 0));
    const ValueRecord& captionArg = Arg(argc, args, 2);
    std::string caption = captionArg.Given() ? std::string(TextArg(captionArg)) : std::string(kDefaultCaption);
    auto style = MessageBoxStyleOf(static_cast<uint32_t>(IntArg(Arg(argc, args, 1))));
    // A task-modal box is owned by the calling thread's active window (none
    // on a worker thread), which it disables anyway: closing it then gives
    // that window the keyboard back, which an ownerless box leaves to chance.
    HWND owner = (style & MB_SYSTEMMODAL) ? nullptr : GetActiveWindow();
    result->SetInt(MessageBoxResultOf(MessageBoxA(owner, message.c_str(), caption.c_str(), style)));
    if (owner && IsWindow(owner)) {
        gBoxOwner = owner;
        SetTimer(nullptr, 0, kForegroundRecheckMs, RecheckForeground);
    }
}

void SoundBeep(ValueRecord*, int32_t, ValueRecord*) { MessageBeep(0); }

void ProcessEvents(ValueRecord*, int32_t, ValueRecord*) { HostRequest(kHostDispatchMessages, 0, 0); }

void ReadCommandLine(ValueRecord*, int32_t argc, ValueRecord* args) {
    const ValueRecord& variable = Arg(argc, args, 0);
    auto** slot = variable.Address<void*>();
    if (!slot) return;
    void* fresh = NewTextArray(SplitCommandLine(text::SystemLeadBytes(), text::View(GetCommandLineA())));
    void* old = *slot;
    *slot = fresh;
    HostRequest(kHostDisposeArray, static_cast<intptr_t>(type::Text), reinterpret_cast<intptr_t>(old));
}

}  // namespace vx::commands
