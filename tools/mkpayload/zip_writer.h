// Writes a standard ZIP archive into memory: deflated files, stored folder
// entries, an extended timestamp ("UT") block per entry. Names are taken as
// given (already in the archive's code page, "/" separated).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vx::mkpayload {

class ZipWriter {
public:
    // A folder entry; the name gets a trailing "/" when it lacks one.
    void AddFolder(std::string name, int64_t unixTime);
    // A file entry, compressed with deflate at the best level.
    void AddFile(std::string name, std::span<const uint8_t> data, int64_t unixTime);
    // Appends the central directory and its end record; the writer is
    // finished afterwards. Returns the whole archive.
    const std::vector<uint8_t>& Finish();

    size_t EntryCount() const { return entries_.size(); }

private:
    struct Entry {
        std::string name;
        uint16_t method;
        uint32_t crc;
        uint32_t packedSize;
        uint32_t size;
        uint16_t dosTime, dosDate;
        uint32_t unixTime;
        uint32_t externalAttributes;
        uint32_t localOffset;
    };
    void AddEntry(Entry entry, std::span<const uint8_t> packed);

    std::vector<uint8_t> out_;
    std::vector<Entry> entries_;
    bool finished_ = false;
};

// Raw deflate (no zlib header), best compression.
std::vector<uint8_t> Deflate(std::span<const uint8_t> data);

}  // namespace vx::mkpayload
