// IniRead, IniWrite: the system's profile reader and writer.
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/base/args.h"
#include "runtime/commands/commands.h"
#include "runtime/base/memory.h"

namespace vx::commands {
namespace {

constexpr DWORD kIniBufferSize = 10240;

std::string_view SkipLeadingControls(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && static_cast<unsigned char>(s[i]) <= 32) ++i;
    return s.substr(i);
}

}  // namespace

void IniRead(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string file(SkipLeadingControls(TextArg(Arg(argc, args, 0))));
    std::string section(SkipLeadingControls(TextArg(Arg(argc, args, 1))));
    std::string key(SkipLeadingControls(TextArg(Arg(argc, args, 2))));
    if (file.empty() || section.empty() || key.empty()) return;
    std::string fallback(TextArg(Arg(argc, args, 3)));
    std::vector<char> buffer(kIniBufferSize, '\0');
    GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer.data(), kIniBufferSize,
                             file.c_str());
    buffer.back() = '\0';
    result->SetAddress(NewText(buffer.data()));
}

void IniWrite(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string file(TextArg(Arg(argc, args, 0)));
    // Without a file name the system would pick a profile of its own.
    if (file.empty()) return;
    std::string section(TextArg(Arg(argc, args, 1)));
    const ValueRecord& keyArg = Arg(argc, args, 2);
    const ValueRecord& valueArg = Arg(argc, args, 3);
    std::string key(TextArg(keyArg)), value(TextArg(valueArg));
    result->SetBool(WritePrivateProfileStringA(section.c_str(), keyArg.Given() ? key.c_str() : nullptr,
                                               valueArg.Given() ? value.c_str() : nullptr, file.c_str()) != 0);
}

}  // namespace vx::commands
