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

// The data of one entry in pieces, as a file is written from it.
class EntryData {
public:
    // The next piece: its byte count, with *data pointing at it until the
    // next call; 0 once the data is complete and its CRC matched; negative
    // when reading, inflating or the CRC check failed.
    virtual int Next(const uint8_t** data) = 0;

protected:
    ~EntryData() = default;
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

    // One entry's data, inflated piece by piece. Nothing else may be asked
    // of the reader between OpenData and the end of that entry's data.
    uint32_t OpenData(int32_t index);
    // Up to size bytes of it: the count, or -1 when reading or inflating
    // failed or, at the end, the CRC did not match. *complete is set once
    // the data has ended (the entry is then closed); data that ends short
    // of the entry's size leaves the CRC unchecked, so the caller counts.
    int ReadData(void* buffer, unsigned size, bool* complete);

    // What ExtractEntry does once the entry's data is at hand: folders below
    // the base folder for a relative target, the file, its times and final
    // attributes. It reads nothing of the archive, so another thread may
    // read the data meanwhile. kCannotCreateTarget comes before any of the
    // data is taken.
    uint32_t WriteEntry(const ZipEntry& e, const char* target, uint32_t finalAttributes, EntryData& data) const;

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
