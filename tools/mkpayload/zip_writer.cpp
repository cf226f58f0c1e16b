#include "tools/mkpayload/zip_writer.h"

#include <zlib.h>

#include <ctime>
#include <limits>
#include <stdexcept>

#include "runtime/base/byte_reader.h"

namespace vx::mkpayload {
namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint16_t kVersionNeeded = 20;
// Made on Unix (upper byte 3), so readers take the mode in the upper half of
// the external attributes: a regular file without owner-write would come out
// read-only.
constexpr uint16_t kVersionMadeBy = (3 << 8) | 30;
constexpr uint32_t kFileAttributes = 0100644u << 16;
constexpr uint32_t kFolderAttributes = (040755u << 16) | 0x10;
constexpr uint16_t kTimestampTag = 0x5455;  // "UT"

uint32_t CheckedU32(size_t n, const char* what) {
    if (n > std::numeric_limits<uint32_t>::max()) throw std::runtime_error(std::string(what) + " exceeds 4 GiB");
    return static_cast<uint32_t>(n);
}

// MS-DOS date and time in UTC, so the archive does not depend on the
// builder's time zone; clamped to the DOS range (1980-2107).
void DosTime(int64_t unixTime, uint16_t& time, uint16_t& date) {
    std::time_t t = static_cast<std::time_t>(unixTime);
    std::tm tm{};
    gmtime_r(&t, &tm);
    int year = tm.tm_year + 1900;
    if (year < 1980) {
        year = 1980;
        tm.tm_mon = 0;
        tm.tm_mday = 1;
        tm.tm_hour = tm.tm_min = tm.tm_sec = 0;
    }
    if (year > 2107) year = 2107;
    time = static_cast<uint16_t>((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    date = static_cast<uint16_t>(((year - 1980) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
}

uint32_t UnixTime32(int64_t t) {
    if (t < 0 || t > std::numeric_limits<uint32_t>::max()) throw std::runtime_error("time outside the 32-bit range");
    return static_cast<uint32_t>(t);
}

}  // namespace

std::vector<uint8_t> Deflate(std::span<const uint8_t> data) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    std::vector<uint8_t> out(deflateBound(&z, CheckedU32(data.size(), "file")));
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&z, Z_FINISH);
    size_t produced = z.total_out;
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate failed");
    out.resize(produced);
    return out;
}

void ZipWriter::AddFolder(std::string name, int64_t unixTime) {
    if (name.empty() || name.back() != '/') name += '/';
    Entry e{};
    e.name = std::move(name);
    e.method = 0;
    e.externalAttributes = kFolderAttributes;
    DosTime(unixTime, e.dosTime, e.dosDate);
    e.unixTime = UnixTime32(unixTime);
    AddEntry(std::move(e), {});
}

void ZipWriter::AddFile(std::string name, std::span<const uint8_t> data, int64_t unixTime) {
    if (name.empty() || name.back() == '/') throw std::runtime_error("file entry without a name: " + name);
    Entry e{};
    e.name = std::move(name);
    e.method = 8;
    e.crc = static_cast<uint32_t>(crc32(0, data.data(), CheckedU32(data.size(), "file")));
    e.size = static_cast<uint32_t>(data.size());
    e.externalAttributes = kFileAttributes;
    DosTime(unixTime, e.dosTime, e.dosDate);
    e.unixTime = UnixTime32(unixTime);
    std::vector<uint8_t> packed = Deflate(data);
    e.packedSize = static_cast<uint32_t>(packed.size());
    AddEntry(std::move(e), packed);
}

void ZipWriter::AddEntry(Entry e, std::span<const uint8_t> packed) {
    if (finished_) throw std::runtime_error("archive already finished");
    if (e.name.size() > 0xFFFF) throw std::runtime_error("entry name too long");
    if (entries_.size() == 0xFFFF) throw std::runtime_error("too many entries");
    e.localOffset = CheckedU32(out_.size(), "archive");
    PutU32(out_, kLocalSignature);
    PutU16(out_, kVersionNeeded);
    PutU16(out_, 0);  // flags: no data descriptor, names not UTF-8
    PutU16(out_, e.method);
    PutU16(out_, e.dosTime);
    PutU16(out_, e.dosDate);
    PutU32(out_, e.crc);
    PutU32(out_, e.packedSize);
    PutU32(out_, e.size);
    PutU16(out_, static_cast<uint16_t>(e.name.size()));
    PutU16(out_, 4 + 9);
    out_.insert(out_.end(), e.name.begin(), e.name.end());
    // Local block: modification and access time.
    PutU16(out_, kTimestampTag);
    PutU16(out_, 9);
    out_.push_back(3);
    PutU32(out_, e.unixTime);
    PutU32(out_, e.unixTime);
    out_.insert(out_.end(), packed.begin(), packed.end());
    CheckedU32(out_.size(), "archive");
    entries_.push_back(std::move(e));
}

const std::vector<uint8_t>& ZipWriter::Finish() {
    if (finished_) return out_;
    uint32_t directoryOffset = CheckedU32(out_.size(), "archive");
    for (const Entry& e : entries_) {
        PutU32(out_, kCentralSignature);
        PutU16(out_, kVersionMadeBy);
        PutU16(out_, kVersionNeeded);
        PutU16(out_, 0);
        PutU16(out_, e.method);
        PutU16(out_, e.dosTime);
        PutU16(out_, e.dosDate);
        PutU32(out_, e.crc);
        PutU32(out_, e.packedSize);
        PutU32(out_, e.size);
        PutU16(out_, static_cast<uint16_t>(e.name.size()));
        PutU16(out_, 4 + 5);
        PutU16(out_, 0);  // comment
        PutU16(out_, 0);  // disk
        PutU16(out_, 0);  // internal attributes
        PutU32(out_, e.externalAttributes);
        PutU32(out_, e.localOffset);
        out_.insert(out_.end(), e.name.begin(), e.name.end());
        // Central block: the flags of the local one, modification time only.
        PutU16(out_, kTimestampTag);
        PutU16(out_, 5);
        out_.push_back(3);
        PutU32(out_, e.unixTime);
    }
    uint32_t directorySize = CheckedU32(out_.size() - directoryOffset, "central directory");
    PutU32(out_, kEndSignature);
    PutU16(out_, 0);
    PutU16(out_, 0);
    PutU16(out_, static_cast<uint16_t>(entries_.size()));
    PutU16(out_, static_cast<uint16_t>(entries_.size()));
    PutU32(out_, directorySize);
    PutU32(out_, directoryOffset);
    PutU16(out_, 0);
    finished_ = true;
    return out_;
}

}  // namespace vx::mkpayload
