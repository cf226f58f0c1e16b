#include "runtime/windows/template/type_data.h"

#include <cstring>

namespace vx::wt {

// ---------------------------------------------------------------------------
// Schemas: the stored order of every type's own data.

namespace {

using K = FieldKind;

constexpr FieldSpec kWindowFields[] = {
    {"Version", K::kInt32},          {"BorderStyle", K::kInt32},
    {"PictureMode", K::kInt32},      {"BackColor", K::kInt32},
    {"MaxButton", K::kInt32},        {"MinButton", K::kInt32},
    {"ControlBox", K::kInt32},       {"Position", K::kInt32},
    {"CloseButton", K::kInt32},      {"SoundMode", K::kInt32},
    {"EnterMovesFocus", K::kInt32},  {"EscapeCloses", K::kInt32},
    {"F1Help", K::kInt32},           {"HelpTopic", K::kInt32},
    {"ShowInTaskbar", K::kInt32, 2}, {"DragAnywhere", K::kInt32, 3},
    {"Shape", K::kInt32, 3},         {"AlwaysOnTop", K::kInt32, 4},
    {"Property30", K::kInt32, 5},    {"ClassName", K::kText, 6},
    {"BackPicture", K::kBlock},      {"Icon", K::kBlock},
    {"BackSound", K::kBlock},        {"Caption", K::kText},
    {"HelpFile", K::kText},
};

constexpr FieldSpec kEditBoxFields[] = {
    {"Version", K::kInt32},   {"BorderStyle", K::kInt32},   {"TextColor", K::kInt32},
    {"BackColor", K::kInt32}, {"HideSelection", K::kInt32}, {"MaxLength", K::kInt32},
    {"MultiLine", K::kInt32}, {"ScrollBars", K::kInt32},    {"Alignment", K::kInt32},
    {"InputMode", K::kInt32}, {"PasswordChar", K::kInt16},  {"CaseConversion", K::kInt32},
    {"UpDown", K::kInt32},    {"UpDownMin", K::kInt32},     {"UpDownMax", K::kInt32},
    {"SelStart", K::kInt32},  {"SelLength", K::kInt32},     {"Font", K::kFont},
    {"Content", K::kText},    {"Binding1", K::kText, 2},    {"Binding2", K::kText, 2},
};

constexpr FieldSpec kPicBoxFields[] = {
    {"Version", K::kInt32}, {"BorderStyle", K::kInt32}, {"BackColor", K::kInt32},  {"DisplayMode", K::kInt32},
    {"Animate", K::kInt32}, {"Picture", K::kBlock},     {"Binding1", K::kText, 2}, {"Binding2", K::kText, 2},
};

constexpr FieldSpec kButtonFields[] = {
    {"Version", K::kInt32}, {"ButtonType", K::kInt32}, {"HAlign", K::kInt32}, {"VAlign", K::kInt32},
    {"Picture", K::kBlock}, {"Font", K::kFont},        {"Caption", K::kText},
};

constexpr FieldSpec kTimerFields[] = {
    {"Version", K::kInt32},
    {"Interval", K::kInt32},
};

constexpr FieldSpec kPicBtnFields[] = {
    {"Version", K::kInt32},          {"ButtonMode", K::kInt32},      {"Selected", K::kInt32},
    {"TransparentColor", K::kInt32}, {"NormalPicture", K::kBlock},   {"HoverPicture", K::kBlock},
    {"PressedPicture", K::kBlock},   {"DisabledPicture", K::kBlock},
};

constexpr FieldSpec kTransLabelFields[] = {
    {"Version", K::kInt32},           {"Effect", K::kInt32},   {"TextColor", K::kInt32}, {"Alignment", K::kInt32},
    {"VerticalAlignment", K::kInt32}, {"WordWrap", K::kInt32}, {"Font", K::kFont},       {"Caption", K::kText},
};

// The words marked Unused are stored and carried but never read at run time.
constexpr FieldSpec kSuperBarFields[] = {
    {"Version", K::kInt32},
    {"TrackImages", K::kImageList},
    {"FillImages", K::kImageList},
    {"ArrowImages", K::kImageList},
    {"ThumbImages", K::kImageList},
    {"PageStep", K::kInt32},
    {"LineStep", K::kInt32},
    {"Minimum", K::kInt32},
    {"Maximum", K::kInt32},
    {"Position", K::kInt32},
    {"ShowArrows", K::kInt32},
    {"ShowThumb", K::kInt32},
    {"Unused1", K::kInt32},
    {"ShowFill", K::kInt32},
    {"TrackEndCaps", K::kInt32},
    {"Unused2", K::kInt32},
    {"TrackCenterMark", K::kInt32},
    {"FillEndCaps", K::kInt32},
    {"Unused3", K::kInt32},
    {"FillCenterMark", K::kInt32},
    {"ThumbEndCaps", K::kInt32},
    {"Unused4", K::kInt32},
    {"ThumbCenterMark", K::kInt32},
    {"CrossOffset", K::kInt32},
    {"Unused5", K::kInt32},
    {"Unused6", K::kInt32},
    {"Unused7", K::kInt32},
    {"Unused8", K::kInt32},
    {"BarType", K::kInt32},
    {"Orientation", K::kInt32},
    {"Style", K::kInt32},
    {"TrackDrawMode", K::kInt32},  // drawing modes stored as value + 1
    {"FillDrawMode", K::kInt32},
    {"ThumbDrawMode", K::kInt32},
    {"FillFollowsThumb", K::kInt32},
    {"Unused9", K::kInt32},
    {"ShowPercent", K::kInt32},
    {"Interactive", K::kInt32},
    {"TextColor", K::kInt32},
    {"ProportionalThumb", K::kInt32},
    {"Font", K::kLogFont},
    {"Band", K::kInt32},
    {"TrackInset", K::kInt32},
};

constexpr TypeSchema kSchemas[] = {
    {kWindowType, "Window", true, 6, kWindowFields},
    {kEditBoxType, "EditBox", true, 2, kEditBoxFields},
    {kPicBoxType, "PicBox", true, 2, kPicBoxFields},
    {kButtonType, "Button", true, 1, kButtonFields},
    {kTimerType, "Timer", true, 1, kTimerFields},
    {kPicBtnType, "PicBtn", true, 1, kPicBtnFields},
    {kTransLabelType, "TransLabel", true, 1, kTransLabelFields},
    {kSuperBarType, "SuperBar", true, 1, kSuperBarFields},
    {kZipType, "ZIP", false, 0, {}},
};

}  // namespace

const TypeSchema* FindSchema(uint32_t typeId) {
    for (const TypeSchema& s : kSchemas)
        if (s.typeId == typeId) return &s;
    return nullptr;
}

const TypeSchema* FindSchemaByName(std::string_view name) {
    for (const TypeSchema& s : kSchemas)
        if (name == s.name) return &s;
    return nullptr;
}

std::span<const TypeSchema> AllSchemas() { return kSchemas; }

DecodeStatus DecodeTypeData(uint32_t typeId, Bytes data, std::vector<FieldValue>& out) {
    out.clear();
    const TypeSchema* schema = FindSchema(typeId);
    if (!schema) return DecodeStatus::kUnknownType;
    if (!schema->hasData) return data.empty() ? DecodeStatus::kOk : DecodeStatus::kTrailingBytes;
    ByteReader r(data);
    int32_t version = 0;
    for (const FieldSpec& f : schema->fields) {
        if (version < f.sinceVersion) continue;
        FieldValue v{&f, 0, {}};
        switch (f.kind) {
        case K::kInt32: v.number = r.I32(); break;
        case K::kInt16: v.number = r.U16(); break;
        case K::kText: {
            std::string_view t = r.CountedText();
            v.bytes = Bytes(reinterpret_cast<const uint8_t*>(t.data()), t.size());
            break;
        }
        case K::kBlock:
        case K::kFont:
        case K::kImageList: v.bytes = r.Block(); break;
        case K::kLogFont: v.bytes = r.Take(kLogFontSize); break;
        }
        if (r.failed()) return DecodeStatus::kTruncated;
        if (&f == &schema->fields[0]) {
            version = v.number;
            if (version > schema->highestVersion) return DecodeStatus::kVersionTooHigh;
        }
        out.push_back(v);
    }
    return r.remaining() ? DecodeStatus::kTrailingBytes : DecodeStatus::kOk;
}

const FieldValue* FindField(const std::vector<FieldValue>& fields, std::string_view name) {
    for (const FieldValue& f : fields)
        if (name == f.spec->name) return &f;
    return nullptr;
}

Bytes ImageListStream(Bytes block) {
    if (block.size() <= sizeof kImageListTag || std::memcmp(block.data(), kImageListTag, 4) != 0) return {};
    return block.subspan(sizeof kImageListTag);
}

}  // namespace vx::wt
