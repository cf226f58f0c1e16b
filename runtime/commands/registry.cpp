// RegistryReadText, RegistryWrite.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "runtime/base/args.h"
#include "runtime/commands/commands.h"
#include "runtime/commands/text_ops.h"
#include "runtime/win32/handle_owner.h"
#include "runtime/base/memory.h"

namespace vx::commands {
namespace {

HKEY RootKey(int32_t selector) {
    static const HKEY kRoots[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                                  HKEY_USERS};
    return (selector >= 1 && selector <= 5) ? kRoots[selector - 1] : HKEY_CURRENT_USER;
}

// The string data of a REG_SZ or REG_EXPAND_SZ value (expanded); false for
// any other type, a missing value or a failed read.
bool ReadStringValue(HKEY key, const char* name, std::string& out) {
    // The value may change between the size query and the read: retry.
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD kind = 0, size = 0;
        if (RegQueryValueExA(key, name, nullptr, &kind, nullptr, &size) != ERROR_SUCCESS) return false;
        if (kind != REG_SZ && kind != REG_EXPAND_SZ) return false;
        // Stored strings need not carry their terminator: keep room for one.
        std::vector<char> data(size_t(size) + 2, '\0');
        DWORD got = size;
        LONG rc = RegQueryValueExA(key, name, nullptr, &kind, reinterpret_cast<BYTE*>(data.data()), &got);
        if (rc == ERROR_MORE_DATA) continue;
        if (rc != ERROR_SUCCESS || (kind != REG_SZ && kind != REG_EXPAND_SZ)) return false;
        data[std::min<size_t>(got, size)] = '\0';
        if (kind == REG_SZ) {
            out.assign(data.data());
            return true;
        }
        DWORD needed = ExpandEnvironmentStringsA(data.data(), nullptr, 0);
        if (needed == 0) return false;
        std::vector<char> expanded(needed + 1, '\0');
        DWORD written = ExpandEnvironmentStringsA(data.data(), expanded.data(), needed);
        if (written == 0 || written > needed) return false;
        out.assign(expanded.data());
        return true;
    }
    return false;
}

}  // namespace

void RegistryReadText(ValueRecord* result, int32_t argc, ValueRecord* args) {
    RegistryPath path = SplitRegistryPath(text::SystemLeadBytes(), TextArg(Arg(argc, args, 1)));
    RegKey key;
    std::string value;
    if (RegOpenKeyExA(RootKey(IntArg(Arg(argc, args, 0))), path.key.c_str(), 0, KEY_QUERY_VALUE, key.out()) ==
            ERROR_SUCCESS &&
        ReadStringValue(key.get(), path.value.c_str(), value)) {
        result->SetAddress(NewText(value));
        return;
    }
    result->SetAddress(NewText(TextArg(Arg(argc, args, 2))));
}

void RegistryWrite(ValueRecord* result, int32_t argc, ValueRecord* args) {
    const ValueRecord& v = Arg(argc, args, 2);
    DWORD kind;
    DWORD number;
    const BYTE* data;
    DWORD size;
    std::string_view text;
    if (type::IsByAddress(v.type)) return;
    if (type::IsNumeric(v.type)) {
        number = static_cast<DWORD>(ToInt32(v));
        kind = REG_DWORD, data = reinterpret_cast<const BYTE*>(&number), size = sizeof number;
    } else if (v.type == type::Text) {
        text = TextArg(v);
        // The terminator is part of the data; the empty text writes "".
        kind = REG_SZ, data = reinterpret_cast<const BYTE*>(text.empty() ? "" : text.data());
        size = static_cast<DWORD>(text.size() + 1);
    } else if (v.type == type::Bytes) {
        ByteSpan bytes = BytesArg(v);
        kind = REG_BINARY, data = bytes.data, size = static_cast<DWORD>(bytes.size);
    } else {
        return;  // nothing is written for any other type, nor a key created
    }

    RegistryPath path = SplitRegistryPath(text::SystemLeadBytes(), TextArg(Arg(argc, args, 1)));
    HKEY root = RootKey(IntArg(Arg(argc, args, 0)));
    RegKey key;
    if (RegOpenKeyExA(root, path.key.c_str(), 0, KEY_SET_VALUE, key.out()) != ERROR_SUCCESS &&
        RegCreateKeyExA(root, path.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, key.out(),
                        nullptr) != ERROR_SUCCESS) {
        return;
    }
    result->SetBool(RegSetValueExA(key.get(), path.value.c_str(), 0, kind, data, size) == ERROR_SUCCESS);
}

}  // namespace vx::commands
