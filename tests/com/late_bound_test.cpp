// Late-bound calls against the in-process probe, whose Invoke records what
// arrives: argument counts and order, conversions, put calls, errors.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>

#include "runtime/com/com_ptr.h"
#include "tests/com/com_test_support.h"
#include "tests/com/probe_object.h"
#include "tests/support/win32_harness.h"

namespace vx::test {
namespace {

class LateBoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        probe_ = Probe::Create();
        object_ = Holding(probe_);
    }
    void TearDown() override {
        ClearObject(&object_);
        EXPECT_EQ(probe_->references(), 1u) << "references left behind";
        probe_->Release();
    }
    const ProbeCall& OnlyCall() {
        EXPECT_EQ(probe_->calls().size(), 1u);
        return probe_->calls().back();
    }
    ValueRecord ObjectArg() { return Obj(&object_); }

    Probe* probe_ = nullptr;
    ObjectRecord object_{};
};

std::wstring BstrOf(const VARIANT& v) {
    return v.vt == VT_BSTR ? std::wstring(v.bstrVal, SysStringLen(v.bstrVal)) : L"?";
}

TEST_F(LateBoundTest, OmittedMiddleIsParamNotFoundAndTrailingOnesAreNotPassed) {
    Command(ObjectCallMethod, {ObjectArg(), Txt("Record"), Num(1), Omit(), Num(3)});
    EXPECT_EQ(LastErrorText(), "");
    const ProbeCall& c = OnlyCall();
    EXPECT_EQ(c.id, kRecordId);
    EXPECT_EQ(c.flags, DISPATCH_METHOD);
    ASSERT_EQ(c.argCount, 3u);
    EXPECT_TRUE(c.named.empty());
    // VARIANT parameters get a reference to the argument; the missing one
    // travels as itself.
    EXPECT_EQ(c.received[0], VT_VARIANT | VT_BYREF);
    EXPECT_EQ(c.received[1], VT_ERROR);
    EXPECT_EQ(c.received[2], VT_VARIANT | VT_BYREF);
    EXPECT_EQ(c.values[0].vt, VT_I4);
    EXPECT_EQ(c.values[0].lVal, 1);  // first argument last in the array
    EXPECT_EQ(c.values[1].scode, DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(c.values[2].lVal, 3);

    probe_->ClearCalls();
    Command(ObjectCallMethod, {ObjectArg(), Txt("Record"), Num(1), Omit(), Omit()});
    EXPECT_EQ(OnlyCall().argCount, 1u);
    EXPECT_EQ(OnlyCall().values[0].lVal, 1);

    probe_->ClearCalls();
    Command(ObjectCallMethod, {ObjectArg(), Txt("Record"), Omit(), Omit(), Omit()});
    EXPECT_EQ(OnlyCall().argCount, 0u);

    // The member's own result, asked for through the get mode.
    ValueRecord args[] = {Num(7), Num(8)};
    ValueRecord result;
    EXPECT_EQ(com::LateBoundCall(com::CallMode::PropertyGet, &object_, "Record", args, 2, type::Int, &result), 0);
    EXPECT_EQ(result.type, type::Int);
    EXPECT_EQ(result.Int(), 2);
}

TEST_F(LateBoundTest, TooManyArgumentsAndUnknownNamesInvokeNothing) {
    Command(ObjectCallMethod, {ObjectArg(), Txt("Record"), Num(1), Num(2), Num(3), Num(4)});
    EXPECT_EQ(com::LastError(), com::kTooManyArguments);
    EXPECT_EQ(LastErrorText(), "提供了过多的参数");
    // Trailing omitted arguments do not count.
    Command(ObjectCallMethod, {ObjectArg(), Txt("Record"), Num(1), Num(2), Num(3), Omit()});
    EXPECT_EQ(LastErrorText(), "");
    EXPECT_EQ(OnlyCall().argCount, 3u);
    probe_->ClearCalls();

    EXPECT_FALSE(Command(ObjectSetProperty, {ObjectArg(), Txt("NoSuchThing"), Num(1)}).Bool());
    EXPECT_EQ(LastErrorText(), "未找到指定属性或方法");
    ValueRecord r = Command(ObjectCallMethodForObject, {ObjectArg(), Txt("NoSuchThing")});
    EXPECT_EQ(LastErrorText(), "未找到指定属性或方法");
    EXPECT_EQ(r.type, type::ComObject);
    ASSERT_NE(r.Address<ObjectRecord>(), nullptr);
    EXPECT_EQ(r.Address<ObjectRecord>()->object, nullptr);
    DisposeObject(r.Address<ObjectRecord>());
    // Names are matched without regard to case.
    Command(ObjectCallMethod, {ObjectArg(), Txt("rECORD")});
    EXPECT_EQ(LastErrorText(), "");
    EXPECT_EQ(probe_->calls().size(), 1u);
}

TEST_F(LateBoundTest, ArgumentsAreConvertedAndCoercedToDeclaredTypes) {
    // Long integer: low 32 bits only; text coerced to the double parameter;
    // integer coerced to the text parameter; logical as VARIANT_TRUE.
    Command(ObjectCallMethod, {ObjectArg(), Txt("Number"), ValueRecord::OfLong(0x700000005LL), Txt("2.5"), Num(42),
                               ValueRecord::OfBool(true)});
    ASSERT_EQ(LastErrorText(), "");
    const ProbeCall& c = OnlyCall();
    ASSERT_EQ(c.argCount, 4u);
    EXPECT_EQ(c.received[0], VT_I4);
    EXPECT_EQ(c.values[0].lVal, 5);
    EXPECT_EQ(c.received[1], VT_R8);
    EXPECT_DOUBLE_EQ(c.values[1].dblVal, 2.5);
    EXPECT_EQ(c.received[2], VT_BSTR);
    EXPECT_EQ(BstrOf(c.values[2]), L"42");
    EXPECT_EQ(c.received[3], VT_BOOL);
    EXPECT_EQ(c.values[3].boolVal, VARIANT_TRUE);
    probe_->ClearCalls();

    Command(ObjectCallMethod,
            {ObjectArg(), Txt("Number"), ValueRecord::OfLong(-2), Omit(), Omit(), ValueRecord::OfBool(false)});
    ASSERT_EQ(OnlyCall().argCount, 4u);
    EXPECT_EQ(OnlyCall().values[0].lVal, -2);
    EXPECT_EQ(OnlyCall().values[3].boolVal, VARIANT_FALSE);
    probe_->ClearCalls();

    // Into VARIANT parameters nothing is coerced: each runtime type keeps its
    // own VARIANT type.
    float f = 1.5f;
    uint32_t fbits;
    std::memcpy(&fbits, &f, 4);
    Command(ObjectCallMethod,
            {ObjectArg(), Txt("Record"), ValueRecord{0xFF, 0, type::Byte},
             ValueRecord{static_cast<uint32_t>(-3), 0, type::Short}, ValueRecord{fbits, 0, type::Float}});
    ASSERT_EQ(OnlyCall().argCount, 3u);
    EXPECT_EQ(OnlyCall().values[0].vt, VT_UI1);
    EXPECT_EQ(OnlyCall().values[0].bVal, 0xFF);
    EXPECT_EQ(OnlyCall().values[1].vt, VT_I2);
    EXPECT_EQ(OnlyCall().values[1].iVal, -3);
    EXPECT_EQ(OnlyCall().values[2].vt, VT_R4);
    EXPECT_EQ(OnlyCall().values[2].fltVal, 1.5f);
    probe_->ClearCalls();

    ValueRecord date = ValueRecord::OfDouble(45000.25);
    date.type = type::DateTime;
    // "卸载快捷方式": GBK in, the same characters as UTF-16 out.
    Command(ObjectCallMethod, {ObjectArg(), Txt("Record"), date, Txt("卸载快捷方式"), ValueRecord::OfDouble(-0.125)});
    ASSERT_EQ(OnlyCall().argCount, 3u);
    EXPECT_EQ(OnlyCall().values[0].vt, VT_DATE);
    EXPECT_EQ(OnlyCall().values[0].date, 45000.25);
    EXPECT_EQ(BstrOf(OnlyCall().values[1]), L"\u5378\u8f7d\u5feb\u6377\u65b9\u5f0f");
    EXPECT_EQ(OnlyCall().values[2].vt, VT_R8);
    EXPECT_EQ(OnlyCall().values[2].dblVal, -0.125);
    probe_->ClearCalls();

    // A byte set cannot be passed: nothing is invoked.
    uint8_t bytes[] = {1, 0, 0, 0, 1, 0, 0, 0, 9};
    Command(ObjectCallMethod, {ObjectArg(), Txt("Record"), Num(1), ValueRecord::OfBytes(bytes)});
    EXPECT_EQ(LastErrorText(), "参数数据类型错误");
    EXPECT_TRUE(probe_->calls().empty());
}

TEST_F(LateBoundTest, PropertyPutNamesItsArgumentAndCoercesIt) {
    EXPECT_TRUE(Command(ObjectSetProperty, {ObjectArg(), Txt("Label"), Num(123)}).Bool());
    EXPECT_EQ(LastErrorText(), "");
    const ProbeCall& c = OnlyCall();
    EXPECT_EQ(c.id, kLabelId);
    EXPECT_EQ(c.flags, DISPATCH_PROPERTYPUT);
    ASSERT_EQ(c.named.size(), 1u);
    EXPECT_EQ(c.named[0], DISPID_PROPERTYPUT);
    ASSERT_EQ(c.argCount, 1u);
    EXPECT_EQ(c.received[0], VT_BSTR);
    EXPECT_EQ(probe_->label(), L"123");

    // A text variable passed by address is read for the call.
    char* text = NewText("\xd7\xc0\xc3\xe6");  // 桌面
    EXPECT_TRUE(Command(ObjectSetProperty, {ObjectArg(), Txt("Label"), TextRef(&text)}).Bool());
    EXPECT_EQ(probe_->label(), L"\u684c\u9762");
    Free(text);

    // Read back in get mode as text; as an object it is no object.
    ValueRecord label;
    EXPECT_EQ(com::LateBoundCall(com::CallMode::PropertyGet, &object_, "Label", nullptr, 0, type::Text, &label), 0);
    EXPECT_STREQ(label.Text(), "\xd7\xc0\xc3\xe6");
    Free(label.Text());
    ValueRecord r = Command(ObjectCallMethodForObject, {ObjectArg(), Txt("Label")});
    EXPECT_EQ(LastErrorText(), "执行成功，但返回值类型不匹配");
    ASSERT_NE(r.Address<ObjectRecord>(), nullptr);
    EXPECT_EQ(r.Address<ObjectRecord>()->object, nullptr);
    DisposeObject(r.Address<ObjectRecord>());
}

TEST_F(LateBoundTest, FailuresMapToTheirCodesAndTexts) {
    struct Case {
        HRESULT hr;
        const char* text;
    };
    const Case cases[] = {
        {DISP_E_BADPARAMCOUNT, "参数数目错误"},
        {DISP_E_BADVARTYPE, "参数类型值无效"},
        {DISP_E_EXCEPTION, "发现异常"},
        {DISP_E_MEMBERNOTFOUND, "未找到指定成员"},
        {DISP_E_NONAMEDARGS, "不支持命名参数"},
        {DISP_E_OVERFLOW, "溢出"},
        {DISP_E_PARAMNOTFOUND, "未找到指定参数"},
        {DISP_E_TYPEMISMATCH, "类型不匹配"},
        {DISP_E_PARAMNOTOPTIONAL, "必需的参数数据被省略"},
        {E_FAIL, "其他原因调用失败"},
        {E_NOTIMPL, "其他原因调用失败"},
        {S_FALSE, ""},
    };
    for (const Case& c : cases) {
        Command(ObjectCallMethod, {ObjectArg(), Txt("Fail"), Num(c.hr)});
        EXPECT_EQ(LastErrorText(), c.text) << std::hex << c.hr;
    }
    EXPECT_EQ(probe_->calls().size(), std::size(cases));
    // The table's other texts.
    EXPECT_STREQ(com::ErrorText(com::kNotFontObject), "该对象不是字体对象");
    EXPECT_STREQ(com::ErrorText(-19), "");
    EXPECT_STREQ(com::ErrorText(1), "");
}

TEST_F(LateBoundTest, ByReferenceParametersWriteBackIntoTheVariables) {
    char* text = NewText("ab");
    int32_t number = 21;
    Command(ObjectCallMethod, {ObjectArg(), Txt("Swap"), TextRef(&text), Ref(&number, type::Int)});
    ASSERT_EQ(LastErrorText(), "");
    EXPECT_STREQ(text, "ab-x");
    EXPECT_EQ(number, 42);
    Free(text);

    // A short variable receives the value in its own two bytes only.
    struct {
        int16_t value;
        int16_t guard;
    } slot{7, 0x5555};
    char* empty = nullptr;
    Command(ObjectCallMethod, {ObjectArg(), Txt("Swap"), TextRef(&empty), Ref(&slot.value, type::Short)});
    ASSERT_EQ(LastErrorText(), "");
    EXPECT_EQ(slot.value, 14);
    EXPECT_EQ(slot.guard, 0x5555);
    EXPECT_STREQ(empty, "-x");
    Free(empty);

    // Values passed directly, and variables of parameters that are not
    // by reference, stay as they were.
    Command(ObjectCallMethod, {ObjectArg(), Txt("Swap"), Txt("cd"), Num(5)});
    EXPECT_EQ(LastErrorText(), "");
    int32_t x = 9;
    Command(ObjectCallMethod, {ObjectArg(), Txt("Number"), Ref(&x, type::Int)});
    EXPECT_EQ(LastErrorText(), "");
    EXPECT_EQ(x, 9);
    EXPECT_EQ(probe_->calls().back().values[0].lVal, 9);
}

TEST_F(LateBoundTest, ObjectsCrossByDeclaredTypeAndComeBackAsFreshRecords) {
    Probe* other = Probe::Create();
    ObjectRecord otherRecord = Holding(other);
    ULONG before = other->references();
    Command(ObjectCallMethod,
            {ObjectArg(), Txt("Take"), Obj(&otherRecord), Obj(&otherRecord), Obj(&otherRecord), Obj(&otherRecord)});
    ASSERT_EQ(LastErrorText(), "");
    {
        const ProbeCall& c = OnlyCall();
        ASSERT_EQ(c.argCount, 4u);
        EXPECT_EQ(c.values[0].vt, VT_UNKNOWN);
        EXPECT_EQ(Identity(c.values[0].punkVal), Identity(other));
        EXPECT_EQ(c.values[1].vt, VT_DISPATCH);
        EXPECT_EQ(Identity(c.values[1].pdispVal), Identity(other));
        // A parameter that takes anything receives the object too.
        EXPECT_EQ(c.values[2].vt, VT_DISPATCH);
        EXPECT_EQ(Identity(c.values[2].pdispVal), Identity(other));
        // Any other declared type: an empty interface.
        EXPECT_EQ(c.received[3], VT_UNKNOWN);
        EXPECT_EQ(c.values[3].punkVal, nullptr);
    }
    probe_->ClearCalls();
    EXPECT_EQ(other->references(), before);

    // An empty object crosses as an empty interface.
    ObjectRecord empty{};
    Command(ObjectCallMethod, {ObjectArg(), Txt("Take"), Obj(&empty), Obj(&empty)});
    ASSERT_EQ(LastErrorText(), "");
    EXPECT_EQ(OnlyCall().values[0].vt, VT_UNKNOWN);
    EXPECT_EQ(OnlyCall().values[0].punkVal, nullptr);
    EXPECT_EQ(OnlyCall().values[1].punkVal, nullptr);
    probe_->ClearCalls();

    // A result object holds its own reference until disposed of.
    ULONG mine = probe_->references();
    ValueRecord r = Command(ObjectCallMethodForObject, {ObjectArg(), Txt("Self")});
    ASSERT_EQ(LastErrorText(), "");
    ASSERT_EQ(r.type, type::ComObject);
    auto* result = r.Address<ObjectRecord>();
    ASSERT_NE(result, nullptr);
    EXPECT_NE(result, &object_);
    EXPECT_EQ(Identity(result->object), Identity(probe_));
    EXPECT_EQ(result->recordData, nullptr);
    EXPECT_EQ(probe_->references(), mine + 1);
    // The result drives the object like the original.
    Command(ObjectCallMethod, {Obj(result), Txt("Record"), Num(1)});
    EXPECT_EQ(probe_->calls().size(), 2u);
    DisposeObject(result);
    EXPECT_EQ(probe_->references(), mine);

    ClearObject(&otherRecord);
    other->Release();
}

TEST_F(LateBoundTest, EmptyObjectNoDispatchAndNoTypeInformation) {
    ObjectRecord empty{};
    EXPECT_FALSE(Command(ObjectSetProperty, {Obj(&empty), Txt("Label"), Txt("x")}).Bool());
    EXPECT_EQ(LastErrorText(), "对象为空");
    EXPECT_FALSE(Command(ObjectSetProperty, {Obj(nullptr), Txt("Label"), Txt("x")}).Bool());
    EXPECT_EQ(com::LastError(), com::kEmptyObject);

    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ObjectRecord noDispatch = Holding(stream);
    Command(ObjectCallMethod, {Obj(&noDispatch), Txt("Record")});
    EXPECT_EQ(LastErrorText(), "指定对象没有调用接口");
    ClearObject(&noDispatch);
    EXPECT_EQ(stream->Release(), 0u);

    Probe* bare = Probe::Create(false);
    ObjectRecord noInfo = Holding(bare);
    Command(ObjectCallMethod, {Obj(&noInfo), Txt("Record")});
    EXPECT_EQ(LastErrorText(), "指定对象没有类型信息");
    EXPECT_TRUE(bare->calls().empty());
    ClearObject(&noInfo);
    EXPECT_EQ(bare->Release(), 0u);
}

TEST_F(LateBoundTest, ClearReleasesTheObjectAndEmptiesTheRecord) {
    ObjectRecord second = Holding(probe_);
    ULONG held = probe_->references();
    Command(ObjectClear, {Obj(&second)});
    EXPECT_EQ(second.object, nullptr);
    EXPECT_EQ(second.recordData, nullptr);
    EXPECT_EQ(probe_->references(), held - 1);
    Command(ObjectClear, {Obj(&second)});  // already empty: nothing happens
    EXPECT_EQ(probe_->references(), held - 1);

    // The runtime's "clear object" request does the same.
    ObjectRecord third = Holding(probe_);
    EXPECT_EQ(HostRequest(kHostClearObject, reinterpret_cast<intptr_t>(&third), 0), 0);
    EXPECT_EQ(third.object, nullptr);
    EXPECT_EQ(probe_->references(), held - 1);

    // A record holding only data returns it to the runtime allocator.
    ObjectRecord data{nullptr, Allocate(32)};
    ClearObject(&data);
    EXPECT_EQ(data.recordData, nullptr);
}

TEST_F(LateBoundTest, VariantValuesAreCopiedInAndWrittenBack) {
    // A variant value crosses as a copy of its VARIANT.
    VARIANT held;
    VariantInit(&held);
    held.vt = VT_I4;
    held.lVal = 9;
    Command(ObjectCallMethod, {ObjectArg(), Txt("Record"), ValueRecord::OfAddress(&held, type::Variant)});
    ASSERT_EQ(LastErrorText(), "");
    EXPECT_EQ(OnlyCall().values[0].vt, VT_I4);
    EXPECT_EQ(OnlyCall().values[0].lVal, 9);
    probe_->ClearCalls();

    // A by-reference VARIANT parameter writes back into variables of any
    // type the new value converts to; the old value is disposed of.
    VARIANT* variant = &held;
    Command(ObjectCallMethod, {ObjectArg(), Txt("Bump"), Ref(&variant, type::Variant)});
    ASSERT_EQ(LastErrorText(), "");
    EXPECT_EQ(variant, &held);
    ASSERT_EQ(held.vt, VT_BSTR);
    EXPECT_EQ(std::wstring(held.bstrVal), L"bumped");
    VariantClear(&held);

    VARIANT* none = nullptr;
    Command(ObjectCallMethod, {ObjectArg(), Txt("Bump"), Ref(&none, type::Variant)});
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(none->vt, VT_BSTR);
    VariantClear(none);
    Free(none);

    char* text = NewText("old");
    Command(ObjectCallMethod, {ObjectArg(), Txt("Bump"), TextRef(&text)});
    EXPECT_STREQ(text, "bumped");
    Free(text);

    // "bumped" is no number: the variable keeps its value.
    int32_t number = 5;
    Command(ObjectCallMethod, {ObjectArg(), Txt("Bump"), Ref(&number, type::Int)});
    EXPECT_EQ(LastErrorText(), "");
    EXPECT_EQ(number, 5);

    // An object variable: its record (where its owner keeps it) now holds the
    // new object, and the old one is released.
    Probe* other = Probe::Create();
    ObjectRecord record = Holding(other);
    ObjectRecord* variable = &record;
    ULONG mine = probe_->references();
    Command(ObjectCallMethod, {ObjectArg(), Txt("Bump"), Ref(&variable, type::ComObject)});
    ASSERT_EQ(LastErrorText(), "");
    EXPECT_EQ(variable, &record);
    EXPECT_EQ(Identity(record.object), Identity(probe_));
    EXPECT_EQ(probe_->references(), mine + 1);
    probe_->ClearCalls();  // the probe's copy of the argument
    EXPECT_EQ(other->Release(), 0u);
    ClearObject(&record);
}

TEST(LateBoundRecords, RecordObjectsCrossAsRecordCopies) {
    using com::ComPtr;
    TempDir dir;
    std::wstring path = com::WideFromAnsi((dir / "record.tlb").c_str());
    GUID libraryId, recordId;
    CoCreateGuid(&libraryId);
    CoCreateGuid(&recordId);
    {
        ComPtr<ICreateTypeLib2> library;
        ASSERT_EQ(CreateTypeLib2(SYS_WIN64, path.c_str(), library.put()), S_OK);
        library->SetGuid(libraryId);
        library->SetName(const_cast<LPOLESTR>(L"VxRecords"));
        library->SetLcid(LOCALE_NEUTRAL);
        ComPtr<ICreateTypeInfo> info;
        ASSERT_EQ(library->CreateTypeInfo(const_cast<LPOLESTR>(L"VxPoint"), TKIND_RECORD, info.put()), S_OK);
        info->SetGuid(recordId);
        VARDESC field{};
        field.memid = 0x40000000;
        field.varkind = VAR_PERINSTANCE;
        field.elemdescVar.tdesc.vt = VT_I4;
        ASSERT_EQ(info->AddVarDesc(0, &field), S_OK);
        info->SetVarName(0, const_cast<LPOLESTR>(L"x"));
        info.reset();
        ASSERT_EQ(library->SaveAllChanges(), S_OK);
    }
    ComPtr<ITypeLib> loaded;
    ComPtr<ITypeInfo> recordType;
    ASSERT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_NONE, loaded.put()), S_OK);
    ASSERT_EQ(loaded->GetTypeInfoOfGuid(recordId, recordType.put()), S_OK);
    IRecordInfo* info = nullptr;
    ASSERT_EQ(GetRecordInfoFromTypeInfo(recordType.get(), &info), S_OK);
    void* data = info->RecordCreate();
    ASSERT_NE(data, nullptr);
    *static_cast<LONG*>(data) = 77;
    ObjectRecord record{info, data};  // the record owns this reference

    Probe* probe = Probe::Create();
    ObjectRecord object = Holding(probe);
    Command(ObjectCallMethod, {Obj(&object), Txt("Record"), Obj(&record)});
    ASSERT_EQ(LastErrorText(), "");
    ASSERT_EQ(probe->calls().size(), 1u);
    const VARIANT& passed = probe->calls()[0].values[0];
    ASSERT_EQ(passed.vt, VT_RECORD);
    EXPECT_NE(passed.pvRecord, data);  // a copy
    EXPECT_EQ(*static_cast<LONG*>(passed.pvRecord), 77);

    probe->ClearCalls();
    ClearObject(&record);
    EXPECT_EQ(record.object, nullptr);
    EXPECT_EQ(record.recordData, nullptr);
    ClearObject(&object);
    EXPECT_EQ(probe->Release(), 0u);
}

// Type information of a dispatch interface with two variables, from a type
// library written to `path` and loaded back.
com::ComPtr<ITypeInfo> MakeVariableTypeInfo(const std::string& path) {
    using com::ComPtr;
    std::wstring wide = com::WideFromAnsi(path.c_str());
    ComPtr<ICreateTypeLib2> library;
    if (FAILED(CreateTypeLib2(SYS_WIN64, wide.c_str(), library.put()))) return {};
    GUID libraryId, interfaceId;
    CoCreateGuid(&libraryId);
    CoCreateGuid(&interfaceId);
    library->SetGuid(libraryId);
    library->SetName(const_cast<LPOLESTR>(L"VxVariables"));
    library->SetVersion(1, 0);
    library->SetLcid(LOCALE_NEUTRAL);
    ComPtr<ICreateTypeInfo> info;
    if (FAILED(library->CreateTypeInfo(const_cast<LPOLESTR>(L"IVxVariables"), TKIND_DISPATCH, info.put()))) return {};
    info->SetGuid(interfaceId);
    struct Variable {
        const wchar_t* name;
        MEMBERID id;
        VARTYPE vt;
    };
    const Variable variables[] = {{L"Count", kCountVarId, VT_I4}, {L"Peer", kPeerVarId, VT_DISPATCH}};
    UINT index = 0;
    for (const Variable& v : variables) {
        VARDESC desc{};
        desc.memid = v.id;
        desc.varkind = VAR_DISPATCH;
        desc.elemdescVar.tdesc.vt = v.vt;
        if (FAILED(info->AddVarDesc(index, &desc))) return {};
        info->SetVarName(index++, const_cast<LPOLESTR>(v.name));
    }
    info.reset();
    if (FAILED(library->SaveAllChanges())) return {};
    library.reset();
    ComPtr<ITypeLib> loaded;
    ComPtr<ITypeInfo> result;
    if (FAILED(LoadTypeLibEx(wide.c_str(), REGKIND_NONE, loaded.put()))) return {};
    loaded->GetTypeInfoOfGuid(interfaceId, result.put());
    return result;
}

TEST(LateBoundVariables, VariablesArePutByValueOrReferenceAndRead) {
    TempDir dir;
    com::ComPtr<ITypeInfo> info = MakeVariableTypeInfo(dir / "variables.tlb");
    ASSERT_TRUE(info);
    Probe* probe = Probe::CreateWith(info.get());
    ObjectRecord object = Holding(probe);

    // A number variable: put with its own type, the value named.
    EXPECT_TRUE(Command(ObjectSetProperty, {Obj(&object), Txt("Count"), Txt("5")}).Bool()) << LastErrorText();
    ASSERT_EQ(probe->calls().size(), 1u);
    EXPECT_EQ(probe->calls()[0].id, kCountVarId);
    EXPECT_EQ(probe->calls()[0].flags, DISPATCH_PROPERTYPUT);
    ASSERT_EQ(probe->calls()[0].named.size(), 1u);
    EXPECT_EQ(probe->calls()[0].named[0], DISPID_PROPERTYPUT);
    EXPECT_EQ(probe->calls()[0].received[0], VT_I4);
    EXPECT_EQ(probe->calls()[0].values[0].lVal, 5);

    // An interface variable: put by reference.
    EXPECT_TRUE(Command(ObjectSetProperty, {Obj(&object), Txt("Peer"), Obj(&object)}).Bool()) << LastErrorText();
    ASSERT_EQ(probe->calls().size(), 2u);
    EXPECT_EQ(probe->calls()[1].flags, DISPATCH_PROPERTYPUTREF);
    EXPECT_EQ(probe->calls()[1].received[0], VT_DISPATCH);
    probe->ClearCalls();

    // Outside put mode a variable is read and takes no arguments.
    ValueRecord count;
    EXPECT_EQ(com::LateBoundCall(com::CallMode::Method, &object, "Count", nullptr, 0, type::Int, &count), 0);
    EXPECT_EQ(count.Int(), 7);
    EXPECT_EQ(probe->calls().back().flags, DISPATCH_PROPERTYGET);
    Command(ObjectCallMethod, {Obj(&object), Txt("Count"), Num(1)});
    EXPECT_EQ(LastErrorText(), "提供了过多的参数");
    ValueRecord peer = Command(ObjectCallMethodForObject, {Obj(&object), Txt("Peer")});
    ASSERT_EQ(LastErrorText(), "");
    EXPECT_EQ(Identity(peer.Address<ObjectRecord>()->object), Identity(probe));
    DisposeObject(peer.Address<ObjectRecord>());

    ClearObject(&object);
    EXPECT_EQ(probe->Release(), 0u);
}

TEST(LateBoundThreads, LastErrorIsKeptPerThread) {
    // Thread A fails on an empty object, thread B succeeds on its own probe;
    // each reads its own last error after both have called.
    HANDLE aDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE bDone = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::string aText, bText, mainText;
    std::thread a([&] {
        ObjectRecord empty{};
        Command(ObjectSetProperty, {Obj(&empty), Txt("Label"), Txt("x")});
        SetEvent(aDone);
        WaitForSingleObject(bDone, 10000);
        aText = LastErrorText();
    });
    std::thread b([&] {
        WaitForSingleObject(aDone, 10000);
        Probe* probe = Probe::Create();
        ObjectRecord record = Holding(probe);
        Command(ObjectCallMethod, {Obj(&record), Txt("Unknown")});
        Command(ObjectSetProperty, {Obj(&record), Txt("Label"), Txt("y")});
        ClearObject(&record);
        probe->Release();
        SetEvent(bDone);
        bText = LastErrorText();
    });
    a.join();
    b.join();
    CloseHandle(aDone);
    CloseHandle(bDone);
    EXPECT_EQ(aText, "对象为空");
    EXPECT_EQ(bText, "");

    // The main thread's error is its own as well.
    ObjectRecord empty{};
    Command(ObjectCallMethod, {Obj(&empty), Txt("X")});
    std::thread c([&] { mainText = LastErrorText(); });
    c.join();
    EXPECT_EQ(mainText, "");
    EXPECT_EQ(LastErrorText(), "对象为空");
}

}  // namespace
}  // namespace vx::test
