// Registry reads and writes on the real registry.
#include <gtest/gtest.h>

#include <windows.h>

#include "runtime/commands/commands.h"
#include "tests/commands/command_calls.h"

namespace vx::commands {
namespace {

using test::ByteSetBlock;
using test::Int;
using test::Omitted;
using test::TakeText;
using test::Text;

constexpr int32_t kCurrentUser = 3, kLocalMachine = 4;
const char kKey[] = "Software\\VxCommandTest";

class RegistryCommands : public ::testing::Test {
protected:
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kKey);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\VxCommandTest");
        RegDeleteValueA(HKEY_CURRENT_USER, "VxRootValue");
    }
    static std::string Path(const std::string& value) { return std::string(kKey) + "\\" + value; }

    static bool Raw(HKEY root, const char* key, const char* value, DWORD& kind, std::string& data) {
        char buffer[256];
        DWORD size = sizeof buffer;
        if (RegGetValueA(root, key, value, RRF_RT_ANY | RRF_NOEXPAND, &kind, buffer, &size) != ERROR_SUCCESS)
            return false;
        data.assign(buffer, size);
        return true;
    }
};

TEST_F(RegistryCommands, WriteByValueType) {
    DWORD kind;
    std::string data;
    EXPECT_EQ(Call(RegistryWrite, {Int(kCurrentUser), Text(Path("Number")), Int(-2)}).low, 1u);
    ASSERT_TRUE(Raw(HKEY_CURRENT_USER, kKey, "Number", kind, data));
    EXPECT_EQ(kind, DWORD(REG_DWORD));
    EXPECT_EQ(data, std::string("\xfe\xff\xff\xff", 4));

    EXPECT_EQ(Call(RegistryWrite, {Int(kCurrentUser), Text(Path("Double")), ValueRecord::OfDouble(7.9)}).low, 1u);
    ASSERT_TRUE(Raw(HKEY_CURRENT_USER, kKey, "Double", kind, data));
    EXPECT_EQ(kind, DWORD(REG_DWORD));
    EXPECT_EQ(data, std::string("\x07\0\0\0", 4));

    // "软件" as text: REG_SZ with its terminator.
    EXPECT_EQ(Call(RegistryWrite, {Int(kCurrentUser), Text(Path("Text")), Text("\xc8\xed\xbc\xfe")}).low, 1u);
    ASSERT_TRUE(Raw(HKEY_CURRENT_USER, kKey, "Text", kind, data));
    EXPECT_EQ(kind, DWORD(REG_SZ));
    EXPECT_EQ(data, std::string("\xc8\xed\xbc\xfe\0", 5));

    EXPECT_EQ(Call(RegistryWrite, {Int(kCurrentUser), Text(Path("Empty")), Text(nullptr)}).low, 1u);
    ASSERT_TRUE(Raw(HKEY_CURRENT_USER, kKey, "Empty", kind, data));
    EXPECT_EQ(kind, DWORD(REG_SZ));

    ByteSetBlock bytes(std::string("\0\x01\x02", 3));
    EXPECT_EQ(Call(RegistryWrite, {Int(kCurrentUser), Text(Path("Bytes")), bytes.Record()}).low, 1u);
    ASSERT_TRUE(Raw(HKEY_CURRENT_USER, kKey, "Bytes", kind, data));
    EXPECT_EQ(kind, DWORD(REG_BINARY));
    EXPECT_EQ(data, std::string("\0\x01\x02", 3));
}

TEST_F(RegistryCommands, LogicalValueWritesNothing) {
    EXPECT_EQ(Call(RegistryWrite, {Int(kCurrentUser), Text(Path("Flag")), ValueRecord::OfBool(true)}).low, 0u);
    HKEY key;
    EXPECT_NE(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(Call(RegistryWrite, {Int(kCurrentUser), Text(Path("Flag")), Omitted()}).low, 0u);
}

TEST_F(RegistryCommands, CreatesIntermediateKeysUnderLocalMachine) {
    std::string path = "SOFTWARE\\VxCommandTest\\Uninstall\\qvtlpc_kandor\\RunPath";
    EXPECT_EQ(Call(RegistryWrite, {Int(kLocalMachine), Text(path), Text("C:\\Program Files\\TolvanePC\\Vexilo")}).low,
              1u);
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(kLocalMachine), Text(path), Omitted()})),
              "C:\\Program Files\\TolvanePC\\Vexilo");
    // The same path under another root is another value.
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(kCurrentUser), Text(path), Text("none")})), "none");
}

TEST_F(RegistryCommands, ReadTextOnlyFromStringValues) {
    Call(RegistryWrite, {Int(kCurrentUser), Text(Path("Number")), Int(5)});
    Call(RegistryWrite, {Int(kCurrentUser), Text(Path("Text")), Text("abc")});
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(kCurrentUser), Text(Path("Text")), Text("d")})), "abc");
    // A REG_DWORD is not a text: the default comes back.
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(kCurrentUser), Text(Path("Number")), Text("d")})), "d");
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(kCurrentUser), Text(Path("Missing")), Text("d")})), "d");
    EXPECT_EQ(Call(RegistryReadText, {Int(kCurrentUser), Text(Path("Missing")), Omitted()}).Address(), nullptr);
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(kCurrentUser), Text("NoSuchKey\\X\\Y"), Text("d")})), "d");
    EXPECT_EQ(Call(RegistryReadText, {Int(kCurrentUser), Text(nullptr), Omitted()}).Address(), nullptr);
    // Other selectors mean the current user.
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(99), Text(Path("Text")), Omitted()})), "abc");
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(0), Text(Path("Text")), Omitted()})), "abc");
}

TEST_F(RegistryCommands, ExpandStringsAreExpanded) {
    SetEnvironmentVariableA("VX_REG_TEST", "expanded");
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const char value[] = "%VX_REG_TEST%\\dir";
    RegSetValueExA(key, "Expand", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
    // Stored without a terminator.
    RegSetValueExA(key, "Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>("bare"), 4);
    RegCloseKey(key);
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(kCurrentUser), Text(Path("Expand")), Omitted()})), "expanded\\dir");
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(kCurrentUser), Text(Path("Bare")), Omitted()})), "bare");
}

TEST_F(RegistryCommands, PathWithoutBackslashAddressesTheRoot) {
    EXPECT_EQ(Call(RegistryWrite, {Int(kCurrentUser), Text("VxRootValue"), Text("at the root")}).low, 1u);
    char buffer[64] = {};
    DWORD size = sizeof buffer;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, nullptr, "VxRootValue", RRF_RT_REG_SZ, nullptr, buffer, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(buffer, "at the root");
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(kCurrentUser), Text("VxRootValue"), Omitted()})), "at the root");
}

TEST_F(RegistryCommands, SecondByteBackslashIsNoSeparator) {
    // Value name "昞" is 0x95 0x5C.
    std::string path = Path("\x95\x5c");
    EXPECT_EQ(Call(RegistryWrite, {Int(kCurrentUser), Text(path), Text("v")}).low, 1u);
    DWORD kind;
    std::string data;
    EXPECT_TRUE(Raw(HKEY_CURRENT_USER, kKey, "\x95\x5c", kind, data));
    EXPECT_EQ(TakeText(Call(RegistryReadText, {Int(kCurrentUser), Text(path), Omitted()})), "v");
}

}  // namespace
}  // namespace vx::commands
