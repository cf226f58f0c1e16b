#include "runtime/windows/system/menu_shortcut.h"

#include <cctype>

namespace vx::windows::detail {
namespace {

struct KeyName {
    const char* name;
    WORD key;
};
constexpr KeyName kModifiers[] = {{"ctrl", FCONTROL}, {"shift", FSHIFT}, {"alt", FALT}};
constexpr KeyName kNamedKeys[] = {
    {"del", VK_DELETE}, {"delete", VK_DELETE}, {"ins", VK_INSERT},     {"insert", VK_INSERT}, {"home", VK_HOME},
    {"end", VK_END},    {"pgup", VK_PRIOR},    {"pgdn", VK_NEXT},      {"space", VK_SPACE},   {"enter", VK_RETURN},
    {"tab", VK_TAB},    {"esc", VK_ESCAPE},    {"backspace", VK_BACK}, {"left", VK_LEFT},     {"right", VK_RIGHT},
    {"up", VK_UP},      {"down", VK_DOWN},
};
constexpr int kFunctionKeys = 24;  // F1 to F24

bool SameName(std::string_view a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != b[i]) return false;
    return i == a.size() && !b[i];
}

std::optional<WORD> KeyOf(std::string_view name) {
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0])))
        return static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));  // VK_A.. and VK_0.. are ASCII
    for (const KeyName& k : kNamedKeys)
        if (SameName(name, k.name)) return k.key;
    if (name.size() >= 2 && std::tolower(static_cast<unsigned char>(name[0])) == 'f') {
        int n = 0;
        for (char c : name.substr(1)) {
            if (!std::isdigit(static_cast<unsigned char>(c)) || n > kFunctionKeys) return std::nullopt;
            n = n * 10 + (c - '0');
        }
        if (n >= 1 && n <= kFunctionKeys) return static_cast<WORD>(VK_F1 + n - 1);
    }
    return std::nullopt;
}

}  // namespace

std::optional<ACCEL> MenuShortcut(std::string_view caption, WORD command) {
    // A tab is never a trail byte of a double-byte character.
    size_t tab = caption.rfind('\t');
    if (tab == std::string_view::npos) return std::nullopt;
    std::string_view rest = caption.substr(tab + 1);
    BYTE flags = FVIRTKEY;
    for (;;) {
        size_t plus = rest.find('+');
        if (plus == std::string_view::npos || plus + 1 == rest.size()) break;  // the last part is the key
        std::string_view part = rest.substr(0, plus);
        bool known = false;
        for (const KeyName& m : kModifiers)
            if (SameName(part, m.name)) flags |= static_cast<BYTE>(m.key), known = true;
        if (!known) return std::nullopt;
        rest = rest.substr(plus + 1);
    }
    std::optional<WORD> key = KeyOf(rest);
    if (!key) return std::nullopt;
    return ACCEL{flags, *key, command};
}

}  // namespace vx::windows::detail
