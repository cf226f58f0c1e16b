// The archive reader: entry records, attributes, times and writing entries to
// files, over minizip with the Win32 file functions (behind a read buffer).
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vx::zip {

// Result codes; 0 is success, anything else is a failure to the caller.
enum ResultCode : uint32_t {
    kOk = 0,
    kCannotCreateTarget = 0x200,
    kReadWriteFailed = 0x400,
    kBadLocalHeader = 0x700,
    kBadExtraField = 0x800,
    kNoSuchEntry = 0x10000,  // index out of range
    kWrongAccess = 0x80000,  // the reader is not open
    kAlreadyOpen = 0x1000000,
};

struct ZipEntry {
    int32_t index = -1;        // for index -1: the number of entries
    char name[260] = {};       // as stored, no code-page conversion
    bool nameComplete = true;  // false: longer than 259 bytes or holding a NUL
    uint32_t attributes = 0;
    uint64_t accessTime = 0;  // file times, UTC; 0 = unknown
    uint64_t creationTime = 0;
    uint64_t modificationTime = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t method = 0;  // 0 stored, 8 deflated
    uint16_t flags = 0;   // general purpose bits; bit 0 = encrypted
};

class ArchiveReader {
public:
    ArchiveReader();
    ~ArchiveReader();
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // Opens an existing archive for reading (others may read it meanwhile).
    // The base folder becomes the current folder + "\"; empty when the
    // current folder does not fit an ANSI path, and then relative targets fail.
    uint32_t Open(const char* fileName);
    bool IsOpen() const { return file_ != nullptr; }
    int32_t EntryCount() const { return count_; }
    const std::string& BaseFolder() const { return baseFolder_; }

    uint32_t GetEntry(int32_t index, ZipEntry& entry);
    // finalAttributes, when non-zero, are what the written file is left with;
    // they are set through the open handle together with the times.
    uint32_t ExtractEntry(int32_t index, const char* target, uint32_t finalAttributes = 0);
    void Close();

private:
    uint32_t Check(int32_t index) const;
    void CloseOpenEntry();
    bool MoveTo(int32_t index);
    uint32_t ReadRecord(int32_t index, ZipEntry& entry);
    // false: no base folder to create them below.
    bool CreateBelowBase(const std::string& folder) const;

    void* file_ = nullptr;  // unzFile
    int32_t count_ = 0;
    int32_t position_ = -1;   // entry minizip stands on
    bool entryOpen_ = false;  // an entry is open for reading
    // Every record read so far, by index: the counting pass reads them all,
    // so the extraction loop does not read each local header a second time.
    std::vector<ZipEntry> records_;
    std::vector<bool> known_;
    std::string baseFolder_;
    std::unique_ptr<uint8_t[]> buffer_;
};

}  // namespace vx::zip
