#include "runtime/windows/units/stored_forms.h"

#include <string_view>
#include <variant>
#include <vector>

#include "runtime/base/byte_reader.h"
#include "runtime/windows/template/type_data.h"

namespace vx::windows::stored {
namespace {

// The layout of the stored data is the template's schema table; these
// tables only say which member holds each field. A type's members are of
// the kinds it has: GCC's bounds check takes a text member of a type without
// texts (the timer's) for an overrun.
template <class T>
struct MemberOf {
    using type = std::variant<int32_t T::*, uint32_t T::*, uint16_t T::*, std::string T::*>;
};
template <>
struct MemberOf<TimerData> {
    using type = std::variant<int32_t TimerData::*>;
};

template <class T>
struct Binding {
    std::string_view field;
    typename MemberOf<T>::type member;
};

void Assign(int32_t& to, const wt::FieldValue& f) { to = f.number; }
void Assign(uint32_t& to, const wt::FieldValue& f) { to = static_cast<uint32_t>(f.number); }
void Assign(uint16_t& to, const wt::FieldValue& f) { to = static_cast<uint16_t>(f.number); }
void Assign(std::string& to, const wt::FieldValue& f) { to.assign(f.bytes.begin(), f.bytes.end()); }

// A member as a field: a number, or bytes.
struct Stored {
    int32_t number = 0;
    std::string_view bytes;
};
Stored Fetch(int32_t v) { return {v, {}}; }
Stored Fetch(uint32_t v) { return {static_cast<int32_t>(v), {}}; }
Stored Fetch(uint16_t v) { return {v, {}}; }
Stored Fetch(const std::string& v) { return {0, v}; }

const Binding<WindowData> kWindowBindings[] = {
    {"Version", &WindowData::version},
    {"BorderStyle", &WindowData::borderStyle},
    {"PictureMode", &WindowData::pictureMode},
    {"BackColor", &WindowData::backColor},
    {"MaxButton", &WindowData::maxButton},
    {"MinButton", &WindowData::minButton},
    {"ControlBox", &WindowData::controlBox},
    {"Position", &WindowData::position},
    {"CloseButton", &WindowData::closeButton},
    {"SoundMode", &WindowData::soundMode},
    {"EnterMovesFocus", &WindowData::enterMovesFocus},
    {"EscapeCloses", &WindowData::escapeCloses},
    {"F1Help", &WindowData::f1Help},
    {"HelpTopic", &WindowData::helpTopic},
    {"ShowInTaskbar", &WindowData::showInTaskbar},
    {"DragAnywhere", &WindowData::dragAnywhere},
    {"Shape", &WindowData::shape},
    {"AlwaysOnTop", &WindowData::alwaysOnTop},
    {"Property30", &WindowData::property30},
    {"ClassName", &WindowData::className},
    {"BackPicture", &WindowData::backPicture},
    {"Icon", &WindowData::icon},
    {"BackSound", &WindowData::backSound},
    {"Caption", &WindowData::caption},
    {"HelpFile", &WindowData::helpFile},
};

const Binding<EditBoxData> kEditBoxBindings[] = {
    {"Version", &EditBoxData::version},
    {"BorderStyle", &EditBoxData::borderStyle},
    {"TextColor", &EditBoxData::textColor},
    {"BackColor", &EditBoxData::backColor},
    {"HideSelection", &EditBoxData::hideSelection},
    {"MaxLength", &EditBoxData::maxLength},
    {"MultiLine", &EditBoxData::multiLine},
    {"ScrollBars", &EditBoxData::scrollBars},
    {"Alignment", &EditBoxData::alignment},
    {"InputMode", &EditBoxData::inputMode},
    {"PasswordChar", &EditBoxData::passwordChar},
    {"CaseConversion", &EditBoxData::caseConversion},
    {"UpDown", &EditBoxData::upDown},
    {"UpDownMin", &EditBoxData::upDownMin},
    {"UpDownMax", &EditBoxData::upDownMax},
    {"SelStart", &EditBoxData::selStart},
    {"SelLength", &EditBoxData::selLength},
    {"Font", &EditBoxData::font},
    {"Content", &EditBoxData::content},
    {"Binding1", &EditBoxData::binding1},
    {"Binding2", &EditBoxData::binding2},
};

const Binding<PicBoxData> kPicBoxBindings[] = {
    {"Version", &PicBoxData::version},     {"BorderStyle", &PicBoxData::borderStyle},
    {"BackColor", &PicBoxData::backColor}, {"DisplayMode", &PicBoxData::displayMode},
    {"Animate", &PicBoxData::animate},     {"Picture", &PicBoxData::picture},
    {"Binding1", &PicBoxData::binding1},   {"Binding2", &PicBoxData::binding2},
};

const Binding<ButtonData> kButtonBindings[] = {
    {"Version", &ButtonData::version}, {"ButtonType", &ButtonData::buttonType}, {"HAlign", &ButtonData::hAlign},
    {"VAlign", &ButtonData::vAlign},   {"Picture", &ButtonData::picture},       {"Font", &ButtonData::font},
    {"Caption", &ButtonData::caption},
};

const Binding<TimerData> kTimerBindings[] = {
    {"Version", &TimerData::version},
    {"Interval", &TimerData::interval},
};

template <class T, size_t N>
const Binding<T>* Find(const Binding<T> (&bindings)[N], std::string_view field) {
    for (const Binding<T>& b : bindings)
        if (b.field == field) return &b;
    return nullptr;
}

// Empty data gives the defaults; data that ends early, a version above the
// highest known or below 0 give nothing. Bytes after the last field are
// left alone.
template <class T, size_t N>
std::optional<T> Read(wt::TypeId type, const Binding<T> (&bindings)[N], const uint8_t* data, size_t length) {
    T value;
    if (length == 0) return value;
    std::vector<wt::FieldValue> fields;
    const wt::DecodeStatus status = wt::DecodeTypeData(type, wt::Bytes(data, length), fields);
    if (status != wt::DecodeStatus::kOk && status != wt::DecodeStatus::kTrailingBytes) return std::nullopt;
    if (fields.empty() || fields[0].number < 0) return std::nullopt;
    for (const wt::FieldValue& f : fields) {
        const Binding<T>* b = Find(bindings, f.spec->name);
        if (b) std::visit([&](auto member) { Assign(value.*member, f); }, b->member);
    }
    return value;
}

// Every field of the highest version, in the schema's order.
template <class T, size_t N>
std::string Write(wt::TypeId type, const Binding<T> (&bindings)[N], const T& value) {
    const wt::TypeSchema* schema = wt::FindSchema(type);
    std::vector<uint8_t> out;
    for (const wt::FieldSpec& f : schema->fields) {
        Stored v{schema->highestVersion, {}};
        if (&f != &schema->fields[0])
            v = std::visit([&](auto member) { return Fetch(value.*member); }, Find(bindings, f.name)->member);
        switch (f.kind) {
        case wt::FieldKind::kInt32: PutI32(out, v.number); break;
        case wt::FieldKind::kInt16: PutU16(out, static_cast<uint16_t>(v.number)); break;
        case wt::FieldKind::kLogFont: out.insert(out.end(), v.bytes.begin(), v.bytes.end()); break;
        default: PutCountedText(out, v.bytes); break;
        }
    }
    return std::string(out.begin(), out.end());
}

}  // namespace

std::optional<WindowData> ReadWindowData(const uint8_t* data, size_t length) {
    return Read(wt::kWindowType, kWindowBindings, data, length);
}
std::optional<EditBoxData> ReadEditBoxData(const uint8_t* data, size_t length) {
    return Read(wt::kEditBoxType, kEditBoxBindings, data, length);
}
std::optional<PicBoxData> ReadPicBoxData(const uint8_t* data, size_t length) {
    return Read(wt::kPicBoxType, kPicBoxBindings, data, length);
}
std::optional<ButtonData> ReadButtonData(const uint8_t* data, size_t length) {
    return Read(wt::kButtonType, kButtonBindings, data, length);
}
std::optional<TimerData> ReadTimerData(const uint8_t* data, size_t length) {
    return Read(wt::kTimerType, kTimerBindings, data, length);
}

std::string WriteEditBoxData(const EditBoxData& e) { return Write(wt::kEditBoxType, kEditBoxBindings, e); }
std::string WriteButtonData(const ButtonData& b) { return Write(wt::kButtonType, kButtonBindings, b); }

}  // namespace vx::windows::stored
