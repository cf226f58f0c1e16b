#include "tools/peimports/pe_imports.h"

#include <algorithm>
#include <cctype>

#include "runtime/base/byte_reader.h"

namespace vx::pe {
namespace {

constexpr uint16_t kDosMagic = 0x5A4D;         // "MZ"
constexpr size_t kPeOffsetField = 0x3C;        // e_lfanew
constexpr uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr size_t kFileHeaderSize = 20;
constexpr uint16_t kOptionalMagic32 = 0x10B;
constexpr uint16_t kOptionalMagic64 = 0x20B;
// Offset of the data directory count in the optional header; the
// directories (8 bytes each) follow it.
constexpr size_t kDirectoryCountAt32 = 92;
constexpr size_t kDirectoryCountAt64 = 108;
constexpr uint32_t kImportDirectory = 1;
constexpr uint32_t kDelayImportDirectory = 13;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kImportDescriptorSize = 20;  // name RVA at 12
constexpr size_t kImportNameAt = 12;
constexpr size_t kDelayDescriptorSize = 32;  // name RVA at 4
constexpr size_t kDelayNameAt = 4;
// Longer is no DLL name but a directory pointing into other data.
constexpr size_t kMaxNameLength = 260;

struct Section {
    uint32_t address, virtualSize, rawSize, rawOffset;
};

class Image {
public:
    explicit Image(Bytes bytes) : bytes_(bytes) {}

    bool Parse(std::string* error) {
        ByteReader dos(bytes_);
        if (dos.U16() != kDosMagic) return Fail(error, "no MZ header");
        ByteReader at(From(kPeOffsetField));
        uint32_t peOffset = at.U32();
        ByteReader pe(From(peOffset));
        if (at.failed() || pe.U32() != kPeSignature) return Fail(error, "no PE signature");
        pe.U16();  // machine
        uint16_t sectionCount = pe.U16();
        pe.Take(12);  // time stamp, symbol table, symbol count
        uint16_t optionalSize = pe.U16();
        pe.U16();  // characteristics
        if (pe.failed()) return Fail(error, "truncated file header");
        size_t optionalAt = size_t(peOffset) + 4 + kFileHeaderSize;
        Bytes optional = From(optionalAt).first(std::min<size_t>(optionalSize, From(optionalAt).size()));
        if (optional.size() != optionalSize) return Fail(error, "truncated optional header");
        uint16_t magic = ByteReader(optional).U16();
        size_t countAt = magic == kOptionalMagic64   ? kDirectoryCountAt64
                         : magic == kOptionalMagic32 ? kDirectoryCountAt32
                                                     : 0;
        if (!countAt) return Fail(error, "unknown optional header");
        ByteReader directories(countAt <= optional.size() ? optional.subspan(countAt) : Bytes{});
        uint32_t count = directories.U32();
        for (uint32_t i = 0; i < count && i <= kDelayImportDirectory; ++i) {
            uint32_t rva = directories.U32();
            directories.Take(4);  // size: the descriptors end with one of zeros
            if (i == kImportDirectory) imports_ = rva;
            if (i == kDelayImportDirectory) delayImports_ = rva;
        }
        if (directories.failed()) return Fail(error, "truncated data directories");
        ByteReader sections(From(optionalAt + optionalSize));
        for (uint16_t i = 0; i < sectionCount; ++i) {
            Bytes header = sections.Take(kSectionHeaderSize);
            if (sections.failed()) return Fail(error, "truncated section table");
            ByteReader s(header.subspan(8));
            Section section{};
            section.virtualSize = s.U32();
            section.address = s.U32();
            section.rawSize = s.U32();
            section.rawOffset = s.U32();
            sections_.push_back(section);
        }
        return true;
    }

    // The names of one import-style directory: descriptors of `size` bytes
    // with a name RVA at `nameAt`, ended by a descriptor of zeros.
    bool Names(uint32_t rva, size_t size, size_t nameAt, std::vector<std::string>* out, std::string* error) const {
        if (!rva) return true;
        ByteReader descriptors(At(rva));
        for (;;) {
            Bytes d = descriptors.Take(size);
            if (descriptors.failed()) return Fail(error, "import descriptors run past their section");
            if (std::all_of(d.begin(), d.end(), [](uint8_t b) { return b == 0; })) return true;
            uint32_t nameRva = ByteReader(d.subspan(nameAt)).U32();
            Bytes at = At(nameRva);
            ByteReader name(at.first(std::min(at.size(), kMaxNameLength + 1)));
            std::string_view text = name.ZeroText();
            if (name.failed() || text.empty()) return Fail(error, "import name outside the image or unterminated");
            out->emplace_back(text);
        }
    }

    uint32_t imports() const { return imports_; }
    uint32_t delayImports() const { return delayImports_; }

private:
    static bool Fail(std::string* error, const char* why) {
        if (error) *error = why;
        return false;
    }
    Bytes From(size_t offset) const { return offset <= bytes_.size() ? bytes_.subspan(offset) : Bytes{}; }
    // The file bytes behind an RVA, to the end of its section's raw data.
    Bytes At(uint32_t rva) const {
        for (const Section& s : sections_) {
            if (rva < s.address || rva - s.address >= s.rawSize) continue;
            Bytes raw = From(s.rawOffset);
            raw = raw.first(std::min<size_t>(raw.size(), s.rawSize));
            size_t offset = rva - s.address;
            return offset < raw.size() ? raw.subspan(offset) : Bytes{};
        }
        return {};
    }

    Bytes bytes_;
    std::vector<Section> sections_;
    uint32_t imports_ = 0, delayImports_ = 0;
};

}  // namespace

std::optional<Imports> ReadImports(std::span<const uint8_t> bytes, std::string* error) {
    Image image(bytes);
    Imports result;
    if (!image.Parse(error) ||
        !image.Names(image.imports(), kImportDescriptorSize, kImportNameAt, &result.loadTime, error) ||
        !image.Names(image.delayImports(), kDelayDescriptorSize, kDelayNameAt, &result.delayed, error))
        return std::nullopt;
    return result;
}

bool NameListed(const std::string& name, const std::vector<std::string>& list) {
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    return std::any_of(list.begin(), list.end(), [&](const std::string& entry) { return lower(entry) == lower(name); });
}

}  // namespace vx::pe
