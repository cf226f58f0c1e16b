// Files and folders on the real file system.
#include <gtest/gtest.h>

#include <windows.h>

#include "runtime/commands/commands.h"
#include "runtime/win32/handle_owner.h"
#include "tests/commands/command_calls.h"
#include "tests/support/win32_harness.h"

namespace vx::commands {
namespace {

using test::Bool;
using test::ByteSetBlock;
using test::Text;

bool Ok(const ValueRecord& r) { return r.type == type::Omitted && r.low == 1; }

TEST(FileCommands, DirectoryCreateNeedsItsParent) {
    test::TempDir dir;
    EXPECT_TRUE(Ok(Call(DirectoryCreate, {Text(dir / "a")})));
    EXPECT_EQ(GetFileAttributesA((dir / "a").c_str()) & FILE_ATTRIBUTE_DIRECTORY, DWORD(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(Ok(Call(DirectoryCreate, {Text(dir / "a")})));        // exists
    EXPECT_FALSE(Ok(Call(DirectoryCreate, {Text(dir / "x\\y\\z")})));  // no parent
    EXPECT_FALSE(Ok(Call(DirectoryCreate, {Text(nullptr)})));
    // "安装目录" (GBK).
    EXPECT_TRUE(Ok(Call(DirectoryCreate, {Text(dir / "\xb0\xb2\xd7\xb0\xc4\xbf\xc2\xbc")})));
    EXPECT_NE(GetFileAttributesA((dir / "\xb0\xb2\xd7\xb0\xc4\xbf\xc2\xbc").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(FileCommands, CopyOverwritesMoveDoesNot) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "a.txt", "first");
    test::WriteFileBytes(dir / "b.txt", "second");
    EXPECT_TRUE(Ok(Call(FileCopy, {Text(dir / "a.txt"), Text(dir / "b.txt")})));
    EXPECT_EQ(test::ReadFileBytes(dir / "b.txt"), "first");
    EXPECT_FALSE(Ok(Call(FileCopy, {Text(dir / "none.txt"), Text(dir / "c.txt")})));

    test::WriteFileBytes(dir / "b.txt", "second");
    EXPECT_FALSE(Ok(Call(FileMove, {Text(dir / "a.txt"), Text(dir / "b.txt")})));
    EXPECT_EQ(test::ReadFileBytes(dir / "b.txt"), "second");
    EXPECT_TRUE(Ok(Call(FileMove, {Text(dir / "a.txt"), Text(dir / "moved.txt")})));
    EXPECT_EQ(test::ReadFileBytes(dir / "moved.txt"), "first");
    EXPECT_EQ(GetFileAttributesA((dir / "a.txt").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(Ok(Call(FileMove, {Text(nullptr), Text(dir / "x.txt")})));
}

TEST(FileCommands, DeleteAndExists) {
    test::TempDir dir;
    test::WriteFileBytes(dir / "one.ini", "x");
    CreateDirectoryA((dir / "sub").c_str(), nullptr);
    EXPECT_TRUE(Ok(Call(FileExists, {Text(dir / "one.ini")})));
    EXPECT_TRUE(Ok(Call(FileExists, {Text(dir / "*.ini")})));  // wildcards
    EXPECT_TRUE(Ok(Call(FileExists, {Text(dir / "sub")})));    // folders count
    EXPECT_FALSE(Ok(Call(FileExists, {Text(dir / "*.zip")})));
    EXPECT_FALSE(Ok(Call(FileExists, {Text(nullptr)})));

    EXPECT_TRUE(Ok(Call(FileDelete, {Text(dir / "one.ini")})));
    EXPECT_FALSE(Ok(Call(FileExists, {Text(dir / "one.ini")})));
    EXPECT_FALSE(Ok(Call(FileDelete, {Text(dir / "one.ini")})));
    EXPECT_FALSE(Ok(Call(FileDelete, {Text(dir / "sub")})));  // one file, not a folder
}

TEST(FileCommands, WriteSeveralByteSets) {
    test::TempDir dir;
    ByteSetBlock a("PK\x03\x04"), b(std::string("\0\x01\xff", 3)), empty("");
    std::string big(300000, 'z');
    ByteSetBlock large(big);
    std::string out = dir / "out.bin";
    std::vector<ValueRecord> args{Text(out),      a.Record(), ValueRecord::OfBytes(nullptr),
                                  empty.Record(), b.Record(), large.Record()};
    ValueRecord r = CallCommand(FileWrite, static_cast<int32_t>(args.size()), args.data());
    EXPECT_TRUE(Ok(r));
    std::string written = test::ReadFileBytes(dir / "out.bin");
    ASSERT_EQ(written.size(), 7 + big.size());
    EXPECT_EQ(written.substr(0, 7), std::string("PK\x03\x04\0\x01\xff", 7));
    EXPECT_TRUE(written.substr(7) == big);

    // Replaces an existing file; no byte sets writes an empty file.
    EXPECT_TRUE(Ok(Call(FileWrite, {Text(dir / "out.bin")})));
    EXPECT_EQ(test::ReadFileBytes(dir / "out.bin"), "");
    EXPECT_FALSE(Ok(Call(FileWrite, {Text(nullptr), a.Record()})));
    EXPECT_FALSE(Ok(Call(FileWrite, {Text(dir / "no\\such\\folder.bin"), a.Record()})));

    // Held open elsewhere without sharing: the command fails, nothing is lost.
    HANDLE held = CreateFileA((dir / "held.bin").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Ok(Call(FileWrite, {Text(dir / "held.bin"), a.Record()})));
    CloseHandle(held);
}

TEST(FileCommands, OverlongPathsFailQuietly) {
    std::string longPath = "C:\\" + std::string(400, 'a') + "\\" + std::string(400, 'b') + ".txt";
    ByteSetBlock a("x");
    EXPECT_FALSE(Ok(Call(DirectoryCreate, {Text(longPath)})));
    EXPECT_FALSE(Ok(Call(FileWrite, {Text(longPath), a.Record()})));
    EXPECT_FALSE(Ok(Call(FileExists, {Text(longPath)})));
    EXPECT_FALSE(Ok(Call(FileCopy, {Text(longPath), Text(longPath)})));
    EXPECT_FALSE(Ok(Call(FileDelete, {Text("C:\\\x81")})));  // lone lead byte at the end
}

// The one owner of system handles: both failure values of the kernel calls
// mean no handle, a real one is closed once by whoever owns it last.
TEST(HandleOwners, FailuresAreEmptyAndTheLastOwnerCloses) {
    FileHandle missing(CreateFileA("C:\\no such folder\\x", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(missing);
    EXPECT_EQ(missing.get(), nullptr);
    WIN32_FIND_DATAA found;
    FindHandle none(FindFirstFileA("C:\\no such folder\\*", &found));
    EXPECT_FALSE(none);

    test::TempDir dir;
    FileHandle file(CreateFileA((dir / "a.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file);
    const HANDLE raw = file.get();
    DWORD flags = 0;
    FileHandle moved(std::move(file));
    EXPECT_FALSE(file);
    EXPECT_TRUE(GetHandleInformation(raw, &flags)) << "a move must not close";
    moved.reset();
    EXPECT_FALSE(GetHandleInformation(raw, &flags)) << "the last owner closes";

    KernelHandle event(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    const HANDLE kept = event.release();
    EXPECT_FALSE(event);
    EXPECT_TRUE(GetHandleInformation(kept, &flags)) << "released, not closed";
    RegKey key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, key.out()), ERROR_SUCCESS);
    EXPECT_TRUE(key);
    CloseHandle(kept);
}

}  // namespace
}  // namespace vx::commands
