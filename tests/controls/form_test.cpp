// Stored forms of the picture button, transparent label and bar: reading,
// refusal of later versions and truncated data, clamping, and writing back.
#include <gtest/gtest.h>

#include <cstring>

#include "runtime/controls/picbtn/picbtn_form.h"
#include "runtime/controls/superbar/superbar_form.h"
#include "runtime/controls/translabel/translabel_form.h"
#include "runtime/windows/template/type_data.h"

namespace vx::controls {
namespace {

using Buffer = std::vector<uint8_t>;

void Put(Buffer& b, int32_t v) { wt::PutI32(b, v); }
void PutText(Buffer& b, const std::string& s) {
    wt::PutBlock(b, wt::Bytes(reinterpret_cast<const uint8_t*>(s.data()), s.size()));
}

Buffer PicBtnBytes(int32_t version, int32_t mode, int32_t selected, uint32_t colour) {
    Buffer b;
    for (int32_t v : {version, mode, selected, static_cast<int32_t>(colour)}) Put(b, v);
    PutText(b, "\x89PNG-normal");
    PutText(b, "");
    PutText(b, "pressed");
    Put(b, -4);  // a negative count is an empty block
    return b;
}

TEST(PicBtnForm, ReadsFieldsAndBlocks) {
    Buffer b = PicBtnBytes(1, 0, 1, 0x00FF00FF);
    auto f = ParsePicBtnForm(b);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->mode, 0);
    EXPECT_EQ(f->selected, 1);
    EXPECT_EQ(f->transparentColour, 0x00FF00FFu);
    EXPECT_EQ(f->pictures[0], "\x89PNG-normal");
    EXPECT_EQ(f->pictures[1], "");
    EXPECT_EQ(f->pictures[2], "pressed");
    EXPECT_EQ(f->pictures[3], "");

    // Written back it reads the same (negative count normalised to 0).
    Buffer again = WritePicBtnForm(*f);
    auto g = ParsePicBtnForm(again);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->pictures[2], "pressed");
    EXPECT_EQ(again.size(), b.size());
}

TEST(PicBtnForm, DefaultsRefusalsAndClamping) {
    auto empty = ParsePicBtnForm({});
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->transparentColour, kNoTransparentColour);
    EXPECT_EQ(empty->mode, 0);

    EXPECT_FALSE(ParsePicBtnForm(PicBtnBytes(2, 0, 0, 0)));
    EXPECT_EQ(ParsePicBtnForm(PicBtnBytes(1, 5, 0, 0))->mode, 1);
    EXPECT_EQ(ParsePicBtnForm(PicBtnBytes(1, -3, 0, 0))->mode, 0);
    EXPECT_TRUE(ParsePicBtnForm(PicBtnBytes(0, 1, 0, 0)));

    Buffer b = PicBtnBytes(1, 0, 0, 0);
    for (size_t cut = 1; cut < b.size(); ++cut)
        EXPECT_FALSE(ParsePicBtnForm(std::span<const uint8_t>(b.data(), cut))) << cut;
    // A block count beyond the end.
    Buffer huge;
    for (int32_t v : {1, 0, 0, 0, 0x7FFFFFFF}) Put(huge, v);
    EXPECT_FALSE(ParsePicBtnForm(huge));
}

Buffer LabelBytes(int32_t version, int32_t effect, int32_t align, int32_t valign, const std::string& font,
                  const std::string& caption) {
    Buffer b;
    for (int32_t v : {version, effect, 0x00FFFFFF, align, valign, 0}) Put(b, v);
    PutText(b, font);
    PutText(b, caption);
    return b;
}

TEST(TransLabelForm, ReadsInstallerStatusLine) {
    // 正在复制文件：
    Buffer b = LabelBytes(1, 0, 0, 1, "", "\xd5\xfd\xd4\xda\xb8\xb4\xd6\xc6\xce\xc4\xbc\xfe\xa3\xba");
    auto f = ParseTransLabelForm(b);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->textColour, 0x00FFFFFFu);
    EXPECT_EQ(f->caption.size(), 14u);
    EXPECT_EQ(f->verticalAlignment, 1);
    EXPECT_TRUE(f->font.empty());
    auto g = ParseTransLabelForm(WriteTransLabelForm(*f));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->caption, f->caption);
}

TEST(TransLabelForm, DefaultsClampingAndRefusals) {
    auto d = ParseTransLabelForm({});
    ASSERT_TRUE(d);
    EXPECT_EQ(d->caption, "透明标签");
    EXPECT_EQ(d->verticalAlignment, 1);

    auto c = ParseTransLabelForm(LabelBytes(1, 7, -1, 9, std::string(60, 'x'), std::string("ab\0cd", 5)));
    ASSERT_TRUE(c);
    EXPECT_EQ(c->effect, 3);
    EXPECT_EQ(c->alignment, 0);
    EXPECT_EQ(c->verticalAlignment, 2);
    EXPECT_EQ(c->font.size(), 60u);
    EXPECT_EQ(c->caption, "ab");

    EXPECT_FALSE(ParseTransLabelForm(LabelBytes(2, 0, 0, 0, "", "x")));
    Buffer b = LabelBytes(1, 0, 0, 0, "", "xyz");
    for (size_t cut = 1; cut < b.size(); ++cut)
        EXPECT_FALSE(ParseTransLabelForm(std::span<const uint8_t>(b.data(), cut))) << cut;
}

TEST(SuperBarForm, ReadsEveryFieldInStoredOrder) {
    SuperBarForm in;
    in.images = {"MITL\0\0\0\xFFIL-track", "", "MITLx", "MITL\0\0\0\xFFIL-thumb"};
    in.images[0] = std::string("MITL\0\0\0\xFFIL-track", 16);
    in.pageStep = 7;
    in.lineStep = 2;
    in.minimum = -5;
    in.maximum = 55;
    in.position = 12;
    in.showArrows = 0;
    in.showThumb = 0;
    in.showFill = 1;
    in.endCaps = {1, 0, 1};
    in.centreMark = {0, 1, 0};
    in.crossOffset = 3;
    in.barType = 2;
    in.orientation = 1;
    in.style = 3;
    in.drawMode = {1, 2, 3};
    in.fillFollowsThumb = 0;
    in.showPercent = 1;
    in.interactive = 0;
    in.textColour = 0x123456;
    in.proportionalThumb = 0;
    in.font = std::string(60, '\x01');
    in.band = 0;
    in.trackInset = 1;
    in.unused = {11, 12, 13, 14, 15, 16, 17, 18, 19};
    Buffer b = WriteSuperBarForm(in);
    // version + 4 blocks + 39 words + 60 font bytes + 2 words
    size_t blocks = 0;
    for (auto& s : in.images) blocks += 4 + s.size();
    EXPECT_EQ(b.size(), 4 + blocks + 4 * 35 + 60 + 8);

    auto f = ParseSuperBarForm(b);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->images, in.images);
    EXPECT_EQ(f->pageStep, 7);
    EXPECT_EQ(f->minimum, -5);
    EXPECT_EQ(f->position, 12);
    EXPECT_EQ(f->showArrows, 0);
    EXPECT_EQ(f->endCaps, in.endCaps);
    EXPECT_EQ(f->centreMark, in.centreMark);
    EXPECT_EQ(f->crossOffset, 3);
    EXPECT_EQ(f->orientation, 1);
    EXPECT_EQ(f->style, 3);
    EXPECT_EQ(f->drawMode, in.drawMode);
    EXPECT_EQ(f->fillFollowsThumb, 0);
    EXPECT_EQ(f->showPercent, 1);
    EXPECT_EQ(f->textColour, 0x123456u);
    EXPECT_EQ(f->proportionalThumb, 0);
    EXPECT_EQ(f->font, in.font);
    EXPECT_EQ(f->band, 0);
    EXPECT_EQ(f->trackInset, 1);
    EXPECT_EQ(f->unused, in.unused);
    // The stored form written again is byte-identical.
    EXPECT_EQ(WriteSuperBarForm(*f), b);
}

TEST(SuperBarForm, DefaultsTruncationAndImageBlocks) {
    auto d = ParseSuperBarForm({});
    ASSERT_TRUE(d);
    EXPECT_EQ(d->position, 30);
    EXPECT_EQ(d->barType, 1);
    EXPECT_EQ(d->drawMode[1], 4);

    SuperBarForm in;
    Buffer b = WriteSuperBarForm(in);
    // An all-zero font record is no font; the two trailing switches may be missing.
    auto noTail = ParseSuperBarForm(std::span<const uint8_t>(b.data(), b.size() - 8));
    ASSERT_TRUE(noTail);
    EXPECT_TRUE(noTail->font.empty());
    EXPECT_EQ(noTail->band, 1);
    for (size_t cut = 1; cut < b.size() - 8; ++cut)
        EXPECT_FALSE(ParseSuperBarForm(std::span<const uint8_t>(b.data(), cut))) << cut;
    b[0] = 2;
    EXPECT_FALSE(ParseSuperBarForm(b));

    auto bytes = [](const char* s, size_t n) {
        return std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(s), n);
    };
    EXPECT_TRUE(ImageListStream(bytes("MITL\0\0\0\xFF", 8)).empty());
    EXPECT_TRUE(ImageListStream(bytes("MITX\0\0\0\xFFIL", 10)).empty());
    auto s = ImageListStream(bytes("MITL\0\0\0\xFFIL", 10));
    ASSERT_EQ(s.size(), 2u);
    EXPECT_EQ(s[0], 'I');
}

}  // namespace
}  // namespace vx::controls
