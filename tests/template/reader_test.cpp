// The template reader on small compiled templates: record walk edge cases,
// in-place edits, and truncated or corrupted streams.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "installer/template_data.h"
#include "runtime/windows/template/template.h"
#include "runtime/windows/template/type_data.h"
#include "tools/wtc/wtc.h"

namespace wt = vx::wt;

namespace {

std::string Str(std::string_view s) { return std::string(s); }

std::vector<uint8_t> Compile(std::initializer_list<std::string> windows) {
    wtc::Compiler c;
    c.LoadProcedures("First\nSecond\nThird\n");
    int n = 0;
    for (const std::string& w : windows) c.AddWindow(w, "w" + std::to_string(n++), VX_SOURCE_DIR "/data/windows");
    return c.Build();
}

const char* kTimerData = "  data\n    Version 1\n    Interval 0\n  end\n";

std::string WindowHead(uint32_t id) {
    return "window " + std::to_string(id) + "\n first-word 7\n class-id 0x19010001\n texts \"\" \"\"\n";
}

std::string OwnUnit(uint32_t id, const std::string& events = "") {
    return "unit " + std::to_string(id) + " Window\n name \"\"\n rect 1 2 300 200\n flags 1\n tab-order 0\n" + events +
           " data\n  Version 0\n  BorderStyle 2\n  PictureMode 1\n  BackColor 0\n  MaxButton 0\n  MinButton 1\n"
           "  ControlBox 1\n  Position 1\n  CloseButton 1\n  SoundMode 0\n  EnterMovesFocus 0\n  EscapeCloses 1\n"
           "  F1Help 0\n  HelpTopic 0\n  BackPicture none\n  Icon none\n  BackSound none\n  Caption \"t\"\n"
           "  HelpFile \"\"\n end\n";
}

std::string TimerUnit(uint32_t id, const std::string& extra) {
    return "unit " + std::to_string(id) + " Timer\n name \"T" + std::to_string(id & 0xFF) +
           "\"\n rect 10 20 30 40\n flags 5\n tab-order 3\n" + extra + kTimerData;
}

// Three controls with the three MousePointer forms, a -1 and a 0 handler.
std::string EdgeWindow() {
    return WindowHead(0x52010007) + OwnUnit(0x06010007, " event 0 First\n event 3 none\n") +
           TimerUnit(0x16010001, " pointer default\n tag \"a\"\n event -1 Second\n") +
           TimerUnit(0x16010002, " pointer hand\n children 0x16010001 0 0x16010003\n parent 0x06010007\n") +
           TimerUnit(0x16010003, " pointer file \"pictures/tick-on.png\"\n tag \"last\"\n event 2 Third\n") +
           "menu 0x26010004\n name \"m\"\n caption \"Open\"\n flags 4\n click Second\n";
}

TEST(TemplateReader, OneWindowWithOnlyItsOwnUnit) {
    std::vector<uint8_t> bytes = Compile({WindowHead(0x52010005) + OwnUnit(0x06010005)});
    wt::Template t;
    ASSERT_EQ(wt::Template::Read(bytes, 0, t), wt::ReadStatus::kOk);
    ASSERT_EQ(t.windowCount(), 1u);
    const wt::TemplateWindow& w = t.window(0);
    EXPECT_EQ(w.firstWord(), 7);
    ASSERT_EQ(w.unitCount(), 1u);
    EXPECT_EQ(w.typeId(0), wt::kWindowType);
    EXPECT_EQ(w.geometry(0, wt::kWidth), 300);
    EXPECT_EQ(w.FindUnit(0x06010005), std::optional<size_t>(0));
    std::vector<wt::FieldValue> f;
    EXPECT_EQ(wt::DecodeTypeData(w.typeId(0), w.typeData(0), f), wt::DecodeStatus::kOk);
    // Version 0 stores none of the later fields.
    EXPECT_EQ(wt::FindField(f, "ShowInTaskbar"), nullptr);
    EXPECT_EQ(Str(std::string_view(reinterpret_cast<const char*>(wt::FindField(f, "Caption")->bytes.data()),
                                   wt::FindField(f, "Caption")->bytes.size())),
              "t");
    EXPECT_EQ(t.Write(), bytes);
}

TEST(TemplateReader, RecordWalkEdgeCases) {
    std::vector<uint8_t> bytes = Compile({EdgeWindow()});
    wt::Template t;
    ASSERT_EQ(wt::Template::Read(bytes, 0x400000, t), wt::ReadStatus::kOk);
    const wt::TemplateWindow& w = t.window(0);
    ASSERT_EQ(w.unitCount(), 5u);

    // The three MousePointer forms leave the later fields in place.
    EXPECT_TRUE(w.mousePointer(1).empty());
    ASSERT_EQ(w.mousePointer(2).size(), 4u);
    EXPECT_EQ(wt::ByteReader(w.mousePointer(2)).I32(), 32649);
    EXPECT_GT(w.mousePointer(3).size(), 100u);
    EXPECT_EQ(w.mousePointer(3)[1], 'P');
    for (size_t i = 1; i <= 3; ++i) {
        EXPECT_EQ(w.flags(i), 5u);
        EXPECT_EQ(w.tabOrder(i), 3);
        std::vector<wt::FieldValue> f;
        ASSERT_EQ(wt::DecodeTypeData(wt::kTimerType, w.typeData(i), f), wt::DecodeStatus::kOk);
        EXPECT_EQ(wt::FindField(f, "Version")->number, 1);
    }
    EXPECT_EQ(Str(w.tag(1)), "a");
    EXPECT_EQ(Str(w.tag(3)), "last");
    EXPECT_EQ(Str(w.name(2)), "T2");
    EXPECT_EQ(w.parent(2), 0x06010007u);
    ASSERT_EQ(w.childCount(2), 3u);
    EXPECT_EQ(w.child(2, 0), 0x16010001u);
    EXPECT_EQ(w.child(2, 1), 0u);  // page separator
    EXPECT_EQ(w.child(2, 2), 0x16010003u);

    // Offset 0 is a real handler at the base, -1 none, no binding none.
    EXPECT_EQ(w.HandlerOffset(0, 0), std::optional<int32_t>(0));
    EXPECT_EQ(w.HandlerAddress(0, 0), 0x400000u);
    EXPECT_EQ(w.HandlerOffset(0, 3), std::optional<int32_t>(wt::kNoHandler));
    EXPECT_EQ(w.HandlerAddress(0, 3), 0u);
    EXPECT_FALSE(w.HandlerOffset(0, 1).has_value());
    EXPECT_EQ(w.HandlerAddress(1, -1), 0x400008u);
    EXPECT_EQ(w.HandlerAddress(3, 2), 0x400010u);

    // The menu item: its own form, one click handler.
    ASSERT_TRUE(w.isMenuItem(4));
    EXPECT_EQ(Str(w.menuCaption(4)), "Open");
    EXPECT_EQ(w.flags(4), 4u);
    EXPECT_EQ(w.HandlerAddress(4, 0), 0x400008u);

    // Lookups: by id; ids without serial or kind are never found.
    EXPECT_EQ(w.FindUnit(0x16010003), std::optional<size_t>(3));
    EXPECT_FALSE(w.FindUnit(0x16000000).has_value());
    EXPECT_FALSE(w.FindUnit(0x10010003).has_value());
    EXPECT_EQ(t.Write(), bytes);
}

TEST(TemplateReader, CountedTextIsCutAtAnInnerZero) {
    std::string src = WindowHead(0x52010009);
    src.replace(src.find("texts \"\" \"\""), 11, "texts \"ab\\0cd\" \"x\"");
    std::vector<uint8_t> bytes = Compile({src + OwnUnit(0x06010009)});
    wt::Template t;
    ASSERT_EQ(wt::Template::Read(bytes, 0, t), wt::ReadStatus::kOk);
    EXPECT_EQ(Str(t.window(0).text1()), "ab");
    EXPECT_EQ(Str(t.window(0).text2()), "x");
    EXPECT_EQ(t.Write(), bytes);  // the stored bytes are kept

    wt::ByteReader r(wt::Bytes(reinterpret_cast<const uint8_t*>("\x05\0\0\0ab\0cdZ"), 10));
    EXPECT_EQ(Str(r.CountedText()), "ab");
    EXPECT_EQ(r.remaining(), 1u);
}

TEST(TemplateReader, EditsMoveLaterRecordsAndKeepOffsetsConsistent) {
    std::vector<uint8_t> bytes = Compile({EdgeWindow(), WindowHead(0x5201000A) + OwnUnit(0x0601000A)});
    wt::Template t;
    ASSERT_EQ(wt::Template::Read(bytes, 0x1000, t), wt::ReadStatus::kOk);
    wt::TemplateWindow& w = t.window(0);

    std::vector<std::vector<uint8_t>> typeData;
    for (size_t i = 0; i < w.unitCount(); ++i) typeData.emplace_back(w.typeData(i).begin(), w.typeData(i).end());

    const std::string longTag(300, 'x');
    w.SetTag(1, longTag);
    w.SetGeometry(3, wt::kLeft, -32627);
    w.SetFlags(2, 0);
    uint8_t cursor[4] = {1, 2, 3, 4};
    w.SetMousePointer(3, cursor);
    w.SetMenuCaption(4, "Open a much longer caption");
    w.SetTag(1, "");  // and shorter again
    w.SetTag(2, std::string(50, 'y'));

    EXPECT_EQ(Str(w.tag(1)), "");
    EXPECT_EQ(Str(w.tag(2)), std::string(50, 'y'));
    EXPECT_EQ(Str(w.tag(3)), "last");
    EXPECT_EQ(w.geometry(3, wt::kLeft), -32627);
    EXPECT_EQ(w.flags(2), 0u);
    EXPECT_EQ(w.mousePointer(3).size(), 4u);
    EXPECT_EQ(Str(w.menuCaption(4)), "Open a much longer caption");
    EXPECT_EQ(w.HandlerAddress(3, 2), 0x1010u);
    for (size_t i = 0; i < w.unitCount(); ++i) {
        wt::Bytes now = w.typeData(i);
        EXPECT_EQ(std::vector<uint8_t>(now.begin(), now.end()), typeData[i]) << i;
    }

    // Written out and read again, the edited stream is a consistent template
    // with the same values.
    std::vector<uint8_t> edited = t.Write();
    wt::Template again;
    ASSERT_EQ(wt::Template::Read(edited, 0x1000, again), wt::ReadStatus::kOk);
    const wt::TemplateWindow& w2 = again.window(0);
    EXPECT_EQ(Str(w2.tag(2)), std::string(50, 'y'));
    EXPECT_EQ(Str(w2.menuCaption(4)), "Open a much longer caption");
    EXPECT_EQ(w2.mousePointer(3).size(), 4u);
    EXPECT_EQ(w2.geometry(3, wt::kLeft), -32627);
    EXPECT_EQ(again.window(1).unitCount(), 1u);
    // Records stay back to back in offset order.
    for (size_t i = 0; i + 1 < w2.unitCount(); ++i) {
        wt::Bytes a = w2.record(i), b = w2.record(i + 1);
        EXPECT_EQ(a.data() + a.size() + 4, b.data()) << i;
    }
}

TEST(TemplateReader, LiveObjectSlotsAreBesideTheRecords) {
    std::vector<uint8_t> bytes = Compile({EdgeWindow()});
    wt::Template t;
    ASSERT_EQ(wt::Template::Read(bytes, 0, t), wt::ReadStatus::kOk);
    wt::TemplateWindow& w = t.window(0);
    int object = 0, cursor = 0;
    w.SetLiveObject(2, &object);
    w.SetCursor(2, &cursor);
    w.SetTag(1, "moves the records");
    EXPECT_EQ(w.liveObject(2), &object);
    EXPECT_EQ(w.cursor(2), &cursor);
    w.ClearSlots();
    EXPECT_EQ(w.liveObject(2), nullptr);
    EXPECT_EQ(w.cursor(2), nullptr);
}

// Every prefix of a stream fails cleanly, except the empty one, which is a
// program without windows.
TEST(TemplateReader, EveryTruncationFails) {
    std::vector<uint8_t> bytes = Compile({EdgeWindow(), WindowHead(0x5201000A) + OwnUnit(0x0601000A)});
    wt::Template t;
    ASSERT_EQ(wt::Template::Read(wt::Bytes(bytes.data(), 0), 0, t), wt::ReadStatus::kOk);
    EXPECT_EQ(t.windowCount(), 0u);
    for (size_t n = 1; n < bytes.size(); ++n) {
        std::vector<uint8_t> prefix(bytes.begin(), bytes.begin() + std::ptrdiff_t(n));  // exact-size heap block
        EXPECT_NE(wt::Template::Read(prefix, 0, t), wt::ReadStatus::kOk) << n;
        EXPECT_EQ(t.windowCount(), 0u);
    }
}

// The stream's length is exact: a byte after the last record fails the read.
TEST(TemplateReader, TrailingBytesFail) {
    std::vector<uint8_t> bytes = Compile({EdgeWindow(), WindowHead(0x5201000A) + OwnUnit(0x0601000A)});
    wt::Template t;
    ASSERT_EQ(wt::Template::Read(bytes, 0, t), wt::ReadStatus::kOk);
    bytes.push_back(0);
    EXPECT_EQ(wt::Template::Read(bytes, 0, t), wt::ReadStatus::kTrailingBytes);
    EXPECT_EQ(t.windowCount(), 0u);
}

// Any byte set to a hostile value: the read fails or gives records whose
// every field lies inside them.
TEST(TemplateReader, CorruptedBytesNeverReadOutside) {
    std::vector<uint8_t> bytes = Compile({EdgeWindow()});
    int failed = 0;
    for (size_t at = 0; at < bytes.size(); ++at) {
        for (uint8_t value : {uint8_t(0x00), uint8_t(0x7F), uint8_t(0xFF)}) {
            std::vector<uint8_t> bad = bytes;
            if (bad[at] == value) continue;
            bad[at] = value;
            wt::Template t;
            if (wt::Template::Read(bad, 0, t) != wt::ReadStatus::kOk) {
                ++failed;
                continue;
            }
            for (size_t i = 0; i < t.windowCount(); ++i) {
                wt::TemplateWindow& w = t.window(i);
                for (size_t u = 0; u < w.unitCount(); ++u) {
                    (void)w.name(u).size();
                    (void)w.tag(u).size();
                    (void)w.menuCaption(u).size();
                    for (uint32_t c = 0; c < w.childCount(u); ++c) (void)w.child(u, c);
                    for (uint32_t e = 0; e < w.eventCount(u); ++e) (void)w.event(u, e);
                    (void)w.mousePointer(u).size();
                    std::vector<wt::FieldValue> f;
                    (void)wt::DecodeTypeData(w.typeId(u), w.typeData(u), f);
                    if (!w.isMenuItem(u)) w.SetTag(u, "tag written after the damage");
                }
                EXPECT_FALSE(t.Write().empty());
            }
        }
    }
    EXPECT_GT(failed, 0);
}

TEST(TemplateReader, MalformedStructure) {
    std::vector<uint8_t> good = Compile({WindowHead(0x52010005) + OwnUnit(0x06010005)});
    wt::Template t;
    auto withWord = [&](size_t at, uint32_t v) {
        std::vector<uint8_t> b = good;
        std::memcpy(b.data() + at, &v, 4);
        return wt::Template::Read(b, 0, t);
    };
    EXPECT_EQ(withWord(0, 12), wt::ReadStatus::kBadWindowList);  // not a multiple of 8
    EXPECT_EQ(withWord(0, 0x7FFFFFF8), wt::ReadStatus::kTruncated);
    // Unit count (after list 12, first word, class id, two empty texts).
    const size_t unitCount = 12 + 16;
    EXPECT_EQ(withWord(unitCount, 0xFFFFFFFF), wt::ReadStatus::kBadUnitTable);
    EXPECT_EQ(withWord(unitCount, 1000), wt::ReadStatus::kBadUnitTable);
    // The unit's offset pointing past the table.
    EXPECT_EQ(withWord(unitCount + 12, 0x10000), wt::ReadStatus::kTruncated);
    // Two units sharing one record overlap: refused.
    std::vector<uint8_t> two = Compile({WindowHead(0x52010005) + OwnUnit(0x06010005) + TimerUnit(0x16010001, "")});
    uint32_t zero = 0;
    std::memcpy(two.data() + unitCount + 8 + 12, &zero, 4);
    EXPECT_EQ(wt::Template::Read(two, 0, t), wt::ReadStatus::kBadUnitTable);
}

TEST(TemplateReader, ReadTemplatesAppendsToTheLoadedList) {
    wt::Template& loaded = wt::LoadedTemplate();
    size_t before = loaded.windowCount();
    std::vector<uint8_t> bytes = Compile({WindowHead(0x5201000B) + OwnUnit(0x0601000B)});
    EXPECT_TRUE(wt::ReadTemplates(nullptr, 0, 0));  // no template, no windows
    EXPECT_TRUE(wt::ReadTemplates(bytes.data(), bytes.size(), 0x2000));
    ASSERT_EQ(loaded.windowCount(), before + 1);
    ASSERT_NE(loaded.FindWindow(0x5201000B), nullptr);
    EXPECT_EQ(loaded.procedureBase(), 0x2000u);
    EXPECT_FALSE(wt::ReadTemplates(bytes.data(), bytes.size() - 1, 0x2000));
    EXPECT_EQ(loaded.windowCount(), before + 1);
    // Windows read later leave the earlier records in place.
    wt::TemplateWindow* first = loaded.FindWindow(0x5201000B);
    for (uint32_t id = 0x5201000C; id < 0x5201002C; ++id) {
        std::vector<uint8_t> more = Compile({WindowHead(id) + OwnUnit(0x0601000B)});
        ASSERT_TRUE(wt::ReadTemplates(more.data(), more.size(), 0x2000));
    }
    EXPECT_EQ(loaded.FindWindow(0x5201000B), first);
    EXPECT_EQ(first->id(), 0x5201000Bu);
}

TEST(TypeData, VersionAboveTheHighestIsRefused) {
    struct Case {
        uint32_t type;
        int32_t highest;
    };
    for (Case c : {Case{wt::kWindowType, 6}, Case{wt::kEditBoxType, 2}, Case{wt::kPicBoxType, 2},
                   Case{wt::kButtonType, 1}, Case{wt::kTimerType, 1}, Case{wt::kPicBtnType, 1},
                   Case{wt::kTransLabelType, 1}, Case{wt::kSuperBarType, 1}}) {
        std::vector<uint8_t> data;
        wt::PutI32(data, c.highest + 1);
        data.resize(4096, 0);
        std::vector<wt::FieldValue> f;
        EXPECT_EQ(wt::DecodeTypeData(c.type, data, f), wt::DecodeStatus::kVersionTooHigh) << std::hex << c.type;
        data.clear();
        wt::PutI32(data, c.highest);  // the version alone
        EXPECT_EQ(wt::DecodeTypeData(c.type, data, f), wt::DecodeStatus::kTruncated);
    }
    std::vector<wt::FieldValue> f;
    EXPECT_EQ(wt::DecodeTypeData(0x00090009, {}, f), wt::DecodeStatus::kUnknownType);
    uint8_t one = 1;
    EXPECT_EQ(wt::DecodeTypeData(wt::kZipType, wt::Bytes(&one, 1), f), wt::DecodeStatus::kTrailingBytes);
}

}  // namespace
