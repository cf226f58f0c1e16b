// Start-up: the program's main procedure and the start window's "created"
// event, which decides between silent, upgrade and fresh installation.
#include <cfloat>
#include <cstring>

#include "installer/installer.h"
#include "installer/phases.h"
#include "installer/units.h"
#include "runtime/base/array.h"
#include "runtime/commands/commands.h"

namespace vx::installer {

std::atomic<int32_t> gAgreementAccepted{0};
std::atomic<int32_t> gSilentMode{0};
std::atomic<int32_t> gInstallFinished{0};
char* gAgreementText = nullptr;

void FreeGlobals() {
    Free(gAgreementText);
    gAgreementText = nullptr;
}

namespace {

namespace iw = installer_window;

// Members of the command-line array (texts, counted from 1).
struct Arguments {
    void* block = nullptr;
    ~Arguments() {
        HostRequest(kHostDisposeArray, static_cast<intptr_t>(type::Text), reinterpret_cast<intptr_t>(block));
    }
    int64_t Count() const { return ArrayView{static_cast<const uint8_t*>(block)}.Count(); }
    const char* Member(int32_t index) const {
        const char* text;
        std::memcpy(&text, ArrayElement(block, index, sizeof text), sizeof text);
        return text ? text : "";
    }
};

void StartSilently(const Arguments& args) {
    SetNumber(iw::kId, iw::kSelf, property::kVisible, 0);
    gAgreementAccepted = 1;
    gSilentMode = 1;
    // Members 2 to n joined without a separator: one quoted folder stays as
    // it is, an unquoted one split at its blanks loses them, none is empty.
    std::string base;
    for (int32_t i = 2; i <= args.Count(); ++i) base += args.Member(i);
    SetText(iw::kId, iw::kPathEdit, property::kContent, base.c_str());
    OnInstallClicked();
    EndProgram(kExitSuccess);
}

void StartInteractively() {
    const Registration registration = FindRegistration();
    if (!registration.folder.empty()) {
        // Upgrade: the registered folder, which the user cannot change.
        SetText(iw::kId, iw::kPathEdit, property::kContent, registration.folder.c_str());
        SetNumber(iw::kId, iw::kPathEdit, property::kDisabled, 1);
        SetNumber(iw::kId, iw::kChangePathLink, property::kDisabled, 1);
        SetText(iw::kId, iw::kChangePathLink, property::kContent, "升级模式");
    }
    Call(commands::SoundBeep, {});
    constexpr int32_t kSystemStyle = 1;
    CallLibrary(kVisualStyleLibrary, commands::SetXpStyle, {Arg(kSystemStyle)});
    gAgreementAccepted = 1;
    SetBytes(iw::kId, iw::kAgreementBox, property::kNormalPicture, vxTickedPicture);
    SetNumber(iw::kId, iw::kAgreementBox, property::kSelected, 1);
}

}  // namespace

void OnStartWindowCreated() {
    MarkPhase("window created");
    Arguments args;
    ValueRecord variable = ValueRecord::OfAddress(&args.block, type::Text | type::ByAddress);
    CallCommand(commands::ReadCommandLine, 1, &variable);
    if (args.Count() >= 1 && std::strcmp(args.Member(1), "-1") == 0) StartSilently(args);
    else StartInteractively();
}

}  // namespace vx::installer
