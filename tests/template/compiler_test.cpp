// The template compiler: source errors point at their line, and the bar's
// image-list streams have the layout the common controls read.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/base/byte_reader.h"
#include "runtime/windows/template/event_numbers.h"
#include "runtime/windows/template/template.h"
#include "runtime/windows/template/type_data.h"
#include "tools/wtc/wtc.h"

namespace wt = vx::wt;

namespace {

const char* kWindow =
    "window 0x52010001\n"
    " first-word -1\n"
    " class-id 0x1901000E\n"
    " texts \"\" \"\"\n"
    "unit 0x06010000 Timer\n"
    " name \"\"\n"
    " rect 0 0 10 10\n"
    " flags 1\n"
    " tab-order 0\n"
    " event 0 Go\n"
    " data\n"
    "  Version 1\n"
    "  Interval 250\n"
    " end\n";

std::string CompileError(const std::string& source) {
    wtc::Compiler c;
    c.LoadProcedures("Stop\nGo\n");
    try {
        c.AddWindow(source, "w.window", ".");
    } catch (const wtc::CompileError& e) {
        return e.what();
    }
    return "";
}

std::string Replace(std::string s, const std::string& from, const std::string& to) {
    size_t at = s.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) s.replace(at, from.size(), to);
    return s;
}

TEST(TemplateCompiler, CompilesProcedureOffsetsAndTexts) {
    wtc::Compiler c;
    c.LoadProcedures("Stop\nGo\n");
    EXPECT_EQ(c.ProcedureOffset("Stop"), 0);
    EXPECT_EQ(c.ProcedureOffset("Go"), 8);
    c.AddWindow(Replace(kWindow, "name \"\"", "name \"\\xb0\\xb4 x\""), "w", ".");
    std::vector<uint8_t> bytes = c.Build();
    wt::Template t;
    ASSERT_EQ(wt::Template::Read(bytes, 0, t), wt::ReadStatus::kOk);
    EXPECT_EQ(t.window(0).HandlerOffset(0, 0), std::optional<int32_t>(8));
    EXPECT_EQ(std::string(t.window(0).name(0)), "\xb0\xb4 x");
    EXPECT_EQ(wtc::ToGbk(reinterpret_cast<const char*>(u8"按钮")), "\xb0\xb4\xc5\xa5");
}

TEST(TemplateCompiler, SourceErrorsNameTheLine) {
    EXPECT_EQ(CompileError(kWindow), "");
    EXPECT_NE(CompileError(Replace(kWindow, "event 0 Go", "event 0 Run")).find("w.window:10: unknown procedure"),
              std::string::npos);
    EXPECT_NE(CompileError(Replace(kWindow, "  Interval 250\n", "")).find("w.window:13: missing field Interval"),
              std::string::npos);
    EXPECT_NE(CompileError(Replace(kWindow, "  Version 1\n  Interval 250\n", "  Interval 250\n  Version 1\n"))
                  .find("expected field Version"),
              std::string::npos);
    EXPECT_NE(CompileError(Replace(kWindow, "Version 1", "Version 2")).find("version above 1"), std::string::npos);
    EXPECT_NE(CompileError(Replace(kWindow, " rect 0 0 10 10\n", "")).find("unit needs 'rect'"), std::string::npos);
    EXPECT_NE(CompileError(Replace(kWindow, "Timer", "Gauge")).find("unknown unit type"), std::string::npos);
    EXPECT_NE(CompileError(Replace(kWindow, "rect 0 0 10 10", "rect 0 0 10 1O")).find("bad number"), std::string::npos);
    EXPECT_NE(CompileError(Replace(kWindow, "name \"\"", "name \"a\\0b\"")).find("zero-terminated"), std::string::npos);
    EXPECT_NE(CompileError(Replace(kWindow, "texts \"\" \"\"", "texts \"\" \"")).find("unterminated string"),
              std::string::npos);
    EXPECT_NE(CompileError(std::string(kWindow) + "unit 0x06010000 Timer\n name \"\"\n rect 0 0 1 1\n flags 0\n"
                                                  " tab-order 0\n data\n  Version 1\n  Interval 0\n end\n")
                  .find("unit id used twice"),
              std::string::npos);
    // A text GBK cannot hold is refused where it stands.
    EXPECT_EQ(CompileError(Replace(kWindow, "name \"\"", "name \"a\xF0\x9F\x98\x80\"")),
              "w.window:6: text not representable in GBK: a\xF0\x9F\x98\x80");
    EXPECT_THROW(wtc::ToGbk("\xF0\x9F\x98\x80"), wtc::CompileError);
    wtc::Compiler c;
    EXPECT_THROW(c.LoadProcedures("A\nB\nA\n"), wtc::CompileError);
}

// An 'access' line goes into the table beside the template, never into the
// template itself; its role must be one the runtime knows.
TEST(TemplateCompiler, AccessLinesMakeATableBesideTheTemplate) {
    const std::string named =
        Replace(kWindow, " tab-order 0\n", reinterpret_cast<const char*>(u8" tab-order 0\n access button \"关闭\"\n"));
    wtc::Compiler c, plain;
    for (wtc::Compiler* k : {&c, &plain}) k->LoadProcedures("Stop\nGo\n");
    c.AddWindow(named, "w", ".");
    c.AddWindow(Replace(Replace(kWindow, "0x52010001", "0x52010002"), " flags 1\n", " flags 1\n access hidden\n"), "v",
                ".");
    plain.AddWindow(kWindow, "w", ".");
    plain.AddWindow(Replace(kWindow, "0x52010001", "0x52010002"), "v", ".");
    EXPECT_EQ(c.Build(), plain.Build());
    EXPECT_TRUE(plain.Access().empty());
    ASSERT_EQ(c.Access().size(), 2u);
    EXPECT_EQ(c.Access()[0].windowId, 0x52010001u);
    EXPECT_EQ(c.Access()[0].unitId, 0x06010000u);
    EXPECT_EQ(c.Access()[0].role, wt::AccessRole::kPushButton);
    EXPECT_EQ(c.Access()[0].name, wtc::ToGbk(reinterpret_cast<const char*>(u8"关闭")));
    EXPECT_EQ(c.Access()[1].windowId, 0x52010002u);
    EXPECT_EQ(c.Access()[1].role, wt::AccessRole::kHidden);
    EXPECT_EQ(c.Access()[1].name, "");
    const std::string table = wtc::AccessTableSource(c.Access());
    EXPECT_NE(table.find("{0x52010001u, 0x6010000u, vx::wt::AccessRole(1), \"\\xb9\"\"\\xd8\"\"\\xb1\"\"\\xd5\"\"\"}"),
              std::string::npos)
        << table;
    EXPECT_NE(table.find("vxUnitAccessCount = 2u"), std::string::npos);

    for (auto [line, error] : {std::pair{" access door\n", "w.window:10: unknown access role 'door'"},
                               std::pair{" access\n", "w.window:10: expected access"},
                               std::pair{" access link \"a\" \"b\"\n", "w.window:10: expected access"}}) {
        SCOPED_TRACE(line);
        EXPECT_NE(CompileError(Replace(kWindow, " event 0 Go\n", std::string(line) + " event 0 Go\n")).find(error),
                  std::string::npos);
    }
}

std::vector<uint8_t> Compile(const std::string& source) {
    wtc::Compiler c;
    c.LoadProcedures("Stop\nGo\n");
    c.AddWindow(source, "w.window", ".");
    return c.Build();
}

TEST(TemplateCompiler, EventsAndFlagsByNameStoreTheirNumbers) {
    const std::vector<uint8_t> numbered = Compile(kWindow);
    EXPECT_EQ(Compile(Replace(kWindow, "event 0 Go", "event Elapsed Go")), numbered);
    EXPECT_EQ(Compile(Replace(kWindow, "flags 1", "flags Visible")), numbered);
    EXPECT_EQ(Compile(Replace(kWindow, "flags 1", "flags TabStop Visible")),
              Compile(Replace(kWindow, "flags 1", "flags 5")));
    EXPECT_EQ(Compile(Replace(kWindow, "flags 1", "flags Disabled")), Compile(Replace(kWindow, "flags 1", "flags 2")));
    // The events of every windowed unit, and the type's own by its type name.
    wt::Template t;
    std::vector<uint8_t> common = Compile(Replace(kWindow, "event 0 Go", "event MouseWheel Go"));
    ASSERT_EQ(wt::Template::Read(common, 0, t), wt::ReadStatus::kOk);
    EXPECT_EQ(t.window(0).HandlerOffset(0, -12), std::optional<int32_t>(8));
    EXPECT_EQ(t.window(0).HandlerOffset(0, 0), std::nullopt);
    EXPECT_EQ(Compile(Replace(kWindow, "event 0 Go", "event -12 Go")), common);

    EXPECT_NE(CompileError(Replace(kWindow, "event 0 Go", "event Clicked Go")).find("unknown event 'Clicked' of Timer"),
              std::string::npos);
    EXPECT_NE(CompileError(Replace(kWindow, "flags 1", "flags Visible Visible")).find("given twice"),
              std::string::npos);
    EXPECT_NE(CompileError(Replace(kWindow, "flags 1", "flags Hidden")).find("unknown flag 'Hidden'"),
              std::string::npos);
}

// A name means one event of a type: none is listed twice for a type, and no
// type's own name hides an event of every unit.
TEST(TemplateCompiler, EventNamesAreUnambiguous) {
    for (const auto& a : wt::event::kEventNames)
        for (const auto& b : wt::event::kEventNames) {
            if (&a == &b || a.name != b.name) continue;
            EXPECT_FALSE(a.type == b.type || a.type.empty() || b.type.empty()) << a.name;
        }
    EXPECT_EQ(wt::event::FindEventNumber("Window", "QueryClose"), std::optional<int32_t>(12));
    EXPECT_EQ(wt::event::FindEventNumber("Timer", "QueryClose"), std::nullopt);
}

// Reads a stored little-endian value.
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return vx::U32(b.data() + at); }
uint16_t U16(const std::vector<uint8_t>& b, size_t at) { return vx::U16(b.data() + at); }

TEST(ImageListStream, HeaderBitmapsAndCellPlacement) {
    // A strip of 6 cells of 3 x 2, each cell filled with its own colour; the
    // top-left pixel of cell 1 is magenta (masked).
    wtc::Pixels strip;
    strip.width = 18;
    strip.height = 2;
    strip.rgba.resize(18 * 2 * 4);
    for (uint32_t y = 0; y < 2; ++y)
        for (uint32_t x = 0; x < 18; ++x) {
            uint8_t* p = &strip.rgba[(y * 18 + x) * 4];
            p[0] = uint8_t(10 * (x / 3 + 1));
            p[1] = uint8_t(y);
            p[2] = 200;
            p[3] = 255;
        }
    uint8_t* magenta = &strip.rgba[3 * 4];
    magenta[0] = 255, magenta[1] = 0, magenta[2] = 255;

    std::vector<uint8_t> b = wtc::ImageListBlock(strip, 3, 2, 6);
    ASSERT_EQ(std::memcmp(b.data(), "MITL\0\0\0\xff", 8), 0);
    const size_t il = 8;
    EXPECT_EQ(U16(b, il + 0), 0x4C49);  // "IL"
    EXPECT_EQ(U16(b, il + 2), 0x0101);
    EXPECT_EQ(U16(b, il + 4), 6);  // images
    EXPECT_EQ(U16(b, il + 6), 8);  // room: two rows of four
    EXPECT_EQ(U16(b, il + 10), 3);
    EXPECT_EQ(U16(b, il + 12), 2);
    EXPECT_EQ(U32(b, il + 14), 0xFFFFFFFFu);
    EXPECT_EQ(U16(b, il + 18), 0x19);  // 24-bit colour with mask
    const size_t bmp = il + 28;
    EXPECT_EQ(U16(b, bmp), 0x4D42);
    EXPECT_EQ(U32(b, bmp + 14), 40u);
    EXPECT_EQ(U32(b, bmp + 18), 12u);  // four cells across
    EXPECT_EQ(U32(b, bmp + 22), 4u);   // two rows of cells
    EXPECT_EQ(U16(b, bmp + 28), 24);
    const uint32_t stride = 36;  // 12 pixels x 3 bytes, already aligned
    const size_t bits = bmp + U32(b, bmp + 10);
    ASSERT_EQ(U32(b, bmp + 2), U32(b, bmp + 10) + stride * 4);
    // Cell 5 (second row of cells, second column), its top line: bottom-up,
    // so stored row 1; blue-green-red.
    auto pixel = [&](uint32_t x, uint32_t rowFromTop) { return &b[bits + (3 - rowFromTop) * stride + x * 3]; };
    EXPECT_EQ(pixel(3, 2)[2], 60);
    EXPECT_EQ(pixel(3, 2)[0], 200);
    EXPECT_EQ(pixel(0, 0)[2], 10);  // cell 0
    EXPECT_EQ(pixel(4, 1)[1], 1);   // cell 1, second line
    const uint8_t* masked = pixel(3, 0);
    EXPECT_EQ(masked[0] | masked[1] | masked[2], 0);  // black under the mask

    const size_t maskBmp = bits + stride * 4;
    EXPECT_EQ(U16(b, maskBmp), 0x4D42);
    EXPECT_EQ(U16(b, maskBmp + 28), 1);
    const size_t maskBits = maskBmp + U32(b, maskBmp + 10);
    ASSERT_EQ(b.size(), maskBits + 4 * 4);
    auto maskBit = [&](uint32_t x, uint32_t rowFromTop) {
        return (b[maskBits + (3 - rowFromTop) * 4 + x / 8] >> (7 - x % 8)) & 1;
    };
    EXPECT_EQ(maskBit(3, 0), 1);  // magenta: transparent
    EXPECT_EQ(maskBit(4, 0), 0);
    EXPECT_EQ(maskBit(0, 1), 0);
    EXPECT_EQ(maskBit(6, 2), 1);  // cell 6 does not exist: transparent
}

}  // namespace
