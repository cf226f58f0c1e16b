#include "runtime/windows/units/stored_forms.h"

#include <cstring>

namespace vx::windows::stored {
namespace {

// Bounds-checked little-endian reader; any overrun sets failed and yields 0s.
class Reader {
public:
    Reader(const uint8_t* p, size_t n) : p_(p), n_(n) {}
    bool Failed() const { return failed_; }

    int32_t Int() {
        uint32_t v = 0;
        if (Take(4)) v = uint32_t(p_[pos_ - 4]) | uint32_t(p_[pos_ - 3]) << 8 |
                         uint32_t(p_[pos_ - 2]) << 16 | uint32_t(p_[pos_ - 1]) << 24;
        return static_cast<int32_t>(v);
    }
    uint16_t Short() {
        return Take(2) ? static_cast<uint16_t>(p_[pos_ - 2] | p_[pos_ - 1] << 8) : 0;
    }
    std::string Block() {
        int32_t len = Int();
        if (failed_ || len <= 0) return {};
        if (!Take(size_t(len))) return {};
        return std::string(reinterpret_cast<const char*>(p_ + pos_ - size_t(len)), size_t(len));
    }
    // A counted text stops at its first zero byte.
    std::string Text() {
        std::string s = Block();
        size_t z = s.find('\0');
        if (z != std::string::npos) s.resize(z);
        return s;
    }

private:
    bool Take(size_t k) {
        if (failed_ || k > n_ - pos_) {
            failed_ = true;
            return false;
        }
        pos_ += k;
        return true;
    }
    const uint8_t* p_;
    size_t n_;
    size_t pos_ = 0;
    bool failed_ = false;
};

template <class T>
std::optional<T> Done(const Reader& r, T value) {
    if (r.Failed()) return std::nullopt;
    return value;
}

}  // namespace

std::optional<WindowData> ReadWindowData(const uint8_t* data, size_t length) {
    WindowData w;
    if (length == 0) return w;
    Reader r(data, length);
    w.version = r.Int();
    if (w.version < 0 || w.version > 6) return std::nullopt;
    w.borderStyle = r.Int();
    w.pictureMode = r.Int();
    w.backColor = static_cast<uint32_t>(r.Int());
    w.maxButton = r.Int();
    w.minButton = r.Int();
    w.controlBox = r.Int();
    w.position = r.Int();
    w.closeButton = r.Int();
    w.soundMode = r.Int();
    w.enterMovesFocus = r.Int();
    w.escapeCloses = r.Int();
    w.f1Help = r.Int();
    w.helpTopic = r.Int();
    if (w.version > 1) w.showInTaskbar = r.Int();
    if (w.version > 2) {
        w.dragAnywhere = r.Int();
        w.shape = r.Int();
    }
    if (w.version > 3) w.alwaysOnTop = r.Int();
    if (w.version > 4) w.property30 = r.Int();
    if (w.version == 6) w.className = r.Text();
    w.backPicture = r.Block();
    w.icon = r.Block();
    w.backSound = r.Block();
    w.caption = r.Text();
    w.helpFile = r.Text();
    return Done(r, std::move(w));
}

std::optional<EditBoxData> ReadEditBoxData(const uint8_t* data, size_t length) {
    EditBoxData e;
    if (length == 0) return e;
    Reader r(data, length);
    e.version = r.Int();
    if (e.version < 0 || e.version > 2) return std::nullopt;
    e.borderStyle = r.Int();
    e.textColor = static_cast<uint32_t>(r.Int());
    e.backColor = static_cast<uint32_t>(r.Int());
    e.hideSelection = r.Int();
    e.maxLength = r.Int();
    e.multiLine = r.Int();
    e.scrollBars = r.Int();
    e.alignment = r.Int();
    e.inputMode = r.Int();
    e.passwordChar = r.Short();
    e.caseConversion = r.Int();
    e.upDown = r.Int();
    e.upDownMin = r.Int();
    e.upDownMax = r.Int();
    e.selStart = r.Int();
    e.selLength = r.Int();
    e.font = r.Block();
    e.content = r.Text();
    if (e.version == 2) {
        e.binding1 = r.Text();
        e.binding2 = r.Text();
    }
    return Done(r, std::move(e));
}

std::optional<PicBoxData> ReadPicBoxData(const uint8_t* data, size_t length) {
    PicBoxData p;
    if (length == 0) return p;
    Reader r(data, length);
    p.version = r.Int();
    if (p.version < 0 || p.version > 2) return std::nullopt;
    p.borderStyle = r.Int();
    p.backColor = static_cast<uint32_t>(r.Int());
    p.displayMode = r.Int();
    p.animate = r.Int();
    p.picture = r.Block();
    if (p.version == 2) {
        p.binding1 = r.Text();
        p.binding2 = r.Text();
    }
    return Done(r, std::move(p));
}

std::optional<ButtonData> ReadButtonData(const uint8_t* data, size_t length) {
    ButtonData b;
    if (length == 0) return b;
    Reader r(data, length);
    b.version = r.Int();
    if (b.version < 0 || b.version > 1) return std::nullopt;
    b.buttonType = r.Int();
    b.hAlign = r.Int();
    b.vAlign = r.Int();
    b.picture = r.Block();
    b.font = r.Block();
    b.caption = r.Text();
    return Done(r, std::move(b));
}

std::optional<TimerData> ReadTimerData(const uint8_t* data, size_t length) {
    TimerData t;
    if (length == 0) return t;
    Reader r(data, length);
    t.version = r.Int();
    if (t.version < 0 || t.version > 1) return std::nullopt;
    t.interval = r.Int();
    return Done(r, t);
}

}  // namespace vx::windows::stored

namespace vx::windows::stored {
namespace {
void Put(std::string& out, int32_t v) {
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}
void PutBlock(std::string& out, const std::string& block) {
    Put(out, static_cast<int32_t>(block.size()));
    out += block;
}
}  // namespace

std::string WriteEditBoxData(const EditBoxData& e) {
    std::string out;
    Put(out, 2);
    for (int32_t v : {e.borderStyle, static_cast<int32_t>(e.textColor), static_cast<int32_t>(e.backColor),
                      e.hideSelection, e.maxLength, e.multiLine, e.scrollBars, e.alignment, e.inputMode})
        Put(out, v);
    out.push_back(static_cast<char>(e.passwordChar & 0xFF));
    out.push_back(static_cast<char>(e.passwordChar >> 8));
    for (int32_t v : {e.caseConversion, e.upDown, e.upDownMin, e.upDownMax, e.selStart, e.selLength}) Put(out, v);
    PutBlock(out, e.font);
    PutBlock(out, e.content);
    PutBlock(out, e.binding1);
    PutBlock(out, e.binding2);
    return out;
}

std::string WriteButtonData(const ButtonData& b) {
    std::string out;
    Put(out, 1);
    Put(out, b.buttonType);
    Put(out, b.hAlign);
    Put(out, b.vAlign);
    PutBlock(out, b.picture);
    PutBlock(out, b.font);
    PutBlock(out, b.caption);
    return out;
}

}  // namespace vx::windows::stored
