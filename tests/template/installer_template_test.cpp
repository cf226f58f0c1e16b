// The compiled installer template read back through the runtime's reader and
// checked against the designed windows, unit by unit and field by field.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "installer/template_data.h"
#include "runtime/base/byte_reader.h"
#include "runtime/windows/template/template.h"
#include "runtime/windows/template/type_data.h"

namespace wt = vx::wt;

namespace {

wt::Bytes Embedded() { return wt::Bytes(vxTemplateData, vxTemplateSize); }

// Offsets of the procedure table: 8 bytes a procedure, in list order.
std::map<std::string, int32_t> ProcedureOffsets() {
    std::ifstream in(VX_SOURCE_DIR "/installer/procedures.list");
    std::map<std::string, int32_t> offsets;
    std::string line;
    int32_t index = 0;
    while (std::getline(in, line)) offsets[line] = 8 * index++;
    return offsets;
}

std::string Str(wt::Bytes b) { return std::string(b.begin(), b.end()); }
std::string Str(std::string_view s) { return std::string(s); }

struct LogFont {
    int32_t height, width, escapement, orientation, weight;
    uint8_t italic, underline, strikeOut, charSet;
    std::string face;
};

LogFont ParseFont(wt::Bytes b) {
    EXPECT_EQ(b.size(), 60u);
    LogFont f{};
    if (b.size() != 60) return f;
    wt::ByteReader r(b);
    f.height = r.I32();
    f.width = r.I32();
    f.escapement = r.I32();
    f.orientation = r.I32();
    f.weight = r.I32();
    f.italic = r.Take(1)[0];
    f.underline = r.Take(1)[0];
    f.strikeOut = r.Take(1)[0];
    f.charSet = r.Take(1)[0];
    r.Take(4);
    wt::Bytes face = r.Take(32);
    f.face = std::string(reinterpret_cast<const char*>(face.data()));
    return f;
}

// Width and height from a PNG's header, or a JPEG's frame marker.
std::pair<uint32_t, uint32_t> PictureSize(wt::Bytes b) {
    if (b.size() > 24 && std::memcmp(b.data(), "\x89PNG\r\n\x1a\n", 8) == 0)
        return {vx::U32BigEndian(&b[16]), vx::U32BigEndian(&b[20])};
    if (b.size() > 4 && b[0] == 0xFF && b[1] == 0xD8) {
        size_t at = 2;
        while (at + 9 < b.size() && b[at] == 0xFF) {
            uint8_t marker = b[at + 1];
            size_t length = size_t(b[at + 2]) << 8 | b[at + 3];
            if (marker >= 0xC0 && marker <= 0xC3)
                return {uint32_t(b[at + 7]) << 8 | b[at + 8], uint32_t(b[at + 5]) << 8 | b[at + 6]};
            at += 2 + length;
        }
    }
    return {0, 0};
}

class InstallerTemplate : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(wt::Template::Read(Embedded(), 0x10000, tpl), wt::ReadStatus::kOk);
        procs = ProcedureOffsets();
        ASSERT_GE(procs.size(), 12u);
    }

    // Decoded type data of a unit, which must decode exactly.
    std::vector<wt::FieldValue> Data(const wt::TemplateWindow& w, size_t i) {
        std::vector<wt::FieldValue> fields;
        EXPECT_EQ(wt::DecodeTypeData(w.typeId(i), w.typeData(i), fields), wt::DecodeStatus::kOk) << i;
        return fields;
    }
    static int32_t Num(const std::vector<wt::FieldValue>& f, const char* name) {
        const wt::FieldValue* v = wt::FindField(f, name);
        EXPECT_NE(v, nullptr) << name;
        return v ? v->number : -12345;
    }
    static wt::Bytes Blk(const std::vector<wt::FieldValue>& f, const char* name) {
        const wt::FieldValue* v = wt::FindField(f, name);
        EXPECT_NE(v, nullptr) << name;
        return v ? v->bytes : wt::Bytes{};
    }

    wt::Template tpl;
    std::map<std::string, int32_t> procs;
};

struct UnitRow {
    const char* name;
    uint32_t type, id;
    int32_t left, top, width, height;
    uint32_t flags;
    bool hand;
    int32_t event;  // 0x7FFF: none
    const char* handler;
};

constexpr int32_t kNone = 0x7FFF;

const UnitRow kInstallerUnits[] = {
    {"透明标签12", wt::kTransLabelType, 0x16010090, 280, 344, 56, 20, 0, false, kNone, nullptr},
    {"ZIP压缩1", wt::kZipType, 0x16010089, 280, 8, 26, 26, 0, false, 1, "OnExtractProgress"},
    {"透明标签11", wt::kTransLabelType, 0x16010087, 467, 302, 24, 20, 1, true, kNone, nullptr},
    {"透明标签10", wt::kTransLabelType, 0x16010080, 496, 302, 56, 20, 1, true, -1, "OnAgreementLinkPressed"},
    {"图形按钮9", wt::kPicBtnType, 0x1601007F, 448, 305, 16, 16, 1, false, 0, "OnAgreementTicked"},
    {"透明标签9", wt::kTransLabelType, 0x1601007B, 16, 304, 536, 28, 0, false, kNone, nullptr},
    {"透明标签8", wt::kTransLabelType, 0x1601007A, 16, 342, 64, 24, 0, false, kNone, nullptr},
    {"多功能条1", wt::kSuperBarType, 0x16010079, 72, 344, 472, 20, 4, false, kNone, nullptr},
    {"时钟1", wt::kTimerType, 0x16010068, 16, 48, 26, 26, 0, false, kNone, nullptr},
    {"图形按钮6", wt::kPicBtnType, 0x1601005F, 484, 8, 32, 32, 1, false, 0, "OnMinimiseClicked"},
    {"图形按钮5", wt::kPicBtnType, 0x1601005E, 524, 8, 32, 32, 1, false, 0, "OnCloseClicked"},
    {"透明标签7", wt::kTransLabelType, 0x16010015, 480, 320, 56, 28, 1, true, -1, "OnChangePathPressed"},
    {"图形按钮4", wt::kPicBtnType, 0x16010011, 467, 352, 80, 32, 1, false, 0, "OnInstallClicked"},
    {"图形按钮3", wt::kPicBtnType, 0x1601000C, 296, 350, 16, 16, 1, false, kNone, nullptr},
    {"图形按钮2", wt::kPicBtnType, 0x1601000B, 136, 350, 16, 16, 1, false, kNone, nullptr},
    {"透明标签3", wt::kTransLabelType, 0x16010006, 296, 376, 128, 20, 1, true, -1, "OnWebLinkPressed"},
    {"透明标签2", wt::kTransLabelType, 0x16010005, 8, 376, 280, 20, 1, false, kNone, nullptr},
    {"透明标签1", wt::kTransLabelType, 0x16010003, 16, 324, 56, 20, 1, false, kNone, nullptr},
    {"编辑框1", wt::kEditBoxType, 0x16010002, 76, 324, 388, 20, 5, false, kNone, nullptr},
    {"图片框1", wt::kPicBoxType, 0x16010064, 8, 40, 544, 256, 1, false, kNone, nullptr},
};

void CheckCommonFields(const wt::TemplateWindow& w, size_t i, const UnitRow& row,
                       const std::map<std::string, int32_t>& procs) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(w.unitId(i), row.id);
    EXPECT_EQ(Str(w.name(i)), row.name);
    EXPECT_EQ(w.typeId(i), row.type);
    EXPECT_EQ(w.groupLink(i), 0u);
    EXPECT_EQ(Str(w.comment(i)), "");
    EXPECT_EQ(w.geometry(i, wt::kLeft), row.left);
    EXPECT_EQ(w.geometry(i, wt::kTop), row.top);
    EXPECT_EQ(w.geometry(i, wt::kWidth), row.width);
    EXPECT_EQ(w.geometry(i, wt::kHeight), row.height);
    EXPECT_EQ(w.flags(i), row.flags);
    EXPECT_EQ(w.tabOrder(i), 0);
    EXPECT_EQ(w.parent(i), 0u);
    EXPECT_EQ(w.childCount(i), 0u);
    EXPECT_EQ(Str(w.tag(i)), "");
    if (row.hand) {
        ASSERT_EQ(w.mousePointer(i).size(), 4u);
        wt::ByteReader r(w.mousePointer(i));
        EXPECT_EQ(r.I32(), 32649);
    } else {
        EXPECT_TRUE(w.mousePointer(i).empty());
    }
    if (row.event == kNone) {
        EXPECT_EQ(w.eventCount(i), 0u);
    } else {
        ASSERT_EQ(w.eventCount(i), 1u);
        EXPECT_EQ(w.event(i, 0).event, row.event);
        EXPECT_EQ(w.event(i, 0).offset, procs.at(row.handler));
    }
    // The live object and cursor words are stored as 0.
    wt::Bytes rec = w.record(i);
    wt::ByteReader live(rec.subspan(w.layout(i).liveObject, 4));
    EXPECT_EQ(live.I32(), 0);
    wt::ByteReader cursor(rec.subspan(w.layout(i).parent - 4, 4));
    EXPECT_EQ(cursor.I32(), 0);
}

TEST_F(InstallerTemplate, WindowListAndRecords) {
    ASSERT_EQ(tpl.windowCount(), 2u);
    const wt::TemplateWindow& main = tpl.window(0);
    EXPECT_EQ(main.id(), 0x52010001u);
    EXPECT_EQ(main.firstWord(), -1);
    EXPECT_EQ(main.classId(), 0x1901000Eu);
    EXPECT_EQ(Str(main.text1()), "");
    EXPECT_EQ(Str(main.text2()), "");
    EXPECT_EQ(main.unitCount(), 21u);
    const wt::TemplateWindow& agreement = tpl.window(1);
    EXPECT_EQ(agreement.id(), 0x520100D2u);
    EXPECT_EQ(agreement.firstWord(), 1);
    EXPECT_EQ(agreement.classId(), 0x190100D6u);
    EXPECT_EQ(agreement.unitCount(), 4u);
    EXPECT_EQ(tpl.FindWindow(0x520100D2), &tpl.window(1));
    EXPECT_EQ(tpl.FindWindow(0x52000000), nullptr);
}

TEST_F(InstallerTemplate, InstallerUnitsInTableOrder) {
    const wt::TemplateWindow& w = tpl.window(0);
    ASSERT_EQ(w.unitCount(), 21u);
    CheckCommonFields(w, 0, {"", wt::kWindowType, 0x06010000, 50, 50, 559, 400, 1, false, 0, "OnStartWindowCreated"},
                      procs);
    for (size_t i = 0; i < std::size(kInstallerUnits); ++i) CheckCommonFields(w, i + 1, kInstallerUnits[i], procs);
    // Handler addresses follow the procedure base; the first procedure sits
    // at offset 0 and is a real handler.
    EXPECT_EQ(w.HandlerAddress(0, 0), 0x10000u + uintptr_t(procs.at("OnStartWindowCreated")));
    EXPECT_EQ(w.HandlerAddress(0, 1), 0u);
}

TEST_F(InstallerTemplate, InstallerWindowData) {
    auto d = Data(tpl.window(0), 0);
    const std::pair<const char*, int32_t> expected[] = {
        {"Version", 6},     {"BorderStyle", 0}, {"PictureMode", 1},     {"BackColor", int32_t(0xFF000000)},
        {"MaxButton", 0},   {"MinButton", 1},   {"ControlBox", 1},      {"Position", 1},
        {"CloseButton", 1}, {"SoundMode", 0},   {"EnterMovesFocus", 0}, {"EscapeCloses", 1},
        {"F1Help", 0},      {"HelpTopic", 0},   {"ShowInTaskbar", 1},   {"DragAnywhere", 1},
        {"Shape", 0},       {"AlwaysOnTop", 0}, {"Property30", 0}};
    for (auto [name, value] : expected) EXPECT_EQ(Num(d, name), value) << name;
    for (const char* empty : {"ClassName", "Icon", "BackSound", "Caption", "HelpFile"})
        EXPECT_TRUE(Blk(d, empty).empty()) << empty;
    wt::Bytes back = Blk(d, "BackPicture");
    EXPECT_EQ(PictureSize(back), std::make_pair(559u, 400u));
    EXPECT_EQ(back[0], 0xFF);  // JPEG
}

TEST_F(InstallerTemplate, TransparentLabels) {
    struct Label {
        size_t index;
        uint32_t colour;
        int32_t align;
        int32_t weight;  // 0: no font block
        bool underline;
        const char* caption;
    };
    const Label labels[] = {
        {1, 0x000000, 1, 0, false, "0%"},          {3, 0xFFFFFF, 0, 400, false, "同意"},
        {4, 0x00FFFF, 0, 400, true, "安装协议"},   {6, 0xFFFFFF, 0, 0, false, "正在复制文件："},
        {7, 0xFFFFFF, 0, 0, false, "安装进度："},  {12, 0x00FFFF, 0, 400, true, "更改路径"},
        {16, 0xFF8800, 0, 0, false, nullptr},      {17, 0xFFFFFF, 0, 700, false, nullptr},
        {18, 0xFFFFFF, 0, 0, false, "安装路径："},
    };
    const wt::TemplateWindow& w = tpl.window(0);
    for (const Label& l : labels) {
        SCOPED_TRACE(Str(w.name(l.index)));
        auto d = Data(w, l.index);
        EXPECT_EQ(Num(d, "Version"), 1);
        EXPECT_EQ(Num(d, "Effect"), 0);
        EXPECT_EQ(uint32_t(Num(d, "TextColor")), l.colour);
        EXPECT_EQ(Num(d, "Alignment"), l.align);
        EXPECT_EQ(Num(d, "VerticalAlignment"), 1);
        EXPECT_EQ(Num(d, "WordWrap"), 0);
        if (l.weight == 0) {
            EXPECT_TRUE(Blk(d, "Font").empty());
        } else {
            LogFont f = ParseFont(Blk(d, "Font"));
            EXPECT_EQ(f.height, -12);
            EXPECT_EQ(f.weight, l.weight);
            EXPECT_EQ(f.underline, l.underline ? 1 : 0);
            EXPECT_EQ(f.charSet, 134);
            EXPECT_EQ(f.face, "");
        }
        if (l.caption) {
            EXPECT_EQ(Str(Blk(d, "Caption")), l.caption);
        }
    }
    // The web address under the reserved domain, and the footer ending in
    // seven blanks and "网址：".
    std::string web = Str(Blk(Data(w, 16), "Caption"));
    EXPECT_NE(web.find("tolvanepc.example"), std::string::npos);
    std::string footer = Str(Blk(Data(w, 17), "Caption"));
    EXPECT_NE(footer.find("2010-2015"), std::string::npos);
    EXPECT_NE(footer.find("TolvanePC"), std::string::npos);
    const std::string tail = std::string(7, ' ') + "网址：";
    ASSERT_GE(footer.size(), tail.size());
    EXPECT_EQ(footer.substr(footer.size() - tail.size()), tail);
    EXPECT_NE(footer[footer.size() - tail.size() - 1], ' ');
}

TEST_F(InstallerTemplate, PictureButtons) {
    struct Button {
        size_t index;
        uint32_t width, height;  // 0: no pictures
    };
    const Button buttons[] = {{5, 0, 0}, {10, 26, 26}, {11, 26, 26}, {13, 80, 30}, {14, 0, 0}, {15, 0, 0}};
    const wt::TemplateWindow& w = tpl.window(0);
    for (const Button& b : buttons) {
        SCOPED_TRACE(Str(w.name(b.index)));
        auto d = Data(w, b.index);
        EXPECT_EQ(Num(d, "Version"), 1);
        EXPECT_EQ(Num(d, "ButtonMode"), 0);
        EXPECT_EQ(Num(d, "Selected"), 0);
        EXPECT_EQ(uint32_t(Num(d, "TransparentColor")), 0x00FF00FFu);
        EXPECT_TRUE(Blk(d, "PressedPicture").empty());
        EXPECT_TRUE(Blk(d, "DisabledPicture").empty());
        for (const char* picture : {"NormalPicture", "HoverPicture"}) {
            if (b.width == 0) {
                EXPECT_TRUE(Blk(d, picture).empty()) << picture;
            } else {
                EXPECT_EQ(PictureSize(Blk(d, picture)), std::make_pair(b.width, b.height)) << picture;
            }
        }
        // Mouse-over differs from normal.
        if (b.width) {
            EXPECT_NE(Str(Blk(d, "NormalPicture")), Str(Blk(d, "HoverPicture")));
        }
    }
}

TEST_F(InstallerTemplate, ProgressBarTimerArchiveEditAndPictureBox) {
    const wt::TemplateWindow& w = tpl.window(0);
    auto bar = Data(w, 8);
    const std::pair<const char*, int32_t> expected[] = {
        {"Version", 1},          {"PageStep", 10},   {"LineStep", 1},      {"Minimum", 0},      {"Maximum", 100},
        {"Position", 0},         {"ShowArrows", 0},  {"ShowThumb", 0},     {"ShowFill", 1},     {"BarType", 2},
        {"Orientation", 0},      {"Style", 1},       {"TrackDrawMode", 4}, {"FillDrawMode", 4}, {"ThumbDrawMode", 4},
        {"FillFollowsThumb", 1}, {"ShowPercent", 0}, {"Interactive", 0},   {"TextColor", 0},    {"CrossOffset", 0}};
    for (auto [name, value] : expected) EXPECT_EQ(Num(bar, name), value) << name;
    LogFont f = ParseFont(Blk(bar, "Font"));
    EXPECT_EQ(f.face, "SimSun");
    EXPECT_EQ(f.height, -12);
    EXPECT_EQ(f.weight, 400);
    EXPECT_EQ(f.charSet, 134);
    for (const char* list : {"TrackImages", "FillImages", "ArrowImages", "ThumbImages"}) {
        wt::Bytes block = Blk(bar, list);
        ASSERT_GT(block.size(), 8u) << list;
        EXPECT_EQ(std::memcmp(block.data(), wt::kImageListTag, 8), 0) << list;
        wt::Bytes stream = wt::ImageListStream(block);
        ASSERT_GE(stream.size(), 28u);
        EXPECT_EQ(stream[0], 'I');
        EXPECT_EQ(stream[1], 'L');
    }

    auto timer = Data(w, 9);
    EXPECT_EQ(Num(timer, "Version"), 1);
    EXPECT_EQ(Num(timer, "Interval"), 0);
    EXPECT_TRUE(w.typeData(2).empty());  // the archive component stores nothing

    auto edit = Data(w, 19);
    const std::pair<const char*, int32_t> editValues[] = {
        {"Version", 2},       {"BorderStyle", 0},    {"TextColor", 0},  {"BackColor", 0xFFFFFF}, {"HideSelection", 1},
        {"MaxLength", 0},     {"MultiLine", 0},      {"ScrollBars", 0}, {"Alignment", 0},        {"InputMode", 1},
        {"PasswordChar", 42}, {"CaseConversion", 0}, {"UpDown", 0},     {"UpDownMin", 0},        {"UpDownMax", 100},
        {"SelStart", 0},      {"SelLength", 0}};
    for (auto [name, value] : editValues) EXPECT_EQ(Num(edit, name), value) << name;
    EXPECT_TRUE(Blk(edit, "Font").empty());
    EXPECT_EQ(Str(Blk(edit, "Content")), "C:\\Program Files\\TolvanePC");
    EXPECT_TRUE(Blk(edit, "Binding1").empty());
    EXPECT_TRUE(Blk(edit, "Binding2").empty());

    auto box = Data(w, 20);
    EXPECT_EQ(Num(box, "Version"), 2);
    EXPECT_EQ(Num(box, "BorderStyle"), 0);
    EXPECT_EQ(Num(box, "BackColor"), 0);
    EXPECT_EQ(Num(box, "DisplayMode"), 0);
    EXPECT_EQ(Num(box, "Animate"), 1);
    EXPECT_EQ(PictureSize(Blk(box, "Picture")), std::make_pair(544u, 256u));
}

TEST_F(InstallerTemplate, AgreementWindow) {
    const wt::TemplateWindow& w = tpl.window(1);
    ASSERT_EQ(w.unitCount(), 4u);
    CheckCommonFields(
        w, 0, {"", wt::kWindowType, 0x060100D1, 50, 50, 380, 250, 1, false, 0, "OnAgreementWindowCreated"}, procs);
    CheckCommonFields(
        w, 1, {"按钮2", wt::kButtonType, 0x160100D5, 227, 184, 80, 32, 5, false, 0, "OnEndInstallClicked"}, procs);
    CheckCommonFields(w, 2, {"按钮1", wt::kButtonType, 0x160100D4, 67, 184, 80, 32, 5, false, 0, "OnAgreeClicked"},
                      procs);
    CheckCommonFields(w, 3, {"编辑框1", wt::kEditBoxType, 0x160100D3, -1, 0, 376, 176, 5, false, kNone, nullptr},
                      procs);

    auto win = Data(w, 0);
    const std::pair<const char*, int32_t> expected[] = {
        {"Version", 6},     {"BorderStyle", 2}, {"PictureMode", 1},     {"BackColor", int32_t(0xFF000000)},
        {"MaxButton", 0},   {"MinButton", 1},   {"ControlBox", 1},      {"Position", 1},
        {"CloseButton", 1}, {"SoundMode", 0},   {"EnterMovesFocus", 0}, {"EscapeCloses", 1},
        {"F1Help", 0},      {"HelpTopic", 0},   {"ShowInTaskbar", 1},   {"DragAnywhere", 0},
        {"Shape", 0},       {"AlwaysOnTop", 0}, {"Property30", 0}};
    for (auto [name, value] : expected) EXPECT_EQ(Num(win, name), value) << name;
    EXPECT_EQ(Str(Blk(win, "Caption")), "协议信息");
    for (const char* empty : {"ClassName", "BackPicture", "Icon", "BackSound", "HelpFile"})
        EXPECT_TRUE(Blk(win, empty).empty()) << empty;

    const char* captions[] = {"结束安装", "同意并安装"};
    for (size_t i = 1; i <= 2; ++i) {
        auto b = Data(w, i);
        EXPECT_EQ(Num(b, "Version"), 1);
        EXPECT_EQ(Num(b, "ButtonType"), 0);
        EXPECT_EQ(Num(b, "HAlign"), 1);
        EXPECT_EQ(Num(b, "VAlign"), 1);
        EXPECT_TRUE(Blk(b, "Picture").empty());
        EXPECT_TRUE(Blk(b, "Font").empty());
        EXPECT_EQ(Str(Blk(b, "Caption")), captions[i - 1]);
    }
    auto edit = Data(w, 3);
    EXPECT_EQ(Num(edit, "BorderStyle"), 1);
    EXPECT_EQ(Num(edit, "MultiLine"), 1);
    EXPECT_EQ(Num(edit, "InputMode"), 1);
    EXPECT_EQ(Num(edit, "PasswordChar"), 42);
    EXPECT_EQ(Num(edit, "UpDownMax"), 100);
    EXPECT_FALSE(Blk(edit, "Content").empty());
}

TEST_F(InstallerTemplate, WritesBackByteForByte) {
    std::vector<uint8_t> written = tpl.Write();
    ASSERT_EQ(written.size(), vxTemplateSize);
    EXPECT_EQ(std::memcmp(written.data(), vxTemplateData, vxTemplateSize), 0);
    // And the file the build produced is the embedded stream.
    std::ifstream in(VX_TEMPLATE_BIN, std::ios::binary);
    std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(file, written);
}

}  // namespace
