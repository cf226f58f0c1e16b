// SpecialFolderPath ("system interface library"), OpenWebAddress and
// GetWindowTextByHandle ("application interface library").
#include <windows.h>
#include <shlobj.h>
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

#include "runtime/base/args.h"
#include "runtime/commands/commands.h"
#include "runtime/base/memory.h"
#include "runtime/base/text.h"

namespace vx::commands {
namespace {

constexpr int kPathBuffer = 260;
constexpr char kDefaultWebAddress[] = "about:blank";

enum class FolderSource { kShell, kWindows, kSystem, kTemp };
struct FolderKind {
    FolderSource source;
    int csidl;
};
// By kind, from kFolderDocuments to kFolderTemporary.
constexpr FolderKind kFolderKinds[] = {
    {FolderSource::kShell, CSIDL_PERSONAL},
    {FolderSource::kShell, CSIDL_FAVORITES},
    {FolderSource::kShell, CSIDL_DESKTOPDIRECTORY},
    {FolderSource::kShell, CSIDL_FONTS},
    {FolderSource::kShell, CSIDL_STARTMENU},
    {FolderSource::kShell, CSIDL_PROGRAMS},
    {FolderSource::kShell, CSIDL_STARTUP},
    {FolderSource::kShell, CSIDL_APPDATA},
    {FolderSource::kWindows, 0},
    {FolderSource::kSystem, 0},
    {FolderSource::kTemp, 0},
};
static_assert(std::size(kFolderKinds) == kFolderTemporary);

// Length of the path written into buffer, 0 on failure (a path that did not
// fit counts as a failure).
size_t QueryFolder(const FolderKind& kind, char* buffer) {
    UINT n = 0;
    switch (kind.source) {
    case FolderSource::kShell:
        return SHGetSpecialFolderPathA(nullptr, buffer, kind.csidl, FALSE) ? std::strlen(buffer) : 0;
    case FolderSource::kWindows: n = GetWindowsDirectoryA(buffer, kPathBuffer); break;
    case FolderSource::kSystem: n = GetSystemDirectoryA(buffer, kPathBuffer); break;
    case FolderSource::kTemp: n = GetTempPathA(kPathBuffer, buffer); break;
    }
    return n < kPathBuffer ? n : 0;
}

}  // namespace

void SpecialFolderPath(ValueRecord* result, int32_t argc, ValueRecord* args) {
    int32_t kind = IntArg(Arg(argc, args, 0));
    if (kind < kFolderDocuments || kind > kFolderTemporary) return;
    char buffer[kPathBuffer + 1] = {};
    size_t length = QueryFolder(kFolderKinds[kind - 1], buffer);
    if (length == 0) return;
    std::string path(buffer, length);
    if (!text::EndsWithChar(path, '\\')) path.push_back('\\');
    result->SetAddress(NewText(path));
}

void OpenWebAddress(ValueRecord*, int32_t argc, ValueRecord* args) {
    const ValueRecord& addressArg = Arg(argc, args, 0);
    std::string address = addressArg.Given() ? std::string(TextArg(addressArg)) : std::string(kDefaultWebAddress);
    // An empty address would have the shell open a folder of its choosing.
    if (address.empty()) return;
    HWND owner = FindWindowA(nullptr, "Microsoft Internet Explorer");
    ShellExecuteA(owner, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void GetWindowTextByHandle(ValueRecord* result, int32_t argc, ValueRecord* args) {
    // Window handles travel as 32-bit integers; widening sign-extends them.
    auto hwnd = reinterpret_cast<HWND>(static_cast<intptr_t>(IntArg(Arg(argc, args, 0))));
    if (!hwnd || !IsWindow(hwnd)) return;
    int length = GetWindowTextLengthA(hwnd);
    if (length <= 0) return;
    RuntimeBlock text(Allocate(size_t(length) + 1));
    auto* buffer = static_cast<char*>(text.get());
    int got = GetWindowTextA(hwnd, buffer, length + 1);
    if (got <= 0) return;
    buffer[std::min(got, length)] = '\0';
    result->SetAddress(text.release());
}

}  // namespace vx::commands
