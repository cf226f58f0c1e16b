// Shortcut files written through the shell automation object with the object
// commands, in the order the installer calls them, and read back through the
// shell's own link interfaces.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>
#include <string>

#include "runtime/com/com_ptr.h"
#include "tests/com/com_test_support.h"
#include "tests/support/win32_harness.h"

namespace vx::test {
namespace {

using com::ComPtr;

struct LinkFields {
    std::string path;
    std::string description;
    std::string workingDirectory;
    std::string arguments;
    std::string iconPath;
    int iconIndex = -1;
    WORD hotkey = 0;
    int showCommand = 0;
};

bool ReadLink(const std::string& file, LinkFields* out) {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.put_void())))
        return false;
    auto persist = link.query<IPersistFile>(IID_IPersistFile);
    if (!persist || FAILED(persist->Load(com::WideFromAnsi(file.c_str()).c_str(), STGM_READ))) return false;
    char buffer[MAX_PATH * 2];
    buffer[0] = 0;
    link->GetPath(buffer, sizeof buffer, nullptr, SLGP_RAWPATH);
    out->path = buffer;
    buffer[0] = 0;
    link->GetDescription(buffer, sizeof buffer);
    out->description = buffer;
    buffer[0] = 0;
    link->GetWorkingDirectory(buffer, sizeof buffer);
    out->workingDirectory = buffer;
    buffer[0] = 0;
    link->GetArguments(buffer, sizeof buffer);
    out->arguments = buffer;
    buffer[0] = 0;
    link->GetIconLocation(buffer, sizeof buffer, &out->iconIndex);
    out->iconPath = buffer;
    // Show command and hot key straight from the file's fixed header: the
    // shell link reader of some systems does not hand them back.
    std::string bytes = ReadFileBytes(file);
    if (bytes.size() < 0x4C) return false;
    std::memcpy(&out->showCommand, bytes.data() + 0x3C, 4);
    std::memcpy(&out->hotkey, bytes.data() + 0x40, 2);
    return true;
}

// Optional text arguments: nullptr = not supplied.
struct ShortcutRequest {
    const char* description = nullptr;
    const char* arguments = nullptr;
    const char* workingDirectory = nullptr;
    const char* icon = nullptr;
    const char* hotkey = nullptr;
    int windowStyle = 0;
};

struct WriteOutcome {
    bool saved = false;
    std::string hotkeyError;  // last error text after writing "Hotkey"
};

// One shortcut as the installer writes it: shell object, CreateShortcut with
// the link path variable, the properties in the installer's order, Save, the
// last error, then both objects cleared.
WriteOutcome WriteShortcut(char** linkPath, char** target, const ShortcutRequest& r) {
    WriteOutcome outcome;
    ObjectRecord shell{}, *shortcut = nullptr;
    Command(ObjectCreate, {Obj(&shell), Txt("WScript.Shell"), Omit()});
    ValueRecord made = Command(ObjectCallMethodForObject, {Obj(&shell), Txt("CreateShortcut"), TextRef(linkPath)});
    EXPECT_EQ(made.type, type::ComObject);
    shortcut = made.Address<ObjectRecord>();
    auto put = [&](const char* name, ValueRecord value) {
        bool ok = Command(ObjectSetProperty, {Obj(shortcut), Txt(name), value}).Bool();
        EXPECT_TRUE(ok) << name << ": " << LastErrorText();
    };
    put("TargetPath", TextRef(target));
    std::string icon = r.icon ? std::string(r.icon) + ", 0" : std::string();
    if (r.icon) put("IconLocation", Txt(icon.c_str()));
    if (r.description) put("Description", Txt(r.description));
    if (r.arguments) put("Arguments", Txt(r.arguments));
    if (r.hotkey) {
        Command(ObjectSetProperty, {Obj(shortcut), Txt("Hotkey"), Txt(r.hotkey)});
        outcome.hotkeyError = LastErrorText();
    }
    if (r.workingDirectory) put("WorkingDirectory", Txt(r.workingDirectory));
    if (r.windowStyle == 1) put("WindowStyle", Num(7));
    if (r.windowStyle == 2) put("WindowStyle", Num(3));
    Command(ObjectCallMethod, {Obj(shortcut), Txt("Save")});
    outcome.saved = LastErrorText().empty();
    Command(ObjectClear, {Obj(&shell)});
    Command(ObjectClear, {Obj(shortcut)});
    EXPECT_EQ(shell.object, nullptr);
    EXPECT_EQ(shortcut->object, nullptr);
    Free(shortcut);
    return outcome;
}

bool RunningOnWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        product_ = dir_ / "Vexilo";
        CreateDirectoryA(product_.c_str(), nullptr);
        WriteFileBytes(product_ + "\\Kandor.exe", "MZ");
        WriteFileBytes(product_ + "\\Uninstall.exe", "MZ");
    }
    static char* Owned(const std::string& s) { return NewText(s); }

    TempDir dir_;
    std::string product_;
};

TEST_F(ShortcutTest, ProgramShortcutCarriesTargetDescriptionAndFolder) {
    char* link = Owned(dir_ / "Vexilo.lnk");
    char* target = Owned("\"" + product_ + "\\Kandor.exe\"");
    ShortcutRequest r;
    r.description = "Tolvane";
    r.workingDirectory = product_.c_str();
    ASSERT_TRUE(WriteShortcut(&link, &target, r).saved) << LastErrorText();
    // The variables passed by address keep their texts (not out-parameters).
    EXPECT_EQ(std::string(link), dir_ / "Vexilo.lnk");
    EXPECT_EQ(std::string(target), "\"" + product_ + "\\Kandor.exe\"");

    std::string bytes = ReadFileBytes(dir_ / "Vexilo.lnk");
    ASSERT_GE(bytes.size(), 8u);
    EXPECT_EQ(bytes.substr(0, 8), std::string("\x4C\x00\x00\x00\x01\x14\x02\x00", 8));
    LinkFields f;
    ASSERT_TRUE(ReadLink(dir_ / "Vexilo.lnk", &f));
    EXPECT_EQ(f.path, product_ + "\\Kandor.exe");
    EXPECT_EQ(f.description, "Tolvane");
    EXPECT_EQ(f.workingDirectory, product_);
    EXPECT_EQ(f.arguments, "");
    EXPECT_EQ(f.hotkey, 0);
    EXPECT_EQ(f.showCommand, SW_SHOWNORMAL);
    Free(link);
    Free(target);
}

TEST_F(ShortcutTest, EveryFieldRoundTripsWithChineseNames) {
    // "卸载.lnk" and a description in Chinese: GBK bytes in, the same bytes out.
    std::string name = dir_ / "\xd0\xb6\xd4\xd8.lnk";
    char* link = Owned(name);
    char* target = Owned("\"" + product_ + "\\Uninstall.exe\"");
    std::string icon = product_ + "\\image\\Uninstall.ico";
    ShortcutRequest r;
    r.description = "\xd0\xb6\xd4\xd8 Vexilo";  // 卸载 Vexilo
    r.arguments = "-1000 \"a b\"";
    r.workingDirectory = product_.c_str();
    r.icon = icon.c_str();
    r.hotkey = "Ctrl+Alt+V";
    r.windowStyle = 1;
    WriteOutcome outcome = WriteShortcut(&link, &target, r);
    ASSERT_TRUE(outcome.saved) << LastErrorText();
    ASSERT_NE(GetFileAttributesA(name.c_str()), INVALID_FILE_ATTRIBUTES);

    LinkFields f;
    ASSERT_TRUE(ReadLink(name, &f));
    EXPECT_EQ(f.path, product_ + "\\Uninstall.exe");
    EXPECT_EQ(f.description, "\xd0\xb6\xd4\xd8 Vexilo");
    EXPECT_EQ(f.workingDirectory, product_);
    EXPECT_EQ(f.arguments, "-1000 \"a b\"");
    EXPECT_EQ(f.iconPath, icon);
    EXPECT_EQ(f.iconIndex, 0);
    if (RunningOnWine()) {
        // Wine's shell object does not implement the hot key: its failure
        // arrives as an exception of the invocation.
        EXPECT_EQ(outcome.hotkeyError, "发现异常");
        EXPECT_EQ(f.hotkey, 0);
    } else {
        EXPECT_EQ(outcome.hotkeyError, "");
        EXPECT_EQ(f.hotkey, MAKEWORD('V', HOTKEYF_CONTROL | HOTKEYF_ALT));
    }
    EXPECT_EQ(f.showCommand, SW_SHOWMINNOACTIVE);
    Free(link);
    Free(target);
}

TEST_F(ShortcutTest, MaximisedWindowStyleAndEmptyIcon) {
    char* link = Owned(dir_ / "max.lnk");
    char* target = Owned(product_ + "\\Kandor.exe");
    ShortcutRequest r;
    r.icon = "";  // supplied empty: ", 0" is written
    r.windowStyle = 2;
    ASSERT_TRUE(WriteShortcut(&link, &target, r).saved) << LastErrorText();
    LinkFields f;
    ASSERT_TRUE(ReadLink(dir_ / "max.lnk", &f));
    EXPECT_EQ(f.path, product_ + "\\Kandor.exe");
    EXPECT_EQ(f.showCommand, SW_SHOWMAXIMIZED);
    EXPECT_EQ(f.iconPath, "");
    Free(link);
    Free(target);
}

TEST_F(ShortcutTest, WithoutTheShellObjectNothingIsWrittenAndSaveFails) {
    // An object that was never created: every call reports the empty object.
    ObjectRecord shell{};
    char* link = Owned(dir_ / "none.lnk");
    ValueRecord made = Command(ObjectCallMethodForObject, {Obj(&shell), Txt("CreateShortcut"), TextRef(&link)});
    auto* shortcut = made.Address<ObjectRecord>();
    ASSERT_NE(shortcut, nullptr);
    EXPECT_EQ(shortcut->object, nullptr);
    EXPECT_EQ(LastErrorText(), "对象为空");
    EXPECT_FALSE(Command(ObjectSetProperty, {Obj(shortcut), Txt("TargetPath"), Txt("C:\\x.exe")}).Bool());
    Command(ObjectCallMethod, {Obj(shortcut), Txt("Save")});
    EXPECT_EQ(LastErrorText(), "对象为空");
    EXPECT_EQ(GetFileAttributesA((dir_ / "none.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
    DisposeObject(shortcut);
    Free(link);
}

}  // namespace
}  // namespace vx::test
