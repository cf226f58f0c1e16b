// The three controls as unit types: created through their type descriptors
// from stored data, properties by index as the window system passes them,
// and the data that would rebuild them.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/controls/picbtn/picbtn_form.h"
#include "runtime/controls/picbtn/picbtn_unit.h"
#include "runtime/controls/superbar/superbar_form.h"
#include "runtime/controls/superbar/superbar_unit.h"
#include "runtime/controls/translabel/translabel_form.h"
#include "runtime/controls/translabel/translabel_unit.h"
#include "tests/controls/gui_support.h"

namespace vx::controls {
namespace {

using windows::PropertyValue;

std::unique_ptr<windows::Unit> Make(const windows::TypeDescriptor& type, const std::vector<uint8_t>& data,
                                    HWND parent) {
    windows::CreateParams p;
    p.data = data.data();
    p.length = data.size();
    p.parent = parent;
    p.controlId = 100;
    p.left = 10;
    p.top = 10;
    p.width = 120;
    p.height = 20;
    p.windowId = 0x52010001;
    p.unitId = 0x16000001;
    return std::unique_ptr<windows::Unit>(type.create(p));
}

TEST(ControlUnits, TypesAreRegisteredUnderTheirIds) {
    RegisterPicBtnType();
    RegisterTransLabelType();
    RegisterSuperBarType();
    EXPECT_EQ(windows::FindUnitType(0x0001002D), &PicBtnType());
    EXPECT_EQ(windows::FindUnitType(0x00020005), &TransLabelType());
    EXPECT_EQ(windows::FindUnitType(0x00050001), &SuperBarType());
    EXPECT_EQ(PicBtnType().propertyCount, 7u);
    EXPECT_EQ(TransLabelType().propertyCount, 7u);
    EXPECT_EQ(SuperBarType().propertyCount, 60u);
    EXPECT_STREQ(SuperBarType().properties[17 - 8].name, "Position");
    EXPECT_STREQ(SuperBarType().properties[65 - 8].name, "ProportionalThumb");
    EXPECT_EQ(SuperBarType().properties[11 - 8].name, nullptr);
}

TEST(ControlUnits, PicBtnUnit) {
    test::PlainWindow window(100, 100, 200, 100, RGB(0, 0, 0));
    PicBtnForm f;
    f.transparentColour = RGB(255, 0, 255);
    auto unit = Make(PicBtnType(), WritePicBtnForm(f), window.Handle());
    ASSERT_TRUE(unit);
    ASSERT_TRUE(IsWindow(unit->Handle()));
    unit->SetProperty(0, PropertyValue::Of(5));
    EXPECT_EQ(unit->GetProperty(0).number, 1);
    std::string png = test::SolidPng(4, 4, 1, 2, 3);
    unit->SetProperty(2, PropertyValue::OfBytes(png));
    EXPECT_EQ(unit->GetProperty(2).bytes, png);
    EXPECT_EQ(unit->GetProperty(6).number, RGB(255, 0, 255));
    std::string data = unit->CurrentData();
    auto again = ParsePicBtnForm(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->mode, 1);
    EXPECT_EQ(again->pictures[0], png);

    // A later version is refused: no unit.
    std::vector<uint8_t> v2 = WritePicBtnForm(f);
    v2[0] = 2;
    EXPECT_FALSE(Make(PicBtnType(), v2, window.Handle()));
}

TEST(ControlUnits, TransLabelUnit) {
    test::PlainWindow window(100, 100, 200, 100, RGB(255, 255, 255));
    auto unit = Make(TransLabelType(), {}, window.Handle());
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->GetProperty(0).bytes, "透明标签");
    unit->SetProperty(1, PropertyValue::Of(7));
    EXPECT_EQ(unit->GetProperty(1).number, 3);
    unit->SetProperty(0, PropertyValue::OfBytes("abc"));
    char text[8] = {};
    GetWindowTextA(unit->Handle(), text, sizeof text);
    EXPECT_STREQ(text, "abc");
    EXPECT_FALSE(unit->GetProperty(2).hasFont);
    PropertyValue font;
    font.hasFont = true;
    font.font.lfHeight = -20;
    std::strcpy(font.font.lfFaceName, "SimSun");
    unit->SetProperty(2, font);
    PropertyValue back = unit->GetProperty(2);
    ASSERT_TRUE(back.hasFont);
    EXPECT_EQ(back.font.lfHeight, -20);
    EXPECT_EQ(back.bytes.size(), 60u);
}

TEST(ControlUnits, SuperBarUnit) {
    test::PlainWindow window(100, 100, 200, 100, RGB(255, 255, 255));
    SuperBarForm f;
    f.font = std::string(60, '\0');
    f.font[0] = static_cast<char>(0xF4);  // height -12
    for (int i = 1; i < 4; ++i) f.font[i] = static_cast<char>(0xFF);
    std::memcpy(&f.font[28], "SimSun", 6);
    auto unit = Make(SuperBarType(), WriteSuperBarForm(f), window.Handle());
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->GetProperty(17 - 8).number, 30);
    PropertyValue font = unit->GetProperty(20 - 8);
    ASSERT_TRUE(font.hasFont);
    EXPECT_EQ(font.font.lfHeight, -12);
    EXPECT_STREQ(font.font.lfFaceName, "SimSun");
    unit->SetProperty(41 - 8, PropertyValue::Of(1));
    EXPECT_EQ(unit->GetProperty(41 - 8).number, 1);
    EXPECT_EQ(unit->GetProperty(10 - 8).number, 0);
    std::string data = unit->CurrentData();
    auto again =
        ParseSuperBarForm(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(data.data()), data.size()));
    ASSERT_TRUE(again);
    EXPECT_EQ(again->drawMode[0], 2);
    EXPECT_EQ(again->font, f.font);
}

// The unit's property table and the bar's switches come from one list of
// indexes: every named logical, step and heading reads back what was
// written, and every unnamed index is an empty number.
TEST(ControlUnits, SuperBarTableAndSwitchesAgree) {
    test::PlainWindow window(100, 100, 200, 100, RGB(255, 255, 255));
    auto unit = Make(SuperBarType(), WriteSuperBarForm(SuperBarForm{}), window.Handle());
    ASSERT_TRUE(unit);
    const windows::TypeDescriptor& type = SuperBarType();
    int named = 0;
    for (int32_t i = 0; i < static_cast<int32_t>(type.propertyCount); ++i) {
        const windows::PropertyDescriptor& d = type.properties[i];
        SCOPED_TRACE(i + 8);
        if (!d.name) {
            EXPECT_EQ(d.type, 0);
            unit->SetProperty(i, PropertyValue::Of(7));
            EXPECT_EQ(unit->GetProperty(i).number, 0);
            continue;
        }
        ++named;
        if (d.type == windows::prop::kLogical) {
            for (int v : {1, 0, 1}) {
                unit->SetProperty(i, PropertyValue::Of(v));
                EXPECT_EQ(unit->GetProperty(i).number, v) << d.name;
            }
        } else if (d.type == windows::prop::kText) {
            unit->SetProperty(i, PropertyValue::OfBytes(d.name));
            EXPECT_EQ(unit->GetProperty(i).bytes, d.name);
        } else if (std::string(d.name).ends_with("Step")) {
            unit->SetProperty(i, PropertyValue::Of(3));
            EXPECT_EQ(unit->GetProperty(i).number, 3) << d.name;
        }
    }
    EXPECT_EQ(named, 37);
}

}  // namespace
}  // namespace vx::controls
