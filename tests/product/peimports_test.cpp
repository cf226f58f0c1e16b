// The PE import reader behind the check that the three programs import at
// load time nothing but kernel32 and msvcrt: built images, read back, and
// every way of pointing outside the image refused without reading past it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tools/peimports/pe_imports.h"

namespace {

using vx::pe::ReadImports;

constexpr uint32_t kSectionRva = 0x1000;
constexpr uint32_t kSectionOffset = 0x200;

void Put(std::vector<uint8_t>& image, size_t at, uint32_t value, size_t bytes = 4) {
    if (image.size() < at + bytes) image.resize(at + bytes);
    for (size_t i = 0; i < bytes; ++i) image[at + i] = uint8_t(value >> (8 * i));
}

// An image with one section holding the import descriptors, then the delay
// descriptors, then the names; its last byte is the last name's zero.
std::vector<uint8_t> BuildImage(bool pe64, const std::vector<std::string>& names,
                                const std::vector<std::string>& delayed) {
    std::vector<uint8_t> image;
    Put(image, 0, 0x5A4D, 2);
    Put(image, 0x3C, 0x40);
    Put(image, 0x40, 0x00004550);
    const size_t countAt = pe64 ? 108 : 92;
    const size_t optionalSize = countAt + 4 + 16 * 8;
    Put(image, 0x44, pe64 ? 0x8664 : 0x14C, 2);
    Put(image, 0x46, 1, 2);  // one section
    Put(image, 0x54, uint32_t(optionalSize), 2);
    const size_t optional = 0x58;
    Put(image, optional, pe64 ? 0x20B : 0x10B, 2);
    Put(image, optional + countAt, 16);
    const uint32_t importRva = kSectionRva;
    const uint32_t delayRva = importRva + uint32_t(names.size() + 1) * 20;
    uint32_t nameRva = delayRva + uint32_t(delayed.size() + 1) * 32;
    Put(image, optional + countAt + 4 + 1 * 8, names.empty() ? 0 : importRva);
    Put(image, optional + countAt + 4 + 13 * 8, delayed.empty() ? 0 : delayRva);
    std::string text;
    auto place = [&](const std::string& name) {
        uint32_t rva = nameRva + uint32_t(text.size());
        text += name + '\0';
        return rva;
    };
    for (size_t i = 0; i < names.size(); ++i) Put(image, kSectionOffset + i * 20 + 12, place(names[i]));
    for (size_t i = 0; i < delayed.size(); ++i)
        Put(image, kSectionOffset + (delayRva - kSectionRva) + i * 32 + 4, place(delayed[i]));
    const size_t namesAt = kSectionOffset + (nameRva - kSectionRva);
    image.resize(namesAt + text.size());
    std::memcpy(image.data() + namesAt, text.data(), text.size());
    const uint32_t rawSize = uint32_t(image.size() - kSectionOffset);
    const size_t section = optional + optionalSize;
    Put(image, section + 8, rawSize);  // virtual size
    Put(image, section + 12, kSectionRva);
    Put(image, section + 16, rawSize);
    Put(image, section + 20, kSectionOffset);
    return image;
}

TEST(PeImports, ReadsLoadTimeAndDelayedNamesOfBothFormats) {
    for (bool pe64 : {true, false}) {
        SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
        std::vector<uint8_t> image = BuildImage(pe64, {"KERNEL32.dll", "msvcrt.dll"}, {"USER32.dll"});
        std::string error;
        auto imports = ReadImports(image, &error);
        ASSERT_TRUE(imports) << error;
        EXPECT_EQ(imports->loadTime, (std::vector<std::string>{"KERNEL32.dll", "msvcrt.dll"}));
        EXPECT_EQ(imports->delayed, (std::vector<std::string>{"USER32.dll"}));
    }
    auto none = ReadImports(BuildImage(true, {}, {}), nullptr);
    ASSERT_TRUE(none);
    EXPECT_TRUE(none->loadTime.empty() && none->delayed.empty());
}

TEST(PeImports, EveryTruncationIsRefused) {
    std::vector<uint8_t> image = BuildImage(true, {"KERNEL32.dll", "UxTheme.dll"}, {"WINMM.dll"});
    for (size_t size = 0; size < image.size(); ++size) {
        std::vector<uint8_t> cut(image.begin(), image.begin() + static_cast<ptrdiff_t>(size));
        std::string error;
        EXPECT_FALSE(ReadImports(cut, &error)) << "cut at " << size;
        EXPECT_FALSE(error.empty()) << "cut at " << size;
    }
}

TEST(PeImports, PointersOutsideTheImageAreRefused) {
    const std::vector<uint8_t> good = BuildImage(true, {"KERNEL32.dll"}, {});
    const size_t section = 0x58 + 108 + 4 + 16 * 8;
    const size_t importEntry = 0x58 + 108 + 4 + 8;
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    };
    const Case cases[] = {
        {"name RVA past the section", kSectionOffset + 12, 0x7FFFFFF0},
        {"name RVA below the section", kSectionOffset + 12, 0x10},
        {"import directory outside every section", importEntry, 0x9000},
        {"section raw data past the file", section + 20, 0xFFFFFF00},
        {"PE header past the file", 0x3C, 0xFFFFFFF0},
        {"optional header larger than the file", 0x54, 0xFFFF},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> image = good;
        Put(image, c.at, c.value, c.at == 0x54 ? 2 : 4);
        std::string error;
        EXPECT_FALSE(ReadImports(image, &error)) << c.what;
    }
    // A name without its zero: the last byte of the image is that zero.
    std::vector<uint8_t> unterminated = good;
    unterminated.back() = 'x';
    EXPECT_FALSE(ReadImports(unterminated, nullptr));
    // Descriptors without the closing one of zeros run off the section.
    std::vector<uint8_t> endless = good;
    for (size_t i = kSectionOffset; i < endless.size(); ++i) endless[i] = 0x11;
    EXPECT_FALSE(ReadImports(endless, nullptr));
}

TEST(PeImports, AllowListIgnoresCase) {
    EXPECT_TRUE(vx::pe::NameListed("KERNEL32.dll", {"kernel32.dll", "msvcrt.dll"}));
    EXPECT_FALSE(vx::pe::NameListed("UxTheme.dll", {"kernel32.dll", "msvcrt.dll"}));
    EXPECT_FALSE(vx::pe::NameListed("kernel32", {"kernel32.dll"}));
}

}  // namespace
