// What a screen reader is told about a unit whose window says nothing of
// itself (a button drawn from pictures has no caption): its role and name as
// the window sources give them. The table is compiled beside the window
// template, which stays byte for byte what the windows store.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vx::wt {

enum class AccessRole : int32_t {
    kOwn = 0,  // the one the unit's type gives
    kPushButton,
    kCheckButton,  // checked while the unit's Selected property is set
    kLink,
    kStaticText,
    kProgressBar,
    kHidden,  // shows nothing: left out of what a reader presents
};

struct UnitAccess {
    uint32_t windowId;
    uint32_t unitId;
    AccessRole role;
    const char* name;  // in the program's code page; empty: the unit's own text
};

// The words of the window sources ("button", "checkbox", ...).
struct AccessRoleWord {
    std::string_view word;
    AccessRole role;
};
inline constexpr AccessRoleWord kAccessRoleWords[] = {
    {"button", AccessRole::kPushButton}, {"checkbox", AccessRole::kCheckButton},    {"link", AccessRole::kLink},
    {"text", AccessRole::kStaticText},   {"progressbar", AccessRole::kProgressBar}, {"hidden", AccessRole::kHidden},
};

inline std::optional<AccessRole> AccessRoleFromWord(std::string_view word) {
    for (const AccessRoleWord& w : kAccessRoleWords)
        if (w.word == word) return w.role;
    return std::nullopt;
}

}  // namespace vx::wt
