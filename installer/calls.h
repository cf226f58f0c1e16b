// How the installer's procedures reach the runtime: commands through the
// command entries with value records, properties through the property
// entries, and ownership of what comes back.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "runtime/process/command_call.h"
#include "runtime/base/memory.h"
#include "runtime/process/program.h"
#include "runtime/process/services.h"
#include "runtime/base/value.h"

namespace vx::installer {

// A text the procedures received and must free.
class Text {
public:
    Text() = default;
    explicit Text(char* p) : p_(p) {}
    Text(Text&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
    Text& operator=(Text&& o) noexcept {
        if (this != &o) {
            Free(p_);
            p_ = o.p_;
            o.p_ = nullptr;
        }
        return *this;
    }
    Text(const Text&) = delete;
    Text& operator=(const Text&) = delete;
    ~Text() { Free(p_); }

    const char* get() const { return p_; }
    std::string_view view() const { return p_ ? std::string_view(p_) : std::string_view(); }
    std::string str() const { return std::string(view()); }
    bool empty() const { return !p_ || !*p_; }

private:
    char* p_ = nullptr;
};

inline ValueRecord Arg(int32_t v) { return ValueRecord::OfInt(v); }
inline ValueRecord Arg(bool v) { return ValueRecord::OfBool(v); }
inline ValueRecord Arg(const char* text) { return ValueRecord::OfText(text); }
inline ValueRecord Arg(const std::string& text) { return ValueRecord::OfText(text.c_str()); }
inline ValueRecord Omitted() { return ValueRecord{}; }
inline ValueRecord WindowRef(uint32_t windowId, uint32_t unitId) { return {windowId, unitId, type::Window}; }

inline Text TextOf(const ValueRecord& r) { return Text(r.Address<char>()); }
// Whether a file or folder of that path (wildcards allowed) exists.
bool FileExists(const std::string& path);

// Property access on units of the installer's windows.
void SetText(uint32_t windowId, uint32_t unitId, int32_t index, const char* text);
void SetNumber(uint32_t windowId, uint32_t unitId, int32_t index, int32_t value);
void SetBytes(uint32_t windowId, uint32_t unitId, int32_t index, const void* byteSet);
Text GetText(uint32_t windowId, uint32_t unitId, int32_t index);

}  // namespace vx::installer
