// DirectoryCreate, FileCopy, FileMove, FileDelete, FileExists, FileWrite.
// Paths go to the system as given; an over-long path simply fails there.
#include <windows.h>

#include <algorithm>
#include <string>

#include "runtime/base/args.h"
#include "runtime/commands/commands.h"
#include "runtime/win32/handle_owner.h"

namespace vx::commands {
namespace {

std::string PathArg(int32_t argc, ValueRecord* args, int32_t index) {
    return std::string(TextArg(Arg(argc, args, index)));
}

}  // namespace

void DirectoryCreate(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string path = PathArg(argc, args, 0);
    result->SetBool(!path.empty() && CreateDirectoryA(path.c_str(), nullptr));
}

void FileCopy(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string from = PathArg(argc, args, 0), to = PathArg(argc, args, 1);
    result->SetBool(!from.empty() && !to.empty() && CopyFileA(from.c_str(), to.c_str(), FALSE));
}

void FileMove(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string from = PathArg(argc, args, 0), to = PathArg(argc, args, 1);
    result->SetBool(!from.empty() && !to.empty() && MoveFileA(from.c_str(), to.c_str()));
}

void FileDelete(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string path = PathArg(argc, args, 0);
    result->SetBool(!path.empty() && DeleteFileA(path.c_str()));
}

void FileExists(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string path = PathArg(argc, args, 0);
    if (path.empty()) return;
    WIN32_FIND_DATAA found;
    FindHandle search(FindFirstFileA(path.c_str(), &found));
    result->SetBool(static_cast<bool>(search));
}

void FileWrite(ValueRecord* result, int32_t argc, ValueRecord* args) {
    std::string path = PathArg(argc, args, 0);
    if (path.empty()) return;
    FileHandle file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return;
    for (int32_t i = 1; i < argc; ++i) {
        ByteSpan bytes = BytesArg(args[i]);
        size_t done = 0;
        while (done < bytes.size) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size - done, 1u << 30));
            DWORD written = 0;
            if (!WriteFile(file.get(), bytes.data + done, chunk, &written, nullptr) || written == 0) return;
            done += written;
        }
    }
    result->SetBool(true);
}

}  // namespace vx::commands
