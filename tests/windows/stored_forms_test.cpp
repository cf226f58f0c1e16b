// The core units' stored type data: fields in order, versions, truncation.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "runtime/windows/units/stored_forms.h"

namespace vx::windows::stored {
namespace {

void Int(std::string& s, int32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>(static_cast<uint32_t>(v) >> (8 * i)));
}
void Block(std::string& s, const std::string& b) {
    Int(s, static_cast<int32_t>(b.size()));
    s += b;
}
const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

std::string InstallerWindowData(int32_t version) {
    std::string d;
    Int(d, version);
    for (int32_t v : {0, 1, static_cast<int32_t>(0xFF000000), 0, 1, 1, 1, 1, 0, 0, 1, 0, 0}) Int(d, v);
    if (version > 1) Int(d, 1);  // ShowInTaskbar
    if (version > 2) {
        Int(d, 1);  // DragAnywhere
        Int(d, 2);  // Shape
    }
    if (version > 3) Int(d, 1);  // AlwaysOnTop
    if (version > 4) Int(d, 0);  // property 30
    if (version == 6) Block(d, std::string("MyClass\0junk", 12));
    Block(d, "JPEGBYTES");
    Block(d, "");
    Block(d, "");
    Block(d, "Title");
    Block(d, "help.hlp");
    return d;
}

TEST(WindowData, ReadsEveryFieldOfVersionSix) {
    std::string d = InstallerWindowData(6);
    auto w = ReadWindowData(Bytes(d), d.size());
    ASSERT_TRUE(w);
    EXPECT_EQ(w->borderStyle, 0);
    EXPECT_EQ(w->pictureMode, 1);
    EXPECT_EQ(w->backColor, kSystemColour);
    EXPECT_EQ(w->position, 1);
    EXPECT_EQ(w->escapeCloses, 1);
    EXPECT_EQ(w->dragAnywhere, 1);
    EXPECT_EQ(w->shape, 2);
    EXPECT_EQ(w->alwaysOnTop, 1);
    EXPECT_EQ(w->className, "MyClass");  // cut at the inner zero byte
    EXPECT_EQ(w->backPicture, "JPEGBYTES");
    EXPECT_EQ(w->caption, "Title");
    EXPECT_EQ(w->helpFile, "help.hlp");
}

TEST(WindowData, OlderVersionsKeepDefaultsForMissingFields) {
    std::string d = InstallerWindowData(1);
    auto w = ReadWindowData(Bytes(d), d.size());
    ASSERT_TRUE(w);
    EXPECT_EQ(w->showInTaskbar, 1);
    EXPECT_EQ(w->dragAnywhere, 0);
    EXPECT_EQ(w->shape, 0);
    EXPECT_EQ(w->className, "");
    EXPECT_EQ(w->caption, "Title");
}

TEST(WindowData, RefusesHigherVersionsAndTruncatedData) {
    std::string d = InstallerWindowData(6);
    d[0] = 7;
    EXPECT_FALSE(ReadWindowData(Bytes(d), d.size()));
    d = InstallerWindowData(6);
    for (size_t n = 1; n < d.size(); ++n) EXPECT_FALSE(ReadWindowData(Bytes(d), n)) << n;
    // A block length beyond the end.
    std::string bad;
    Int(bad, 0);
    for (int i = 0; i < 13; ++i) Int(bad, 0);
    Int(bad, 0x7FFFFFFF);
    EXPECT_FALSE(ReadWindowData(Bytes(bad), bad.size()));
}

TEST(EditBoxData, PasswordCharIsASixteenBitWordAndRoundTrips) {
    EditBoxData e;
    e.borderStyle = 0;
    e.inputMode = 1;
    e.passwordChar = 42;
    e.upDownMax = 100;
    e.content = "C:\\Program Files\\TolvanePC";
    e.font = std::string(60, '\x01');
    e.binding2 = "b2";
    std::string d = WriteEditBoxData(e);
    // version, 9 words, 2 bytes, 6 words, font, content, two texts
    EXPECT_EQ(d.size(), 4u + 36 + 2 + 24 + 64 + 4 + e.content.size() + 4 + 4 + 2);
    auto r = ReadEditBoxData(Bytes(d), d.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->passwordChar, 42);
    EXPECT_EQ(r->inputMode, 1);
    EXPECT_EQ(r->upDownMax, 100);
    EXPECT_EQ(r->font.size(), 60u);
    EXPECT_EQ(r->content, e.content);
    EXPECT_EQ(r->binding2, "b2");
    d[0] = 3;
    EXPECT_FALSE(ReadEditBoxData(Bytes(d), d.size()));
}

// Every member is read from and written to its own field of the template's
// layout: distinct values in all of them come back where they went.
TEST(EditBoxData, EveryFieldRoundTripsAndNegativeVersionsAreRefused) {
    EditBoxData e;
    int32_t n = 10;
    for (int32_t* v :
         {&e.borderStyle, &e.hideSelection, &e.maxLength, &e.multiLine, &e.scrollBars, &e.alignment, &e.inputMode,
          &e.caseConversion, &e.upDown, &e.upDownMin, &e.upDownMax, &e.selStart, &e.selLength})
        *v = ++n;
    e.textColor = 0x00112233;
    e.backColor = 0x00445566;
    e.passwordChar = 0x2A2B;
    e.font = std::string(60, '\x07');
    e.content = "content";
    e.binding1 = "one";
    e.binding2 = "two";
    const std::string d = WriteEditBoxData(e);
    auto r = ReadEditBoxData(Bytes(d), d.size());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->version, 2);
    n = 10;
    for (int32_t EditBoxData::*m :
         {&EditBoxData::borderStyle, &EditBoxData::hideSelection, &EditBoxData::maxLength, &EditBoxData::multiLine,
          &EditBoxData::scrollBars, &EditBoxData::alignment, &EditBoxData::inputMode, &EditBoxData::caseConversion,
          &EditBoxData::upDown, &EditBoxData::upDownMin, &EditBoxData::upDownMax, &EditBoxData::selStart,
          &EditBoxData::selLength})
        EXPECT_EQ((*r).*m, ++n);
    EXPECT_EQ(r->textColor, e.textColor);
    EXPECT_EQ(r->backColor, e.backColor);
    EXPECT_EQ(r->passwordChar, e.passwordChar);
    EXPECT_EQ(r->font, e.font);
    EXPECT_EQ(r->content, "content");
    EXPECT_EQ(r->binding1, "one");
    EXPECT_EQ(r->binding2, "two");

    ButtonData b;
    b.buttonType = 2;
    b.hAlign = 3;
    b.vAlign = 4;
    b.picture = "BMP";
    b.font = std::string(60, '\x09');
    b.caption = "OK";
    const std::string bd = WriteButtonData(b);
    auto rb = ReadButtonData(Bytes(bd), bd.size());
    ASSERT_TRUE(rb);
    EXPECT_EQ(std::tie(rb->buttonType, rb->hAlign, rb->vAlign, rb->picture, rb->font, rb->caption),
              std::tie(b.buttonType, b.hAlign, b.vAlign, b.picture, b.font, b.caption));

    std::string negative = d;
    negative.replace(0, 4, "\xff\xff\xff\xff");
    EXPECT_FALSE(ReadEditBoxData(Bytes(negative), negative.size()));
    std::string w = InstallerWindowData(6);
    w.replace(0, 4, "\xff\xff\xff\xff");
    EXPECT_FALSE(ReadWindowData(Bytes(w), w.size()));
}

TEST(OtherUnits, ButtonPicBoxAndTimerData) {
    ButtonData b;
    b.buttonType = 1;
    b.caption = "\xcd\xac\xd2\xe2";
    std::string d = WriteButtonData(b);
    auto rb = ReadButtonData(Bytes(d), d.size());
    ASSERT_TRUE(rb);
    EXPECT_EQ(rb->buttonType, 1);
    EXPECT_EQ(rb->caption, b.caption);
    EXPECT_FALSE(ReadButtonData(Bytes(d), d.size() - 1));

    std::string p;
    Int(p, 2);
    Int(p, 0);
    Int(p, 0);
    Int(p, 0);
    Int(p, 1);
    Block(p, "PNG");
    Block(p, "");
    Block(p, "");
    auto rp = ReadPicBoxData(Bytes(p), p.size());
    ASSERT_TRUE(rp);
    EXPECT_EQ(rp->animate, 1);
    EXPECT_EQ(rp->picture, "PNG");

    std::string t;
    Int(t, 1);
    Int(t, 0);
    auto rt = ReadTimerData(Bytes(t), t.size());
    ASSERT_TRUE(rt);
    EXPECT_EQ(rt->interval, 0);
    t[0] = 2;
    EXPECT_FALSE(ReadTimerData(Bytes(t), t.size()));
    EXPECT_TRUE(ReadTimerData(nullptr, 0));  // no data: the defaults
}

}  // namespace
}  // namespace vx::windows::stored
