// Creating objects by ProgID, braced CLSID and type library, and driving a
// real automation object whose parameters are VARIANT references.
#include <gtest/gtest.h>

#include <string>

#include "runtime/com/com_ptr.h"
#include "tests/com/com_test_support.h"
#include "tests/com/probe_object.h"
#include "tests/support/win32_harness.h"

namespace vx::test {
namespace {

using com::ComPtr;

std::string BracedClsid(const wchar_t* progId) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId, &clsid))) return {};
    wchar_t text[64];
    StringFromGUID2(clsid, text, 64);
    return com::AnsiFromWide(text, wcslen(text));
}

std::wstring GuidText(const GUID& guid) {
    wchar_t text[64];
    StringFromGUID2(guid, text, 64);
    return text;
}

// A type library file holding one class named `name` whose class id is
// `clsid`; returns the library's own id.
GUID WriteTypeLibrary(const std::string& path, const std::wstring& name, const CLSID& clsid) {
    GUID library = GUID_NULL;
    ComPtr<ICreateTypeLib2> create;
    if (FAILED(CreateTypeLib2(SYS_WIN64, com::WideFromAnsi(path.c_str()).c_str(), create.put()))) return GUID_NULL;
    CoCreateGuid(&library);
    create->SetGuid(library);
    create->SetName(const_cast<LPOLESTR>(L"VxProbeLibrary"));
    create->SetVersion(1, 0);
    create->SetLcid(LOCALE_NEUTRAL);
    ComPtr<ICreateTypeInfo> info;
    if (FAILED(create->CreateTypeInfo(const_cast<LPOLESTR>(name.c_str()), TKIND_COCLASS, info.put()))) return GUID_NULL;
    info->SetGuid(clsid);
    info->SetTypeFlags(TYPEFLAG_FCANCREATE);
    info.reset();
    if (FAILED(create->SaveAllChanges())) return GUID_NULL;
    return library;
}

// Which kind of object a record holds, told by a member only it has.
bool IsDictionary(ObjectRecord* record) {
    ValueRecord count;
    return com::LateBoundCall(com::CallMode::PropertyGet, record, "Count", nullptr, 0, type::Int, &count) == 0;
}
bool IsShell(ObjectRecord* record) {
    ValueRecord folders;
    bool found = com::LateBoundCall(com::CallMode::PropertyGet, record, "SpecialFolders", nullptr, 0, type::ComObject,
                                    &folders) == 0;
    DisposeObject(folders.Address<ObjectRecord>());
    return found;
}

bool Create(ObjectRecord* record, const char* name, ValueRecord library = Omit()) {
    return Command(ObjectCreate, {Obj(record), Txt(name), library}).Bool();
}

TEST(ObjectCreate, ByProgIdOrBracedClassId) {
    ObjectRecord dictionary{};
    ASSERT_TRUE(Create(&dictionary, "Scripting.Dictionary"));
    ASSERT_NE(dictionary.object, nullptr);
    EXPECT_TRUE(IsDictionary(&dictionary));
    EXPECT_FALSE(IsShell(&dictionary));

    std::string braced = BracedClsid(L"WScript.Shell");
    ASSERT_FALSE(braced.empty());
    ObjectRecord shell{};
    ASSERT_TRUE(Create(&shell, braced.c_str()));
    EXPECT_TRUE(IsShell(&shell));
    // With only two arguments given at all.
    ObjectRecord twoArguments{};
    EXPECT_TRUE(Command(ObjectCreate, {Obj(&twoArguments), Txt("WScript.Shell")}).Bool());
    EXPECT_TRUE(IsShell(&twoArguments));
    ClearObject(&twoArguments);
    ClearObject(&shell);
    ClearObject(&dictionary);
}

TEST(ObjectCreate, FailureKeepsTheVariableAndSuccessReplacesIt) {
    Probe* probe = Probe::Create();
    ObjectRecord record = Holding(probe);
    ULONG held = probe->references();
    for (const char* name : {"No.Such.ProgId", "", "{not a class id}", "{00000000-0000-0000-0000-0000000000AB}"}) {
        EXPECT_FALSE(Create(&record, name)) << name;
        EXPECT_EQ(record.object, static_cast<void*>(static_cast<IDispatch*>(probe))) << name;
    }
    EXPECT_EQ(probe->references(), held);
    ASSERT_TRUE(Create(&record, "Scripting.Dictionary"));
    EXPECT_EQ(probe->references(), held - 1);
    EXPECT_TRUE(IsDictionary(&record));
    ClearObject(&record);
    EXPECT_EQ(probe->Release(), 0u);

    // A variable passed by address that holds no record yet gets one.
    ObjectRecord* variable = nullptr;
    EXPECT_TRUE(Command(ObjectCreate, {Ref(&variable, type::ComObject), Txt("Scripting.Dictionary")}).Bool());
    ASSERT_NE(variable, nullptr);
    EXPECT_TRUE(IsDictionary(variable));
    DisposeObject(variable);
}

TEST(ObjectCreate, TypeLibraryNamesAClassAndIsRegistered) {
    TempDir dir;
    CLSID dictionary;
    ASSERT_EQ(CLSIDFromProgID(L"Scripting.Dictionary", &dictionary), S_OK);
    std::string path = dir / "alias.tlb";
    GUID library = WriteTypeLibrary(path, L"VxAlias", dictionary);
    ASSERT_NE(library, GUID_NULL);

    ObjectRecord record{};
    ASSERT_TRUE(Create(&record, "VxAlias", Txt(path.c_str())));
    EXPECT_TRUE(IsDictionary(&record));
    // The file was named by a path: the library is now registered.
    std::string key = "TypeLib\\" + com::AnsiFromWide(GuidText(library).c_str(), GuidText(library).size());
    HKEY opened = nullptr;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened), ERROR_SUCCESS);
    if (opened) RegCloseKey(opened);
    UnRegisterTypeLib(library, 1, 0, LOCALE_NEUTRAL, SYS_WIN64);

    // A name the library does not hold, or a library that is not there:
    // the name is taken as a ProgID.
    EXPECT_TRUE(Create(&record, "WScript.Shell", Txt(path.c_str())));
    EXPECT_TRUE(IsShell(&record));
    EXPECT_TRUE(Create(&record, "Scripting.Dictionary", Txt((dir / "missing.tlb").c_str())));
    EXPECT_TRUE(IsDictionary(&record));
    EXPECT_FALSE(Create(&record, "VxAlias", Txt((dir / "missing.tlb").c_str())));
    ClearObject(&record);
}

TEST(ObjectCreate, BracedNameIgnoresTheTypeLibrary) {
    // A library whose class is named like the shell object's class id but
    // makes a dictionary: were it consulted, a dictionary would come out.
    TempDir dir;
    CLSID dictionary;
    ASSERT_EQ(CLSIDFromProgID(L"Scripting.Dictionary", &dictionary), S_OK);
    std::string braced = BracedClsid(L"WScript.Shell");
    std::string path = dir / "braced.tlb";
    GUID library = WriteTypeLibrary(path, com::WideFromAnsi(braced.c_str()), dictionary);
    ASSERT_NE(library, GUID_NULL);
    {
        ComPtr<ITypeLib> lib;
        ASSERT_EQ(LoadTypeLibEx(com::WideFromAnsi(path.c_str()).c_str(), REGKIND_NONE, lib.put()), S_OK);
        std::wstring name = com::WideFromAnsi(braced.c_str());
        BOOL found = FALSE;
        ASSERT_EQ(lib->IsName(name.data(), 0, &found), S_OK);
        ASSERT_TRUE(found) << "the library must hold the braced name for this check to mean anything";
    }
    ObjectRecord record{};
    ASSERT_TRUE(Create(&record, braced.c_str(), Txt(path.c_str())));
    EXPECT_TRUE(IsShell(&record));
    EXPECT_FALSE(IsDictionary(&record));
    ClearObject(&record);
}

TEST(RealAutomationObject, DictionaryTakesVariantReferencesAndCountsItsArguments) {
    ObjectRecord dictionary{};
    ASSERT_TRUE(Create(&dictionary, "Scripting.Dictionary"));
    Probe* probe = Probe::Create();
    ObjectRecord item = Holding(probe);

    Command(ObjectCallMethod, {Obj(&dictionary), Txt("Add"), Txt("k"), Num(42)});
    ASSERT_EQ(LastErrorText(), "");
    Command(ObjectCallMethod, {Obj(&dictionary), Txt("Add"), Txt("\xd7\xc0\xc3\xe6"), Obj(&item)});  // 桌面
    ASSERT_EQ(LastErrorText(), "");
    // A trailing omitted argument is not passed: the dictionary refuses a
    // call with one argument instead of storing a missing-argument marker.
    Command(ObjectCallMethod, {Obj(&dictionary), Txt("Add"), Txt("lonely"), Omit()});
    EXPECT_NE(com::LastError(), 0);
    EXPECT_NE(com::LastError(), com::kTooManyArguments);
    // Three arguments for two parameters.
    Command(ObjectCallMethod, {Obj(&dictionary), Txt("Add"), Txt("a"), Num(1), Num(2)});
    EXPECT_EQ(LastErrorText(), "提供了过多的参数");

    ValueRecord count;
    ASSERT_EQ(com::LateBoundCall(com::CallMode::PropertyGet, &dictionary, "Count", nullptr, 0, type::Long, &count), 0);
    EXPECT_EQ(count.type, type::Long);
    EXPECT_EQ(count.Long(), 2);

    ValueRecord key = Txt("k"), value;
    ASSERT_EQ(com::LateBoundCall(com::CallMode::Method, &dictionary, "Item", &key, 1, type::Text, &value), 0);
    EXPECT_STREQ(value.Text(), "42");
    Free(value.Text());
    ValueRecord exists;
    ASSERT_EQ(com::LateBoundCall(com::CallMode::Method, &dictionary, "Exists", &key, 1, type::Bool, &exists), 0);
    EXPECT_EQ(exists.low, 1u);

    // The object stored through a VARIANT parameter comes back itself.
    ValueRecord stored = Command(ObjectCallMethodForObject, {Obj(&dictionary), Txt("Item"), Txt("\xd7\xc0\xc3\xe6")});
    ASSERT_EQ(LastErrorText(), "");
    auto* back = stored.Address<ObjectRecord>();
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Identity(back->object), Identity(probe));
    DisposeObject(back);

    // Put mode on a property with an index parameter: one value only.
    EXPECT_FALSE(Command(ObjectSetProperty, {Obj(&dictionary), Txt("CompareMode"), Txt("not a number")}).Bool());
    EXPECT_NE(LastErrorText(), "");

    ClearObject(&dictionary);
    ClearObject(&item);
    EXPECT_EQ(probe->Release(), 0u);
}

}  // namespace
}  // namespace vx::test
