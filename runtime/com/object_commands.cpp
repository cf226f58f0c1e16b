// The commands of the object type.
#include <new>
#include <string>

#include "runtime/com/com_object.h"
#include "runtime/com/com_ptr.h"
#include "runtime/com/variant_convert.h"
#include "runtime/base/memory.h"
#include "runtime/process/runtime_object.h"
#include "runtime/base/text.h"

namespace vx {
namespace {

using com::ComPtr;

// Class contexts: every server kind first; without the remote server when a
// system rejects that combination.
constexpr DWORD kAnyServer = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD kLocalServers = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;

const ValueRecord* Arg(int32_t argc, const ValueRecord* args, int32_t i) {
    return (args && i < argc) ? &args[i] : nullptr;
}

ObjectRecord* ObjectOf(const ValueRecord* arg) {
    if (!arg) return nullptr;
    ValueRecord v = com::LoadArgument(*arg);
    return v.type == type::Omitted ? nullptr : v.Address<ObjectRecord>();
}

const char* TextOf(const ValueRecord* arg) {
    if (!arg) return nullptr;
    ValueRecord v = com::LoadArgument(*arg);
    return v.type == type::Text ? v.Text() : nullptr;
}

// A type of that name in the type library file, instantiated; the library is
// registered when the file was named by a path.
ComPtr<IUnknown> CreateFromTypeLibrary(std::wstring name, const char* file) {
    std::wstring path = com::WideFromAnsi(file);
    ComPtr<ITypeLib> library;
    if (FAILED(LoadTypeLib(path.c_str(), library.put())) || !library) return {};
    ULONG hash = LHashValOfNameSys(SYS_WIN32, LOCALE_USER_DEFAULT, name.c_str());
    ITypeInfo* found[1] = {nullptr};
    MEMBERID ids[1] = {MEMBERID_NIL};
    USHORT count = 1;
    if (FAILED(library->FindName(name.data(), hash, found, ids, &count)) || count == 0) return {};
    ComPtr<ITypeInfo> info(found[0]);
    ComPtr<IUnknown> object;
    // A member of that name is not a type.
    if (!info || ids[0] != MEMBERID_NIL) return {};
    if (FAILED(info->CreateInstance(nullptr, IID_IUnknown, object.put_void())) || !object) return {};
    if (text::FindChar(text::View(file), '\\') != std::string_view::npos)
        RegisterTypeLib(library.get(), path.data(), nullptr);
    return object;
}

ComPtr<IUnknown> CreateFromClass(const char* name) {
    std::wstring wide = com::WideFromAnsi(name);
    CLSID clsid;
    HRESULT hr =
        (name && name[0] == '{') ? CLSIDFromString(wide.data(), &clsid) : CLSIDFromProgID(wide.c_str(), &clsid);
    if (FAILED(hr)) return {};
    ComPtr<IUnknown> object;
    hr = CoCreateInstance(clsid, nullptr, kAnyServer, IID_IUnknown, object.put_void());
    if (hr == E_INVALIDARG) hr = CoCreateInstance(clsid, nullptr, kLocalServers, IID_IUnknown, object.put_void());
    if (FAILED(hr)) object.reset();
    return object;
}

// The runtime's "clear object" host request reaches records through this;
// installed wherever the object commands are linked in.
[[maybe_unused]] const bool kClearHookInstalled = [] {
    Runtime().clearObject = [](void* record) { ClearObject(static_cast<ObjectRecord*>(record)); };
    return true;
}();

void CallForCommand(com::CallMode mode, ValueRecord* result, int32_t argc, ValueRecord* args, uint32_t wanted) {
    int32_t count = argc > 2 ? argc - 2 : 0;
    ValueRecord made;
    com::LateBoundCall(mode, ObjectOf(Arg(argc, args, 0)), TextOf(Arg(argc, args, 1)), count ? args + 2 : nullptr,
                       count, wanted, &made);
    if (wanted != type::Omitted) *result = made;
}

}  // namespace

void ClearObject(ObjectRecord* record) {
    if (!record) return;
    auto* object = static_cast<IUnknown*>(record->object);
    if (object) {
        if (record->recordData) {
            auto info = com::Share(object).query<IRecordInfo>(IID_IRecordInfo);
            if (info) info->RecordDestroy(record->recordData);
            record->recordData = nullptr;
        }
        object->Release();
        record->object = nullptr;
    } else if (record->recordData) {
        Free(record->recordData);
        record->recordData = nullptr;
    }
}

void DisposeObject(ObjectRecord* record) {
    if (!record) return;
    ClearObject(record);
    Free(record);
}

void ObjectCreate(ValueRecord* result, int32_t argc, ValueRecord* args) {
    result->SetBool(false);
    const ValueRecord* target = Arg(argc, args, 0);
    if (!target || argc < 2) return;
    // The record to fill: the one the value points at, or, for a variable
    // passed by address that holds none yet, a new one stored there.
    ObjectRecord** variable = nullptr;
    ObjectRecord* record = nullptr;
    if (type::IsByAddress(target->type)) {
        variable = target->Address<ObjectRecord*>();
        if (!variable) return;
        record = *variable;
    } else {
        record = target->Address<ObjectRecord>();
        if (!record) return;
    }

    const char* name = TextOf(Arg(argc, args, 1));
    ComPtr<IUnknown> object;
    const ValueRecord* library = Arg(argc, args, 2);
    if (!(name && name[0] == '{') && library && library->Given())
        object = CreateFromTypeLibrary(com::WideFromAnsi(name), TextOf(library));
    if (!object) object = CreateFromClass(name);
    if (!object) return;
    if (FAILED(OleRun(object.get()))) return;

    if (!record) {
        record = new (Allocate(sizeof(ObjectRecord))) ObjectRecord{};
        *variable = record;
    }
    ClearObject(record);
    record->object = object.release();
    result->SetBool(true);
}

void ObjectCallMethod(ValueRecord* result, int32_t argc, ValueRecord* args) {
    CallForCommand(com::CallMode::Method, result, argc, args, type::Omitted);
}

void ObjectCallMethodForObject(ValueRecord* result, int32_t argc, ValueRecord* args) {
    CallForCommand(com::CallMode::Method, result, argc, args, type::ComObject);
}

void ObjectSetProperty(ValueRecord* result, int32_t argc, ValueRecord* args) {
    // Only the value (argument 3) is passed; an omitted one passes nothing.
    const ValueRecord* value = Arg(argc, args, 2);
    com::LateBoundCall(com::CallMode::PropertyPut, ObjectOf(Arg(argc, args, 0)), TextOf(Arg(argc, args, 1)), value,
                       value ? 1 : 0, type::Omitted, nullptr);
    result->SetBool(com::LastError() == com::kOk);
}

void ObjectLastError(ValueRecord* result, int32_t, ValueRecord*) {
    result->SetAddress(NewText(com::ErrorText(com::LastError())));
}

void ObjectClear(ValueRecord*, int32_t argc, ValueRecord* args) { ClearObject(ObjectOf(Arg(argc, args, 0))); }

}  // namespace vx
